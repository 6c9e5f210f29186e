// End-of-job summary: after the selection loop, print the pending
// message, close every file (inputs first, then outputs), release the
// loaded libraries, print one summary line per statement or group of
// statements with their selection counts, the geometry of every file and
// its warnings, then the run's warnings; decide return codes 16 (nothing
// output) and 4 (input not read to its end) and free the compiled
// statements.
//
// Exports: tvlff (report.h).
// Called by: the run driver at the end of every run, and the signal
// trap's orderly end.
// Calls: tvlerr (pending and close messages), cblfio (close), loadit
// (library release), tvlprt (lines), prtedit (numbers), setret, aakill
// (operands, work area and the statement chain).
//
// Divisions: the line (put, finish, print in pieces); operations, file
// columns and warnings; comments, labels and return-code-8 marks; closing;
// heading, statement lines and run warnings; the entry.
//
// Summary line layout (columns, basic and operation mode; file columns 6
// to the right in statement-detail mode):
//   1-5 selection id "00009", 6-10 last id of a shared line "----9",
//   7-19 total "0,000,000,009", 21 operation, 26-33 file id,
//   34-40 BLKSIZE, 42-46 LRECL, 48 record format, 51-64 FSIZE,
//   66-70 CI, 72 DSN; warnings: count 30-33, text from 34.
// Worked example: "READ in.txt" (statement 1) that read 3 lines of at
// most 3 bytes from a 2,048-byte block file of 12 bytes:
//   col 1   "    1"                      selection id 1
//   col 7   "            3"              total 3, thirteen columns
//   col 21  "READ   "                    operation, seven columns
//   col 26  "in      "                   file id, eight columns
//   col 34  "   2048 "                   BLKSIZE through "0000000 "
//   col 42  "    3"                      LRECL through "00000"
//   col 48  "U"                          line records
//   col 51  "             3"             records through " 0,000,000,009"
//   col 72  "in.txt"                     DSN
// so the line reads, as bytes from column 1:
//   "    1             3 READ in         2048     3 U              3      in.txt"
#include "report/report.h"
#include "driver/driver.h"
#include "engine/engine.h"
#include "files/files.h"
#include "frontend/frontend.h"

#include <cstdio>
#include <cstring>

namespace {

// Columns of the summary line (basic and operation mode).
constexpr int kColSel   = 1;   // selection id, "00009"
constexpr int kColGrp   = 6;   // last id of a shared line
constexpr int kColTot   = 7;   // total, "0,000,000,009"
constexpr int kColOp    = 21;  // operation in basic and operation mode
constexpr int kColOp3   = 23;  // operation in statement-detail mode
constexpr int kColOp3t  = 27;  // ... of a THEN or ELSE action
constexpr int kColCmt   = 22;  // a ">" comment in basic and operation mode
constexpr int kColCmt3  = 73;  // every comment in statement-detail mode
constexpr int kColPos   = 21;  // "POS OUTSIDE ..." (8 more in statement-detail mode)
constexpr int kColRc8   = 26;  // the RETCD=8 mark (8 more in statement-detail mode)
constexpr int kColFile  = 26;  // file columns, see the layout above
constexpr int kColBlk   = 34;
constexpr int kColLrec  = 42;
constexpr int kColFmt   = 48;
constexpr int kColSize  = 51;
constexpr int kColCi    = 65;  // " zzzzz": the digits land in 66-70
constexpr int kColDsn   = 72;
constexpr int kColWcnt  = 30;  // warning count, "009 "
constexpr int kColWtxt  = 34;  // warning text
constexpr int kColLab   = 21;  // "=label="
constexpr int kDsnMax   = 456; // longest DSN shown
constexpr int kContDef  = 75;  // continuation column after each line
constexpr int kNewPage  = 12;  // fewer lines left: the summary starts a new page

// Condition kinds 4 to 8 by kind minus 4.
constexpr const char* kConds[] = {"if ", " a ", "or ", "ti ", "li "};

constexpr char kHead[] =
    " SEL-ID      SELTOT      FILE     BLKSIZE  LRECL           FSIZE   CI    DSN";
constexpr int kHeadSplit = 19;  // statement-detail mode moves the part after this right

// ---------------------------------------------------------------------------
// The line
// ---------------------------------------------------------------------------

void sm_pend(SUMS* s, int end) {
    if (end > s->linelen) s->linelen = end;
    s->lastend = end;
}

// Put len bytes at column col; whatever would pass the line's end is cut,
// so that no name, comment or count can write outside the line.
void smput(SUMS* s, int col, const char* text, int len) {
    if (col < 1 || col > SM_LINEMAX || len <= 0) return;
    if (len > SM_LINEMAX + 1 - col) len = SM_LINEMAX + 1 - col;
    std::memcpy(s->line + col, text, static_cast<std::size_t>(len));
    sm_pend(s, col + len - 1);
}

void smstr(SUMS* s, int col, const char* text) { smput(s, col, text, static_cast<int>(std::strlen(text))); }

// A number through an edit mask at column col.
void smnum(SUMS* s, int col, const char* mask, long long value) {
    char out[32];
    int n = static_cast<int>(std::strlen(mask));
    prtedit(out, mask, value);
    smput(s, col, out, n);
}

void smclear(SUMS* s) {
    std::memset(s->line, ' ', SM_LINEMAX + 2);
    s->linelen = s->lastend = 0;
}

// One piece of a long line: where it ends, counted from from (inclusive)
// with at most room columns; a cut moves back to a blank among its last 10
// columns unless the line is to be cut hard.
int cutat(const SUMS* s, int from, int room, int last) {
    int end = from + room - 1;
    if (end >= last) return last;
    if (s->wbreak == SM_WB_HARD) return end;
    for (int k = end; k > end - 10 && k >= from; --k)
        if (s->line[k] == ' ') return k;
    return end;
}

// Print the line in pieces: the first from column 1, each later one from
// the continuation column.  Trailing blanks (and NULs) are not printed.
void clearsm8(SUMS* s) {
    int last = s->linelen;
    while (last > 0 && (s->line[last] == ' ' || s->line[last] == 0)) --last;
    char out[SM_PAGECOL + 1];
    int from = 1, lead = 0;
    do {
        int room = SM_PAGECOL - lead;
        int end = cutat(s, from, room, last);
        std::memset(out, ' ', static_cast<std::size_t>(lead));
        int n = end >= from ? end - from + 1 : 0;
        std::memcpy(out + lead, s->line + from, static_cast<std::size_t>(n));
        for (int k = lead; k < lead + n; ++k)
            if (out[k] == 0) out[k] = ' ';
        tvlprt(out, lead + n, PT_LINE, 0);
        from = end + 1;
        while (from <= last && s->line[from] == ' ') ++from;
        lead = s->contcol > 1 && s->contcol < SM_PAGECOL ? s->contcol - 1 : 0;
    } while (from <= last);
    smclear(s);
    s->wbreak = SM_WB_WORD;
    s->contcol = kContDef;
}

// Finish the pending line: selection id and total, then print it.
void clearsm(SUMS* s) {
    if (s->selid >= 0) {
        smnum(s, kColTot, "0,000,000,009", s->total);
        smnum(s, kColSel, "00009", s->selid);
        if (s->grpend != s->selid && s->line[10] == ' ') {
            char g[8];
            prtedit(g, "00009", s->grpend);
            for (int k = 0; k < 5 && g[k] == ' '; ++k) g[k] = '-';
            smput(s, kColGrp, g, 5);
        }
    }
    if (s->selid >= 0 || s->linelen > 0) clearsm8(s);
    s->selid = -1;
}

// A new pending line for node n.
void newline(SUMS* s, const CN* n, long long total) {
    clearsm(s);
    s->selid = n->selid;
    s->grpend = n->selid;
    s->total = total;
}

// ---------------------------------------------------------------------------
// Operations, file columns and warnings
// ---------------------------------------------------------------------------

// The name of a conversion: "cv" and a letter for the source and the
// target type of its code (source x 16 + target), counted from "a" for 1,
// with packed, zoned, binary and native integer shown as p, z, b and b
// (0x43 "cvpc", 0x29 "cvbb").
const char* cvname(int code, char* out) {
    auto letter = [](int type) -> char {
        switch (type) {
            case 4: return 'p';
            case 7: return 'z';
            case 9:
            case 12: return 'b';
            default: return static_cast<char>('a' + type - 1);
        }
    };
    out[0] = 'c', out[1] = 'v', out[2] = letter((code >> 4) & 15), out[3] = letter(code & 15), out[4] = '\0';
    return out;
}

// The detail name of an @-name or special-name assignment: the name and
// "=" ("@P=", "RETCD="), at most 31 characters of the name; false for
// other nodes.
bool atopname(const CN* n, char* out, std::size_t size) {
    if ((n->typ2 != OP_ATSET && n->typ2 != OP_SPECIAL) || !n->fld1 || !n->fld1->pat) return false;
    std::snprintf(out, size, "%.31s=", n->fld1->pat->name);
    return true;
}

// The operation of an action node; in operation and statement-detail
// mode with its detail (label, alignment, bitwise operator).
void sm_set_op(SUMS* s, const CN* n) {
    int col = kColOp;
    if (s->level == 3) {
        col = kColOp3;
        if (n->typ1 == CN_THEN || n->typ1 == CN_ELSE) {
            smstr(s, kColOp3, n->typ1 == CN_THEN ? "  t " : "el  ");
            col = kColOp3t;
        }
    } else if (s->level == 2 && s->lastend >= kColOp && !(opclass(n->typ2) == OC_FILE && n->file)) {
        col = s->lastend + 2;  // a further statement of a shared line
    }
    char name[48];
    const char* op = opname(n->typ2);
    if (n->typ2 == OP_RETURN && n->typ1 == CN_NOW) op = "=ret= ";
    if (n->typ2 == OP_ALIGN && s->level >= 2)
        op = n->sub == AL_CENTRE ? "centre" : n->sub == AL_LEFT ? "left" : n->sub == AL_RIGHT ? "right" : op;
    char cvn[8];
    if (n->typ2 == OP_CONV && s->level >= 2) op = cvname(n->arg, cvn);
    if (n->typ2 == OP_ASSIGN && s->level >= 2)
        op = n->sub == BW_AND ? "AND" : n->sub == BW_OR ? "OR " : n->sub == BW_XOR ? "XOR" : op;
    std::snprintf(name, sizeof name, "%-7s", op);
    if (s->level >= 2) atopname(n, name, sizeof name);
    if ((n->typ2 == OP_GOSUB || n->typ2 == OP_GOTO) && s->level >= 2 && n->label)
        std::snprintf(name, sizeof name, "%s %.31s", op, n->label->name);
    const FFREC* f = opclass(n->typ2) == OC_FILE ? s->file : nullptr;  // the file whose line this is
    if (f && f->ftype == FT_DLI) std::memcpy(name, "DL1 ", 4);
    if (f && (f->fdflags & FDF_CATMEM)) std::memcpy(name, " CAT ", 5);
    smput(s, col, name, static_cast<int>(std::strlen(name)));
}

// The letters of the record format.
void recfm(const FFREC* f, char* out) {
    const char* k = f->recfm == RF_FIXED ? "F" : f->recfm == RF_VAR ? "V" : f->recfm == RF_LINE ? "U"
                  : f->recfm == RF_V2 ? "V2" : f->recfm == RF_V3 ? "V3" : f->recfm == RF_MFV ? "MFV" : "?";
    std::strcpy(out, k);
    bool blocked = (f->dflags & DF_BLOCKED) || (f->recfm == RF_VAR && !(f->dflags & DF_NOBDW));
    if (blocked) std::strcat(out, "B");
    if (f->dflags & DF_SPANNED) std::strcat(out, "S");
}

// The name shown in the DSN column (fname_of, FNM_LIST): the data-set
// name, with its blanks made points (or, for data-base files, squeezed and
// shortened), else prefix, name, a point and the extension.
int dsntext(const FFREC* f, char* out, int size) {
    int n = fname_of(f, FNM_LIST, out, static_cast<std::size_t>(size));
    if (n > size - 1) n = size - 1;
    if (n > 0 && f->dsn && f->dsnlen > 0) {
        if (f->ftype < FT_DLI) {
            for (int k = 0; k < n; ++k)
                if (out[k] == ' ') out[k] = '.';
        } else if (f->ftype <= FT_ODBC) {
            n = blank1(out, n);
            if (n > 61) n = std::snprintf(out + 57, static_cast<std::size_t>(size - 57), " ...") + 57;
        }
    }
    return n < 0 ? 0 : n > size - 1 ? size - 1 : n;
}

// The file columns of f.
void sm_realf(SUMS* s, const FFREC* f) {
    int d = s->shift;
    smput(s, kColFile + d, f->fileid, 8);
    long long blk = (f->dflags & DF_BLKSIZE) ? f->bufsize : f->maxblk > 0 ? f->maxblk : f->bufsize;
    smnum(s, kColBlk + d, "0000000 ", blk);
    smnum(s, kColLrec + d, "00000", f->maxrec > 0 ? f->maxrec : f->lrecl);
    char fmt[8];
    recfm(f, fmt);
    smstr(s, kColFmt + d, fmt);
    bool bysize = f->ftype >= 17 && f->ftype <= 23;
    smnum(s, kColSize + d, " 0,000,000,009", bysize ? f->fsize : f->reccnt);
    char dsn[kDsnMax + 8];
    int n = dsntext(f, dsn, kDsnMax + 1);
    smput(s, kColDsn + d, dsn, n);
    s->wbreak = SM_WB_HARD;
    s->contcol = kColDsn + d;
}

int cmttext(const SUMS* s, const CN* n, const char** text);

// One warning line under a file: the text from column 34; a text that
// begins with "=" carries its count and is shown only when that is not 0.
void warn1(SUMS* s, const char* text, long long count) {
    if (text[0] == '=' && count == 0) return;
    if (text[0] == '=') smnum(s, kColWcnt, "009 ", count);
    smstr(s, kColWtxt, text);
    const char* cmt;
    int len = cmttext(s, s->node, &cmt);
    if (len > 0) {
        smput(s, s->lastend + 2, cmt, len);
        s->cmtdone = 1;
    }
    clearsm(s);
}

// The record count line of WTO YES, on the terminal stream.
void wtoline(SUMS* s, const FFREC* f) {
    CMV* c = s->cmv;
    if (!s->termhead && c->logline[0]) std::fputs(c->logline, stdout);
    s->termhead = 1;
    char line[80];
    std::memset(line, ' ', sizeof line);
    prtedit(line + 17, "0,000,000,009", f->reccnt);
    std::memcpy(line + 30, "=RECTOT  FILE=", 14);
    std::memcpy(line + 44, f->fileid, 8);
    int n = 52;
    while (n > 0 && line[n - 1] == ' ') --n;
    std::fwrite(line, 1, static_cast<std::size_t>(n), stdout);
    std::fputc('\n', stdout);
}

// The warnings of file f of node n.
void sm_warn(SUMS* s, const CN* n, FFREC* f) {
    if (f->fdflags & FDF_WTO) {
        wtoline(s, f);
        f->fdflags &= ~FDF_WTO;
    }
    if (n->typ2 == OP_ODBC) return;
    bool input = fm_input(f);
    warn1(s, input ? "=LINES*CUT*" : "=RECORDS*TRUNCATED*", f->trunccnt);
    if (n->selid == 0) warn1(s, "*WHEN*IN*SUSP*STATE*", 0);
    if (f->ftype >= 4 && f->ftype <= 16) warn1(s, "=ERROR*CODE*", f->status);
    if (f->sflags & FS_OPENFAIL) warn1(s, "## OPEN*FAILED ##", 0);
    if (f->sflags & FS_CLOSEBAD) warn1(s, "## CLOSE*FAILED ##", 0);
    if (f->nfcnt == 0 && f->emptycnt == 0 && f->ftype != FT_CLIP) {
        if (!(f->sflags & (FS_OPEN | FS_WASOPEN | FS_OPENFAIL))) {
            warn1(s, "*NOT*OPENED*", 0);
            return;
        }
        if (!(f->sflags & FS_EOD) && n->typ2 == OP_READ) warn1(s, "*EOF*NOT*REACHED*", 0);
    }
    if (n->typ2 != OP_READ) return;
    warn1(s, "= FILE*NOT*FOUND", f->nfcnt);
    warn1(s, "= EMPTY*FILE", f->emptycnt);
}

// ---------------------------------------------------------------------------
// Comments, labels and return-code-8 marks
// ---------------------------------------------------------------------------

// Whether the node's comment begins with "*>".
bool markcmt(const CN* n) { return n->cmtline && n->cmtlen >= 2 && n->cmtline[1] == '>'; }

// The comment of node n as the summary shows it: in statement-detail
// mode every comment whole, otherwise only a "*>" comment, without its
// "*>".  Its length; 0 when nothing is shown.
int cmttext(const SUMS* s, const CN* n, const char** text) {
    if (!n->cmtline || n->cmtlen <= 0 || s->cmtdone) return 0;
    *text = n->cmtline;
    if (s->level == 3) return n->cmtlen;
    if (!markcmt(n)) return 0;
    *text += 2;
    return n->cmtlen - 2;
}

// The node's comment: from column 73 in statement-detail mode, else from
// column 22 or after what the line holds; a line with a comment ends
// there, so that the next statement does not follow the comment.
void sm_cmnt(SUMS* s, const CN* n) {
    const char* text;
    int len = cmttext(s, n, &text);
    if (len <= 0) return;
    int col;
    if (s->level == 3) {
        if (s->linelen > kColCmt3) clearsm(s);
        col = kColCmt3;
    } else {
        col = s->linelen >= kColCmt ? s->linelen + 2 : kColCmt;
    }
    smput(s, col, text, len);
    s->contcol = col + 2;
    s->cmtdone = 1;
    if (s->level < 3) clearsm(s);
}

// The labels that name node n, each on its own line.
void sm_lab(SUMS* s, const CN* n) {
    for (const LB* l = s->cmv->lbhead; l; l = l->next) {
        if (l->node != n) continue;
        clearsm(s);
        if (n->typ1 == CN_NOW || n->typ1 == CN_IF) tvlprt("", 0, PT_LINE, 0);
        smstr(s, kColLab, "=");
        const char* name = l->namep ? l->namep : l->name;
        smput(s, kColLab + 1, name, static_cast<int>(::strnlen(name, SM_LINEMAX)));
        smput(s, s->lastend + 1, "=", 1);
        s->contcol = 55;
        clearsm(s);
    }
}

// "(***03 RETCD=8***)": the count of return-code-8 events of the node.
// The line ends with the mark, so that no later statement shares it.
void sm_rc8(SUMS* s, const CN* n) {
    if (n->rc8cnt <= 0) return;
    int col = kColRc8 + (s->level == 3 ? 8 : 0);
    for (int k = col; k < col + 20; ++k)
        if (s->line[k] != s->line[col]) {
            clearsm(s);
            break;
        }
    char mark[] = "(*zz99 RETCD=8*#*)";
    mark[15] = '*';
    prtedit(mark + 1, "00099", n->rc8cnt);
    for (int k = 1; k < 4 && mark[k] == ' '; ++k) mark[k] = '*';
    smput(s, col, mark, 18);
    clearsm(s);  // the mark belongs to this statement alone
}

// ---------------------------------------------------------------------------
// Closing
// ---------------------------------------------------------------------------

// Close one file; a failed flush or close of an output is message 538
// under the file's name, return code 44 and a warning in the summary.
void closeone(CMV* c, FFCB* fc, FFREC* f) {
    fc->ffrec = f;
    fc->errm = nullptr;
    cblfio(fc, F_CLOSE, nullptr, 0);
    if (!fc->errm || !fc->errm[0]) return;
    if (!(f->mode & (FM_OUT | FM_UPD | FM_INS | FM_DEL))) return;
    f->sflags |= FS_CLOSEBAD;
    c->prt.selid = 0;
    seterr(538);
    tvlerr(c);
    setret(RC_SELERR);
}

// The log line of every READ file that was not found, once a file.
void nofile(CMV* c) {
    for (const CN* n = c->cnhead; n; n = n->next) {
        const FFREC* f = n->file;
        if (n->typ2 != OP_READ || n->typ1 > CN_ELSE || !f || !(f->sflags & FS_NOTFOUND) || f->nfcnt <= 0)
            continue;
        const CN* m = c->cnhead;
        while (m != n && !(m->typ2 == OP_READ && m->typ1 <= CN_ELSE && m->file == f)) m = m->next;
        if (m != n) continue;  // told at the first READ of the file
        char name[kDsnMax + 8];
        dsntext(f, name, sizeof name);
        std::fprintf(c->logfp ? c->logfp : stderr, "cblfio: NoFile.  (Input) F=\"%s\"\n", name);
    }
}

// Inputs first, then outputs and update files; the listing stays open
// for the summary.  A READ whose file was not found says so on the log.
void closeall(CMV* c) {
    FFCB local{};
    local.cmv = c;
    FFCB* fc = c->datfcb ? c->datfcb : &local;
    c->trace[0] = 'F';
    for (int pass = 0; pass < 2; ++pass) {
        c->trace[1] = pass == 0 ? 'i' : 'o';
        for (FFREC* f = c->ffhead; f; f = f->next) {
            if (f == c->prt.file || fm_input(f) != (pass == 0)) continue;
            bool open = (f->sflags & FS_OPEN) || ((f->sflags & FS_WASOPEN) && !(f->sflags & FS_CLOSED));
            if (open) closeone(c, fc, f);
        }
    }
    nofile(c);
    c->trace[1] = 'r';
    for (FFREC* f = c->ffhead; f; f = f->next)
        if (f->libh && !(f->fdflags & FDF_LOADMOD)) loadit(f, &f->libh, nullptr, nullptr);
}

// ---------------------------------------------------------------------------
// Heading, statement lines and run warnings
// ---------------------------------------------------------------------------

void heading(SUMS* s) {
    CMV* c = s->cmv;
    c->trace[1] = 'h';
    if ((c->prt.flags & PR_OPEN) && c->prt.linesleft < kNewPage) c->prt.linesleft = 0;
    tvlprt("", 0, PT_LINE, 0);
    tvlprt("SUMMARY..", -1, PT_LINE, 0);
    char head[sizeof kHead + 8];
    int n = static_cast<int>(sizeof kHead - 1);
    std::memcpy(head, kHead, sizeof kHead);
    if (s->shift) {
        std::memset(head + kHeadSplit, ' ', static_cast<std::size_t>(s->shift));
        std::memcpy(head + kHeadSplit + s->shift, kHead + kHeadSplit, sizeof kHead - kHeadSplit);
        n += s->shift;
    }
    tvlprt(head, n, PT_LINE, 0);
    for (int k = 0; k < n; ++k)
        if (head[k] != ' ') head[k] = '-';
    tvlprt(head, n, PT_LINE, 0);
}

// The first file of the concatenation that f belongs to.
FFREC* cathead(CMV* c, FFREC* f) {
    FFREC* head = f;
    for (FFREC* g = c->ffhead; g && g != f; g = g->next)
        if (!(g->fdflags & FDF_CATMEM)) head = g;
    return (f->fdflags & FDF_CATMEM) ? head : f;
}

// A file statement: its own line, one more for each further file of its
// concatenation, each followed by its warnings.
void fileline(SUMS* s, CN* n) {
    newline(s, n, n->cnt);
    FFREC* f = (n->opflags & CN_OPF_CAT) ? cathead(s->cmv, n->file) : n->file;
    do {
        s->file = f;
        sm_set_op(s, n);
        if (n->typ2 != OP_ODBC) sm_realf(s, f);
        clearsm(s);
        sm_warn(s, n, f);
        f = f->next;
    } while (f && (f->fdflags & FDF_CATMEM) && (n->opflags & CN_OPF_CAT));
}

// Whether node n shares the pending line.
bool shares(const SUMS* s, const CN* n) {
    if (s->selid < 0 || s->level == 3 || n->rc8cnt > 0) return false;
    return n->cnt == s->total && !markcmt(n);
}

void action(SUMS* s, CN* n) {
    s->file = nullptr;
    if (opflag(n->typ2, OPF_OUTPUT)) s->outtot += n->cnt;
    if (s->level == 0) return;
    if (opclass(n->typ2) == OC_FILE && n->file) {
        fileline(s, n);
        return;
    }
    if (shares(s, n)) s->grpend = n->selid;
    else newline(s, n, n->cnt);
    if (s->level >= 2) sm_set_op(s, n);
}

void condition(SUMS* s, const CN* n) {
    if (s->level == 3) {
        smstr(s, kColOp3, kConds[n->typ1 - CN_IF]);
    }
    if (n->cnt == 0) return;
    clearsm(s);
    s->selid = 0;
    s->grpend = 0;
    s->total = n->cnt;
    smstr(s, kColPos + (s->level == 3 ? 8 : 0), "POS OUTSIDE REC/WORKA - TEST FAILED");
    clearsm(s);
}

void stmtlines(SUMS* s) {
    CMV* c = s->cmv;
    c->trace[1] = 'l';
    for (CN* n = c->cnhead; n; n = n->next) {
        s->node = n;
        s->cmtdone = 0;
        if (s->level >= 2) sm_lab(s, n);
        if (n->typ1 == CN_END) break;
        if (isaction(n)) action(s, n);
        else if (iscond(n)) {
            if (s->level > 0) condition(s, n);
        } else {
            errlogic(6602);
        }
        if (s->level == 0) continue;
        sm_cmnt(s, n);
        sm_rc8(s, n);
    }
    clearsm(s);
}

// One run warning: "***WARNING***", the statement that set the return
// code, the count and the text.
void warn2(SUMS* s, const char* text, long long count) {
    if (count == 0) return;
    smstr(s, 1, "***WARNING***");
    int sel = s->cmv->retstmt;
    if (sel > 0) {
        char num[8];
        prtedit(num, "----9", sel);
        for (int k = 0; k < 5 && num[k] == ' '; ++k) num[k] = '-';
        smstr(s, 15, "(SEL");
        smput(s, 19, num, 5);
        smstr(s, 24, ")");
    }
    smnum(s, 26, "-------9", count);
    smstr(s, 35, text);
    clearsm(s);
}

long long retcd(const CMV* c) { return c->at_retcd ? c->at_retcd->value : 0; }

// The primary input, or a file of its concatenation, has not met end of data.
bool inputleft(const CMV* c) {
    const FFREC* p = c->primary;
    if (!p) return false;
    if (!(p->sflags & FS_EOD)) return true;
    for (const FFREC* f = p->next; f && (f->fdflags & FDF_CATMEM); f = f->next)
        if (!(f->sflags & FS_EOD)) return true;
    return false;
}

void runwarn(SUMS* s) {
    CMV* c = s->cmv;
    c->trace[1] = 'w';
    if (s->level > 0) tvlprt("", 0, PT_LINE, 0);
    if (s->outtot == 0) setret(16);
    if (s->level > 0 && inputleft(c)) setret(4);
    if (s->level == 0) return;
    warn2(s, "= RETURN CODE FROM TORVALE", retcd(c));
    warn2(s, "MASK LENGTHS TRUNCATED TO 256", c->trmask);
    if (retcd(c) == RC_SIGNAL) {
        tvlprt("", 0, PT_LINE, 0);
        char line[64];
        std::memset(line, ' ', 20);
        std::memset(line + 20, '*', 43);
        std::memcpy(line + 28, " JOB ABNORMALLY TERMINATED ", 27);
        tvlprt(line, 63, PT_LINE, 0);
    }
}

int sumlevel(const CMV* c) {
    if (c->lstsw & LST_SUM0) return 0;
    if (c->lstsw & LST_SUM1) return 1;
    if (c->lstsw & LST_SUM3) return 3;
    return 2;
}

}  // namespace

// Squeeze every run of blanks in text[0..len) to one blank; the new length.
int blank1(char* text, int len) {
    int n = 0;
    for (int k = 0; k < len; ++k)
        if (text[k] != ' ' || n == 0 || text[n - 1] != ' ') text[n++] = text[k];
    return n;
}

int tvlff(CMV* c) {
    if (c->errnum) tvlerr(c);
    c->curstmt = 0;  // no statement runs now: the codes decided here name none
    closeall(c);
    char line[SM_LINEMAX + 2];
    SUMS sm;
    std::memset(&sm, 0, sizeof sm);
    SUMS* s = &sm;
    s->cmv = c;
    s->line = line;
    s->selid = -1;
    s->contcol = kContDef;
    s->level = sumlevel(c);
    s->shift = s->level == 3 ? 6 : 0;
    smclear(s);
    if (s->level > 0) heading(s);
    stmtlines(s);
    runwarn(s);
    c->trace[1] = '.';
    aakill(c);
    return static_cast<int>(retcd(c));
}
