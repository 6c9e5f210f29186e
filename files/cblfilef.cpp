// File blocks and file names: making a new file record with its defaults
// (cblf_mak), closing and freeing every file of the run (cblf_kil), the
// file-control block (cblf_fcb), the one builder of a file's name in each
// of its forms (fname_of) and the wildcard matcher of names against masks
// (cblmtch).
//
// Exports: cblf_fcb, cblf_mak, cblf_kil, fname_of, cblmtch.
// Called by: the file-name parser (new file blocks), the run driver and
//            the summary (close all), the file layer, UTIME, the summary
//            and the operand resolution (fname_of), the tokenizer (cblmtch
//            for "*" and "?" patterns).
// Calls:     cblfio (close), cblgcore/cblgcorf, getcwd.
//
// Divisions: file blocks; file names; wildcard match.
#include "files/files.h"
#include "driver/driver.h"  // the record CMV only
#include "runtime/runtime.h"

#include <unistd.h>

#include <array>
#include <cstring>

// ---------------------------------------------------------------------------
// File blocks
// ---------------------------------------------------------------------------

FFCB* cblf_fcb(CMV* c) {
    FFCB* fc = static_cast<FFCB*>(cblgcore(c->gccb, sizeof(FFCB), 0, "ffc"));
    fc->cmv = c;
    fc->trace = c->trace + 11;  // the last four letters of the progress marker
    return fc;
}

// A new file record: type 1, blank identifier, fill blank, TRUNC and reset
// set (output replaces the file and drops trailing fill characters), at the
// end of the file list of fc's run; its texts come from that run's memory.
FFREC* cblf_mak(FFCB* fc) {
    CMV* c = fc->cmv;
    GCCB* gc = c ? c->gccb : nullptr;
    FFREC* f = static_cast<FFREC*>(cblgcore(gc, sizeof(FFREC), 0, "FFREC"));
    f->gccb = gc;
    std::memcpy(f->eye, "FFREC\0\0", 8);
    f->ftype = FT_SEQ;
    std::memset(f->fileid, ' ', sizeof f->fileid);
    f->fill = ' ';
    f->sflags = FS_TRUNC | FS_RESET;
    f->fd = -1;
    f->eollen = 2;
    f->tabw = TABW_UNSET;
    f->blkbeg = -1;
    f->errm = static_cast<char*>(cblgcore(gc, 128, 0, "errm"));
    f->sflags |= FS_OWNERR;
    if (!c) return f;
    FFREC** tail = &c->ffhead;
    while (*tail) tail = &(*tail)->next;
    *tail = f;
    return f;
}

// Free the storage of one file record (and the record).
static void kilone(GCCB* gc, FFREC* f) {
    if (f->buf) cblgcorf(gc, &f->buf, "ffbf");
    if (f->mfvhdr) cblgcorf(gc, &f->mfvhdr, "mfh");
    if (f->tabbuf) cblgcorf(gc, &f->tabbuf, "tabx");
    if (f->prefix) cblgcorf(gc, &f->prefix, "pth");
    if (f->dsn) cblgcorf(gc, &f->dsn, "dsn3");
    if (f->eol && !(f->aflags & AF_EOLFIX)) cblgcorf(gc, &f->eol, "eol");
    if (f->errm && (f->sflags & FS_OWNERR)) cblgcorf(gc, &f->errm, "errm");
    cblgcorf(gc, &f, "FFREC");
}

// how KIL_FILES: close every file of the run (reporting failed closes) and
// free the file records.  Result: the number of files whose close failed.
int cblf_kil(FFCB* fc, int how) {
    CMV* c = fc->cmv;
    int bad = 0;
    if (!(how & KIL_FILES) || !c) return 0;
    FFREC* keep = fc->ffrec;
    for (FFREC* f = c->ffhead; f;) {
        FFREC* next = f->next;
        fc->ffrec = f;
        cblfio(fc, F_CLOSE, nullptr, 0);
        if (fc->errm && fc->errm[0]) bad++;
        if (keep == f) keep = nullptr;
        kilone(c->gccb, f);
        f = next;
    }
    c->ffhead = nullptr;
    fc->ffrec = keep;
    return bad;
}

// ---------------------------------------------------------------------------
// File names
// ---------------------------------------------------------------------------
//
// A file's name as written is kept twice: split into directory prefix, file
// name and extension (by the file-name parser), and whole as the data-set
// name.  Each use of the name takes one form of it, and every form is built
// here, from one row of kFnm, so that a name reaches the same file
// whatever statement uses it:
//
//   written             PATH (opened)   SHOW (error line)   DSN text
//   in.txt              in.txt          in.txt              "in.txt " + blanks
//   d/in.txt            d/in.txt        d/in.txt            "d/in.txt " + blanks
//   C:t.txt             <cwd>/C/t.txt   C:t.txt             "C:t.txt " + blanks
//   in.dat DSN 'a/b.c'  a/b.c           a/b.c               "in.dat " + blanks
//   INPUT DSN 'a'       a               INPUT (a DD name)   "INPUT " + blanks
//
// The summary's DSN column and the listing's file messages ("F=name - text")
// take LIST: SHOW without the DD-name rule.  The summary turns blanks into
// points and shortens long data-base names itself.

namespace {

// How a form takes the data-set name.
constexpr int DSN_NEVER  = 0;  // always prefix, name and extension
constexpr int DSN_ASPATH = 1;  // when FS_DSNPATH says the data-set name is the path
constexpr int DSN_KNOWN  = 2;  // whenever the file has one

// One form of a name.  Columns: the form, how it takes the data-set name,
// whether a DD name is its bare name and extension (never its data-set
// name), whether a directory member is its prefix and the member's name,
// whether the path rules apply (trailing blanks cut, "X:rest" becomes
// <cwd>/X/rest), whether the text ends in one blank and is blank-padded
// to FNM_DSNLEN bytes.
struct FnmRow {
    int  form;    // FNM_*
    int  dsn;     // DSN_* above
    bool ddbare;  // a DD name: name and extension alone
    bool member;  // a directory member: prefix and member name
    bool path;    // trailing blanks cut, drive form X:rest -> <cwd>/X/rest
    bool pad;     // one blank, blank-padded to FNM_DSNLEN; no NUL needed
};
constexpr std::array<FnmRow, FNM_COUNT> kFnm = {{  // ORDER FNM
    {FNM_PATH, DSN_ASPATH, false, true,  true,  false},
    {FNM_SHOW, DSN_KNOWN,  true,  false, false, false},
    {FNM_LIST, DSN_KNOWN,  false, false, false, false},
    {FNM_DSN,  DSN_NEVER,  false, false, false, true},
}};
static_assert(kFnm[FNM_PATH].form == FNM_PATH && kFnm[FNM_SHOW].form == FNM_SHOW &&
              kFnm[FNM_LIST].form == FNM_LIST && kFnm[FNM_DSN].form == FNM_DSN);

bool usedsn(const FFREC* f, const FnmRow& r) {
    if (!f->dsn) return false;
    switch (r.dsn) {
    case DSN_ASPATH: return (f->sflags & FS_DSNPATH) != 0;
    case DSN_KNOWN:  return f->dsnlen > 0 && !(r.ddbare && (f->dflags & DF_DDNAME));
    default:         return false;  // DSN_NEVER
    }
}

// The directory a name built from its parts begins with.  A default
// directory for relative data-file names (DEFDIR) joins here, and only
// here.
const char* dirof(const FFREC* f, const FnmRow& r) {
    if (r.ddbare && (f->dflags & DF_DDNAME)) return "";
    return f->prefix ? f->prefix : "";
}

// The path rules on the n bytes of out: trailing blanks cut, then the
// drive form "X:rest" (or "X:/rest") becomes <cwd>/X/rest.  Returns the
// new length as fname_of does.
int pathrules(char* out, std::size_t size, int n) {
    while (n > 0 && out[n - 1] == ' ') out[--n] = 0;
    if (n < 2 || out[1] != ':') return n;
    char cwd[257], rest[4096];
    if (!getcwd(cwd, sizeof cwd)) return -1;
    std::snprintf(rest, sizeof rest, "%s", out + (out[2] == '/' ? 3 : 2));
    char drive = out[0];
    return std::snprintf(out, size, "%s/%c/%s", cwd, drive, rest);
}

}  // namespace

// The name of file f in the given form (FNM_*), NUL-terminated in out.
// Returns its length; a length of size or more means it did not fit (out
// holds its first size - 1 bytes, as snprintf leaves them).  FNM_DSN
// writes exactly FNM_DSNLEN bytes (and a NUL when size allows) and returns
// FNM_DSNLEN.  -1: an unknown form, the DSN text and its blank pass 255
// bytes or size is below FNM_DSNLEN, or the working directory of a drive
// form is unknown.
int fname_of(const FFREC* f, int form, char* out, std::size_t size) {
    if (form < 0 || form >= FNM_COUNT || size == 0) return -1;
    const FnmRow& r = kFnm[static_cast<std::size_t>(form)];
    int n;
    if (usedsn(f, r))
        n = std::snprintf(out, size, "%.*s", static_cast<int>(f->dsnlen), f->dsn);
    else if (r.member && (f->dflags & DF_MEMBER))
        n = std::snprintf(out, size, "%s%s", f->prefix ? f->prefix : "", f->member ? f->member : "");
    else
        n = std::snprintf(out, size, "%s%s%s%s", dirof(f, r), f->fname, f->fext[0] ? "." : "", f->fext);
    if (n < 0) return -1;
    if (r.path && static_cast<std::size_t>(n) < size) n = pathrules(out, size, n);
    if (r.pad) {
        if (size < FNM_DSNLEN || static_cast<std::size_t>(n) + 1 > FNM_DSNLEN - 1) return -1;
        std::memset(out + n, ' ', FNM_DSNLEN - static_cast<std::size_t>(n));
        if (size > FNM_DSNLEN) out[FNM_DSNLEN] = 0;
        n = static_cast<int>(FNM_DSNLEN);
    }
    return n;
}

// ---------------------------------------------------------------------------
// Wildcard match
// ---------------------------------------------------------------------------

// Match name against mask: 0 when it matches.  "?" matches one character
// other than a point (and nothing at the end of the name); "*" any run,
// points included, backtracking to the last "*" only; a mask ending in "*."
// matches names without a point after that place; a name that has ended
// matches a mask rest of "." or ".*".  A mismatch gives -1 when a "?" was
// used, else the difference of the two characters.
int cblmtch(const char* name, const char* mask) {
    const unsigned char* n = reinterpret_cast<const unsigned char*>(name);
    const unsigned char* m = reinterpret_cast<const unsigned char*>(mask);
    const unsigned char* sm = nullptr;  // mask after the last "*"
    const unsigned char* sn = nullptr;  // name position that "*" has reached
    bool q = false;
    for (;;) {
        if (*m == '*') {
            while (*m == '*') m++;
            if (*m == 0) return 0;
            if (m[0] == '.' && m[1] == 0) return std::strchr(reinterpret_cast<const char*>(n), '.') ? 1 : 0;
            sm = m;
            sn = n;
            continue;
        }
        if (*n == 0) {
            if (*m == 0) return 0;
            if (*m == '.' && (m[1] == 0 || (m[1] == '*' && m[2] == 0))) return 0;
            if (*m == '?') {
                q = true;
                m++;
                continue;
            }
        } else if (*m == '?') {
            q = true;
            if (*n != '.') {
                n++;
                m++;
                continue;
            }
        } else if (*m == *n) {
            n++;
            m++;
            continue;
        }
        if (sm && *sn) {  // let the last "*" take one more character
            n = ++sn;
            m = sm;
            continue;
        }
        return q ? -1 : static_cast<int>(*n) - static_cast<int>(*m);
    }
}
