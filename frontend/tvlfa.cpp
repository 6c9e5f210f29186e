// File definitions: the file named by a READ, WRITE, REPLACE/UPDATE,
// INSERT, DELETE, FLUSH, OPEN, CLOSE, TOUCH/UTIME, CAT, FLAG, TRACE or
// CALL statement, with its kind and attribute keywords, compiled into the
// file's FFREC.  The first READ of a file in read mode makes it the run's
// primary input.
//
// Exports: tvlfa (the statement's file definition), seteol (end-of-line
// string), loadit (load a shared library and find a routine in it).
// Called by: statement analysis (file statements, CAT, FLAG, TRACE,
// CALL) and conditions (file-state tests).
// Calls: tvlfn (the file block of the name), tvlgk (INTO and time
// operands), the tokenizer (tokt, tokf, tokdata, tokdel, tokbad), valnnn,
// onoff, chkfill, chk_pfx, workval, seterr, cblgcore, dlopen/dlsym.
//
// What the keywords set, for example
//     WRITE OUT RECFM VB LRECL 200 BLKSIZE 8000 NORDW
// gives recfm 2 (RF_VAR), dwlen 4, lrecl 200, bufsize 8000, dflags
// DF_RECFM|DF_BLOCKED|DF_LRECL|DF_BLKSIZE|DF_NORDW, mode 8 (FM_OUT).
// The data-base, list, keyed, indexed, directory and handler kinds record
// error 1 on their keyword; so do keyed and positioned reads.
//
// Divisions: open modes; kinds and CALL; device and label keywords; record
// format, end of line and tabs; lengths and descriptor words; the other
// keywords; primary input; the library loader.
#include "frontend/frontend.h"
#include "driver/driver.h"
#include "files/files.h"
#include "report/report.h"
#include "runtime/runtime.h"

#include <dlfcn.h>

#include <charconv>
#include <cstdio>
#include <cstring>


// Record error e on the current token; returns e.
static int tokbadn(int e) {
    tokbad(e);
    return e;
}

namespace {

// The token after a keyword just consumed, or null.
TK* nextval() { return tkc ? tokdata() : nullptr; }

// Blame the token after the keyword (or the keyword) with error e.
int badval(int e) {
    if (TK* t = nextval()) tkc = t;
    else tkc = cm->tkcur;
    return tokbadn(e);
}

// A whole unsigned decimal number in t, or -1.
long long numtok(const TK* t) {
    if (!t || (t->flags & (TK_APOS | TK_QUOT | TK_HEX)) || t->len <= 0) return -1;
    long long v = -1;
    auto [p, ec] = std::from_chars(t->text, t->text + t->len, v);
    if (ec != std::errc{} || p != t->text + t->len || v < 0) return -1;
    return v;
}

// The number after a keyword, consumed; -1 (nothing consumed) when none.
long long numval() {
    TK* t = nextval();
    long long v = numtok(t);
    if (v >= 0) {
        tkc = t;
        tokdel();
    }
    return v;
}

// ---------------------------------------------------------------------------
// Open modes
// ---------------------------------------------------------------------------

// The open-mode bit of a statement; 0 for statements that set none.
std::uint8_t modebit(int op) {
    switch (op) {
    case OP_READ:   return FM_IN;
    case OP_WRITE:  return FM_OUT;
    case OP_REPL:   return FM_UPD;
    case OP_INSERT: return FM_INS;
    case OP_DELETE: return FM_DEL;
    case OP_FLUSH:  return FM_OUT;
    case OP_DB2:
    case OP_ODBC:   return FM_IN | FM_OUT | FM_UPD | FM_INS | FM_DEL;
    case OP_TRACE:  return FM_OUT;
    default:        return 0;
    }
}

// Check the statement's mode against the file's, or make it the file's.
// Error 26 when the file is used in a way its modes do not allow.
int openmode(CN* n, FFREC* f) {
    std::uint8_t bit = modebit(n->typ2);
    if (!bit) return 0;
    if (f->mode == 0) {
        f->mode = bit;
        return 0;
    }
    if ((f->mode & bit) == bit) return 0;
    if ((f->mode & FM_IN) && n->typ2 == OP_REPL) {
        f->mode |= FM_UPD;
    } else if ((f->mode & FM_IN) && n->typ2 == OP_DELETE && (f->ftype == FT_DB2 || f->ftype == FT_ODBC)) {
        f->mode |= FM_DEL;
    } else if (n->typ2 == OP_READ && (f->mode & FM_UPD)) {
        f->mode |= FM_IN;
    } else {
        tkc = cm->tkcur;
        return tokbadn(26);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Kinds and CALL
// ---------------------------------------------------------------------------

// The kind keyword, anywhere, with its file kind.  ORDER KIND: keyword,
// kind code as the file block holds it.
struct KindRow {
    const char*  word;
    std::int32_t kind;
};
constexpr KindRow kKinds[] = {
    {"VSAM", FT_VSAM},  {"KSDS", FT_KSDS},   {"ESDS", FT_ESDS},   {"RRDS", FT_RRDS},  {"MFC", FT_VSAM},
    {"DB2", FT_DB2},    {"ODBC", FT_ODBC},   {"DL1", FT_DLI},     {"DLI", FT_DLI},    {"DL/1", FT_DLI},
    {"DL/I", FT_DLI},   {"IMS", FT_DLI},     {"INDEXED", FT_INDEX}, {"ISAM", FT_INDEX}, {"IX", FT_INDEX},
    {"IS", FT_INDEX},   {"ADABAS", FT_ADABAS}, {"ADA", FT_ADABAS}, {"VTOC", FT_VTOC}, {"DIRECTORY", FT_DIR},
    {"DCTY", FT_DIR},   {"DIR", FT_DIR},     {"DIRDATA", FT_DIR}, {"DIRD", FT_DIR},   {"DD", FT_DIR},
};
static_assert(sizeof kKinds / sizeof kKinds[0] == 25);

// The kind is stored; a file that has another kind already is error 118.
// Only the plain sequential kind is built so far: any kind keyword then
// records error 1.
int kindkw(FFREC* f) {
    char* k = tokfk("VSAM,KSDS,ESDS,RRDS,MFC,DB2,ODBC,DL1,DLI,DL/1,DL/I,IMS,INDEXED,ISAM,IX,IS,"
                   "ADABAS,ADA,VTOC,DIRECTORY,DCTY,DIR,DIRDATA,DIRD,DD");
    if (!k) return 0;
    std::int32_t kind = FT_SEQ;
    for (const KindRow& r : kKinds)
        if (std::strcmp(r.word, k) == 0) kind = r.kind;
    tkc = cm->tkcur;
    if (f->ftype != FT_SEQ && f->ftype != kind) return tokbadn(118);
    f->ftype = kind;
    return tokbadn(1);
}

// CALL: the routine is the file's directory and name joined, in the
// library of option LIBNAME ("libtorv.so" by default).  Error 162 when it
// cannot be found.
int callrtn(CMV* c, FFREC* f) {
    if (f->entry) return 0;
    char sym[300];
    std::snprintf(sym, sizeof sym, "%s%s", f->prefix ? f->prefix : "", f->fname);
    const char* lib = c->calllib ? c->calllib : "libtorv.so";
    f->entry = loadit(f, &f->libh, lib, sym);
    if (!f->entry) return seterr(162);
    return 0;
}

// ---------------------------------------------------------------------------
// Device and label keywords
// ---------------------------------------------------------------------------

// DEFER, VOL, CAT, DEV, DEVICE, PASS, PASSWD, PASSWORD, repeatedly.
int devkw(FFREC* f) {
    while (char* k = tokfk("DEFER,VOL,CAT,DEV,DEVICE,PASS,PASSWD,PASSWORD")) {
        char u = k[0];
        if (u == 'D' && k[1] == 'E' && k[2] == 'F') {
            f->fdflags |= FDF_DEFER;
        } else if (u == 'D') {
            if (!tokt("2311,2314,2319,3330,3330M11,3340,3350,3310,3370,9335,FBA,3375,3380,3390,9345,9336,"
                      "3540,DISKETTE,DKT,TAPE"))
                return badval(41);
        } else {  // VOL, CAT and the passwords take the next token
            TK* t = nextval();
            if (!t) return badval(u == 'P' ? 5 : 140);
            tkc = t;
            tokdel();
        }
    }
    return 0;
}

// One OPEN or CLOSE option word after its keyword.
int tapeopt(FFREC* f, bool open) {
    if (open) {
        char* v = tokt("NORWD,NOREW,LEAVE,RWD,REW");
        if (!v) return badval(104);
        if (v[0] != 'R') f->fdflags |= FDF_NORWDOP;
        return 0;
    }
    char* v = tokt("UNLD,RUN,NOREW,NORWD,LEAVE,NOFLUSH,RWD,REW");
    if (!v) return badval(105);
    if (v[0] == 'U' || (v[0] == 'R' && v[1] == 'U')) f->fdflags |= FDF_UNLOAD;
    else if (v[0] != 'R') f->fdflags |= FDF_NORWDCL;
    return 0;
}

// NOLABEL, NL, NOLAB, LABEL, LTM, OP, OPEN, CL, CLOSE, repeatedly.
int labelkw(FFREC* f) {
    while (char* k = tokfk("NOLABEL,NL,NOLAB,LABEL,LTM,OP,OPEN,CL,CLOSE")) {
        char u = k[0];
        char u1 = k[1];
        int rc = 0;
        if (u == 'N') {
            f->fdflags |= FDF_NOLABEL;
        } else if (u == 'L' && u1 == 'A') {
            char* v = tokt("NO,STD,YES");
            if (!v) rc = badval(33);
            else if (v[0] == 'N') f->fdflags |= FDF_NOLABEL;
        } else if (u == 'L') {
            char* v = tokt("YES,NO");
            if (v && v[0] == 'Y') f->fdflags |= FDF_LTM;
        } else {
            rc = tapeopt(f, u == 'O');
        }
        if (rc) return rc;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Record format, end of line and tabs
// ---------------------------------------------------------------------------

// RECFM and its value: format code, descriptor width, blocked, spanned.
// ORDER RECFM: value, format code, descriptor bytes.
struct RecfmRow {
    const char*  word;
    std::int32_t recfm;
    std::int16_t dw;
};
constexpr RecfmRow kRecfm[] = {
    {"F", RF_FIXED, 0}, {"FB", RF_FIXED, 0}, {"FBS", RF_FIXED, 0}, {"S", RF_LINE, 0},
    {"U", RF_LINE, 0},  {"V", RF_VAR, 4},    {"VB", RF_VAR, 4},    {"VBS", RF_VAR, 4},
    {"V2", RF_V2, 2},   {"V3", RF_V3, 3},    {"MFV", RF_MFV, 2},
};
static_assert(sizeof kRecfm / sizeof kRecfm[0] == 11);

int recfmkw(FFREC* f) {
    if (!tokf("RECFM")) return 0;
    char* v = tokt("F,FB,FBS,S,U,V,VB,VBS,V2,V3,MFV");
    if (!v) return badval(84);
    for (const RecfmRow& r : kRecfm) {
        if (std::strcmp(r.word, v) != 0) continue;
        f->recfm = r.recfm;
        f->dwlen = r.dw;
    }
    if (v[0] == 'S') f->eollen = 0;  // spanned text: no end-of-line string
    if (v[0] != 'M' && v[1] == 'B') f->dflags |= DF_BLOCKED;
    if (v[0] != 'M' && v[1] && v[2] == 'S') f->dflags |= DF_SPANNED;
    f->dflags |= DF_RECFM;
    f->fdflags |= FDF_WRITTEN;
    return 0;
}

// KEEPCTLZ: a trailing control-Z of a text file is kept as data.
void ctlzkw(FFREC* f) {
    if (tokf("KEEPCTLZ")) f->dflags |= DF_KEEPCTLZ;
}

// EOL and its string; without EOL a file in read mode takes any of CR,
// LF and CR LF (end-of-line mode 2, the file block's default).
void eolkw(CMV* c, FFREC* f) {
    if (!tokf("EOL")) return;
    if (f->recfm == 0) f->recfm = RF_LINE;
    char* v = tokt("CRLF,CR,LF,NO,NONE");
    if (v) {
        if (v[0] == 'N') seteol(c, "", 0);
        else if (v[1] == 'R' && v[2] == 'L') seteol(c, "\r\n", 2);
        else seteol(c, v[0] == 'C' ? "\r" : "\n", 1);
        return;
    }
    TK* t = nextval();
    if (!t) return;
    seteol(c, t->text, t->len);
    tkc = t;
    tokdel();
}

// TABS OFF, TABS 0 (no expansion) or TABS n; an invalid width gives 8.
// Without it, a file defined now takes the run's width for input files
// (TABSIN) or for output files (TABSOUT) in force.
void tabskw(FFREC* f) {
    if (!tokf("TABS")) {
        int w = !cm->optp ? 0 : (f->mode & (FM_IN | FM_UPD)) ? cm->optp->tabsin : cm->optp->tabsout;
        if (f->tabw == TABW_UNSET && w > 0) f->tabw = w;
        return;
    }
    if (tokt("OFF")) {
        f->tabw = -1;
        return;
    }
    long long v = numval();
    if (v == 0) f->tabw = -1;
    else f->tabw = v > 0 && v < 256 ? static_cast<std::int32_t>(v) : 8;
    if (v < 0 && nextval()) {  // a word that is no width is still the value
        tkc = nextval();
        tokdel();
    }
}

// ---------------------------------------------------------------------------
// Lengths and descriptor words
// ---------------------------------------------------------------------------

// L, LRECL, RECSIZE, RDW, NORDW, BDW, NOBDW, repeatedly.  A length is a
// number, or VAR/V (variable, prefix 4) or UNDEF/U (undefined records).
int lengthkw(FFREC* f) {
    while (char* k = tokfk("L,LRECL,RECSIZE,RDW,BDW,NOBDW,NORDW")) {
        switch (k[0]) {
        case 'R':
            if (k[1] == 'D') {
                f->dflags = (f->dflags & ~DF_NORDW) | DF_RDW;
                break;
            }
            [[fallthrough]];
        case 'L': {
            if (char* w = tokt("VAR,V,VARIABLE,UNDEF,U,UNDEFINED")) {
                f->recfm = w[0] == 'V' ? RF_VAR : RF_LINE;
                f->dwlen = w[0] == 'V' ? 4 : 0;
                break;
            }
            long long v = numval();
            if (v <= 0 || v > 0x7FFFFFFF) return badval(7);
            f->lrecl = v;
            f->dflags |= DF_LRECL;
            f->fdflags |= FDF_WRITTEN;
            break;
        }
        case 'B': f->dflags = (f->dflags & ~DF_NOBDW) | DF_BDW; break;
        case 'N':
            if (k[2] == 'R') f->dflags = (f->dflags & ~DF_RDW) | DF_NORDW;
            else f->dflags = (f->dflags & ~DF_BDW) | DF_NOBDW;
            break;
        default: errlogic(11901);
        }
    }
    return 0;
}

// BLKSIZE, BLK or B with a number (0: the largest), or for an output
// SAME, MAX or UNB, kept as markers until preparation.
int blkkw(FFREC* f) {
    if (!tokf("BLKSIZE,BLK,B")) return 0;
    if ((f->mode & FM_OUT)) {
        if (char* w = tokt("SAME,MAX,UNB")) {
            f->bufsize = w[0] == 'S' ? BLK_SAME : w[0] == 'M' ? BLK_MAX : BLK_UNB;
            f->dflags |= DF_BLKSIZE;
            return 0;
        }
    }
    long long v = numval();
    if (v < 0 || v > 0x7FFFFFFF) return badval(7);
    f->bufsize = v == 0 ? BLK_MAX : v;
    f->dflags |= DF_BLKSIZE;
    return 0;
}

// ---------------------------------------------------------------------------
// The other keywords
// ---------------------------------------------------------------------------

// BUFNO n, WTO YES/NO, FAIL NOCLOSE.
int misckw(FFREC* f) {
    while (char* k = tokfk("BUFNO,WTO,FAIL")) {
        switch (k[0]) {
        case 'B': {
            long long v = numval();
            if (v < 0 || v > 255) return badval(7);
            f->bufno = static_cast<std::int32_t>(v);
            break;
        }
        case 'W':
            if (char* v = tokt("YES,NO")) {
                if (v[0] == 'Y') f->fdflags |= FDF_WTO;
                else f->fdflags &= ~FDF_WTO;
            }
            break;
        case 'F':
            if (!tokt("NOCLOSE,NOCL")) return badval(83);
            f->fdflags |= FDF_FAILNOCL;
            break;
        default: errlogic(11902);
        }
    }
    return 0;
}

// TRUNC, NOTRUNC and the fill character.
int fillkw(FFREC* f) {
    if (char* k = tokfk("TRUNC,NOTRUNC")) {
        if (k[0] == 'T') f->sflags |= FS_TRUNC;
        else f->sflags &= ~FS_TRUNC;
    }
    if (fm_input(f)) f->sflags &= ~FS_TRUNC;
    if (chkfill(&f->fill)) f->dflags |= DF_FILL;
    return cm->errnum;
}

// NOFILL, NEWBLK [YES], UPD/UPDATE, KP/KEYPOS/KEYLOC, RKP, KL/KEYLEN.
// Key positions and lengths serve keyed reading, which records error 1
// where it is asked for.
int keykw(CMV* c, CN* n, FFREC* f) {
    while (char* k = tokfk("NOFILL,NEWBLK,UPD,UPDATE,KP,KEYPOS,KEYLOC,RKP,KL,KEYLEN")) {
        char u = k[0], u1 = k[1];
        if (u == 'N' && u1 == 'O') {
            f->dflags &= ~DF_FILL;
        } else if (u == 'N') {
            tokt("YES");
            n->nflags |= CNF_NEWBLK;
        } else if (u == 'U') {
            f->mode |= FM_UPD | FM_INS | FM_DEL;
        } else {
            long long v = numval();
            if (v < 0 || v > 0x7FFFFFFF) return badval(7);
            if (u == 'R') {
                f->rkp = static_cast<std::int32_t>(v);
            } else if (u1 == 'L' || std::strcmp(k, "KEYLEN") == 0) {
                f->keylen = static_cast<std::int32_t>(v);
                f->dflags |= DF_KEYLEN;
            } else {
                if (v < 1) return badval(9);
                f->keypos = v - 1;
                f->dflags |= DF_KEYPOS;
            }
        }
    }
    (void)c;
    return 0;
}

// RESET/REUSE (write from the start) or APPEND/APP.
void resetkw(FFREC* f) {
    char* k = tokfk("RESET,REUSE,APPEND,APP");
    if (!k) return;
    if (k[0] == 'A') f->sflags &= ~FS_RESET;
    else f->sflags |= FS_RESET;
}

// INTO for a READ: the receiving operand; keyed and positioned access
// words record error 1.
int accesskw(CMV* c, CN* n, FFREC* f) {
    if (n->typ2 == OP_READ && tokf("INTO")) {
        tokt("P,POS");
        int rc = tvlgk(&n->fld1, GK_FIELD | GK_POS | GK_POS2 | GK_AT);
        if (rc) return rc;
        FLD* d = n->fld1;
        if (d && (d->pkind != PK_REC || d->pos != 0 || (d->pflags & FP_MORE))) f->fdflags |= FDF_INTO;
        if (d && d->dcl && d->dcl->len > c->maxrec) c->maxrec = d->dcl->len;
    }
    if (tokf("ISN,KEQ,KEY,KGE,RBA,REC,START,STARTISN,STARTKEQ,STARTKEY,STARTKGE,STARTRBA,STARTREC,"
             "KF,KEYFROM,CO,CYLOFL,MI,MSTIND,BWD,FWD,KEYIX,AIX,ALTX")) {
        tkc = c->tkcur;
        return tokbadn(1);
    }
    return 0;
}

// TOUCH and UTIME: optional FTIME, then the time operand.
int touchkw(CN* n) {
    if (n->typ2 != OP_TOUCH) return 0;
    tokt("FTIME");
    if (!tokdata()) return 0;
    return tvlgk(&n->fld1, 400);
}

// ---------------------------------------------------------------------------
// Primary input
// ---------------------------------------------------------------------------

// A READ of a file in read mode, when the run has no primary input yet:
// the file becomes it, the statement is the first pass of a START, and
// the work area must hold its records.  The INTO operand takes the record
// length when it has none; a record length above it is error 20.
int primary(CMV* c, CN* n, FFREC* f) {
    if (n->typ2 != OP_READ || !(f->mode & FM_IN) || c->primary) return 0;
    c->primary = f;
    f->fdflags |= FDF_PRIMARY;
    c->firstpass = n;
    if (f->recfm != RF_FIXED && !(f->lrecl > 0 && f->recfm == 0)) c->stmtsw |= CM_STMT_LONGW;
    int least = f->recfm == RF_FIXED && f->lrecl > 22 ? static_cast<int>(f->lrecl) : 22;
    workval(least);
    if (c->errnum) return c->errnum;
    FLD* d = n->fld1;
    if (!d || (d->lkind != PK_REC && d->lkind != 0)) return 0;
    if (d->lkind == 0 || d->len == 0) {
        if (f->lrecl > 0) {
            d->lkind = PK_REC;
            d->len = f->lrecl;
        }
        return 0;
    }
    if (f->lrecl > d->len) return seterr(20);
    return 0;
}

// The steps that read keywords, in their order; each stops the definition
// on an error.
int keywords(CMV* c, CN* n, FFREC* f) {
    if (kindkw(f)) return c->errnum;
    tokf("Y2,Y4");
    int pfx = chk_pfx(c);
    if (pfx > 0 || (pfx < 0 && (c->linesw & CM_LINE_DSNPFX))) f->fdflags |= FDF_PFX;
    if (devkw(f) || labelkw(f) || recfmkw(f)) return c->errnum;
    ctlzkw(f);
    eolkw(c, f);
    tabskw(f);
    if (lengthkw(f) || touchkw(n) || misckw(f) || fillkw(f) || keykw(c, n, f)) return c->errnum;
    if (f->ftype == FT_INDEX && !(f->dflags & DF_KEYLEN)) return seterr(64);
    resetkw(f);
    if (accesskw(c, n, f) || blkkw(f)) return c->errnum;
    return 0;
}

}  // namespace

// Store a copy of the end-of-line string (tag "eol") in the statement's
// file; an empty string means records without delimiters.
void seteol(CMV* c, const char* eol, int len) {
    FFREC* f = c->cncur ? c->cncur->file : nullptr;
    if (!f) return;
    if (f->eol && !(f->aflags & AF_EOLFIX)) cblgcorf(c->gccb, &f->eol, "eol");
    f->eol = nullptr;
    f->aflags &= ~AF_EOLFIX;
    f->eollen = len;
    if (len <= 0) {
        f->eollen = 0;
        return;
    }
    f->eol = static_cast<char*>(cblgcore(c->gccb, len + 1, 0, "eol"));
    std::memcpy(f->eol, eol, static_cast<std::size_t>(len));
}

// The file definition of the current statement.  Returns the file block,
// or null when the name could not be resolved; errors through seterr.
FFREC* tvlfa(CMV* c) {
    CN* n = c->cncur;
    // CAT makes no node of its own: its file is defined as a further input
    // of the READ before it, through that READ's node.
    if (n && n->typ1 == 0 && n->typ2 == 0 && n->prev && n->prev->typ2 == OP_READ &&
        (n->prev->opflags & CN_OPF_CAT)) {
        c->cncur = n->prev;
        FFREC* f = tvlfa(c);
        c->cncur = n;
        return f;
    }
    FFREC* f = tvlfn(c, FN_DEF, nullptr, 0);
    if (!f) return nullptr;
    if (n->typ2 == OP_TRACE) f->fdflags |= FDF_TRACE;
    FFREC* keep = n->file;
    n->file = f;  // the keyword parsers reach the file through the node
    if (openmode(n, f)) return f;
    if (n->typ2 == OP_CALL) {
        callrtn(c, f);
        return f;
    }
    if (n->typ2 == OP_OPEN) f->fdflags |= FDF_DEFER;
    if (keep && keep != f && n->typ2 == OP_READ && (n->opflags & CN_OPF_CAT)) f->fdflags |= FDF_CATMEM;
    if (!keywords(c, n, f)) primary(c, n, f);
    if (keep) n->file = keep;
    return f;
}

// Load library into *handle once and find symbol in it, under the name
// with a trailing underscore, the name, and the name with a leading
// underscore (cut to 13 characters).  With a null symbol, unload the
// library unless the file marks it as a load module.  Returns the routine's
// address, or null (the failure is written to the log).
void* loadit(FFREC* file, void** handle, const char* library, const char* symbol) {
    FILE* log = cm && cm->logfp ? cm->logfp : stderr;
    if (!symbol) {
        if (!*handle) return nullptr;
        if (file && (file->fdflags & FDF_LOADMOD)) {
            std::fprintf(log, "Delete for loadmod, '%s', failed. %s \n", library, "kept loaded");
            return nullptr;
        }
        dlclose(*handle);
        *handle = nullptr;
        return nullptr;
    }
    if (!*handle) {
        *handle = dlopen(library, RTLD_LAZY);
        if (!*handle) {
            const char* e = dlerror();
            std::fprintf(log, "Shared Library, '%s', open failed. %s \n", library, e ? e : "");
            return nullptr;
        }
    }
    char name[16];
    std::snprintf(name, sizeof name, "%.13s", symbol);
    char alt[18];
    std::snprintf(alt, sizeof alt, "%s_", name);
    if (void* p = dlsym(*handle, alt)) return p;
    if (void* p = dlsym(*handle, name)) return p;
    std::snprintf(alt, sizeof alt, "_%s", name);
    if (void* p = dlsym(*handle, alt)) return p;
    std::fprintf(log, "Reqd function, '%s', not in library. \n", symbol);
    return nullptr;
}
