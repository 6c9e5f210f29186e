// Option keywords that file definitions share with the OPTION statement:
// the fill character, the work-area length, the data-set prefix and the
// key-encoding brackets.  Each looks for its keyword anywhere in the
// statement and takes the token after it as the value.
//
// Exports: tokfk (tokf with the keyword in upper case), chkfill (FILL, PAD), workval (W, WORKLEN, WORKAREA, WORKA),
// chk_pfx (DSNPFX, USERID, UID and their NO forms), kencrtn (KEYENC,
// NOKEYENC, KEYENCERR, NOKEYENCERR).
// Called by: file definitions (tvlfa) and conditions (tvlgi).
// Calls: the tokenizer (tokf, tokt, tokdata, tokdel, tokbad), valnnn,
// onoff, seterr.
#include "frontend/frontend.h"
#include "driver/driver.h"
#include "files/files.h"
#include "report/report.h"
#include "runtime/runtime.h"

#include <cstring>


// Record error e on the current token; returns e.
static int tokbadn(int e) {
    tokbad(e);
    return e;
}

namespace {

// The value token after a keyword that tokf just consumed, or null.
TK* valtok() { return tkc ? tokdata() : nullptr; }

}  // namespace

// tokf, giving the keyword found in upper case (NUL-ended, kept until the
// next call), or null.
char* tokfk(const char* list) {
    static char up[16];
    if (!tokf(list)) return nullptr;
    const TK* t = cm->tkcur;
    int n = t->len < 15 ? t->len : 15;
    for (int i = 0; i < n; ++i) up[i] = static_cast<char>(ttab_uc[static_cast<unsigned char>(t->text[i])]);
    up[n] = 0;
    return up;
}

// FILL or PAD anywhere, with its character in *out: a missing value means
// blank, a value of more than one character is error 46.  Returns 1 when
// the keyword was written, else 0 (and *out is left alone).
int chkfill(char* out) {
    if (!tokf("FILL,PAD")) return 0;
    TK* t = valtok();
    if (!t) {
        *out = ' ';
        return 1;
    }
    tkc = t;
    if (t->len != 1) {
        tokbadn(46);
        return 1;
    }
    *out = t->text[0];
    tokdel();
    return 1;
}

// W, WORKLEN, WORKAREA or WORKA with a length: the run's work length when
// none is set yet; a length below min is error 66.  Whether written or
// not, min becomes the least work length the run needs.  Returns the
// length written, or 0.
int workval(int min) {
    CMV* c = cm;
    if (min > c->workmin) c->workmin = min;
    if (!tokf("W,WORKLEN,WORKAREA,WORKA")) return 0;
    TK* t = valtok();
    std::int16_t before = c->errnum;
    long n = valnnn(c);
    if (c->errnum != before) return 0;  // not a number: error 7 recorded
    if (n < min || n < 22) {
        if (t) {
            tkc = t;
            tokbadn(66);
        } else {
            seterr(66);
        }
        return 0;
    }
    if (c->optp->worklen == 0) c->optp->worklen = static_cast<std::int32_t>(n);
    return static_cast<int>(n);
}

// DSNPFX, USERID, UID (prefix on) or NODSNPFX, NOUSERID, NOUID (off),
// optionally followed by YES or NO.  Returns the prefix switch bit of
// CMV.linesw when on, 0 when off, -1 when no keyword is written.
int chk_pfx(CMV*) {
    char* k = tokfk("DSNPFX,USERID,UID,NODSNPFX,NOUSERID,NOUID");
    if (!k) return -1;
    bool on = k[0] != 'N';
    int v = onoff();
    if (v == 0) on = !on;
    return on ? static_cast<int>(CM_LINE_DSNPFX) : 0;
}

// KEYENC with a bracket pair ("[]", "{}", "<>" or "()"), KEYENC NO/OFF and
// NOKEYENC; KEYENCERR and NOKEYENCERR.  Scope 'G' sets the run's pair in
// the options block; any other scope the pair of the statement's file.
// A bad pair is error 167.  Returns 0 or the error.
int kencrtn(CMV* c, int scope) {
    FFREC* f = scope == 'G' || !c->cncur ? nullptr : c->cncur->file;
    if (char* k = tokfk("KEYENC,NOKEYENC")) {
        std::uint16_t pair = 0;
        if (k[0] == 'K') {
            TK* t = valtok();
            if (tokt("NO,OFF")) {
                pair = 0;
            } else if (t && t->len == 2 && (std::memcmp(t->text, "[]", 2) == 0 || std::memcmp(t->text, "{}", 2) == 0 ||
                                            std::memcmp(t->text, "<>", 2) == 0 || std::memcmp(t->text, "()", 2) == 0)) {
                pair = static_cast<std::uint16_t>((static_cast<unsigned char>(t->text[0]) << 8) |
                                                  static_cast<unsigned char>(t->text[1]));
                tkc = t;
                tokdel();
            } else {
                if (t) tkc = t;
                return tokbadn(167);
            }
        }
        if (f) {
            f->keyenc = pair;
        } else {
            c->optp->keyenc[0] = static_cast<char>(pair >> 8);
            c->optp->keyenc[1] = static_cast<char>(pair & 0xFF);
        }
    }
    if (char* k = tokfk("KEYENCERR,NOKEYENCERR")) {
        int v = onoff();
        bool on = k[0] != 'N' ? v != 0 : v == 0;
        if (on) c->termsw |= CM_TERM_KEYENCERR;
        else c->termsw &= ~CM_TERM_KEYENCERR;
    }
    return 0;
}
