// File blocks and file lists: making a new file record with its defaults
// (cblf_mak), closing and freeing every file of the run (cblf_kil), the
// file-control block (cblf_fcb) and the wildcard matcher of names against
// masks (cblmtch).
//
// Exports: cblf_fcb, cblf_mak, cblf_kil, cblmtch.
// Called by: the file-name parser (new file blocks), the run driver and
//            the summary (close all), the tokenizer (cblmtch for "*" and "?"
//            patterns).
// Calls:     cblfio (close), cblgcore/cblgcorf.
#include "files/files.h"
#include "driver/driver.h"
#include "runtime/runtime.h"

#include <cstring>

FFCB* cblf_fcb(CMV* c) {
    FFCB* fc = static_cast<FFCB*>(cblgcore(c->gccb, sizeof(FFCB), 0, "ffc"));
    fc->cmv = c;
    fc->trace = c->trace + 11;  // the last four letters of the progress marker
    return fc;
}

// A new file record: type 1, blank identifier, fill blank, TRUNC and reset
// set (output replaces the file and drops trailing fill characters), at the
// end of the run's file list.
FFREC* cblf_mak(FFCB* fc) {
    CMV* c = fc->cmv ? fc->cmv : cm;
    FFREC* f = static_cast<FFREC*>(cblgcore(c->gccb, sizeof(FFREC), 0, "FFREC"));
    std::memcpy(f->eye, "FFREC\0\0", 8);
    f->ftype = FT_SEQ;
    std::memset(f->fileid, ' ', sizeof f->fileid);
    f->fill = ' ';
    f->sflags = FS_TRUNC | FS_RESET;
    f->fd = -1;
    f->eollen = 2;
    f->tabw = TABW_UNSET;
    f->blkbeg = -1;
    f->errm = static_cast<char*>(cblgcore(c->gccb, 128, 0, "errm"));
    f->sflags |= FS_OWNERR;
    FFREC** tail = &c->ffhead;
    while (*tail) tail = &(*tail)->next;
    *tail = f;
    return f;
}

// Free the storage of one file record (and the record).
static void kilone(GCCB* gc, FFREC* f) {
    if (f->buf) cblgcorf(gc, &f->buf, "ffbf");
    if (f->mfvhdr) cblgcorf(gc, &f->mfvhdr, "mfh");
    if (f->prefix) cblgcorf(gc, &f->prefix, "pth");
    if (f->dsn) cblgcorf(gc, &f->dsn, "dsn3");
    if (f->eol && !(f->aflags & AF_EOLFIX)) cblgcorf(gc, &f->eol, "eol");
    if (f->errm && (f->sflags & FS_OWNERR)) cblgcorf(gc, &f->errm, "errm");
    cblgcorf(gc, &f, "FFREC");
}

// how KIL_FILES: close every file of the run (reporting failed closes) and
// free the file records.  Result: the number of files whose close failed.
int cblf_kil(FFCB* fc, int how) {
    CMV* c = fc->cmv ? fc->cmv : cm;
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
