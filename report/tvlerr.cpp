// Messages: errors are recorded by number (seterr; tokbad of the
// tokenizer also blames the current token) and printed in
// one place (tvlerr): a row of "*" under the blamed token, the message line
// with its text from the message file "torvale.msg", an optional
// explanation line, and for the first message of the run a copy on the
// log.  Internal inconsistencies end the run through errlogic.
//
// Exports: seterr, tvlerr, errlogic (report.h); msgload, msgfind
// (report.h, for the completeness check of the message file).
// Called by: every routine that finds a statement or selection-time error,
// statement input and the driver (tvlerr after each statement and at the
// final checks).
// Calls: tvlprt (listing lines), prtedit (numbers), cblgcore (the text
// buffer "msg"), tvlfn and cblfio (the message file), fname_of (the name
// in a file message).
//
// Message file, lines of two kinds (each cut to 96 characters):
//   "E155 Invalid or repeated -ctl/-lst/-log value ! comment"
//     E and three digits, a blank, the text from column 6 up to a "!";
//     a text starting with "f" is about a file.
//   "      12. Explanation text"
//     the explanation number right-aligned in 8 columns, ".", blank, text.
// Loaded text: a line feed, then each line taken with trailing blanks cut
// and a line feed, e.g. "\nE155 Invalid or ...\nE156 ...\n"; only the half
// of the file of the run's first message (below 500, or 500 and up).
//
// Message lines:
//   "*** ERROR 155 ***  text"                                (below 500)
//   "     (SEL----3)   *** SELECTION TIME ERROR 571 ***   text"  (500 up)
// Log copy of the first message: "TORVALE/L64 3.50 ERROR 155 ***  text".
#include "report/report.h"
#include "driver/driver.h"
#include "files/files.h"
#include "frontend/frontend.h"
#include "runtime/runtime.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr long kMsgSize = 12288;      // bytes of the loaded message text
constexpr int  kMsgLine = 96;         // message file lines are cut to this
constexpr int  kLineMax = 640;        // longest message line built here
constexpr const char* kNotFound = "Error Number not in torvale.msg file";
constexpr const char* kOptName = "torvale.nam";  // the site options file
constexpr std::int64_t kBlockMax = 32760;      // input block dumped when the file gives no size

// Name of the message file: the options file's name with "nam" made "msg"
// (for a name ending in ")", the three characters before it).
void msgname(const char* nam, char* out, int size) {
    std::snprintf(out, static_cast<size_t>(size), "%s", nam);
    int n = static_cast<int>(std::strlen(out));
    int at = n > 0 && out[n - 1] == ')' ? n - 4 : n - 3;
    if (at >= 0) std::memcpy(out + at, "msg", 3);
}

// The executable's path, whose directory the file layer tries when the
// message file is not in the current directory.
bool exepath(char* out, int size) {
    ssize_t n = readlink("/proc/self/exe", out, static_cast<size_t>(size - 1));
    if (n <= 0) return false;
    out[n] = '\0';
    return true;
}

// A line is kept if it is an explanation (a "." in column 9), or a message
// line of at least 11 characters without "RV" in columns 9 and 10.
bool msgtake(const char* line, int n) {
    if (n >= 9 && line[8] == '.') return true;
    return n >= 11 && line[0] == 'E' && !(line[8] == 'R' && line[9] == 'V');
}

// Blame a token only if it has text.
TK* blamable(TK* t) { return t && t->text && t->len > 0 ? t : nullptr; }

}  // namespace

int msgload(CMV* c, int first) {
    if (c->msgtext) return 0;
    c->msgtext = static_cast<char*>(cblgcore(c->gccb, kMsgSize, 0, "msg"));
    char* buf = c->msgtext;
    long used = 0;
    buf[used++] = '\n';
    char name[64], exe[4096];
    msgname(kOptName, name, sizeof name);
    FFREC* f = tvlfn(c, FN_MSG, name, 0);
    if (!f) return 0;
    FFCB* fc = cblf_fcb(c);
    fc->ffrec = f;
    if (exepath(exe, sizeof exe)) fc->srchpath = exe;
    int lines = 0;
    const char* rec;
    while ((rec = cblfio(fc, F_READ, nullptr, 0)) != nullptr) {
        int n = f->reclen < kMsgLine ? static_cast<int>(f->reclen) : kMsgLine;
        while (n > 0 && rec[n - 1] == ' ') n--;
        char second = n > 1 ? rec[1] : '\0';
        if (first >= 500 && second < '5') continue;
        if (first < 500 && second > '4') break;
        if (!msgtake(rec, n)) continue;
        if (used + n + 2 > kMsgSize) break;
        std::memcpy(buf + used, rec, static_cast<size_t>(n));
        used += n;
        buf[used++] = '\n';
        lines++;
    }
    cblfio(fc, F_CLOSE, nullptr, 0);
    cblgcorf(c->gccb, &fc, "ffc");
    return lines;
}

const char* msgfind(CMV* c, int number, int* len) {
    char key[16];
    int k = std::snprintf(key, sizeof key, "\nE%03d", number);
    const char* at = c->msgtext ? std::strstr(c->msgtext, key) : nullptr;
    if (!at || std::strlen(at) < static_cast<size_t>(k + 1)) {
        *len = static_cast<int>(std::strlen(kNotFound));
        return kNotFound;
    }
    const char* text = at + k + 1;
    int n = 0;
    while (text[n] && text[n] != '\n' && text[n] != '\r' && text[n] != '!') n++;
    while (n > 0 && text[n - 1] == ' ') n--;
    *len = n;
    return text;
}

int seterr(int number) {
    CMV* c = cm;
    if (!c) return number;
    if (number == 0) {
        c->errnum = 0;
        c->tkerr = nullptr;
        return 0;
    }
    if (c->errnum != 0) return number;
    c->errnum = static_cast<std::int16_t>(number);
    TK* t = c->tkerr ? c->tkerr : (tkc ? tkc : c->tkcur);
    c->tkerr = blamable(t);
    return number;
}

namespace {

// Append up to n bytes of s to the line at *at.
void put(char* line, int* at, const char* s, int n) {
    if (n > kLineMax - *at) n = kLineMax - *at;
    if (n <= 0) return;
    std::memcpy(line + *at, s, static_cast<size_t>(n));
    *at += n;
}

}  // namespace

// A listing line under a listed statement line: the statement prefix and
// `col` blanks, then the mark `n` times.  It is printed as a statement
// line, whose first blank is the control character, so that the marks
// stand under the token.
void markrow(CMV* c, int col, int n, char mark) {
    if (col < 0 || n < 1) return;
    int len = WLINE_PFX + col + n;
    char* row = static_cast<char*>(cblgcore(c->gccb, len + 1, ' ', "mark"));
    std::memset(row + WLINE_PFX + col, mark, static_cast<std::size_t>(n));
    tvlprt(row, len, PT_ECHO, 0);
    cblgcorf(c->gccb, &row, "mark");
}

namespace {

// Column of a token in the listed statement line: its place in the work
// line's text; -1 when it lies elsewhere (in the continuation buffer the
// physical line of a continued statement is not known here).
int tokcol(const CMV* c, const TK* t) {
    if (!c->wline || !t->src) return -1;
    const char* text = c->wline + WLINE_PFX;
    if (t->src < text || t->src >= c->wline + WLINE_LEN) return -1;
    return static_cast<int>(t->src - text);
}

// The mark under a token of the work line (see markrow).
void marktok(CMV* c, const TK* t, char mark, bool label) {
    int col = tokcol(c, t);
    int n = t->srclen > 0 ? t->srclen : t->len;
    if (label && n > 1 && t->src[n - 1] == ':') n--;
    if (col < 0 || n <= 0 || col + n > WLINE_LEN) return;
    markrow(c, col, n, mark);
}

// No error: after a label definition the label is underlined with "-"
// (when statements are listed); the first token, pieces of split words
// passed over.
void labmark(CMV* c) {
    if (!(cmsw2 & SW2_LABEL)) return;
    cmsw2 &= ~SW2_LABEL;
    if (c->lstsw & LST_NOSTMT) return;
    const TK* t = c->tkhead;
    while (t && (t->flags & (TK_PIECE | TK_DELIM)) && !(t->flags & TK_END)) t = t->next;
    if (t && !(t->flags & TK_END)) marktok(c, t, '-', true);
}

// The current data file, or null.
const FFREC* curfile(const CMV* c) { return c->datfcb ? c->datfcb->ffrec : nullptr; }

// Selection-time errors: the most recent input block of the current data
// file, or of the file last read when the current one is no input, when it
// has data in its buffer: at most the block
// length (or the file's block size) of the used part of the buffer.
void inblock(CMV* c) {
    const FFREC* f = curfile(c);
    if (!f || !(f->mode & FM_IN)) f = c->lastread;  // an output failed: the input it was writing from
    if (!f || !(f->mode & FM_IN) || !f->buf) return;
    std::int64_t len = f->bufoff + f->unread;
    std::int64_t blk = f->blklen > 0 ? f->blklen : (f->bufsize > 0 ? f->bufsize : kBlockMax);
    if (len > blk) len = blk;
    if (len > f->iosize && f->iosize > 0) len = f->iosize;
    if (len <= 0) return;
    if (c->prt.linesleft < 6) c->prt.linesleft = 0;
    tvlprt(nullptr, 0, PT_SPACE, 1);
    tvlprt("MOST RECENT INPUT BLOCK (PRINTED FROM I/O BUFFER)....", -1, PT_LINE, 0);
    tvlprt(reinterpret_cast<const char*>(f->buf), static_cast<int>(len), PT_DUMP, 0);
}

// Build the message line of error n; returns its length.
int mkline(CMV* c, int n, char* line) {
    int len, at;
    const char* text = msgfind(c, n, &len);
    const bool filemsg = len > 0 && text[0] == 'f';
    if (filemsg) {
        text++;
        len--;
    }
    if (n < 500) {
        std::memcpy(line, "*#* ERROR 999 *#*  ", 19);
        line[1] = line[15] = '*';
        prtedit(line + 10, "999", n);
        at = 19;
    } else {
        std::memset(line, ' ', 18);
        std::memcpy(line + 18, "*#* SELECTION TIME ERROR 999 *#*   ", 35);
        line[19] = line[48] = '*';
        prtedit(line + 42, "0999", n);
        int sel = c->prt.selid;
        if (sel != 0) {
            std::memcpy(line + 5, "(SEL", 4);
            prtedit(line + 9, "----9", sel);
            for (int k = 9; sel >= 0 && k < 13; k++)
                if (line[k] == ' ') line[k] = '-';
            line[14] = ')';
        }
        at = 53;
        const FFREC* f = curfile(c);
        if (filemsg && f) {
            char name[kLineMax + 1];  // the name as the summary shows it, before its formatting
            int nl = fname_of(f, FNM_LIST, name, sizeof name);
            put(line, &at, "F=", 2);
            put(line, &at, name, nl < 0 ? 0 : nl);  // put keeps it within the line
            put(line, &at, " - ", 3);
            if (f->errm && f->errm[0]) {
                text = f->errm;
                len = static_cast<int>(std::strlen(f->errm));
            }
        }
    }
    put(line, &at, text, len);
    if (c->errextra) {
        if (c->errextra[0] != ' ') put(line, &at, " - ", 3);  // one with its own blank goes as it is
        put(line, &at, c->errextra, static_cast<int>(std::strlen(c->errextra)));
        c->errextra = nullptr;
    }
    return at;
}

// The explanation line errsub that follows the message text of n; its
// length, 0 when there is none.
int mkexpl(CMV* c, int n, char* line) {
    int len;
    const char* text = msgfind(c, n, &len);
    char key[16];
    std::snprintf(key, sizeof key, "\n%8d. ", c->errsub);
    const char* at = std::strstr(text, key);
    if (!at) return 0;
    at++;
    int k = 0;
    while (k < 80 && at[k] && at[k] != '\n') k++;
    std::memset(line, ' ', 14);
    std::memcpy(line + 14, at, static_cast<size_t>(k));
    return 14 + k;
}

// The first message of the run also goes to the log, after the log line
// (heading and date) if that was not written yet: the 17 heading
// characters (product, platform, release), then the message line from its
// fifth character (below 500, so that the number is kept) or its 18th,
// cut to 77 characters.
void logcopy(CMV* c, int n, const char* line, int len, const char* expl, int elen) {
    FILE* log = c->logfp ? c->logfp : stderr;
    if (!(c->drvsw & CM_DRV_LOGDONE) && c->logline[0] && (!c->optp || c->optp->banner)) {
        std::fputs(c->logline, log);
        c->drvsw |= CM_DRV_LOGDONE;
    }
    char out[80];
    std::memcpy(out, c->heading + 2, 17);
    int from = n < 500 ? 4 : 17;
    int k = len - from;
    if (k > 77 - 17) k = 77 - 17;
    if (k > 0) std::memcpy(out + 17, line + from, static_cast<size_t>(k));
    int olen = 17 + (k > 0 ? k : 0);
    out[olen++] = '\n';
    std::fwrite(out, 1, static_cast<size_t>(olen), log);
    if (elen > 0) {
        std::fwrite(expl, 1, static_cast<size_t>(elen), log);
        std::fputc('\n', log);
    }
    std::fflush(log);
}

}  // namespace

int tvlerr(CMV* c) {
    if (c->errnum == 0) {
        labmark(c);
        return c->errcnt;
    }
    int n = c->errnum < 0 ? -c->errnum : c->errnum;
    n %= 10000;
    if (c->tkerr && !(c->tkerr->flags & TK_DELIM) && n != 17) marktok(c, c->tkerr, '*', false);
    c->tkerr = nullptr;
    if (!c->msgtext) msgload(c, n);
    char line[kLineMax], expl[100];
    int len = mkline(c, n, line);
    tvlprt(line, len, PT_LINE, 0);
    int elen = c->errsub ? mkexpl(c, n, expl) : 0;
    if (elen > 0) tvlprt(expl, elen, PT_LINE, 0);
    if (n < 500) tvlprt(nullptr, 0, PT_SPACE, 1);
    c->errcnt++;
    std::uint32_t off = n < 500 ? 0x01 : 0x02;
    if (c->errcnt == 1 && !(c->optp && (c->optp->logsw & off))) logcopy(c, n, line, len, expl, elen);
    if (n >= 500) inblock(c);
    c->errsub = 0;
    c->errnum = 0;
    return c->errcnt;
}

void errlogic(int number) {
    CMV* c = cm;
    char line[53];
    std::memcpy(line, "** Logic Error =z9999  Selid =---9  Run terminated.\n", 53);
    // The number in five digits with leading zeros ("=03202").
    prtedit(line + 16, "99999", number);
    prtedit(line + 30, "---9", c ? c->prt.selid : 0);
    if (c) c->trace[14] = 'L';
    FILE* log = c && c->logfp ? c->logfp : stderr;
    std::fwrite(line, 1, 52, log);
    std::fflush(log);
    if (c && !(c->prt.flags & PR_BUSY)) {
        tvlprt(line, 52, PT_LINE, 0);
        tvlprt(nullptr, 0, PT_CLOSE, 0);
    }
    // An exit status that is 0 modulo 256 would read as success to a shell.
    std::exit(number % 256 == 0 ? 255 : number);
}
