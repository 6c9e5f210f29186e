// Control-statement input: reads the statements from their sources (the
// parameter string as line 0, the -ctl or "<" file or standard input, and
// the files named by INCLUDE, as a stack), keeps a numbered copy of every
// physical line, joins lines continued by a backslash, cuts a line into
// statements at the separator, hands each statement to the tokenizer and
// to statement analysis, lists it, prints its errors, and ends at "/*", at
// END, at the end of the first source or at the error limit.  It also
// reads the site options file "torvale.nam".
//
// Exports: tvlin (the reading loop), tvlinparm (close the parameter-string
//          statements), optnam (the options file), getphys, savphys,
//          gotcont, nextcont, col_adj, ctl_end, iimake, iiclose, get_sl,
//          get_sn, ctlkill, stmtfree.
// Called by: tvlgg (its options-file and statement steps), statement
//          analysis (iimake for INCLUDE), messages (col_adj, get_sl).
// Calls:   tvltokn, tokt, tokfu, tvlctla, tvlfn, cblfio, cblf_fcb, tvlprt,
//          seterr, tokbad, tvlerr, errlogic, ab_poll, the memory manager.
//
// Divisions: saved lines; continuation; sources; physical lines; the
// parameter string; one statement; the reading loop; end of statements;
// the options file.
//
// Saved-line block (savsiz + 24 bytes): next block (8), previous block (8),
// bytes used (4, native), then the entries; an entry is the line number (2,
// high byte first), the length (2, high byte first), the text and a NUL.
// Lines 1 "EOJ" and 2 "A \" give, from offset 20 of the block:
//   00 01 00 03 45 4F 4A 00  00 02 00 03 41 20 5C 00
//   (line 1, length 3, "EOJ", NUL; line 2, length 3, "A \", NUL)
// and bytes used 16.  Where an entry does not fit, FF FF FF FF ends the
// block (a length of 65535 reads as the end-of-block mark) and the entry
// opens the next block.
#include "driver/driver.h"
#include "files/files.h"
#include "frontend/frontend.h"
#include "report/report.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

constexpr int  kBlkHead = 20;                // next, prev, used
constexpr int  kEndFlag = WLINE_LEN - 1;     // the work line's end-of-statements flag
constexpr char kTrunc[] = "### ERROR ###  CTL TRUNCATED  ***  ";
constexpr char kNoName[] = "iimake_No_Name";
constexpr char kOptName[] = "torvale.nam";
constexpr int  kOptLines = 223;              // options-file lines read at most
constexpr int  kDepth = 64;                  // INCLUDE levels at most

// Header of a saved-line block.
struct CCHD {
    char*         next;  // next block, or null
    char*         prev;  // previous block, or null
    std::int32_t  used;  // bytes of entries from offset 20
};
static_assert(offsetof(CCHD, next) == 0 && offsetof(CCHD, prev) == 8 && offsetof(CCHD, used) == 16);

CCHD* hd(char* blk) { return reinterpret_cast<CCHD*>(blk); }

unsigned be16(const char* p) {
    return static_cast<unsigned>(static_cast<unsigned char>(p[0])) << 8 | static_cast<unsigned char>(p[1]);
}

void put16(char* p, unsigned v) {
    p[0] = static_cast<char>(v >> 8);
    p[1] = static_cast<char>(v);
}

char* newblk(CMV* c, char* prev) {
    char* b = static_cast<char*>(cblgcore(c->gccb, savsiz + 24, 0, prev ? "ccn" : "cc1"));
    hd(b)->prev = prev;
    if (prev) hd(prev)->next = b;
    return b;
}

// The block that holds a saved text, found from the first block.
char* blkof(const char* text) {
    for (char* b = cm ? cm->ccfirst : nullptr; b; b = hd(b)->next)
        if (text > b && text < b + savsiz + 24) return b;
    return nullptr;
}

// Does a saved line end in a backslash (trailing blanks and up to eight
// further characters after it allowed)?
bool endsback(const char* text, int len) {
    while (len > 0 && text[len - 1] == ' ') --len;
    for (int i = len - 1; i >= 0 && i >= len - 9; --i)
        if (text[i] == '\\') return true;
    return false;
}

bool continued(const char* text, int len) { return len > 0 && text[len - 1] == '\\'; }

}  // namespace

// ---------------------------------------------------------------------------
// Saved lines
// ---------------------------------------------------------------------------

int get_sl(const char* text) { return static_cast<int>(be16(text - 2)); }
int get_sn(const char* text) { return static_cast<int>(be16(text - 4)); }

// Save a line (a trailing line feed is not saved) under the current line
// number; returns the address of the saved text.
char* savphys(CMV* c, const char* text, int len) {
    if (len > 0 && text[len - 1] == '\n') --len;
    if (len < 0 || len > savsiz - 7 || len >= 32761) errlogic(7701);
    if (!c->ccfirst) c->ccfirst = c->cccur = newblk(c, nullptr);
    CCHD* h = hd(c->cccur);
    if (len > savsiz - 7 - h->used) {
        std::memset(c->cccur + kBlkHead + h->used, 0xFF, 4);
        c->cccur = newblk(c, c->cccur);
        h = hd(c->cccur);
    }
    char* e = c->cccur + kBlkHead + h->used;
    put16(e, static_cast<unsigned>(c->linecnt) & 0xFFFF);
    put16(e + 2, static_cast<unsigned>(len));
    std::memcpy(e + 4, text, static_cast<std::size_t>(len));
    e[4 + len] = 0;
    h->used += len + 5;
    return e + 4;
}

// The saved line after text within a continued statement.
char* nextcont(char* text) {
    int len = get_sl(text);
    if (!endsback(text, len)) errlogic(9302);
    char* e = text + len + 1;
    if (be16(e + 2) == 0xFFFF) {
        char* b = blkof(text);
        char* nb = b ? hd(b)->next : nullptr;
        if (!nb) errlogic(9303);
        e = nb + kBlkHead;
    }
    return e + 4;
}

// For column col (from 0) of the joined text of the continued statement
// whose first saved line is first: the saved line holding it, the column
// within that line, and its line number.  Each line counts without its
// final backslash.
int col_adj(char* first, char** line, int* col) {
    char* l = first;
    int cc = *col;
    while (l) {
        int n = get_sl(l);
        if (!continued(l, n) || cc < n - 1) break;
        cc -= n - 1;
        l = nextcont(l);
    }
    *line = l;
    *col = cc;
    return l ? get_sn(l) : 0;
}

void ctlkill(CMV* c) {
    for (char* b = c->ccfirst; b;) {
        char* n = hd(b)->next;
        cblgcorf(c->gccb, &b, b == c->ccfirst ? "cc1" : "ccn");
        b = n;
    }
    c->ccfirst = c->cccur = nullptr;
    c->contfirst = c->stmtsav = nullptr;
}

// ---------------------------------------------------------------------------
// Continuation
// ---------------------------------------------------------------------------

// Append a physical line to the continuation buffer, writing over the
// backslash that ended the text so far; a line feed and a NUL follow.  A
// joined text that would need more than contsize - 2 bytes records error
// 164 and the line is not appended.  Returns the joined length.
int gotcont(CMV* c, const char* text, int len) {
    if (!c->contbuf) {
        int size = c->optp && c->optp->contmax > 4096 ? c->optp->contmax : 4096;
        c->contbuf = static_cast<char*>(cblgcore(c->gccb, size, 0, "cdwk"));
        c->contsize = size;
    }
    if (len > 0 && text[len - 1] == '\n') --len;
    int at = c->contlen > 0 ? c->contlen - 1 : 0;
    if (static_cast<long>(at) + len > c->contsize - 2L) {
        seterr(164);
        return c->contlen;
    }
    std::memcpy(c->contbuf + at, text, static_cast<std::size_t>(len));
    c->contbuf[at + len] = '\n';
    c->contbuf[at + len + 1] = 0;
    c->contlen = at + len;
    return c->contlen;
}

// ---------------------------------------------------------------------------
// Sources
// ---------------------------------------------------------------------------

namespace {

FFCB* ctlfcb(CMV* c) {
    if (!c->ctlfcb) c->ctlfcb = cblf_fcb(c);
    return c->ctlfcb;
}

bool isopen(const FFREC* f) { return f && (f->sflags & FS_OPEN); }

// Close a file of the statement-file block if it is open.
void fclose1(CMV* c, FFREC* f) {
    if (!isopen(f)) return;
    FFCB* fc = ctlfcb(c);
    fc->ffrec = f;
    cblfio(fc, F_CLOSE, nullptr, 0);
}

// Is the file already read by a source of the stack below r?  Reading it
// again from the start would overwrite that source's position, and a file
// that includes itself would never end.
bool inuse(CMV* c, const II* r, const FFREC* f) {
    for (II* s = static_cast<II*>(c->iihead); s && s != r; s = s->next)
        if (s->file == f && isopen(f)) return true;
    return false;
}

int depth(const II* r) {
    int n = 0;
    for (; r; r = r->prev) ++n;
    return n;
}

// Error 156 naming the source; for the options file (a source without a
// name of its own) error 3.
void srcerr(CMV* c, II* r) {
    if (!r->fname) {
        seterr(3);
        return;
    }
    seterr(156);
    if (c->errnum == 156) c->errextra = r->fname;
}

}  // namespace

// Open a statement source on the current level's next record (a new one
// linked after the current; the first when there is no current one).  A
// source that cannot be opened or is already being read records error 156
// naming it; the record is returned anyway, and its file is not read.
II* iimake(const char* name, int len) {
    CMV* c = cm;
    II* cur = static_cast<II*>(c->iicur);
    II* r = cur ? cur->next : static_cast<II*>(c->iihead);
    if (!r) {
        r = static_cast<II*>(cblgcore(c->gccb, sizeof(II), 0, "ii"));
        r->prev = cur;
        if (cur) cur->next = r;
        else c->iihead = r;
    }
    if (r->file && !inuse(c, r, r->file)) fclose1(c, r->file);
    r->file = nullptr;
    cblgcorf(c->gccb, &r->rest, "iibf");
    if (c->errextra == r->fname) c->errextra = nullptr;
    cblgcorf(c->gccb, &r->fname, "iifn");
    r->restlen = r->restcont = r->restoff = 0;
    r->restfirst = nullptr;
    if (!name || len <= 0) {
        name = kNoName;
        len = sizeof kNoName - 1;
    }
    r->fname = static_cast<char*>(cblgcore(c->gccb, len + 1, 0, "iifn"));
    std::memcpy(r->fname, name, static_cast<std::size_t>(len));
    std::int16_t before = c->errnum;
    FFREC* f = tvlfn(c, FN_SRC, name, len);
    if (!f || depth(r) > kDepth || inuse(c, r, f)) {
        if (c->errnum != before) c->errnum = before;  // the name's own fault is reported as 156
        srcerr(c, r);
        return r;
    }
    f->tabw = -1;  // tabs are blanks to the tokenizer; never expanded
    FFCB* fc = ctlfcb(c);
    fc->ffrec = f;
    char* rc = cblfio(fc, F_OPEN, nullptr, 0);
    if (!rc || (fc->errm && fc->errm[0]) || (f->sflags & (FS_NOTFOUND | FS_OPENFAIL)) || !isopen(f)) {
        srcerr(c, r);
        return r;
    }
    r->file = f;
    return r;
}

// Close the current source's file.
void iiclose(CMV* c) {
    II* s = static_cast<II*>(c->iicur);
    if (s && s->file) fclose1(c, s->file);
}

// ---------------------------------------------------------------------------
// Physical lines
// ---------------------------------------------------------------------------

namespace {

// Read one record of the current source into buf (at most room bytes
// copied): its full length, -1 at the end of the source.  A read that
// fails records error 156 naming the source.  A line that the file layer
// cut into pieces counts as long as all its pieces; they are dropped.
std::int64_t readrec(CMV* c, II* s, char* buf, int room) {
    FFREC* f = s->file;
    if (!isopen(f)) return -1;
    FFCB* fc = ctlfcb(c);
    fc->ffrec = f;
    const char* r = cblfio(fc, F_READ, nullptr, 0);
    while (!r && errno == EINTR && !cmsigterm && fc->errm && fc->errm[0]) {
        // A signal after which the run goes on (SIGINT) broke off the
        // wait for a line: wait again.
        if (f->stream) std::clearerr(f->stream);
        if (f->errm) f->errm[0] = 0;
        fc->ffrec = f;
        r = cblfio(fc, F_READ, nullptr, 0);
    }
    if (!r) {
        if (fc->errm && fc->errm[0]) srcerr(c, s);
        fclose1(c, f);
        return -1;
    }
    std::int64_t n = f->reclen;
    std::memmove(buf, r, static_cast<std::size_t>(n < room ? n : room));
    while (f->sflags & FS_CUT) {  // the rest of an over-long line
        fc->ffrec = f;
        if (!cblfio(fc, F_READ, nullptr, 0)) break;
        n += f->reclen;
    }
    return n;
}

}  // namespace

// Read the next physical line of the current source into buf (at most
// size - 2 characters), end it with a line feed and a NUL, and set
// linelen.  A longer line is replaced by the truncation text followed by
// its start, so that the damage shows in the listing.  Null at the end of
// the source.
char* getphys(CMV* c, char* buf, int size) {
    c->trace[2] = 'G';
    II* s = static_cast<II*>(c->iicur);
    int room = size - 2;
    std::int64_t n = s && room > 0 ? readrec(c, s, buf, room) : -1;
    if (n < 0) {
        c->linelen = 0;
        c->trace[2] = 'g';
        return nullptr;
    }
    if (n > 0 && n <= room && buf[n - 1] == '\n') --n;
    if (n > room) {
        int t = static_cast<int>(sizeof kTrunc - 1);
        if (t > room) t = room;
        std::memmove(buf + t, buf, static_cast<std::size_t>(room - t));
        std::memcpy(buf, kTrunc, static_cast<std::size_t>(t));
        n = room;
    }
    buf[n] = '\n';
    buf[n + 1] = 0;
    c->linelen = static_cast<std::int32_t>(n);
    c->trace[2] = 'g';
    return buf;
}

// ---------------------------------------------------------------------------
// The parameter string
// ---------------------------------------------------------------------------

// Close the statement text of the parameter string, text up to end, in a
// buffer with room for three more bytes: trailing separators, then
// trailing blanks, are cut.  When the part after the last separator is E,
// END or "/*" (and no quote is left open), cmsw4 notes it and the text
// ends there with a line feed; otherwise two separators and a line feed
// are appended.  Returns the text's length (the line feed not counted).
int ctl_end(CMV* c, char* text, char* end) {
    char sep = c->optp->sep;
    char* e = end;
    while (e > text && e[-1] == sep) --e;
    while (e > text && e[-1] == ' ') --e;
    char* last = nullptr;
    for (char* p = text; p < e; ++p)
        if (*p == sep) last = p;
    bool ends = false;
    if (last) {
        char keep[2] = {e[0], e[1]};
        e[0] = '\n';
        e[1] = 0;
        bool closed = openquo(text, 0) == nullptr;
        tvltokn(c, last + 1, static_cast<int>(e - last - 1), static_cast<unsigned char>(sep) | TOKN_PARM);
        char* k = closed ? tokt("E,END,/*") : nullptr;
        if (k && !tokdata()) {
            cmsw4 |= k[0] == '/' ? SW4_PARMSTAR : SW4_PARMEND;
            ends = true;
        }
        e[0] = keep[0];
        e[1] = keep[1];
    }
    if (!ends) {
        *e++ = sep;
        *e++ = sep;
    }
    e[0] = '\n';
    e[1] = 0;
    c->tkcnt = 0;
    return static_cast<int>(e - text);
}

namespace {

// Where the parameter-string statements are read from: the work line when
// they fit in it, else the continuation buffer.
char* parmbuf(CMV* c, int len) {
    if (len <= WLINE_READ - 2) return c->wline + WLINE_PFX;
    if (!c->contbuf) gotcont(c, "", 0);
    return len <= c->contsize - 2 ? c->contbuf : nullptr;
}

}  // namespace

// Copy the statements made from the parameter string to where they are
// read and close them (ctl_end), so that the driver knows whether they end
// with END or "/*" before it shows the prompt.  Their length, -1 if none.
int tvlinparm(CMV* c) {
    if (!c->parmstmt || c->parmstlen <= 0) return -1;
    int n = c->parmstlen;
    char* b = parmbuf(c, n + 3);
    if (!b) {
        seterr(170);
        return -1;
    }
    std::memcpy(b, c->parmstmt, static_cast<std::size_t>(n));
    b[n] = 0;
    return ctl_end(c, b, b + n);
}

// ---------------------------------------------------------------------------
// One statement
// ---------------------------------------------------------------------------

namespace {

// The statement text being read.
struct RD {
    CMV*  c;
    II*   parmlvl;  // the level of the parameter string, below the first source
    char* base;     // the whole text: the work line's text or the continuation buffer
    int   len;      // bytes of the text; a line feed and a NUL follow
    int   off;      // where the next statement begins
    char* first;    // saved text of the (first) physical line
    bool  cont;     // the text is a continued statement
    bool  parm;     // the text is the parameter string's
    bool  incont;   // lines are being joined
    bool  opened;   // the first source was opened
    int   joinerr;  // error of joining the lines (164), for the statement they make
};

bool ended(const CMV* c) {
    return static_cast<unsigned char>(c->wline[kEndFlag]) == 0xFF || c->lastkind == CN_END;
}

void setend(CMV* c) { c->wline[kEndFlag] = static_cast<char>(0xFF); }

// Line and column (from 1) of a text offset.
int where(const RD& r, int off, int* col) {
    if (!r.cont || !r.first) {
        *col = off + 1;
        return r.first ? get_sn(r.first) : r.c->linecnt;
    }
    char* l = nullptr;
    int cc = off;
    int ln = col_adj(r.first, &l, &cc);
    *col = cc + 1;
    return ln;
}

// Store the position of the statement's tokens in its node.
void position(const RD& r, CN* n) {
    const char* lo = nullptr;
    const char* hi = nullptr;
    for (TK* t = r.c->tkhead; t && !(t->flags & TK_END); t = t->next) {
        if (t->srclen <= 0 || t->src < r.base || t->src + t->srclen > r.base + r.len) continue;
        if (!lo || t->src < lo) lo = t->src;
        if (!hi || t->src + t->srclen > hi) hi = t->src + t->srclen;
    }
    if (!n || !lo) return;
    int c1 = 0, c2 = 0;
    n->lineno = where(r, static_cast<int>(lo - r.base), &c1);
    n->lnlast = static_cast<std::int16_t>(where(r, static_cast<int>(hi - r.base) - 1, &c2));
    n->colfirst = static_cast<std::int16_t>(c1);
    n->collast = static_cast<std::int16_t>(c2);
    n->srctext = r.first;
}

bool hastokens(const CMV* c) {
    for (TK* t = c->tkhead; t && !(t->flags & TK_END); t = t->next)
        if (t->srclen > 0) return true;
    return false;
}

// One listing line: the blank prefix, then n bytes of text with its first
// blank bytes left blank.
void echo(CMV* c, const char* text, int n, int blank, int sel) {
    char* l = static_cast<char*>(cblgcore(c->gccb, WLINE_PFX + n + 1, ' ', "echo"));
    if (n > blank) std::memcpy(l + WLINE_PFX + blank, text + blank, static_cast<std::size_t>(n - blank));
    tvlprt(l, WLINE_PFX + n, PT_ECHO, sel);
    cblgcorf(c->gccb, &l, "echo");
}

// List the statement from st to end: a line of the work line as it stands
// (the part before blanked), a continued statement as the physical lines
// it spans, the first with the selection number.
void list(const RD& r, const char* st, const char* end, int sel) {
    CMV* c = r.c;
    if (c->lstsw & LST_NOSTMT) return;
    int from = static_cast<int>(st - r.base);
    int to = static_cast<int>(end - r.base);
    if (!r.cont) {
        if (r.base == c->wline + WLINE_PFX) tvlprt(c->wline, WLINE_PFX + to, PT_ECHO, sel);
        else echo(c, r.base, to, 0, sel);
        return;
    }
    char* l = nullptr;
    char* last = nullptr;
    int c1 = from, c2 = to > from ? to - 1 : from;
    col_adj(r.first, &l, &c1);
    col_adj(r.first, &last, &c2);
    for (int i = 0; l && i < 65536; ++i) {
        echo(c, l, get_sl(l), i == 0 ? c1 : 0, i == 0 ? sel : 0);
        if (l == last || !continued(l, get_sl(l))) break;
        l = nextcont(l);
    }
}

// The row of "*" under the token that the statement's error blames, in
// the listing line that holds it (the physical line of a continued
// statement): as many "*" as the token is long, within that line.  Not for
// a delimiter token, error 17, or when statements are not listed.  The
// token is then forgotten, so that the message alone follows.
void errmark(const RD& r) {
    CMV* c = r.c;
    TK* t = c->tkerr;
    int e = c->errnum < 0 ? -c->errnum : c->errnum;
    c->tkerr = nullptr;
    if (!e || !t || (t->flags & TK_DELIM) || e % 10000 == 17 || (c->lstsw & LST_NOSTMT)) return;
    if (t->src < r.base || t->src > r.base + r.len) return;
    int col = static_cast<int>(t->src - r.base);
    int room = r.len - col;
    if (r.cont && r.first) {
        char* l = nullptr;
        col_adj(r.first, &l, &col);
        if (l) room = get_sl(l) - col;
    }
    int n = t->srclen < room ? t->srclen : room;
    markrow(c, col, n < 1 ? 1 : n, '*');
}

// Keep the data after END for the CARD input: up to two trailing
// separators dropped, every separator a line feed.
void cardrest(RD& r, const char* next) {
    CMV* c = r.c;
    if (!(c->stmtsw & CM_STMT_CARD) || !next) return;
    char sep = c->optp->sep;
    const char* e = r.base + r.len;
    for (int i = 0; i < 2 && e > next && e[-1] == sep; ++i) --e;
    int n = static_cast<int>(e - next);
    if (n <= 0) return;
    cblgcorf(c->gccb, &c->cardtext, "card");
    c->cardtext = static_cast<char*>(cblgcore(c->gccb, n + 1, 0, "card"));
    for (int i = 0; i < n; ++i) c->cardtext[i] = next[i] == sep ? '\n' : next[i];
    c->cardlen = n;
}

// An INCLUDE switched the source: the rest of the text (the part analysed
// blanked) is kept on the current level, and reading moves to the new one.
void include(RD& r, char* next) {
    CMV* c = r.c;
    cmsw4 &= ~SW4_INCLUDE;
    II* s = static_cast<II*>(c->iicur);
    if (next) {
        // A line of a file keeps its columns (the part analysed blanked);
        // the parameter string's rest moves to the front.
        int from = r.parm ? static_cast<int>(next - r.base) : 0;
        if (!r.parm) std::memset(r.base + r.off, ' ', static_cast<std::size_t>(next - r.base - r.off));
        int n = r.len - from;
        s->rest = static_cast<char*>(cblgcore(c->gccb, n + 2, 0, "iibuf"));
        std::memcpy(s->rest, r.base + from, static_cast<std::size_t>(n));
        s->rest[n] = '\n';
        s->restlen = n;
        s->restoff = r.parm ? 0 : static_cast<int>(next - r.base);
        s->restcont = (r.cont ? 1 : 0) | (r.parm ? 2 : 0);
        s->restfirst = r.first;
    }
    c->iicur = s->next;
    r.len = r.off = 0;
}

// Analyse the statements of the text, one after another.
void stmts(RD& r) {
    CMV* c = r.c;
    char sep = c->optp->sep;
    bool lead = r.off == 0;  // the statement that begins the text
    for (; !ended(c); lead = false) {
        char* st = r.base + r.off;
        char* p = st;
        while (*p == ' ' || *p == '\t') ++p;
        if (p[0] == '/' && p[1] == '*') {
            setend(c);
            return;
        }
        char* from = p[0] == c->optp->pfx[0] && p[1] == c->optp->pfx[1] ? p + 2 : st;
        seterr(0);
        char* next = tvltokn(c, from, static_cast<int>(r.base + r.len - from), static_cast<unsigned char>(sep));
        char* end = next ? next - 1 : r.base + r.len;
        char keep[2] = {end[0], end[1]};
        end[0] = '\n';
        end[1] = 0;
        bool any = hastokens(c);
        int sel = tvlctla(c);
        if (c->linesw & CM_LINE_REST) {
            c->linesw &= ~CM_LINE_REST;
            next = nullptr;
        }
        if (tokfu()) tokbad(45);
        if (lead && r.joinerr) {  // the statement was cut: that is its error
            seterr(0);
            seterr(r.joinerr);
            c->tkerr = nullptr;
        }
        r.joinerr = 0;
        if (any || lead) list(r, st, end, sel);
        position(r, c->cncur);
        end[0] = keep[0];
        end[1] = keep[1];
        errmark(r);
        if (tvlerr(c) >= c->errmax) setend(c);
        if (cmsw4 & SW4_INCLUDE) {
            include(r, next);
            return;
        }
        if (c->lastkind == CN_END) cardrest(r, next);
        if (!next || ended(c)) return;
        if (r.parm) {
            int gone = static_cast<int>(next - r.base);
            std::memmove(r.base, next, static_cast<std::size_t>(r.len - gone + 2));
            r.len -= gone;
        } else {
            std::memset(st, ' ', static_cast<std::size_t>(next - st));
            r.off = static_cast<int>(next - r.base);
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// The reading loop
// ---------------------------------------------------------------------------

namespace {

// The level of the parameter string: no file; the first source is opened
// after it, and an INCLUDE in the parameter string is read before the
// rest of it.
II* parmlevel(CMV* c) {
    II* p = static_cast<II*>(c->iihead);
    if (!p) {
        p = static_cast<II*>(cblgcore(c->gccb, sizeof(II), 0, "ii"));
        c->iihead = p;
    }
    c->iicur = p;
    return p;
}

// Take back the rest of an INCLUDE line kept on level s.
void restore(RD& r, II* s) {
    CMV* c = r.c;
    int n = s->restlen;
    bool cont = (s->restcont & 1) != 0;
    bool big = cont || n > WLINE_READ - 2;
    if (big && !c->contbuf) gotcont(c, "", 0);
    char* b = big ? c->contbuf : c->wline + WLINE_PFX;
    if (big && n > c->contsize - 2) n = c->contsize - 2;
    std::memcpy(b, s->rest, static_cast<std::size_t>(n));
    b[n] = '\n';
    b[n + 1] = 0;
    c->contlen = 0;
    r.base = b;
    r.len = n;
    r.off = s->restoff;
    r.first = s->restfirst;
    r.cont = cont;
    r.parm = (s->restcont & 2) != 0;
    if (cont) c->contfirst = s->restfirst;
    cblgcorf(c->gccb, &s->rest, "iibf");
    s->restlen = 0;
}

// Open the first source: the -ctl file, else standard input.
void firstsrc(RD& r) {
    CMV* c = r.c;
    r.opened = true;
    tkc = nullptr;
    c->tkerr = c->tkcur = nullptr;
    c->tkcnt = 0;
    II* s = c->ctlname ? iimake(c->ctlname, static_cast<int>(std::strlen(c->ctlname))) : iimake("stdin", 5);
    c->iicur = s;
    if (c->errnum && tvlerr(c) >= c->errmax) setend(c);
}

// Joining continued lines: line l (saved as sv) is added; true when the
// statement is complete.
bool join(RD& r, char* l, char* sv) {
    CMV* c = r.c;
    bool more = continued(l, c->linelen);
    if (!r.incont) {
        if (!more) {
            r.base = l;
            r.len = c->linelen;
            r.first = sv;
            r.cont = false;
            return true;
        }
        c->contfirst = sv;
        c->contlen = 0;
        r.incont = true;
    }
    gotcont(c, l, c->linelen);
    if (c->errnum == 164) r.joinerr = 164;
    return !more;
}

// The joined lines become the statement text.
void joined(RD& r) {
    CMV* c = r.c;
    r.base = c->contbuf;
    r.len = c->contlen;
    r.first = c->contfirst;
    r.cont = true;
    r.incont = false;
    c->contlen = 0;
}

// The next text to analyse: a line, a continued statement, or the rest of
// an INCLUDE line.  False when the reading ends.
bool nextline(RD& r) {
    CMV* c = r.c;
    char* wl = c->wline;
    for (;;) {
        if (ended(c)) return false;
        II* s = static_cast<II*>(c->iicur);
        if (s == r.parmlvl && !r.opened) {
            firstsrc(r);
            continue;
        }
        std::memset(wl, ' ', WLINE_PFX);
        char* l = getphys(c, wl + WLINE_PFX, WLINE_READ);
        ab_poll(c);
        if (l) {
            c->linecnt++;
            char* sv = savphys(c, l, c->linelen);
            c->stmtsav = sv;
            if (!join(r, l, sv)) continue;
            if (r.incont) joined(r);
            r.off = 0;
            r.parm = false;
            return true;
        }
        if (c->errnum && tvlerr(c) >= c->errmax) setend(c);
        if (r.incont) {  // the source ended inside a continued statement
            joined(r);
            r.off = 0;
            r.parm = false;
            return true;
        }
        if (!s || !s->prev) return false;
        iiclose(c);
        c->iicur = s->prev;
        if (s->prev->rest) {
            restore(r, s->prev);
            return true;
        }
    }
}

// READ CARD, reading ended by END: the CARD input goes on where the
// statements stopped.  Its data are kept in cardtext: the rest of the END
// line (a line feed added), then what the source's buffer still holds;
// a duplicate of the source's descriptor (CM_STMT_CARDFD) reads the rest.
// Example: "END!a!b" then the line "c" leave "a\nb\nc\n".
void cardkeep(CMV* c) {
    if (!(c->stmtsw & CM_STMT_CARD) || c->lastkind != CN_END) return;
    II* s = static_cast<II*>(c->iicur);
    FFREC* f = s ? s->file : nullptr;
    bool open = f && f->buf && isopen(f);
    std::int64_t tail = open ? f->unread : 0;
    std::int64_t head = c->cardlen > 0 ? c->cardlen + 1 : 0;
    char* b = static_cast<char*>(cblgcore(c->gccb, static_cast<long>(head + tail + 1), 0, "card"));
    if (head > 0) {
        std::memcpy(b, c->cardtext, static_cast<std::size_t>(c->cardlen));
        b[head - 1] = '\n';
    }
    if (tail > 0) std::memcpy(b + head, f->buf + f->bufoff, static_cast<std::size_t>(tail));
    cblgcorf(c->gccb, &c->cardtext, "card");
    c->cardtext = b;
    c->cardlen = static_cast<std::int32_t>(head + tail);
    if (open && f->fd >= 0 && (c->cardfd = dup(f->fd)) >= 0) c->stmtsw |= CM_STMT_CARDFD;
}

// End of statements: the blamed tokens and linelen are cleared; every
// statement file is closed (with READ CARD after its data were kept).
void endstmts(CMV* c) {
    tkc = nullptr;
    c->tkerr = c->tkcur = nullptr;
    c->linelen = 0;
    cardkeep(c);
    for (II* s = static_cast<II*>(c->iihead); s; s = s->next)
        if (s->file) fclose1(c, s->file);
    c->iicur = nullptr;
}

}  // namespace

// Read and analyse every statement: the parameter-string statements of
// length plen (-1: none) as line 0, then the first source.
int tvlin(CMV* c, int plen) {
    c->wline[kEndFlag] = 0;
    RD r{};
    r.c = c;
    r.parmlvl = parmlevel(c);
    if (c->errnum && tvlerr(c) >= c->errmax) setend(c);
    if (plen >= 0 && !ended(c)) {
        r.base = parmbuf(c, c->parmstlen + 3);  // where tvlinparm put them
        r.len = plen;
        r.parm = true;
        c->linecnt = 0;
        r.first = savphys(c, r.base, plen);
        if (r.base == c->contbuf) {
            r.cont = true;
            c->contfirst = r.first;
        }
        std::memset(c->wline, ' ', WLINE_PFX);
        stmts(r);
    }
    while (nextline(r)) stmts(r);
    endstmts(c);
    return c->errcnt;
}

// Release what statement input kept for the run: the sources, the saved
// lines, the continuation buffer, the CARD data and the statement files'
// control block.  The files themselves were closed at the end of the
// statements and are released with all files of the run.
void stmtfree(CMV* c) {
    for (II* s = static_cast<II*>(c->iihead); s;) {
        II* n = s->next;
        cblgcorf(c->gccb, &s->rest, "iibf");
        cblgcorf(c->gccb, &s->fname, "iifn");
        cblgcorf(c->gccb, &s, "ii");
        s = n;
    }
    c->iihead = c->iicur = nullptr;
    ctlkill(c);
    cblgcorf(c->gccb, &c->contbuf, "cdwk");
    cblgcorf(c->gccb, &c->cardtext, "card");
    cblgcorf(c->gccb, &c->ctlfcb, "ffc");
    c->contlen = c->cardlen = c->contsize = 0;
}

// ---------------------------------------------------------------------------
// The options file
// ---------------------------------------------------------------------------

namespace {

bool begins(const TK* t, const char* w) {
    std::size_t n = std::strlen(w);
    return t && t->len >= static_cast<int>(n) && std::memcmp(t->text, w, n) == 0;
}

// The text the kept error of the options file carries at its end:
// " torvale.nam :n".
char namextra[32];

// Whether the first word t names an OPTION statement that statement
// analysis takes as one (and so substitutes its %n and %name%).
bool optword(const TK* t) {
    return t->len <= 7 && inlist("OPT,OPTION,OPTIONS", t->text, t->len, nullptr);
}

// Read the open options file: up to 223 lines, to its end, or to a line
// whose first token begins with "/*"; a line past the 223rd is only
// noted in the log.  A line whose first token begins with OPT is analysed
// as an OPTION statement, whatever the rest of that word: OPT, OPTION and
// OPTIONS through statement analysis, any other such word by the options
// parser directly, so that no line of the file defines a file or an
// action.  A line with tokens left over (any other statement, HEAD) writes
// the syntax-error line to the log and nothing more; a line whose value
// is bad writes it too, and the first such error is kept for the first
// statement, with " torvale.nam :n" appended, so that the run stops
// before preparation.
void optlines(CMV* c, FFREC* f) {
    II src{};
    src.file = f;
    void* saved = c->iicur;
    c->iicur = &src;
    c->drvsw |= CM_DRV_SITE;
    std::int16_t kept = 0;
    while (getphys(c, c->wline + WLINE_PFX, WLINE_READ)) {
        if (c->linecnt >= kOptLines) {
            std::fprintf(c->logfp, "torvale.nam: lines after %d ignored\n", kOptLines);
            break;
        }
        c->linecnt++;
        char* l = c->wline + WLINE_PFX;
        tvltokn(c, l, c->linelen, 0);
        tkc = c->tkhead;
        TK* t = tokdata();
        if (begins(t, "/*")) break;
        if (begins(t, "OPT") && !c->errnum) {
            if (optword(t)) {
                tvlctla(c);
            } else {
                tkc = t;
                tokdel();
                opt_rtn(c, 'O');
            }
            if (c->errnum && !kept) {
                kept = c->errnum;
                std::snprintf(namextra, sizeof namextra, " torvale.nam :%d", c->linecnt);
            }
        }
        if (c->errnum || tokfu()) std::fprintf(c->logfp, "Syntax err in torvale.nam :%d\n", c->linecnt);
        seterr(0);
    }
    c->drvsw &= ~CM_DRV_SITE;
    c->iicur = saved;
    if (kept) {
        c->errnum = kept;
        c->tkerr = nullptr;  // the file's tokens are gone by the time it is printed
        c->errextra = namextra;
    }
}

}  // namespace

// The site options file "torvale.nam" of the current directory.  An absent
// file is not read; one that is there but cannot be opened or read records
// error 3 (printed with the first statement).  An error recorded before is
// kept when the file records none.  Returns the error number left.
int optnam(CMV* c) {
    struct stat st;
    if (stat(kOptName, &st) != 0 && errno == ENOENT) return c->errnum;  // absent: not read
    std::int16_t before = c->errnum;
    FFREC* f = tvlfn(c, FN_NAM, kOptName, sizeof kOptName - 1);
    c->errnum = 0;
    if (f) {
        f->tabw = -1;
        FFCB* fc = ctlfcb(c);
        fc->ffrec = f;
        char* rc = cblfio(fc, F_OPEN, nullptr, 0);
        if (f->sflags & FS_NOTFOUND) {
            // absent: nothing to read
        } else if (!rc || (fc->errm && fc->errm[0]) || !isopen(f)) {
            seterr(3);
        } else {
            optlines(c, f);
            fclose1(c, f);
        }
        c->linecnt = 0;
        tkc = nullptr;
        c->tkcnt = 0;
    }
    if (c->errnum == 0) c->errnum = before;
    return c->errnum;
}
