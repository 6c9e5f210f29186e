// Print listing: everything the run prints goes through tvlprt.  It writes
// the listing file (a line file), counts lines, throws pages with a heading
// that carries date, time and page number, prints column headers and a
// column scale around printed records, lays records out in character,
// hexadecimal, mixed and dump layouts, folds repeated dump lines, and can
// show the same lines on the terminal (standard output) and the log.
//
// Exports: tvlprt, prtsig, prtedit (report.h).
// Called by: the driver (heading line, close), statement input (echo),
// messages (tvlerr, errlogic), run preparation (request 13), the PRINT,
// SPACE, LINE and LOG actions, the signal handler and the summary.
// Calls: tvlfn and cblfio (the listing file), cblgcore (header lines),
// cbledt (numbers), cbltrtab with the listing tables ttab_tc, ttab_tb,
// ttab_mz, ttab_mn (changed by types 4 and 5), cbldate (the heading's
// date when the run has none).
//
// Divisions: listing file; geometry and heading; physical lines and page
// throw; column headers; record layouts; dump layout; single-line types;
// the entry tvlprt.
//
// Page heading (heading width w = 132, page 1):
//   line 1: "TORVALE/L64 3.50", blanks, then in the last 27 columns the date
//           and time "2026/12/07 01:45" and "   PAGE   1";
//   line 2: 16 "-" under the product text, blanks, then 16 "-", 3 blanks,
//           8 "-" in the last 27 columns.
// On later pages line 1 is written as X'0C' followed by the same columns.
//
// Record header lines (data width 100, RECORD LENGTH column on):
//   "    INPUT   SEL SEL" then the hundreds digit at every 100th data column,
//   "    RECNO   TOT ID." then the tens digit at every 10th data column,
//   "    -----   --- --- ....,....0....,....0" ... and "  RECORD",
//   "  LENGTH", "  ------" right after the data columns.
//
// Dump line (heading width 132: 8 groups of 4 bytes, b = 32 bytes a line,
// extra blank after the 4th group, character part at c = 85, 119 columns).
// The 12 bytes "Hello, World" (48 65 6C 6C 6F 2C 20 57 6F 72 6C 64) give:
//   columns 0-1 blank, 2-5 "0000", 6-7 blank,
//   8-15 "48656C6C", 17-24 "6F2C2057", 26-33 "6F726C64", rest blank,
//   85 "|", 86-97 "Hello, World", 98-117 blank, 118 "|".
// 64 zero bytes give the line for 0000 and one "=same=" line:
//   "  0020-003F  =same=" with ":" at columns 85 and 118.
#include "report/report.h"
#include "driver/driver.h"
#include "files/files.h"
#include "frontend/frontend.h"
#include "runtime/runtime.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kHeadWidth = 132;   // default heading width
constexpr int kPageDepth = 58;    // default lines per page
constexpr int kDataWidth = 100;   // default record bytes per print line
constexpr int kLenCol = 8;        // width of the RECORD LENGTH column
constexpr int kSelCols = 20;      // selection columns before the record data
constexpr int kHdrLines = 3;      // column header lines above dumps and records
constexpr int kTail = 27;         // heading columns holding date, time and page
constexpr int kAsaMax = 133;      // longest ASA line given with its default length
constexpr int kHeadMax = 56;      // longest HEAD text: the rest of the line holds date and page

[[noreturn]] void fatal(int status, const char* fmt, const char* arg) {
    std::fprintf(stderr, fmt, arg);
    std::fflush(stderr);
    std::exit(status);
}

// ---------------------------------------------------------------------------
// Listing file: define, open, write one line, close.
// ---------------------------------------------------------------------------

// The listing is an output line file of the record file layer, with a
// block size of 4128 bytes, defined through the file-name parser.

constexpr std::int64_t kLstBlk = 4128;  // block size of the listing

// Define the listing file; false when the name cannot be a file name
// (the parser refuses, for example, names of 256 characters or more).
bool lstdef(CMV* c, PRTS* p, const char* name) {
    p->name = name;
    p->file = tvlfn(c, FN_LST, name, 0);
    if (!p->file) return false;
    p->file->bufsize = kLstBlk;
    p->fcb = cblf_fcb(c);
    p->fcb->ffrec = p->file;
    return true;
}

// Open the listing for writing; null, or the file layer's error text.
const char* lstopen(PRTS* p) {
    if (cblfio(p->fcb, F_OPEN, nullptr, 0)) return nullptr;
    return p->fcb->errm && p->fcb->errm[0] ? p->fcb->errm : "OPEN failed.";
}

// Write one line; false when the file layer could not.
bool lstput(PRTS* p, const char* line, long len) {
    return cblfio(p->fcb, F_WRITE, const_cast<char*>(line), len) != nullptr;
}

// Close the listing and give back its control block; false when the last
// block could not be written.
bool lstclose(CMV* c, PRTS* p) {
    p->fcb->ffrec = p->file;
    cblfio(p->fcb, F_CLOSE, nullptr, 0);
    bool ok = !(p->fcb->errm && p->fcb->errm[0]);
    cblgcorf(c->gccb, &p->fcb, "ffc");
    return ok;
}

// ---------------------------------------------------------------------------
// Geometry and heading
// ---------------------------------------------------------------------------

int clampi(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Geometry not set yet comes from the options block, else the run context,
// else the defaults.
void prtgeom(CMV* c) {
    PRTS* p = &c->prt;
    const OPTB* o = c->optp;
    if (!p->headwidth) {
        int w = o && o->pagewidth ? o->pagewidth : (c->pagewidth ? c->pagewidth : kHeadWidth);
        p->headwidth = static_cast<std::int16_t>(clampi(w, 66, 156));
    }
    if (!p->pagedepth) {
        int d = o && o->pagedepth ? o->pagedepth : (c->pagedepth ? c->pagedepth : kPageDepth);
        p->pagedepth = d < 10 ? 10 : d;
    }
    if (!p->datawidth) {
        int d = o && o->datawidth ? o->datawidth : kDataWidth;
        p->datawidth = static_cast<std::int16_t>(clampi(d, 10, 4096));
        p->reclencol = !o || o->reclen ? kLenCol : 0;
    }
    if (!p->dumpenc) {
        bool set = o && o->dumpenc[0];
        p->dumpenc = set ? static_cast<std::uint16_t>(static_cast<unsigned char>(o->dumpenc[0]) << 8 |
                                                      static_cast<unsigned char>(o->dumpenc[1]))
                         : static_cast<std::uint16_t>('|' << 8 | ':');
        p->dumpall = o ? o->dumpall : 0;
    }
}

// Heading line 2: "-" under the product text, then in the last 27 columns
// dashes with three blanks under the blanks before PAGE.
void mkhead2(CMV* c, int prodlen) {
    PRTS* p = &c->prt;
    const int w = p->headwidth;
    const char* u = c->underline;
    while (*u == '\n' || *u == '\r') u++;
    int dashes = 0;
    while (dashes < w - kTail - 1 && u[dashes] == '-') dashes++;
    if (dashes == 0) dashes = prodlen;
    std::memset(p->head2, ' ', sizeof p->head2);
    std::memset(p->head2, '-', static_cast<size_t>(dashes));
    std::memset(p->head2 + w - kTail, '-', kTail);
    std::memset(p->head2 + w - kTail + 16, ' ', 3);
}

// Complete heading line 1 (the driver set its left part after a line feed
// and a carriage return) with date, time and page, and make line 2.
void prthead(CMV* c) {
    PRTS* p = &c->prt;
    prtgeom(c);
    char* h = c->heading;
    const int w = p->headwidth;
    if (h[0] != '\n' || h[1] != '\r') {
        std::memset(h, 0, sizeof c->heading);
        std::memcpy(h, "\n\rTORVALE/L64 ", 14);
        std::memcpy(h + 14, c->relp && std::strlen(c->relp) >= 4 ? c->relp : "3.50", 4);
    }
    char* nul = static_cast<char*>(std::memchr(h + 2, '\0', static_cast<size_t>(w)));
    if (nul) std::memset(nul, ' ', static_cast<size_t>(h + 2 + w - nul));
    char* tail = h + 2 + w - kTail;
    int prodlen = static_cast<int>(tail - (h + 2));
    while (prodlen > 0 && h[1 + prodlen] == ' ') prodlen--;
    char now[CBLDATE_LEN];
    const char* dt = c->datep;
    if (!dt) {
        cbldate(now, nullptr, 0);
        dt = now;
    }
    std::memcpy(tail, dt + CBLDATE_TEXT, 16);
    std::memcpy(tail + 16, "   PAGE   1", 11);
    p->pagepos = static_cast<std::int16_t>(2 + w - 4);
    p->head1off = 2;
    mkhead2(c, prodlen);
    p->flags |= PR_HEADOK;
}

// The heading lines for new geometry or a new heading text: the left
// part is the HEAD text when one was given, else the product heading the
// driver set (as long as its underline); date, time and page number go
// into the last columns of the new width.  The page number shown and the
// form feed of later pages are kept.
void relay(CMV* c) {
    PRTS* p = &c->prt;
    const OPTB* o = c->optp;
    char* h = c->heading;
    const char ff = h[1];
    char left[sizeof c->heading];
    int len = 0;
    if (o && o->headsw) {
        len = o->headlen;
        std::memcpy(left, o->head, static_cast<size_t>(len));
    } else {
        const char* u = c->underline;
        while (*u == '\n' || *u == '\r') u++;
        while (len < kHeadMax && u[len] == '-') len++;
        std::memcpy(left, h + 2, static_cast<size_t>(len));
    }
    std::memset(h, 0, sizeof c->heading);
    std::memcpy(h, "\n\r", 2);
    std::memcpy(h + 2, left, static_cast<size_t>(len));
    p->headwidth = 0;
    prthead(c);
    h[1] = ff;
    if (ff == '\f') p->head1off = 1;
    if (p->pageno > 0) prtedit(h + p->pagepos, "0009", p->pageno);
}

// ---------------------------------------------------------------------------
// Physical lines and page throw
// ---------------------------------------------------------------------------

// Write one physical line to the destinations of the call and count
// `lines` against the page.
void putphys(CMV* c, const char* line, long len, int lines) {
    PRTS* p = &c->prt;
    if (len > 0 && line[len - 1] == '\n') len--;
    if (p->dest & PD_LIST) {
        if ((p->flags & PR_OPEN) && !lstput(p, line, len))
            fatal(77, "Write %s failed.\n", p->name);
        p->linesleft -= lines;
    }
    if (p->dest & PD_TERM) {
        std::fwrite(line, 1, static_cast<size_t>(len), stdout);
        std::fputc('\n', stdout);
    }
    if (p->dest & PD_LOG) {
        FILE* log = c->logfp ? c->logfp : stderr;
        std::fwrite(line, 1, static_cast<size_t>(len), log);
        std::fputc('\n', log);
    }
}

// An empty line to the listing only.
void putempty(CMV* c) {
    PRTS* p = &c->prt;
    std::uint16_t d = p->dest;
    p->dest = PD_LIST;
    putphys(c, "", 0, 1);
    p->dest = d;
}

void dotsrtn(CMV* c, int type);
bool hdrdue(const PRTS* p);

// New page: close a record scale that shows, count the page, and unless
// the type is an ASA line print the heading.  From now on line 1 begins
// with a form feed.
void newpage(CMV* c, bool heading) {
    PRTS* p = &c->prt;
    std::uint16_t d = p->dest;
    p->dest = PD_LIST;
    if (p->showtype >= PT_ASIS) dotsrtn(c, PT_LINE);
    p->showtype = 0;
    p->pageno++;
    prtedit(c->heading + p->pagepos, "0009", p->pageno);
    p->linesleft = p->pagedepth;
    if (heading) {
        putphys(c, c->heading + p->head1off, p->headwidth + 2 - p->head1off, 1);
        putphys(c, p->head2, p->headwidth, 1);
        if (p->curtype < PT_PREC) putphys(c, "", 0, 1);
    }
    c->heading[1] = '\f';
    p->head1off = 1;
    p->dest = d;
}

// Page throw when due, then the column headers of the current type.  The
// three header lines that are about to print count with the lines the
// type needs, so that headers, record and closing scale never run past
// the page depth.
void headrtn(CMV* c) {
    PRTS* p = &c->prt;
    if (!(p->dest & PD_LIST)) return;
    const int need = p->need + (hdrdue(p) ? kHdrLines : 0);
    if (p->linesleft < need || p->linesleft < 1) newpage(c, p->curtype != PT_ASA);
    dotsrtn(c, p->curtype);
}

// ---------------------------------------------------------------------------
// Column headers (request 13)
// ---------------------------------------------------------------------------

// Byte-by-byte forward copy: an overlapping copy repeats a pattern.
void propgt(char* to, const char* from, int count) {
    for (int i = 0; i < count; i++) to[i] = from[i];
}

// Scale digits over `width` columns of line (column j at line[j]): with
// step 10 the tens digit at every 10th column, with step 100 the number of
// hundreds ending at every 100th column.
void set10s(char* line, int width, int step) {
    for (int j = step; j <= width; j += step) {
        int v = step == 10 ? (j / 10) % 10 : j / 100;
        for (int k = j; ; k--) {
            line[k] = static_cast<char>('0' + v % 10);
            v /= 10;
            if (v == 0) break;
        }
    }
}

// Make the work line and the four header lines for the data width.
void mk_prec(CMV* c) {
    PRTS* p = &c->prt;
    prtgeom(c);
    const int w = p->datawidth;
    int len = w + 32 + (w == 100 ? 4 : 0);
    len = (len < 160 ? 160 : len + 15) & ~15;
    if (p->work && p->buflen < len) {
        cblgcorf(c->gccb, &p->work, "prt");
        p->buflen = 0;
    }
    if (!p->work) {
        p->work = static_cast<char*>(cblgcore(c->gccb, 5L * len, ' ', "prt"));
        p->buflen = len;
    }
    std::memset(p->work, ' ', 5 * static_cast<size_t>(p->buflen));
    for (int k = 0; k < 4; k++) p->hdr[k] = p->work + (k + 1) * p->buflen;
    std::memcpy(p->hdr[0], "x    INPUT   SEL SEL", 20);
    std::memcpy(p->hdr[1], "x    RECNO   TOT ID.", 20);
    std::memcpy(p->hdr[2], "x    -----   --- --- ....,....0", 31);
    std::memcpy(p->hdr[3], "x                    ....,....1", 31);
    propgt(p->hdr[2] + 31, p->hdr[2] + 21, w - 10);
    propgt(p->hdr[3] + 31, p->hdr[3] + 21, w - 10);
    set10s(p->hdr[0] + kSelCols, w, 100);
    set10s(p->hdr[1] + kSelCols, w, 10);
    set10s(p->hdr[3] + kSelCols, w, 10);
    std::memcpy(p->hdr[0] + w + 21, "  RECORD", kLenCol);
    std::memcpy(p->hdr[1] + w + 21, "  LENGTH", kLenCol);
    std::memcpy(p->hdr[2] + w + 21, "  ------", kLenCol);
    p->hdrdw = w;
}

bool isdump(int type) { return type >= PT_DUMP && type <= PT_DUMPE; }
bool isrecord(int type) { return type >= PT_ASIS && type <= PT_MIXP; }

// True when dotsrtn is about to print the column headers of the current
// type (a dump or record type whose headers do not show yet).
bool hdrdue(const PRTS* p) {
    if (p->showtype >= PT_ASIS) return false;
    if (isdump(p->curtype)) return !isdump(p->showtype);
    return isrecord(p->curtype);
}

// Column headers for a dump or a record type while none show, or the
// closing scale for a plain line while record lines show.
void dotsrtn(CMV* c, int type) {
    PRTS* p = &c->prt;
    if (p->showtype < PT_ASIS) {
        int width;
        if (isdump(type)) {
            if (isdump(p->showtype)) return;
            width = 19;
        } else if (isrecord(type)) {
            width = p->datawidth + kSelCols + p->reclencol;
        } else {
            return;
        }
        if (!p->work || p->hdrdw != p->datawidth) mk_prec(c);
        for (int k = 0; k < kHdrLines; k++) putphys(c, p->hdr[k] + 1, width, 1);
        p->showtype = type;
    } else if (type == PT_LINE || type == PT_REPORT) {
        putphys(c, p->hdr[3] + 1, p->datawidth + kSelCols, 1);
        p->showtype = PT_LINE;
    }
}

// Heading when due, then the selection columns of the work line.
void setsel(CMV* c) {
    PRTS* p = &c->prt;
    if (p->linesleft < p->need || p->showtype != p->curtype) headrtn(c);
    std::memset(p->work, ' ', static_cast<size_t>(p->buflen));
    prtedit(p->work, "000000009", p->inrecs);
    prtedit(p->work + 9, "000009", p->selcnt);
    prtedit(p->work + 15, "0009 ", p->selid);
}

// ---------------------------------------------------------------------------
// Record layouts (types 19 to 25)
// ---------------------------------------------------------------------------

// Lay one chunk of n record bytes out at column 21 and print its lines;
// `end1` is where the chunk's first line ends (the length column on the
// record's first chunk).
void putl(CMV* c, int type, long n, const unsigned char* data, long end1) {
    PRTS* p = &c->prt;
    auto* line = reinterpret_cast<unsigned char*>(p->work + kSelCols);
    const long end = kSelCols + n;
    auto second = [&](const TTAB& t) {
        std::memset(p->work, ' ', kSelCols);
        cbltrtab(line, data, n, t.data());
        putphys(c, p->work, end, 1);
    };
    if (type > PT_CHAR) putphys(c, "", 0, 1);  // to every destination of the call
    switch (type) {
    case PT_ASIS:
        std::memcpy(line, data, static_cast<size_t>(n));
        putphys(c, p->work, end1, 1);
        break;
    case PT_CHAR:
        cbltrtab(line, data, n, ttab_tc.data());
        putphys(c, p->work, end1, 1);
        break;
    case PT_HEX:
        cbltrtab(line, data, n, ttab_hz.data());
        putphys(c, p->work, end1, 1);
        second(ttab_hn);
        break;
    case PT_BOTH:
        cbltrtab(line, data, n, ttab_tb.data());
        putphys(c, p->work, end1, 1);
        second(ttab_hz);
        second(ttab_hn);
        break;
    default:  // PT_MIX, PT_MIXC, PT_MIXP
        cbltrtab(line, data, n, ttab_mz.data());
        putphys(c, p->work, end1, 1);
        second(ttab_mn);
        break;
    }
}

// A record in chunks of data-width bytes; from the second chunk on the
// offset in the record stands in columns 5 to 13.
void prtrec(CMV* c, const unsigned char* data, long len, int type) {
    PRTS* p = &c->prt;
    if (!p->work || p->hdrdw != p->datawidth) mk_prec(c);
    const int w = p->datawidth;
    p->need = static_cast<std::int16_t>(type <= PT_CHAR ? 2 : (type == PT_BOTH ? 5 : 4));
    if (p->linesleft < p->need) p->linesleft = 0;
    setsel(c);
    long end1 = 0;
    if (p->reclencol) {
        prtedit(p->work + w + kSelCols, "0000009-", len);
        end1 = w + kSelCols + p->reclencol;
    }
    long off = 0;
    do {
        long n = len - off < w ? len - off : w;
        if (off > 0) {
            if (p->linesleft < p->need) headrtn(c);
            std::memset(p->work, ' ', static_cast<size_t>(w + kSelCols + kLenCol));
            prtedit(p->work + 4, "s,sss,ss9", off);
            end1 = 0;
        }
        putl(c, type, n, data + off, end1 > kSelCols + n ? end1 : kSelCols + n);
        off += n;
    } while (off < len);
}

// ---------------------------------------------------------------------------
// Dump layout (types 14 to 17)
// ---------------------------------------------------------------------------

// Geometry of a dump line for the heading width.
struct DUMPGEO {
    int groups;   // groups of 4 bytes a line, at most 8
    int bytes;    // bytes a line
    int extra;    // 1: an extra blank after the fourth group
    int cpos;     // position of the first enclosure character
    int len;      // characters a line
};

DUMPGEO dumpgeo(int headwidth) {
    DUMPGEO g;
    g.groups = (headwidth - 15) / 13;
    if (g.groups > 8) g.groups = 8;
    g.bytes = 4 * g.groups;
    g.extra = g.groups > 5 ? 1 : 0;
    g.cpos = g.extra + 9 * g.groups + 8 + 4;
    g.len = g.cpos + g.bytes + 2;
    return g;
}

// The two hexadecimal digits of every byte, for the dump lines.
struct HEXPAIRS {
    char d[256][2];
};
constexpr HEXPAIRS mkpairs() {
    HEXPAIRS h{};
    for (int b = 0; b < 256; b++) {
        h.d[b][0] = "0123456789ABCDEF"[b >> 4];
        h.d[b][1] = "0123456789ABCDEF"[b & 15];
    }
    return h;
}
constexpr HEXPAIRS hexpairs = mkpairs();

// Write an offset in hexadecimal ending at position `last`: 4 digits, or as
// many as it needs (6 or 8) for an offset above X'FFFF'.  Returns the
// position after it.
int hexoff(char* line, int last, long off) {
    int digits = off <= 0xFFFF ? 4 : (off <= 0xFFFFFF ? 6 : 8);
    if (digits == 8 && last < 7) last = 7;
    for (int k = 0; k < digits; k++, off >>= 4) line[last - k] = "0123456789ABCDEF"[off & 15];
    return last + 1;
}

// One dump line of n (up to g.bytes) bytes at offset off.
void dumpline(CMV* c, const DUMPGEO& g, const unsigned char* d, long off, long n,
              std::uint16_t enc, bool chars) {
    char* line = c->prt.work;
    std::memset(line, ' ', static_cast<size_t>(g.len));
    hexoff(line, 5, off);
    char* h = line + 8;
    for (long i = 0; i < n; i++) {
        if (i != 0 && (i & 3) == 0) h += (i == 16 && g.extra) ? 2 : 1;
        std::memcpy(h, hexpairs.d[d[i]], 2);
        h += 2;
    }
    line[g.cpos] = static_cast<char>(enc >> 8);
    line[g.cpos + g.bytes + 1] = static_cast<char>(enc >> 8);
    if (chars) cbltrtab(reinterpret_cast<unsigned char*>(line + g.cpos + 1), d, n, ttab_tc.data());
    putphys(c, line, g.len, 1);
}

// The line that replaces a run of `lines` dump lines equal to the one
// before them, from offset `first` up to `end`.
void sameline(CMV* c, const DUMPGEO& g, long first, long end, long lines, bool toend,
              std::uint16_t enc) {
    char* line = c->prt.work;
    std::memset(line, ' ', static_cast<size_t>(g.len));
    int at = hexoff(line, 5, first);
    if (toend) {
        line[at] = '-';
        at = hexoff(line, at + (end - 1 <= 0xFFFF ? 4 : 6), end - 1);
    }
    int shift = at + 2 > 13 ? at + 2 - 13 : 0;
    std::memcpy(line + 13 + shift, "=same=", 6);
    if (lines > 1) {
        char* cnt = line + 23 + shift;
        prtedit(cnt, "0000,009", lines);
        int k = 0;
        while (cnt[k] == ' ') k++;
        cnt[k - 1] = '(';
        std::memcpy(line + 32 + shift, "lines)", 6);
    }
    line[g.cpos] = static_cast<char>(enc & 0xFF);
    line[g.cpos + g.bytes + 1] = static_cast<char>(enc & 0xFF);
    putphys(c, line, g.len, 1);
}

void prtdump(CMV* c, const unsigned char* d, long len, int type) {
    PRTS* p = &c->prt;
    std::uint16_t enc = p->stmtenc ? p->stmtenc : p->dumpenc;
    const bool all = p->stmtdall ? p->stmtdall == 2 : p->dumpall != 0;
    if (type == PT_DUMPX) enc = ' ' << 8 | ' ';
    if (!p->work || p->hdrdw != p->datawidth) mk_prec(c);
    p->need = 2;
    if (p->showtype >= PT_ASIS) dotsrtn(c, PT_LINE);
    const DUMPGEO g = dumpgeo(p->headwidth);
    setsel(c);
    prtedit(p->work + 28, "00009-", len);
    putphys(c, p->work, 34, 1);
    p->need = 1;
    for (long off = 0; off < len;) {
        if (p->linesleft < 1) headrtn(c);
        const long b = g.bytes;
        if (!all && off >= b && len - off >= b && std::memcmp(d + off, d + off - b, b) == 0) {
            long first = off;
            do off += b;
            while (len - off >= b && std::memcmp(d + off, d + off - b, b) == 0);
            sameline(c, g, first, off, (off - first) / b, off == len, enc);
            continue;
        }
        dumpline(c, g, d + off, off, len - off < b ? len - off : b, enc, type != PT_DUMPX);
        off += b;
    }
}

// ---------------------------------------------------------------------------
// Single-line types
// ---------------------------------------------------------------------------

// Type 1: a statement line; its first character is carriage control ("0":
// an empty line first) and is not printed; a statement number goes into
// characters 2 to 10 as "000009." and two blanks.
void prtecho(CMV* c, const char* text, long len, int number) {
    PRTS* p = &c->prt;
    p->need = 2;
    bool blank = len > 0 && text[0] == '0';
    if (blank && p->linesleft == 1 && (p->dest & PD_LIST)) {
        putphys(c, "", 0, 1);
        blank = false;
    }
    headrtn(c);
    if (blank) putphys(c, "", 0, 1);
    if (len <= 1) {
        putphys(c, "", 0, 1);
        return;
    }
    if (number <= 0 || len < 10) {
        putphys(c, text + 1, len - 1, 1);
        return;
    }
    char* line = static_cast<char*>(cblgcore(c->gccb, len, ' ', "prte"));
    std::memcpy(line, text + 1, static_cast<size_t>(len - 1));
    prtedit(line, "000009", number);
    std::memcpy(line + 6, ".  ", 3);
    putphys(c, line, len - 1, 1);
    cblgcorf(c->gccb, &line, "prte");
}

// Type 11: the first character is an ASA control character and is printed.
void prtasa(CMV* c, const char* text, long len) {
    PRTS* p = &c->prt;
    int lines = 1;
    switch (len > 0 ? text[0] : ' ') {
    case '0': lines = 2; break;
    case '-': lines = 3; break;
    case '+': lines = 0; break;
    case '1':
        if (p->dest & PD_LIST) p->linesleft = 0;
        break;
    default: break;
    }
    p->need = static_cast<std::int16_t>(lines < 1 ? 1 : lines);
    headrtn(c);
    putphys(c, text, len, lines);
}

// Length of an ASA text given with its default length: at most 133
// characters, and not past the end of the current record.
long asalen(CMV* c, const char* text) {
    long limit = kAsaMax;
    const auto* t = reinterpret_cast<const unsigned char*>(text);
    if (c->currec && t >= c->currec && t < c->currec + c->curlen && c->currec + c->curlen - t < limit)
        limit = c->currec + c->curlen - t;
    long n = 0;
    while (n < limit && text[n]) n++;
    return n;
}

// Types 8 and 9: empty lines to the listing, or the next print starts a
// new page when the spacing reaches the end of the page.
void prtspace(CMV* c, int type, int number) {
    PRTS* p = &c->prt;
    long count = number;
    if (type == PT_SKIPTO) count = number - (p->pagedepth - p->linesleft) - 1;
    if (count < 1) return;
    long after = p->linesleft - count;
    if (after > 1 || (after > 0 && p->showtype < PT_ASIS)) {
        for (long i = 0; i < count; i++) putempty(c);
    } else {
        p->linesleft = 0;
    }
}

// Types 4 and 5: change which characters the listing tables print.
void prtable(const char* text, long len, bool printable) {
    for (long i = 0; i < len; i++) {
        auto b = static_cast<unsigned char>(text[i]);
        if (printable) {
            ttab_tc[b] = ttab_tb[b] = ttab_mz[b] = b;
            ttab_mn[b] = ' ';
        } else {
            ttab_tc[b] = '.';
            ttab_tb[b] = ' ';
            ttab_mz[b] = ttab_hz[b];
            ttab_mn[b] = ttab_hn[b];
        }
    }
}

// Open the listing at the first printing call and print the first heading.
void prtopen(CMV* c) {
    PRTS* p = &c->prt;
    const char* name = c->lstname;
    if (!name || !*name) name = std::getenv("TVLLST");
    if (!name || !*name) name = "TORV.LST";
    if (!lstdef(c, p, name)) fatal(7931, "PRINT failed: '%s'\n", name);
    if (const char* e = lstopen(p)) fatal(7932, "PRINT file: %s \n", e);
    p->flags |= PR_OPEN;
    p->linesleft = 0;
    newpage(c, true);
}

// Close the listing (a record scale that shows is closed first) and give
// back the work and header lines and the message text: nothing prints after.
void prtclose(CMV* c) {
    PRTS* p = &c->prt;
    if (p->flags & PR_OPEN) {
        if (p->showtype >= PT_ASIS) {
            p->dest = PD_LIST;
            dotsrtn(c, PT_LINE);
        }
        if (!lstclose(c, p)) fatal(77, "Write %s failed.\n", p->name);
        p->flags = (p->flags & ~PR_OPEN) | PR_CLOSED;
    }
    if (p->work) cblgcorf(c->gccb, &p->work, "prt");
    p->hdrdw = 0;
    p->buflen = 0;
    if (c->msgtext) cblgcorf(c->gccb, &c->msgtext, "msg");
}

bool validtype(int type) {
    return (type >= PT_ECHO && type <= PT_UNPRTBL) || type == PT_CLOSE || type == PT_SPACE ||
           type == PT_SKIPTO || (type >= PT_ASA && type <= PT_DUMPE) || (type >= PT_ASIS && type <= PT_MIXP);
}

}  // namespace

// ---------------------------------------------------------------------------
// Entry
// ---------------------------------------------------------------------------

void prtedit(char* out, const char* mask, long long value) {
    cbledt(out, static_cast<int>(std::strlen(mask)), mask, static_cast<long>(value));
}

void tvlprt(const char* text, int length, int type, int number) {
    CMV* c = cm;
    PRTS* p = &c->prt;
    if (!validtype(type)) {
        std::fprintf(stderr, "Print Type 0x%x invalid.\n", static_cast<unsigned>(type));
        std::fflush(stderr);
        std::exit(5);
    }
    long len = length;
    if (!text) len = 0;
    else if (len < 0) len = type == PT_ASA ? asalen(c, text) : static_cast<long>(std::strlen(text));
    p->flags |= PR_BUSY;
    if (!p->dest) p->dest = PD_LIST;
    p->text = text;
    p->curtype = type == PT_LINE3 ? p->showtype : type;
    if (type != PT_PRTABLE && type != PT_UNPRTBL && !(p->flags & PR_HEADOK)) prthead(c);
    const bool prints = type != PT_PRTABLE && type != PT_UNPRTBL && type != PT_CLOSE && type != PT_PREC;
    if (prints && (p->dest & PD_LIST) && !(p->flags & (PR_OPEN | PR_CLOSED))) prtopen(c);
    const auto* data = reinterpret_cast<const unsigned char*>(text);
    switch (type) {
    case PT_ECHO: prtecho(c, text, len, number); break;
    case PT_LINE:
    case PT_LINE3:
    case PT_REPORT:
        p->need = 1;
        headrtn(c);
        putphys(c, text ? text : "", len, 1);
        break;
    case PT_PRTABLE: prtable(text, len, true); break;
    case PT_UNPRTBL: prtable(text, len, false); break;
    case PT_CLOSE: prtclose(c); break;
    case PT_SPACE:
    case PT_SKIPTO: prtspace(c, type, number); break;
    case PT_ASA: prtasa(c, text, len); break;
    case PT_PREC: mk_prec(c); break;
    case PT_DUMP:
    case PT_DUMPX:
    case PT_DUMPA:
    case PT_DUMPE: prtdump(c, data, len, type); break;
    default: prtrec(c, data, len, type); break;  // PT_ASIS to PT_MIXP
    }
    p->dest = 0;
    p->stmtenc = 0;
    p->stmtdall = 0;
    p->flags &= ~PR_BUSY;
}

void prtlay(CMV* c) {
    PRTS* p = &c->prt;
    if (!(p->flags & PR_HEADOK)) return;  // the first heading takes the options as they are then
    const int olddepth = p->pagedepth;
    p->pagedepth = 0;
    p->datawidth = 0;
    p->dumpenc = 0;
    prtgeom(c);
    // The lines already used stay used: lines left move by the change.  A
    // page already due stays due.
    if (p->linesleft > 0) {
        p->linesleft += p->pagedepth - olddepth;
        if (p->linesleft < 0) p->linesleft = 0;
    }
    relay(c);
}

void prtsig(CMV* c, const char* line) {
    PRTS* p = &c->prt;
    p->flags |= PR_SIGNAL;
    if (p->flags & (PR_BUSY | PR_CLOSED)) return;
    tvlprt(line, -1, PT_LINE, 0);
}
