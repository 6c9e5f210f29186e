// Run-time positions and lengths: turns an operand descriptor (FLD) into
// the address of its first byte (FLD.lit), its length (FLD.litlen) and its
// 1-based position in the current record (FLD.rpos), for the record in
// hand.  A position is a sum of terms (numbers, @-names, declared
// variables, special areas of the run, subroutine arguments); a length is
// a number, an @-name, the rest of the record, the stretch up to a second
// position, or the other operand's length.  Fields are clipped at the
// record end (or at the end of the work area when the record lies in it);
// no operand ever reaches past the record, the work area, a declared
// variable's storage or the special area it names.
//
// Exports: tvlsc, getpos, getlen, wpos, getffc, scsetat, dcl2lonb,
// dcl2flt, scbad, setbin, setlen.
// Called by the selection loop (conditions), the file actions and the
// record actions, once per operand per execution.  Calls the conversions
// (cvib, cvpb, cvfb, cvcb, cvpf, cvff, cvcf, cvbi, cvbp, cvbf, cvbc),
// fname_of (the DSN text), atupdv, setret and errlogic.
//
// Accounting of a failed operand (scbad): status SC_FAIL, length -1,
// position 0, address null; an action raises return code 8 (setret also
// counts it on the statement).  A condition element only gets the mark:
// the selection loop counts the failed test once per evaluation.
//
// Positions are 64-bit; every sum is checked, and a sum that would not fit
// fails the operand.  Addresses are compared as integers (uintptr_t), so
// that a position far outside the record never forms a wild pointer.
//
// Divisions: small helpers; special areas; terms of a position (getpos);
// lengths (getlen); placing the field (tvlsc); declared variables;
// storing results (setbin, setlen).
#include "engine/engine.h"

#include "driver/driver.h"
#include "files/files.h"
#include "frontend/frontend.h"
#include "report/report.h"
#include "runtime/runtime.h"

#include <climits>
#include <cstdint>
#include <cstring>

namespace {

using U = std::uintptr_t;

// Logic errors of operand resolution.
constexpr int LE_LKIND   = 23001;  // length kind above 15
constexpr int LE_PKIND   = 23002;  // position kind above 36
constexpr int LE_DSN     = 23003;  // DSN text longer than 255 bytes
constexpr int LE_NOFILE  = 23004;  // no current file where one is required
constexpr int LE_NOMEMB  = 23005;  // a container file without a current member
constexpr int LE_KIND20  = 23006;  // position kind 20
constexpr int LE_DCLINT  = 23007;  // declared variable of a type with no integer value
constexpr int LE_DCLFLT  = 23009;  // declared variable of a type with no float value
constexpr int LE_ARGLEN  = 23012;  // length kind of an argument passed as a fixed address

constexpr char kNoArg[] = "*?*";      // stands in for an argument the caller did not pass
constexpr char kNow[] = "NOW";        // the operand NOW
constexpr char kNoFname[] = "nofname";  // FN with no current file
constexpr char kNoDsn[] = "noDSN";    // DSN with no current file

CMV* ctx(const FLD* f) { return f && f->owner ? f->owner : cm; }

int opcode(const CMV* c) { return c->cncur ? c->cncur->typ2 : 0; }

// Whether [a, a+n) lies inside [base, base+len).
bool within(U a, long long n, const unsigned char* base, long long len) {
    U b = reinterpret_cast<U>(base);
    return base && n >= 0 && a >= b && a - b <= static_cast<U>(len) && static_cast<U>(n) <= static_cast<U>(len) - (a - b);
}

// The record lies in the work area (the work record, or a READ INTO it).
bool recinwork(const CMV* c) {
    return c->currec && c->worka && within(reinterpret_cast<U>(c->currec), c->curlen, c->worka, c->worklen);
}

// Mark f failed without the accounting.  A literal keeps its data: its
// lit is the literal itself, not only a result.
void scmark(FLD* f) {
    if (!f->rtstat) f->rtstat = SC_FAIL;
    f->litlen = -1;
    f->rpos = 0;
    f->fval = 0;
    if (f->pkind != PK_LIT) f->lit = nullptr;
}

// Remember the fixed area an address term lies in; len -1: not known.
void setarea(CMV* c, const void* a, long long len) {
    c->scarea = static_cast<unsigned char*>(const_cast<void*>(a));
    c->scarealen = len;
}

// One evaluated term: an integer, or a double for float variables.
struct TERM {
    long long i;    // the value
    double    d;    // the value of a float term
    int       dbl;  // 1: d holds the value
    int       adr;  // 1: the value is the position of an address (an address term)
};

}  // namespace

// ---------------------------------------------------------------------------
// Small exported helpers
// ---------------------------------------------------------------------------

// Mark the operand failed and account for it: an action raises return
// code 8.  Returns -1.
int scbad(FLD* f) {
    if (!f) return -1;
    CMV* c = ctx(f);
    scmark(f);
    if (c && isaction(c->cncur)) setret(8);
    return -1;
}

// The 1-based position of address relative to the current record start.
// A null address fails the owner (result 0).
long long wpos(FLD* owner, const void* address) {
    if (!address) {
        scbad(owner);
        return 0;
    }
    CMV* c = ctx(owner);
    return static_cast<long long>(reinterpret_cast<U>(address) - reinterpret_cast<U>(c->currec) + 1);
}

// The current file's record block: the file of the current file entry, or
// the current member of a directory container.  With required set, a
// missing file is a logic error.
FFREC* getffc(CMV* c, int required) {
    FFREC* f = c->curfile;
    if (f && f->ftype == FT_DIR && f->dirfcb) {
        FFREC* m = f->dirfcb->ffrec;
        if (!m) errlogic(LE_NOMEMB);
        f = m;
    }
    if (!f && required) errlogic(LE_NOFILE);
    return f;
}

// Refresh the scan pointer "@" from the record's last scan hit.
void scsetat(CMV* c) {
    AT* at = c->at_rec;
    c->scansnap = c->scanhit;
    if (!at) return;
    if (!c->scanhit || !c->currec) {
        at->value = 0;
        at->state = AT_STATE_NOVAL;
        return;
    }
    at->value = static_cast<long long>(reinterpret_cast<U>(c->scanhit) - reinterpret_cast<U>(c->currec) + 1);
    at->state = AT_STATE_NOVAL | AT_STATE_SET;
    if (at->value < 1 || at->value > c->curlen) at->state |= AT_STATE_OUTSIDE;
}

// ---------------------------------------------------------------------------
// Special areas: the value names that stand for an address
// ---------------------------------------------------------------------------

namespace {

// Build the DSN text of file f once (fname_of, FNM_DSN): directory, name,
// a point and the extension when there is one, one blank; blank-padded to
// 256 bytes.  A name that does not fit leaves the operand failed (null).
char* dsntext(CMV* c, FFREC* f) {
    static_assert(sizeof c->dsntext == FNM_DSNLEN);
    if (c->dsnfile == f) return c->dsntext;
    char text[FNM_DSNLEN + 1];
    if (fname_of(f, FNM_DSN, text, sizeof text) < 0) return nullptr;
    std::memcpy(c->dsntext, text, sizeof c->dsntext);
    c->dsnfile = f;
    return c->dsntext;
}

// A short fixed text the operand holds itself (it may be written to).
char* ownlit(CMV* c, FLD* owner, const char* text) {
    std::size_t n = std::strlen(text);
    std::memcpy(owner->ibuf, text, n);
    setarea(c, owner->ibuf, static_cast<long long>(n));
    return owner->ibuf;
}

// The address a special-area term names (kinds 9 to 34), with the area's
// size remembered for the bounds check; null when there is none.
const void* areaof(CMV* c, FLD* term, FLD* owner) {
    FFREC* f = nullptr;
    switch (term->pkind) {
    case PK_FT:
        f = getffc(c, 0);
        setarea(c, f, sizeof(FFREC));
        return f;
    case PK_VAREA:
        setarea(c, c, sizeof(CMV));
        return c;
    case PK_CN:
        setarea(c, c->cncur, sizeof(CN));
        return c->cncur;
    case PK_CBLNAME:
        setarea(c, c->cblname, sizeof c->cblname);
        return c->cblname;
    case PK_PARM:
        setarea(c, c->parmall, c->parmall ? static_cast<long long>(std::strlen(c->parmall)) : 0);
        return c->parmall;
    case PK_DSN:
        f = getffc(c, 0);
        if (!f) return ownlit(c, owner, kNoDsn);
        setarea(c, c->dsntext, sizeof c->dsntext);
        return dsntext(c, f);
    case PK_FN:
        f = getffc(c, 0);
        if (!f) return ownlit(c, owner, kNoFname);
        setarea(c, f->fname, static_cast<long long>(std::strlen(f->fname)));
        return f->fname;
    case PK_FSIZE:
        f = getffc(c, 0);
        if (!f) return nullptr;
        setarea(c, f->fsizebe, 8);
        return f->fsizebe;
    case PK_FHDR:
        f = getffc(c, 0);
        if (!f || !f->mfvhdr) return nullptr;
        setarea(c, f->mfvhdr, 128);
        return f->mfvhdr;
    case PK_RBA: {
        f = getffc(c, 0);
        if (!f) return nullptr;
        auto v = static_cast<std::uint64_t>(f->rba);
        for (int i = 7; i >= 0; --i, v >>= 8) owner->ibuf[i] = static_cast<char>(v & 0xFF);
        setarea(c, owner->ibuf, 8);
        return owner->ibuf;
    }
    default:  // VOLID, ARG, SCALE and the areas of external links: not kept by this run
        return nullptr;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Terms of a position (getpos)
// ---------------------------------------------------------------------------

// Where a declared variable's bytes lie: over a value area, in the
// record, or in the dynamic area; null when that place does not exist.
unsigned char* dclstore(const CMV* c, const DCL* d) {
    unsigned char* base = (d->flags & DCL_VAREA) ? reinterpret_cast<unsigned char*>(d->base)
                        : (d->flags & DCL_INREC) ? c->currec : c->dyna;
    if (!base || d->pos < 0) return nullptr;
    return base + d->pos;
}

namespace {

// The flags that make an operand a value: its own, or for an argument
// reference those of the argument passed.
std::uint32_t valflags(const CMV* c, const FLD* f) {
    if (f->pkind == PK_ARGN && c->curarg) return c->curarg->pflags;
    return f->pflags;
}

// A value operand stands for a number, not for bytes of the record.
bool valop(const CMV* c, const FLD* f) {
    return (valflags(c, f) & (FP_PTRV | FP_FLOAT)) || f->pkind == PK_IN || f->pkind == PK_LINE;
}

// An unset @-name is allowed: a pointer that resets the length, a value
// tested by a condition, a match-length result, or a number that ADD, SUB,
// MULT or DIV only reads.
bool unsetok(const CMV* c, const FLD* term, const FLD* owner) {
    if (term->lkind == 15) return true;
    if (iscond(c->cncur) && valop(c, owner)) return true;
    if (owner->pflags & FP_MATCHL) return true;
    if (!isaction(c->cncur)) return false;
    switch (c->cncur->typ2) {
    case OP_ADD:
    case OP_SUB:
    case OP_MULT:
    case OP_DIV: return owner != c->cncur->fld1 || (term->pflags & FP_MORE);
    default:     return false;
    }
}

int ptrterm(CMV* c, FLD* term, FLD* owner, TERM* v) {
    AT* at = term->pat;
    if (!at) return scbad(owner);
    if (at == c->at_rec && c->scanhit != c->scansnap) scsetat(c);
    if (!(at->state & AT_STATE_SET)) {
        if (!unsetok(c, term, owner)) return scbad(owner);
        v->i = 0;
        return 0;
    }
    v->i = at->value;
    if (valop(c, owner)) return 0;
    if (at->state & AT_STATE_OUTSIDE) {
        v->adr = 1;
        setarea(c, nullptr, -1);  // where it points is not known: no field may be read there
        return 0;
    }
    // A pointer into the work area while the record lies elsewhere: the
    // field is kept inside the work area, wherever the two lie in memory.
    U a = reinterpret_cast<U>(c->currec) + static_cast<U>(at->value) - 1;
    if (!within(a, 0, c->currec, c->curlen) && within(a, 0, c->worka, c->worklen)) {
        v->adr = 1;
        setarea(c, c->worka, c->worklen);
    }
    return 0;
}

// A declared numeric variable's value (kind 5), or its storage (kind 35).
int dclterm(CMV* c, FLD* term, FLD* owner, TERM* v) {
    const DCL* d = term->dcl;
    if (!d) return scbad(owner);
    if (term->pkind == PK_DCLV) {
        if (valflags(c, owner) & FP_FLOAT) {
            v->dbl = 1;
            return dcl2flt(&v->d, term) ? scbad(owner) : 0;
        }
        return dcl2lonb(&v->i, d) ? scbad(owner) : 0;
    }
    unsigned char* s = dclstore(c, d);
    if (!s) return scbad(owner);
    long long skip = d->type > FD_NTS ? 2 : 0;  // the 2-byte length of a varying string
    setarea(c, s + skip, d->len - skip);
    v->i = wpos(owner, s + skip);
    return owner->rtstat ? -1 : 0;
}

// A fixed address in a chain (kind 19): its place relative to the record,
// or the double of a float variable.
int fixterm(CMV* c, FLD* term, FLD* owner, TERM* v) {
    if (term->dcl && term->dcl->type == FD_FLOAT && (valflags(c, owner) & FP_FLOAT)) {
        v->dbl = 1;
        return dcl2flt(&v->d, term) ? scbad(owner) : 0;
    }
    setarea(c, term->lit, term->litlen);
    v->i = wpos(owner, term->lit);
    return owner->rtstat ? -1 : 0;
}

int argterm(CMV* c, FLD* term, FLD* owner, TERM* v);

// Evaluate one term by its kind.  0, or -1 with the owner failed.
int termval(CMV* c, FLD* term, FLD* owner, TERM* v) {
    switch (term->pkind) {
    case PK_AT:
        return ptrterm(c, term, owner, v);
    case PK_DCLV:
    case PK_WORK:
        return dclterm(c, term, owner, v);
    case PK_LINE:
        v->i = c->prt.pagedepth - c->prt.linesleft;
        return 0;
    case PK_LIT:
        return fixterm(c, term, owner, v);
    case PK_ARGN:
        return argterm(c, term, owner, v);
    case PK_RBA:
        if (valop(c, owner)) {
            FFREC* f = getffc(c, 0);
            if (!f) return scbad(owner);
            v->i = f->rba;
            return 0;
        }
        [[fallthrough]];
    case PK_FT: case PK_VAREA: case PK_CN: case PK_CBLNAME: case PK_PARM: case PK_DSN:
    case PK_FN: case PK_FSIZE: case PK_FHDR: case PK_VOLID: case PK_ARG: case PK_SCALE: {
        const void* a = areaof(c, term, owner);
        v->i = wpos(owner, a);
        v->adr = 1;
        return owner->rtstat ? -1 : 0;
    }
    default:  // length-only kinds, and areas of the external links this run does not keep
        return scbad(owner);
    }
}

// Add b to *a; a sum that does not fit fails the owner.
bool addck(long long* a, long long b, FLD* owner) {
    if (__builtin_add_overflow(*a, b, a)) {
        scbad(owner);
        return false;
    }
    return true;
}

// A term's double as an integer, when it fits.
bool dbl2int(double d, long long* out) {
    if (!(d > -9.2e18 && d < 9.2e18)) return false;
    *out = static_cast<long long>(d);
    return true;
}

}  // namespace

// The value of the position expression that starts at term: a 0-based
// offset from the current record's start (or the value of a value
// operand).  At the top (term == owner) the owner's address-term count and
// status are cleared.  -1 with the owner's status set on failure.
long long getpos(CMV* c, FLD* term, FLD* owner) {
    if (term == owner) {
        owner->rtterms = 0;
        owner->rtstat = 0;
        owner->fval = 0;
        setarea(c, nullptr, 0);
    }
    int k = term->pkind;
    if (k < 0 || k > PK_ARGN) errlogic(LE_PKIND);
    if (k == 20) errlogic(LE_KIND20);
    if (k == 0 || k == PK_REC || k == PK_NOW) {
        owner->fval += static_cast<double>(term->pos);
        return term->pos;
    }
    if (k == PK_IN) {
        FFREC* f = c->cncur && c->cncur->file ? c->cncur->file : getffc(c, 0);
        return f ? f->reccnt : 0;
    }
    TERM v{};
    if (termval(c, term, owner, &v)) return -1;
    if (v.dbl && !dbl2int(v.d, &v.i)) return scbad(owner);
    if (term->pflags & FP_SUBTR) {
        if (v.i == LLONG_MIN) return scbad(owner);
        v.i = -v.i;
        v.d = -v.d;
        v.adr = -v.adr;
    }
    owner->rtterms = static_cast<std::int16_t>(owner->rtterms + v.adr);
    owner->fval += v.dbl ? v.d : static_cast<double>(v.i);
    long long rest = term->pos;
    if ((term->pflags & FP_MORE) && term->next) {
        rest = getpos(c, term->next, owner);
        if (owner->rtstat) return -1;
    } else {
        owner->fval += static_cast<double>(term->pos);
        if (!valop(c, owner) && !addck(&rest, -1, owner)) return -1;
    }
    if (!addck(&v.i, rest, owner)) return -1;
    return v.i;
}

namespace {

// The n-th argument of the call being executed (kind 36), skipping the
// places the caller left out; it becomes the current argument, is resolved
// (one call level further out while it is itself an argument reference),
// and lends the owner its type, style and decimals.
int argterm(CMV* c, FLD* term, FLD* owner, TERM* v) {
    CALLF* fr = c->callf;
    if (!fr) {
        scmark(owner);
        return -1;
    }
    FLD* arg = nullptr;
    for (int i = 0, n = 0; i < fr->argc; ++i) {
        if (!fr->argv[i]) continue;
        if (n++ == term->argix) {
            arg = fr->argv[i];
            break;
        }
    }
    if (!arg) {
        bool left = isaction(c->cncur) && c->cncur->fld1 == owner;
        scmark(owner);
        std::memcpy(owner->ibuf, kNoArg, sizeof kNoArg);
        owner->lit = reinterpret_cast<unsigned char*>(owner->ibuf);
        owner->litlen = 3;
        owner->type = FD_CHAR;
        if (left) setret(8);
        else owner->rtstat = SC_FAIL + SC_NOARG;
        return -1;
    }
    c->curarg = arg;
    bool outer = arg->pkind == PK_ARGN;
    if (outer) c->callf = fr->prev;
    unsigned char* a = tvlsc(arg);
    c->callf = fr;
    c->curarg = arg;
    if (!a) return scbad(owner);
    owner->type = arg->type;
    owner->style = arg->style;
    owner->scale = arg->scale;
    if (arg->pflags & FP_FLOAT) {
        v->dbl = 1;
        v->d = arg->fval;
    } else if (arg->pflags & FP_PTRV) {
        v->i = arg->rpos;
    } else {
        setarea(c, a, arg->litlen);
        v->i = wpos(owner, a);
        v->adr = arg->rpos == -1 || arg->rtterms != 0;
    }
    return owner->rtstat ? -1 : 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Lengths (getlen)
// ---------------------------------------------------------------------------

namespace {

// Length kind 6: up to and including the position in sub; must be positive.
long long uptopos(CMV* c, FLD* term, FLD* owner) {
    FLD* s = term->sub;
    if (!s) return scbad(owner);
    unsigned char* area = c->scarea;
    long long arealen = c->scarealen;
    long long p2 = getpos(c, s, s);
    c->scarea = area;
    c->scarealen = arealen;
    if (s->rtstat) return scbad(owner);
    U end = reinterpret_cast<U>(c->currec) + static_cast<U>(p2);
    auto n = static_cast<long long>(end - reinterpret_cast<U>(owner->lit));
    if (!addck(&n, 1, owner)) return -1;
    return n > 0 ? n : scbad(owner);
}

// Length kind 8: the rest of the record from the operand's address, or the
// length written when that is smaller.
long long restofrec(CMV* c, const FLD* term, FLD* owner) {
    auto off = static_cast<long long>(reinterpret_cast<U>(owner->lit) - reinterpret_cast<U>(c->currec));
    long long room = c->curlen - off;
    if (term->len > 0 && term->len < room) return term->len;
    return room;
}

// The resolved length of the current statement's left (9) or right (11)
// operand.
long long otherlen(CMV* c, int kind, FLD* owner) {
    FLD* o = c->cncur ? (kind == PK_FT ? c->cncur->fld1 : c->cncur->fld2) : nullptr;
    if (!o || o == owner || o->litlen < 0) return scbad(owner);
    return o->litlen;
}

// Length kind 1 of a varying declared variable: its data length now.
long long varylen(CMV* c, const FLD* term, FLD* owner) {
    const DCL* d = term->dcl;
    unsigned char* s = dclstore(c, d);
    if (!s) return scbad(owner);
    long long n;
    if (d->type == FD_NTS) {
        if (opcode(c) == OP_READ) return d->len - 1;
        n = 0;
        while (n < d->len && s[n]) ++n;
    } else {
        if (opcode(c) == OP_READ) return d->len - 2;
        n = (s[0] << 8) | s[1];
        if (n > d->len - 2) n = d->len - 2;
    }
    if (!addck(&n, -term->pos, owner)) return -1;
    return n;
}

// The value of one length term, before its constant is added; *addconst
// says whether the constant is still to be added.
long long lenterm(CMV* c, FLD* term, FLD* owner, bool* addconst) {
    *addconst = true;
    switch (term->lkind) {
    case PK_REC:
        if (term->pkind == PK_WORK && term->dcl && term->dcl->type >= FD_NTS) {
            *addconst = false;
            return varylen(c, term, owner);
        }
        return 0;
    case PK_AT:
        if (!term->lat || !(term->lat->state & AT_STATE_SET)) return scbad(owner);
        return term->lat->value;
    case PK_DCLV: {
        long long n = 0;
        if (!term->dcl || dcl2lonb(&n, term->dcl)) return scbad(owner);
        return n;
    }
    case PK_POS2:
        *addconst = false;
        return uptopos(c, term, owner);
    case PK_IN:
        *addconst = false;
        return restofrec(c, term, owner);
    case PK_FT:
    case PK_COMRG:
        return otherlen(c, term->lkind, owner);
    case PK_LINE: {
        const DCL* d = owner->dcl ? owner->dcl : term->dcl;
        unsigned char* s = d ? dclstore(c, d) : nullptr;
        if (!s) return scbad(owner);
        return static_cast<long long>(reinterpret_cast<U>(s) + static_cast<U>(d->len) - reinterpret_cast<U>(owner->lit));
    }
    case PK_PCB:
        if (!c->curarg) return scbad(owner);
        *addconst = false;
        return c->curarg->litlen - term->pos;
    default:  // 0, 2, 3, 7, 10, 12, 15: the run's default length
        if (term->lkind > 15 || term->lkind < 0) errlogic(LE_LKIND);
        if (term->lkind == 15) *addconst = false;
        return c->deflen;
    }
}

}  // namespace

// The value of the length expression that starts at term.  -1 with the
// owner's status set on failure.
long long getlen(FLD* term, FLD* owner) {
    CMV* c = ctx(owner);
    bool addconst = true;
    long long n = lenterm(c, term, owner, &addconst);
    if (owner->rtstat) return -1;
    if (term->lflags & FL_SUBTR) {
        if (n == LLONG_MIN) return scbad(owner);
        n = -n;
    }
    long long rest = addconst ? term->len : 0;
    if ((term->lflags & FL_MORE) && term->next) {
        rest = getlen(term->next, owner);
        if (owner->rtstat) return -1;
    }
    if (!addck(&n, rest, owner)) return -1;
    return n;
}

// ---------------------------------------------------------------------------
// Placing the field (tvlsc)
// ---------------------------------------------------------------------------

namespace {

unsigned char* done(FLD* f, U a, long long len, long long rpos) {
    f->lit = reinterpret_cast<unsigned char*>(a);
    f->litlen = len;
    f->rpos = rpos;
    return f->lit;
}

// A fixed address (kind 19): a literal, or a place in the run's value area,
// which the length may not leave.
unsigned char* scfixed(CMV* c, FLD* f) {
    f->rtstat = 0;
    f->rtterms = (f->pflags & FP_LIT400) ? 0 : 1;
    long long n = f->lkind == PK_REC ? f->len : getlen(f, f);
    if (f->rtstat) return nullptr;
    if (n < 0) return scbad(f), nullptr;
    auto a = reinterpret_cast<U>(f->lit);
    const auto* cmv = reinterpret_cast<const unsigned char*>(c);
    if (within(a, 0, cmv, sizeof(CMV)) && !within(a, n, cmv, sizeof(CMV)))
        n = static_cast<long long>(reinterpret_cast<U>(cmv) + sizeof(CMV) - a);
    f->litlen = n;
    f->rpos = -1;
    return f->lit;
}

// A failed resolution: the placeholder of an argument not passed, or null.
unsigned char* scfailed(FLD* f) {
    if (f->rtstat & SC_NOARG) {
        std::memcpy(f->ibuf, kNoArg, sizeof kNoArg);
        f->type = FD_CHAR;
        return done(f, reinterpret_cast<U>(f->ibuf), 3, 0);
    }
    scmark(f);
    return nullptr;
}

// Value operands: the number itself, 8 bytes.  Returns null when p turned
// out to be a position after all (an argument passed as a position).
unsigned char* scvalue(CMV* c, FLD* f, long long* p) {
    std::uint32_t vf = valflags(c, f);
    bool aspos = f->pkind == PK_ARGN && (vf & FP_ATFORM);
    if (vf & FP_FLOAT) {
        if (!aspos) return done(f, reinterpret_cast<U>(&f->fval), 8, 0);
        long long r = 0;
        if (!dbl2int(f->fval + 0.5, &r)) return scbad(f), nullptr;
        *p = r - 1;
        return nullptr;
    }
    if (aspos) {
        if (!addck(p, -1, f)) return nullptr;
        return nullptr;
    }
    f->rpos = *p;
    f->lit = reinterpret_cast<unsigned char*>(&f->rpos);
    f->litlen = 8;
    return f->lit;
}

// An argument passed as a fixed address: its address (a by-position
// pointer's place in the record) plus the position constant; the length by
// kind, kept inside the argument.
unsigned char* scargfix(CMV* c, FLD* f) {
    FLD* arg = c->curarg;
    U a = reinterpret_cast<U>(arg->lit);
    long long room = arg->litlen;
    if (arg->type == FD_PTR && (arg->pflags & FP_ATFORM)) {  // its 8-byte value is a record position
        long long v = 0;
        if (!arg->lit || arg->litlen != 8 || !c->currec) return scbad(f), nullptr;
        std::memcpy(&v, arg->lit, 8);
        if (v < 1 || v > c->curlen + 1) return scbad(f), nullptr;
        a = reinterpret_cast<U>(c->currec) + static_cast<U>(v - 1);
        room = c->curlen - (v - 1);
    }
    long long n;
    switch (f->lkind) {
    case PK_REC: n = f->len; break;
    case PK_PCB: n = arg->litlen; break;
    case PK_FT: case PK_COMRG: n = otherlen(c, f->lkind, f); break;
    default: return scbad(f), nullptr;  // no other length fits a fixed argument
    }
    if (f->rtstat) return nullptr;
    if (f->pos < 0 || f->pos > room || n < 0) return scbad(f), nullptr;
    if (n > room - f->pos) n = room - f->pos;
    f->rtterms = (f->pflags & FP_LIT400) ? 0 : 1;
    return done(f, a + static_cast<U>(f->pos), n, -1);
}

// One address term (count 1): the field lies in a special area of the run;
// it is kept inside that area.
unsigned char* scspecial(CMV* c, FLD* f, U a, long long len, long long p) {
    f->pflags |= FP_OUTSIDE;
    if (c->scarealen < 0 || !within(a, 0, c->scarea, c->scarealen)) return scbad(f), nullptr;
    long long room = static_cast<long long>(reinterpret_cast<U>(c->scarea) + static_cast<U>(c->scarealen) - a);
    if (len > room) {
        c->reqlen = len;
        len = room;
    }
    return done(f, a, len, p + 1);
}

// The room a record position has: up to the record end, or up to the end
// of the work area when the record lies in it.  -1: it starts outside both.
long long roomat(const CMV* c, U a, long long p, long long len) {
    long long room = c->curlen - p;
    if (room >= len) return room;
    if (recinwork(c) && within(a, 0, c->worka, c->worklen))
        return static_cast<long long>(reinterpret_cast<U>(c->worka) + static_cast<U>(c->worklen) - a);
    return room;
}

// A record position (count 0): clipped at the record end.  A condition
// gets null without a failure mark; the actions whose code has OPF_RECADR
// see a failure with the address; other actions go on with the room left.
unsigned char* screcord(CMV* c, FLD* f, U a, long long len, long long p) {
    f->pflags &= ~FP_OUTSIDE;
    if (p < 0 || !c->currec) return scbad(f), nullptr;
    long long room = roomat(c, a, p, len);
    if (room >= len) return done(f, a, len, p + 1);
    c->reqlen = len;
    if (room < 0 || (room == 0 && c->curlen != 0)) return scbad(f), nullptr;
    if (iscond(c->cncur)) {
        done(f, a, room, p + 1);
        return nullptr;
    }
    if (isaction(c->cncur) && opflag(opcode(c), OPF_RECADR)) {
        scbad(f);
        f->lit = reinterpret_cast<unsigned char*>(a);
        return f->lit;
    }
    return done(f, a, room, p + 1);
}

// An explicit window, or a field of a declared variable: not clipped at the
// record end, but kept inside the variable, the record or the work area.
unsigned char* scwindow(CMV* c, FLD* f, U a, long long len, long long p, bool dcl) {
    const unsigned char* base = dcl ? c->scarea : nullptr;
    long long blen = dcl ? c->scarealen : 0;
    if (!dcl) {
        if (c->worka && within(a, 0, c->worka, c->worklen)) base = c->worka, blen = c->worklen;
        else if (c->currec && within(a, 0, c->currec, c->curlen)) base = c->currec, blen = c->curlen;
    }
    if (!base || blen < 0 || !within(a, 0, base, blen)) return scbad(f), nullptr;
    long long room = static_cast<long long>(reinterpret_cast<U>(base) + static_cast<U>(blen) - a);
    if (len > room) {
        c->reqlen = len;
        len = room;
    }
    return done(f, a, len, p + 1);
}

bool hasdcl(const FLD* f) {
    for (const FLD* t = f; t; t = (t->pflags & FP_MORE) ? t->next : nullptr)
        if (t->pkind == PK_WORK) return true;
    return false;
}

// Steps 7 to 11: the address from the offset, the length, and the checks
// by the count of address terms.
unsigned char* scplace(CMV* c, FLD* f, long long p) {
    U a = reinterpret_cast<U>(c->currec) + static_cast<U>(p);
    f->lit = reinterpret_cast<unsigned char*>(a);
    unsigned char* area = c->scarea;
    long long arealen = c->scarealen;
    long long len = getlen(f, f);
    c->scarea = area;
    c->scarealen = arealen;
    if (f->rtstat) return nullptr;
    if (len < 0) return scbad(f), nullptr;
    bool argdcl = f->pkind == PK_ARGN && c->curarg && c->curarg->pkind == PK_WORK;
    switch (f->rtterms) {
    case 0:
        if (argdcl || hasdcl(f)) return scwindow(c, f, a, len, p, true);
        if (f->lflags & FL_WINDOW) return scwindow(c, f, a, len, p, false);
        return screcord(c, f, a, len, p);
    case 1:
        return scspecial(c, f, a, len, p);
    default:  // two address terms, or an address taken away from a position
        return scbad(f), nullptr;
    }
}

}  // namespace

namespace {

// A constant operand (FL_CONST): its literal, or its field when that lies
// wholly in the record in hand, with the results the general steps leave
// (the literal: status and address terms 0, its length, no record
// position; the field: address, length, 1-based position, no special
// area, outside flag off).  Null: the general way.
unsigned char* scconst(CMV* c, FLD* f) {
    const long long p = f->pos, n = f->len;
    if (f->pkind == PK_LIT) {
        f->rtstat = 0;
        f->rtterms = 0;
        f->litlen = n;
        f->rpos = -1;
        return f->lit;
    }
    if (!c->currec || n > c->curlen || p > c->curlen - n) return nullptr;
    f->rtterms = 0;
    f->rtstat = 0;
    f->fval = static_cast<double>(p);
    setarea(c, nullptr, 0);
    f->pflags &= ~FP_OUTSIDE;
    return done(f, reinterpret_cast<U>(c->currec) + static_cast<U>(p), n, p + 1);
}

}  // namespace

// Resolve the operand f for the record in hand; see the opening comment
// and engine.h for what the results hold.
unsigned char* tvlsc(FLD* f) {
    if (!f) return nullptr;
    CMV* c = ctx(f);
    if (f->lflags & FL_CONST)
        if (unsigned char* a = scconst(c, f)) return a;
    if (f->pkind == PK_LIT) return scfixed(c, f);
    long long p = getpos(c, f, f);
    if (f->rtstat) return scfailed(f);
    if (p == 0 && f->pkind == PK_NOW) {
        f->rtterms = 1;
        std::memcpy(f->ibuf, kNow, 3);
        return done(f, reinterpret_cast<U>(f->ibuf), 3, -1);
    }
    if (valop(c, f)) {
        if (unsigned char* v = scvalue(c, f, &p)) return v;
        if (f->rtstat) return scfailed(f);
    }
    if (f->pkind == PK_ARGN && c->curarg && c->curarg->pkind == PK_LIT) return scargfix(c, f);
    return scplace(c, f, p);
}

// ---------------------------------------------------------------------------
// Declared variables
// ---------------------------------------------------------------------------

namespace {

// The value of a declared numeric variable of run c as a 64-bit integer:
// 0, or 1 when its bytes do not convert (or its storage does not exist).
int dclint(const CMV* c, long long* result, const DCL* d) {
    const auto* s = reinterpret_cast<const char*>(dclstore(c, d));
    if (!s || d->len < 1 || d->len > CV_LENMASK) return 1;
    int n = static_cast<int>(d->len);
    switch (d->type) {
    case FD_PTR:
    case FD_INT64:
        if (n != 8) return 1;
        std::memcpy(result, s, 8);
        return 0;
    case FD_CHAR: return cvcb(result, s, n) ? 1 : 0;
    case FD_PACKED: return cvpb(result, s, n, d->scale > 0 ? d->scale : 0) ? 1 : 0;
    case FD_FLOAT: return cvfb(result, s, n, d->style) ? 1 : 0;
    case FD_ZONED: return cvcb(result, s, n | CV_ZONED) ? 1 : 0;
    case FD_BIN: return cvib(result, s, n) ? 1 : 0;
    default: errlogic(LE_DCLINT);
    }
}

}  // namespace

// A declared variable names no run: its storage is found through the
// run in hand.
int dcl2lonb(long long* result, const DCL* d) { return dclint(cm, result, d); }

// The value of f's declared variable as a double: 0, or 1 when its bytes
// do not convert.
int dcl2flt(double* result, const FLD* f) {
    const DCL* d = f->dcl;
    const CMV* c = ctx(f);
    const auto* s = d ? reinterpret_cast<const char*>(dclstore(c, d)) : nullptr;
    if (!s || d->len < 1 || d->len > CV_LENMASK) return 1;
    int n = static_cast<int>(d->len);
    char out[8];
    int rc;
    switch (d->type) {
    case FD_PTR:
    case FD_INT64:
    case FD_BIN: {
        long long v = 0;
        if (dclint(c, &v, d)) return 1;
        *result = static_cast<double>(v);
        return 0;
    }
    case FD_CHAR: rc = cvcf(out, 8, FD_STYL_NAT, s, n); break;
    case FD_PACKED: rc = cvpf(out, 8, FD_STYL_NAT, s, n, d->scale > 0 ? d->scale : 0); break;
    case FD_FLOAT: rc = cvff(out, 8, FD_STYL_NAT, s, n, d->style); break;
    case FD_ZONED: rc = cvcf(out, 8, FD_STYL_NAT, s, n | CV_ZONED); break;
    default: errlogic(LE_DCLFLT);
    }
    if (rc) return 1;
    std::memcpy(result, out, 8);
    return 0;
}

// ---------------------------------------------------------------------------
// Storing results (setbin, setlen)
// ---------------------------------------------------------------------------

namespace {

// The edit pattern of a character result: the operand's FMT mask, or the
// declared variable's.
const char* editpat(const FLD* f) {
    if ((f->lflags & FL_FMT) && f->sub && f->sub->lit) return reinterpret_cast<const char*>(f->sub->lit);
    if (f->dcl && f->dcl->mask && f->dcl->mask->lit) return reinterpret_cast<const char*>(f->dcl->mask->lit);
    return nullptr;
}

}  // namespace

// Store value into the resolved operand f by its type.  0, or 8 (return
// code 8 raised) when the operand cannot hold the value.
int setbin(FLD* f, long long value) {
    if (!f) return 8;
    int rc = 1;
    if (f->type == FD_PTR) {  // an @-name's value; no other 8-byte value can be stored to
        if ((f->pflags & FP_PTRV) && f->pat) rc = atupdv(f->pat, value);
    } else if (f->lit && f->litlen > 0 && f->litlen <= CV_LENMASK && f->rtstat == 0) {
        auto* t = reinterpret_cast<char*>(f->lit);
        int n = static_cast<int>(f->litlen);
        int dec = f->scale > 0 ? f->scale : 0;
        switch (f->type) {
        case FD_PACKED: rc = cvbp(t, n, dec, value); break;
        case FD_FLOAT: rc = cvbf(t, n, f->style, value); break;
        case FD_BIN: rc = cvbi(t, n, value); break;
        case FD_INT64:
            rc = n == 8 ? 0 : 1;
            if (!rc) std::memcpy(t, &value, 8);
            break;
        default: rc = cvbc(t, n, editpat(f), value); break;
        }
    }
    if (rc == 0) return 0;
    setret(8);
    return 8;
}

// Finish a result written into a varying declared variable: the data runs
// from f's address to end.  Trailing fill bytes are not counted, unless the
// operand followed P/POS: then the rest of the variable is padded with
// fill.  A NUL-terminated string gets its 0 after the data, a 2-byte
// prefixed one its length (big-endian) ahead of it; then count bytes from
// fillfrom are set to fill.  Nothing is written outside the variable.
// Returns 0, or 8 when the variable's storage does not exist.
int setlen(FLD* f, unsigned char* end, unsigned char* fillfrom, long long count) {
    const DCL* d = f ? f->dcl : nullptr;
    if (!d || d->type < FD_NTS) return 0;
    CMV* c = ctx(f);
    unsigned char* s = dclstore(c, d);
    long long pfx = d->type == FD_NTS ? 0 : 2;
    long long cap = d->len - (d->type == FD_NTS ? 1 : 2);  // data bytes the variable holds
    if (!s || cap < 0) return 8;
    unsigned char* data = s + pfx;
    auto fill = static_cast<unsigned char>(c->optp ? c->optp->fill : ' ');
    long long n = static_cast<long long>(reinterpret_cast<U>(end) - reinterpret_cast<U>(data));
    if (n < 0) n = 0;
    if (n > cap) n = cap;
    if (f->pflags & FP_PFX) {
        std::memset(data + n, fill, static_cast<std::size_t>(cap - n));
        n = cap;
    } else
        while (n > 0 && data[n - 1] == fill) --n;
    if (d->type == FD_NTS) data[n] = 0;
    else {
        s[0] = static_cast<unsigned char>(n >> 8);
        s[1] = static_cast<unsigned char>(n);
    }
    U lo = reinterpret_cast<U>(data) + static_cast<U>(n + (d->type == FD_NTS ? 1 : 0));
    U hi = reinterpret_cast<U>(data) + static_cast<U>(cap + (d->type == FD_NTS ? 1 : 0));
    U from = reinterpret_cast<U>(fillfrom);
    if (count > 0 && from < hi) {
        if (from < lo) from = lo;
        U to = count < static_cast<long long>(hi - from) ? from + static_cast<U>(count) : hi;
        if (from < to) std::memset(reinterpret_cast<void*>(from), fill, to - from);
    }
    return 0;
}
