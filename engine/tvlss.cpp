// Selection loop: walks the compiled statement chain once per input cycle.
// Condition elements send the walk to their true or false successor;
// actions run in the routine of their class in the operation-code table
// (file actions in tvlsf, the others in tvlsp) and their result code
// steers the walk.  The loop ends at end of input, when an action
// ends the run, when no productive statement is left, when a signal was
// caught during selection, or when the walk keeps looping without reading
// (two cycles that read nothing, or 2^25 nodes since the last READ).
//
// Exports: tvlss (the selection phase), do_if, do_then, setret (the run's
// return code, never lowered), setcir (the current record), tvlse (retire
// the current node), setdl (default length), workrec (the work record),
// s1eq (fast search), memicmp (caseless compare), sigcaught (a signal
// arrived during selection), the globals cirp, cirm1.
// Called by: the run driver (tvlss); every action that raises the return
// code (setret); the file actions (setcir, setdl, workrec, sigcaught).
// Calls: tvlsc (operands), tvlsf, tvlsp, cblfio (closing a finished member
// of a concatenation), atupdv/atupdp (@-names), the conversions of the
// run-time library (numeric comparison), seterr/tvlerr (messages 566 and
// 590), errlogic (22001 to 22005: a fault of our own code, such as 22003,
// an action whose code has no executing class).
//
// Divisions: return code and current record; retiring nodes; comparison
// primitives; numeric comparison; condition elements; actions and end of
// file; the loop.
//
// Numeric comparison works on exact decimal values unless an operand is a
// float.  Worked example: packed X'12345C' with scale 2 is +123.45, digits
// "12345", 2 decimals; zoned "12346" (F1 F2 F3 F4 C6) with scale 2 is
// +123.46.  Aligned at the point, 123.45 against 123.46 differs in the last
// decimal: the packed value is lower.
#include "engine/engine.h"
#include "driver/driver.h"
#include "files/files.h"
#include "frontend/frontend.h"
#include "report/report.h"
#include "runtime/runtime.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>

unsigned char* cirp = nullptr;
unsigned char* cirm1 = nullptr;

namespace {

constexpr int kMaskMax = 256;          // longest bit mask
constexpr std::int64_t kWorkRec = 528;  // the work record left at end of file
constexpr std::int64_t kDefLen = 80;    // default length without a record area
constexpr double kTol = 1e-10;          // float comparison tolerance
constexpr long long kBigInt = 0x7FFFFFFFFFFFLL;  // integers above are kept as integers

int sigbase = 0;  // signals counted when selection started
long long cycreads = 0;  // READ actions run in the current input cycle
long long sinceread = 0; // nodes walked since the last READ
constexpr long long kWalkMax = 1LL << 25;  // nodes a walk may take without reading

// Characters a numeric text may hold: 1 digit, 2 blank, 3 comma, 4 point,
// 5 sign.  ORDER byte
constexpr std::array<unsigned char, 256> kNumCls = [] {
    std::array<unsigned char, 256> t{};
    for (int i = '0'; i <= '9'; ++i) t[i] = 1;
    t[' '] = 2;
    t[','] = 3;
    t['.'] = 4;
    t['+'] = t['-'] = 5;
    return t;
}();

}  // namespace

// ---------------------------------------------------------------------------
// Return code and current record
// ---------------------------------------------------------------------------

int setret(int rc) {
    CMV* c = cm;
    if (!c || !c->at_retcd) return rc;
    long long cur = c->at_retcd->value;
    if (rc == 0) return static_cast<int>(cur);
    if (rc == RC_ACTION && c->cncur) c->cncur->rc8cnt++;
    if (rc < cur || (rc == cur && c->retstmt != 0)) return static_cast<int>(cur);
    atupdv(c->at_retcd, rc);
    if (c->curstmt > 0) c->retstmt = c->curstmt;
    return rc;
}

void setcir(unsigned char* a) {
    if (cm) cm->currec = a;
    cirp = a;
    cirm1 = a ? a - 1 : nullptr;
}

bool sigcaught() { return cmsigtot != sigbase; }

void setdl(CMV* c, std::int64_t len) {
    c->deflen = len;
    AT* a = c->at_lrecl;
    if (!a) return;
    if ((a->kind & (AT_KIND_PTR | AT_KIND_RECPTR | AT_KIND_WORD4)) || len < 0 || len > c->curlen) {
        atupdv(a, len);
        return;
    }
    // What atupdv leaves for a plain or bounded value in range: the state,
    // the value (and the last one accepted), the 8-byte mirror word.
    a->state = AT_STATE_NOVAL | AT_STATE_SET;
    if (a->kind & AT_KIND_BOUNDED) a->lastok = len;
    a->value = len;
    if (a->link) std::memcpy(reinterpret_cast<char*>(c) + a->link, &len, 8);
}

// The work record: its first 528 bytes set to the fill byte, current,
// default length 80.
void workrec(CMV* c, int fill) {
    std::int64_t k = c->worklen < kWorkRec ? c->worklen : kWorkRec;
    std::memset(c->worka, static_cast<unsigned char>(fill), static_cast<std::size_t>(k));
    setcir(c->worka);
    c->curlen = k;
    setdl(c, kDefLen);
}

namespace {

// The direct stage assignment of a selection-time error: return code 44,
// the error flag, the node remembered.
void selfail(CMV* c, CN* n) {
    if (c->at_retcd) atupdv(c->at_retcd, RC_SELERR);
    c->selsw |= SEL_ERROR;
    c->cnerrnd = n;
}

// ---------------------------------------------------------------------------
// Retiring nodes
// ---------------------------------------------------------------------------

// Point every link to n at n's true successor.
void bypass(CMV* c, CN* n) {
    CN* to = n->tsucc;
    for (CN* m = c->cnhead; m; m = m->next) {
        if (m == n) continue;
        if (m->tsucc == n) m->tsucc = to;
        if (m->fsucc == n) m->fsucc = to;
        if (m->asucc == n) m->asucc = to;
        if ((m->typ2 == OP_GOTO || m->typ2 == OP_GOSUB) && isaction(m) && m->btarget == n) {
            m->btarget = to;
            if (to == m) m->limit = m->cnt;  // it would branch to itself
        }
    }
    if (c->cnstart == n) c->cnstart = to;
    if (c->cnstnode == n) c->cnstnode = to;
}

// Whether a live READ and a live productive action remain.
int anyleft(CMV* c) {
    bool rd = false, prod = false;
    for (CN* m = c->cnhead; m && m != c->cnend; m = m->next) {
        if (!isaction(m) || (m->rflags & CNR_RETIRED)) continue;
        if (m->typ2 == OP_READ) rd = rd || m->selid > 0;
        else if (opflag(m->typ2, OPF_PROD)) prod = true;
    }
    return rd && prod ? 1 : 0;
}

}  // namespace

int tvlse(CMV* c) {
    CN* n = c->cncur;
    if (!n || (n->rflags & CNR_RETIRED)) return 1;
    if (n->typ2 == OP_START && isaction(n) && startsw < 1) {
        n->cnt--;  // a START that is not pending stays
        return 1;
    }
    n->rflags |= CNR_RETIRED;
    bypass(c, n);
    return anyleft(c);
}

// ---------------------------------------------------------------------------
// Comparison primitives
// ---------------------------------------------------------------------------

int memicmp(const void* a, const void* b, std::int64_t n) {
    auto p = static_cast<const unsigned char*>(a);
    auto q = static_cast<const unsigned char*>(b);
    for (std::int64_t i = 0; i < n; ++i)
        if (ttab_lc[p[i]] != ttab_lc[q[i]]) return ttab_lc[p[i]] - ttab_lc[q[i]];
    return 0;
}

const unsigned char* s1eq(const unsigned char* first, const unsigned char* last, const unsigned char* s,
                          std::int64_t len) {
    if (len <= 0) return first;
    if (last < first) return nullptr;
    bool casei = cm && cm->cncur && (cm->cncur->cflags & CF_CASEI);
    if (casei) {
        for (const unsigned char* p = first; p <= last; ++p)
            if (ttab_lc[*p] == ttab_lc[s[0]] && memicmp(p, s, len) == 0) return p;
        return nullptr;
    }
    const unsigned char* p = first;
    while (p <= last) {
        auto h = static_cast<const unsigned char*>(std::memchr(p, s[0], static_cast<std::size_t>(last - p + 1)));
        if (!h) return nullptr;
        if (std::memcmp(h, s, static_cast<std::size_t>(len)) == 0) return h;
        p = h + 1;
    }
    return nullptr;
}

namespace {

// Judge a comparison result r by the comparison code.
bool judge(int code, int r) {
    switch (code) {
    case CC_EQ: return r == 0;
    case CC_LT: return r < 0;
    case CC_GT: return r > 0;
    case CC_NE: return r != 0;
    case CC_GE: return r >= 0;
    case CC_LE: return r <= 0;
    default:    errlogic(22004);
    }
}

int sign(int r) { return (r > 0) - (r < 0); }

// Byte comparison of a (la bytes) with b (lb bytes); the longer one's
// remainder is compared with the fill byte.  *diff (when diff is not null:
// only DIFF needs it) receives the offset in a of the first differing
// byte, or -1 when they are equal.
int charcmp(const CN* n, const unsigned char* a, std::int64_t la, const unsigned char* b, std::int64_t lb,
            std::int64_t* diff) {
    std::int64_t k = la < lb ? la : lb;
    bool casei = (n->cflags & CF_CASEI) != 0;
    int r = casei ? memicmp(a, b, k) : (k > 0 ? std::memcmp(a, b, static_cast<std::size_t>(k)) : 0);
    std::int64_t dummy;
    if (!diff) diff = &dummy;
    *diff = -1;
    if (r != 0 || la == lb) {
        if (r != 0 && diff != &dummy)
            for (std::int64_t i = 0; i < k; ++i)
                if (casei ? ttab_lc[a[i]] != ttab_lc[b[i]] : a[i] != b[i]) {
                    *diff = i;
                    break;
                }
        return sign(r);
    }
    unsigned char fill = static_cast<unsigned char>(n->cfill);
    if (la > lb) {
        for (std::int64_t i = k; i < la; ++i)
            if (a[i] != fill) {
                *diff = i;
                return sign(a[i] - fill);
            }
    } else {
        for (std::int64_t i = k; i < lb; ++i)
            if (b[i] != fill) {
                *diff = k;
                return sign(fill - b[i]);
            }
    }
    return 0;
}

// One mask position: ONES, MIXED or ZEROS of data against the mask.
bool maskpass(int code, const unsigned char* d, const unsigned char* m, std::int64_t ml) {
    if (ml == 1) {
        unsigned b = d[0] & m[0];
        if (m[0] == 0) return false;
        switch (code) {
        case CC_ONES:  return b == m[0];
        case CC_MIXED: return b != 0 && b != m[0];
        case CC_ZEROS: return b == 0;
        default:       errlogic(22004);
        }
    }
    bool on = false, off = false;
    for (std::int64_t i = 0; i < ml; ++i) {
        unsigned b = d[i] & m[i];
        on = on || b != 0;
        off = off || b != m[i];
    }
    switch (code) {
    case CC_ONES:  return !off;
    case CC_MIXED: return on && off;
    case CC_ZEROS: return !on;
    default:       errlogic(22004);
    }
}

// ---------------------------------------------------------------------------
// Numeric comparison
// ---------------------------------------------------------------------------

// A number as exact decimal digits, a double or a 64-bit integer.
struct NUMV {
    int           kind;     // NV_* below
    bool          neg;      // negative (decimal kind)
    int           nd;       // digits in d
    int           dec;      // of them decimals
    double        d;        // NV_DBL
    long long     i;        // NV_INT
    unsigned char dg[64];   // digit values, most significant first
};
static_assert(std::is_trivially_copyable_v<NUMV>);
constexpr int NV_BAD = 0;  // cannot be converted
constexpr int NV_DEC = 1;  // exact decimal
constexpr int NV_DBL = 2;  // float

void fromll(NUMV* v, long long x, int scale) {
    char t[24] = {};
    unsigned long long m = x < 0 ? 0ULL - static_cast<unsigned long long>(x) : static_cast<unsigned long long>(x);
    auto [e, ec] = std::to_chars(t, t + sizeof t, m);
    (void)ec;
    v->kind = NV_DEC;
    v->neg = x < 0;
    v->nd = static_cast<int>(e - t);
    for (int k = 0; k < v->nd; ++k) v->dg[k] = static_cast<unsigned char>(t[k] - '0');
    v->dec = scale > 0 ? scale : 0;
}

// Packed decimal: digit nibbles, the last nibble the sign (B, D negative).
bool frompacked(NUMV* v, const unsigned char* p, std::int64_t len, int scale, bool unsig) {
    std::int64_t nib = unsig ? 2 * len : 2 * len - 1;
    if (len < 1 || nib > 63) return false;
    v->nd = 0;
    for (std::int64_t k = 0; k < nib; ++k) {
        unsigned x = (k & 1) ? p[k / 2] & 0x0F : p[k / 2] >> 4;
        if (x > 9) return false;
        v->dg[v->nd++] = static_cast<unsigned char>(x);
    }
    unsigned s = unsig ? 0x0F : p[len - 1] & 0x0F;
    if (s < 0x0A) return false;
    v->kind = NV_DEC;
    v->neg = s == 0x0B || s == 0x0D;
    v->dec = scale > 0 ? scale : 0;
    return true;
}

// Character or zoned text through the run-time library's number scan.
bool fromtext(NUMV* v, const unsigned char* p, std::int64_t len, int scale, bool zoned) {
    if (len < 0 || len > CV_LENMASK) return false;
    char out[RMVB_OUT];
    int lf = static_cast<int>(len) | (zoned ? CV_ZONED : 0);
    int dec = rmvb(reinterpret_cast<const char*>(p), lf, out);
    if (dec < 0) return false;
    v->kind = NV_DEC;
    v->neg = out[0] == '-';
    v->nd = 0;
    for (const char* q = out + 1; *q && v->nd < 63; ++q) v->dg[v->nd++] = static_cast<unsigned char>(*q - '0');
    v->dec = dec + (zoned && scale > 0 ? scale : 0);
    return true;
}

// The value of a resolved operand by its data type.
void numval(NUMV* v, const FLD* f, const unsigned char* a, std::int64_t len) {
    std::memset(v, 0, sizeof *v);
    long long x = 0;
    switch (f->type) {
    case FD_PTR:
    case FD_INT64:
        if (len != 8) return;
        std::memcpy(&x, a, 8);
        fromll(v, x, f->scale);
        return;
    case FD_CHAR:
    case 0:
        if (!fromtext(v, a, len, f->scale, false)) v->kind = NV_BAD;
        return;
    case FD_PACKED:
    case FD_UPACKED:
        if (!frompacked(v, a, len, f->scale, f->type == FD_UPACKED)) v->kind = NV_BAD;
        return;
    case FD_FLOAT: {
        double d = 0;
        if (cvff(reinterpret_cast<char*>(&d), 8, FD_STYL_NAT, reinterpret_cast<const char*>(a),
                 static_cast<int>(len), f->style) != 0)
            return;
        v->kind = NV_DBL;
        v->d = d;
        return;
    }
    case FD_ZONED:
        if (!fromtext(v, a, len, f->scale, true)) v->kind = NV_BAD;
        return;
    case FD_BIN:
        if (len < 1 || len > 8 || cvib(&x, reinterpret_cast<const char*>(a), static_cast<int>(len)) != 0) return;
        fromll(v, x, f->scale);
        return;
    default:
        if (f->type >= FD_NTS) {
            if (!fromtext(v, a, len, f->scale, false)) v->kind = NV_BAD;
            return;
        }
        errlogic(22005);
    }
}

// Digit of v at the power of ten e.
int digit(const NUMV& v, int e) {
    int idx = v.nd - v.dec - 1 - e;
    return idx >= 0 && idx < v.nd ? v.dg[idx] : 0;
}

bool iszero(const NUMV& v) {
    for (int k = 0; k < v.nd; ++k)
        if (v.dg[k]) return false;
    return true;
}

// Exact comparison of two decimal values.
int deccmp(const NUMV& x, const NUMV& y) {
    bool xn = x.neg && !iszero(x), yn = y.neg && !iszero(y);
    if (xn != yn) return xn ? -1 : 1;
    int hi = std::max(x.nd - x.dec, y.nd - y.dec);
    int lo = -std::max(x.dec, y.dec);
    for (int e = hi - 1; e >= lo; --e) {
        int a = digit(x, e), b = digit(y, e);
        if (a != b) return (a < b ? -1 : 1) * (xn ? -1 : 1);
    }
    return 0;
}

// A decimal value as a double, or as an integer when it is whole and above
// 2^47 - 1 (*isint set).
double todbl(const NUMV& v, bool* isint, long long* iv) {
    *isint = false;
    if (v.kind == NV_DBL) return v.d;
    char t[80];
    int n = 0;
    if (v.neg) t[n++] = '-';
    int ip = v.nd - v.dec;
    for (int k = 0; k < v.nd; ++k) {
        if (k == ip) t[n++] = '.';
        t[n++] = static_cast<char>('0' + v.dg[k]);
    }
    if (n == 0 || (n == 1 && v.neg)) t[n++] = '0';
    double d = 0;
    std::from_chars(t, t + n, d);
    if (v.dec == 0 && v.nd <= 18) {
        long long x = 0;
        std::from_chars(t, t + n, x);
        if (x > kBigInt || x < -kBigInt) {
            *isint = true;
            *iv = x;
        }
    }
    return d;
}

// Compare two numbers: exact unless one is a float; floats with the
// tolerance, an integer against a float without it.
int numcmp(const NUMV& x, const NUMV& y) {
    if (x.kind == NV_DEC && y.kind == NV_DEC) return deccmp(x, y);
    bool xi, yi;
    long long a = 0, b = 0;
    double dx = todbl(x, &xi, &a), dy = todbl(y, &yi, &b);
    if (xi && yi) return (a > b) - (a < b);
    if (xi) dx = static_cast<double>(a);
    if (yi) dy = static_cast<double>(b);
    if (!xi && !yi) {
        double df = dx - dy;
        if (df > -kTol && df < kTol) return 0;
    }
    return (dx > dy) - (dx < dy);
}

}  // namespace

// ---------------------------------------------------------------------------
// Condition elements
// ---------------------------------------------------------------------------

namespace {

constexpr int EV_FALSE = 0;   // false; NOT inverts it
constexpr int EV_TRUE  = 1;   // true; NOT inverts it
constexpr int EV_NONE  = -1;  // no answer or bad element: false, not inverted

// A bad element: the condition is false; unless it is a POS ANY scan or
// an EQ test, the failed test is counted once for this evaluation and the
// return code raised to 6.
int badelem(CN* n, std::int64_t before) {
    bool any = n->fld1 && n->fld1->lkind == PK_ANY;
    if (!any && n->typ2 != CC_EQ) {
        setret(RC_TEST);
        if (n->cnt == before) n->cnt++;
    }
    if ((n->cflags & CF_SEARCH) && n->ptr) atupdp(n->ptr, nullptr);
    return EV_NONE;
}

// Whether [a, a + len) lies inside the current record or the work area.
bool inside(const CMV* c, const unsigned char* a, std::int64_t len) {
    auto in = [&](const unsigned char* b, std::int64_t bl) {
        return b && a >= b && len >= 0 && a - b <= bl && len <= bl - (a - b);
    };
    return in(c->currec, c->curlen) || in(c->worka, c->worklen);
}

// The last place in the record (or the work area, when p lies there)
// where len bytes still fit.
const unsigned char* lastfit(const CMV* c, const unsigned char* p, std::int64_t len) {
    const unsigned char* b = c->currec;
    std::int64_t bl = c->curlen;
    if (c->worka && p >= c->worka && p < c->worka + c->worklen) {
        b = c->worka;
        bl = c->worklen;
    }
    return b + bl - len;
}

// Range scan: fld2's value looked for in fld1's range, every step bytes.
int rangescan(CMV* c, CN* n, std::int64_t before) {
    FLD* r = n->fld1;
    const unsigned char* ra = c->cmpladr;
    std::int64_t rl = c->cmpllen;
    const unsigned char* v = c->cmpradr;
    std::int64_t vl = c->cmprlen;
    std::int64_t step = n->step > 0 ? n->step : 1;
    if (r->lkind == PK_ANY && rl - vl + 1 < 1) return badelem(n, before);
    const unsigned char* first = ra;
    const unsigned char* last = ra + rl - 1;
    const unsigned char* fit = lastfit(c, ra, vl);
    if (last > fit) last = fit;
    if (last < first) return r->lkind == PK_ANY ? badelem(n, before) : (atupdp(n->ptr, nullptr), EV_FALSE);
    bool mask = n->typ2 >= CC_ONES && n->typ2 <= CC_ZEROS;
    const unsigned char* hit = nullptr;
    if (step == 1 && n->typ2 == CC_EQ && !(n->cflags & CF_REV)) {
        hit = s1eq(first, last, v, vl);
    } else {
        std::int64_t cnt = (last - first) / step + 1;
        const unsigned char* p = (n->cflags & CF_REV) ? first + (cnt - 1) * step : first;
        std::int64_t d = (n->cflags & CF_REV) ? -step : step;
        bool casei = (n->cflags & CF_CASEI) != 0;
        for (std::int64_t k = 0; k < cnt && !hit; ++k, p += d) {
            bool ok;
            if (mask) ok = maskpass(n->typ2, p, v, vl);
            else {
                int x = casei ? memicmp(p, v, vl) : std::memcmp(p, v, static_cast<std::size_t>(vl));
                ok = judge(n->typ2, sign(x));
            }
            if (ok) hit = p;
        }
    }
    c->scanhit = const_cast<unsigned char*>(hit);
    if (n->ptr) atupdp(n->ptr, reinterpret_cast<char*>(const_cast<unsigned char*>(hit)));
    return hit ? EV_TRUE : EV_FALSE;
}

// NUM: digits, blanks, commas, at most one point, signs before any digit;
// at least one digit or sign.
int numtest(CMV* c, CN* n) {
    unsigned char* a = tvlsc(n->fld1);
    if (!a) return EV_NONE;
    std::int64_t len = n->fld1->litlen;
    bool point = false, digit = false, some = false;
    for (std::int64_t i = 0; i < len; ++i) {
        switch (kNumCls[a[i]]) {
        case 1: digit = some = true; break;
        case 2:
        case 3: break;
        case 4:
            if (point) return EV_FALSE;
            point = true;
            break;
        case 5:
            if (digit) return EV_FALSE;
            some = true;
            break;
        default: return EV_FALSE;
        }
    }
    (void)c;
    return some ? EV_TRUE : EV_FALSE;
}

// Codes 11 and above: file states, pointer states, class tests.
int special(CMV* c, CN* n) {
    FFREC* f = n->file;
    switch (n->typ2) {
    case CC_DIR:
    case CC_DATA: {
        if (!f || (f->sflags & FS_EOD)) return EV_NONE;
        bool dir = (f->dflags & DF_MEMBER) != 0;
        return (n->typ2 == CC_DIR) == dir ? EV_TRUE : EV_FALSE;
    }
    case CC_EOF:     return f && (f->sflags & FS_EOD) ? EV_TRUE : EV_FALSE;
    case CC_NULL:
    case CC_NOTNULL: {
        const AT* at = n->fld1 ? n->fld1->pat : nullptr;
        bool set = at && (at->state & AT_STATE_SET);
        return (n->typ2 == CC_NOTNULL) == set ? EV_TRUE : EV_FALSE;
    }
    case CC_NUM:     return numtest(c, n);
    case CC_ALPHA:
    case CC_ALNUM:
    case CC_HEXA:
    case CC_OCT:     return EV_NONE;
    default:         errlogic(22004);
    }
}

// A counter of the run (records read, listing line) against a number.
int counter(CMV* c, CN* n, std::int64_t before) {
    long long v = 0;
    if (n->fld1->pkind == PK_IN) v = n->file ? n->file->reccnt : 0;
    else v = c->prt.pagedepth - c->prt.linesleft;
    unsigned char* b = tvlsc(n->fld2);
    if (!b) return badelem(n, before);
    NUMV x, y;
    fromll(&x, v, 0);
    numval(&y, n->fld2, b, n->fld2->litlen);
    if (y.kind == NV_BAD) {
        setret(RC_TEST);
        n->cnt++;
        return judge(n->typ2, -1) ? EV_TRUE : EV_FALSE;
    }
    return judge(n->typ2, numcmp(x, y)) ? EV_TRUE : EV_FALSE;
}

// Arithmetic comparison of the resolved operands.
int arith(CMV* c, CN* n) {
    NUMV x, y;
    numval(&x, n->fld1, c->cmpladr, c->cmpllen);
    numval(&y, n->fld2, c->cmpradr, c->cmprlen);
    int r;
    if (x.kind == NV_BAD || y.kind == NV_BAD) {
        setret(RC_TEST);
        n->cnt++;
        r = -1;
    } else {
        r = numcmp(x, y);
    }
    return judge(n->typ2, r) ? EV_TRUE : EV_FALSE;
}

// Character comparison, with the difference pointer when DIFF is in use.
int chartest(CMV* c, CN* n) {
    std::int64_t diff;
    const bool want = (c->vnsw & CM_VN_DIFF) && c->at_diff;
    int r = charcmp(n, c->cmpladr, c->cmpllen, c->cmpradr, c->cmprlen, want ? &diff : nullptr);
    if (want) {
        char* at = diff < 0 ? nullptr : reinterpret_cast<char*>(c->cmpladr + diff);
        c->uxb.adiff = static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(at));
        atupdp(c->at_diff, at);
    }
    return judge(n->typ2, r) ? EV_TRUE : EV_FALSE;
}

// Evaluate the element n.
int evaluate(CMV* c, CN* n) {
    if (n->typ2 > CC_ZEROS) return special(c, n);
    std::int64_t before = n->cnt;
    if (n->fld1 && (n->fld1->pkind == PK_IN || n->fld1->pkind == PK_LINE)) return counter(c, n, before);
    unsigned char* b = tvlsc(n->fld2);
    unsigned char* a = b ? tvlsc(n->fld1) : nullptr;
    if (!a || !b) {
        // A range that runs past the record (not failed): false, no hit.
        if (b && (n->cflags & CF_SEARCH) && n->fld1 && n->fld1->rtstat == 0 && n->fld1->lkind != PK_ANY) {
            if (n->ptr) atupdp(n->ptr, nullptr);
            return EV_FALSE;
        }
        return badelem(n, before);
    }
    c->cmpladr = a;
    c->cmpllen = n->fld1->litlen;
    c->cmpradr = b;
    c->cmprlen = n->fld2->litlen;
    FLD* l = n->fld1;
    if (!(n->cflags & CF_ARITH) && (l->pflags & FP_NUM) && (l->pflags & FP_ATFORM) && l->rtterms == 0 &&
        inside(c, a, c->cmprlen))
        c->cmpllen = c->cmprlen;
    if (n->cflags & CF_SEARCH) return rangescan(c, n, before);
    if (n->typ2 >= CC_ONES) {
        if (c->cmprlen > kMaskMax) {
            c->cmprlen = kMaskMax;
            setret(RC_TEST);
            c->trmask++;
        }
        if (c->cmpllen < c->cmprlen) return badelem(n, before);
        return maskpass(n->typ2, a, b, c->cmprlen) ? EV_TRUE : EV_FALSE;
    }
    if (n->cflags & CF_ARITH) return arith(c, n);
    return chartest(c, n);
}

// A direct comparison (CF_DIRECT): the field at its fixed offset against
// the literal of its length, when the field lies wholly in the record in
// hand and DIFF is not in use.  Both operands and the comparison area are
// left as the general steps leave them.  EV_NONE: the general way.
int direct(CMV* c, CN* n) {
    FLD* l = n->fld1;
    FLD* b = n->fld2;
    const std::int64_t p = l->pos, len = b->len;
    if (!c->currec || len > c->curlen || p > c->curlen - len || (c->vnsw & CM_VN_DIFF)) return EV_NONE;
    unsigned char* a = c->currec + p;
    b->rtstat = 0;
    b->rtterms = 0;
    b->litlen = len;
    b->rpos = -1;
    l->rtterms = 0;
    l->rtstat = 0;
    l->fval = static_cast<double>(p);
    l->pflags &= ~FP_OUTSIDE;
    l->lit = a;
    l->litlen = len;
    l->rpos = p + 1;
    c->scarea = nullptr;
    c->scarealen = 0;
    c->cmpladr = a;
    c->cmpllen = len;
    c->cmpradr = b->lit;
    c->cmprlen = len;
    int r = len == 1 ? a[0] - b->lit[0] : std::memcmp(a, b->lit, static_cast<std::size_t>(len));
    return judge(n->typ2, r) ? EV_TRUE : EV_FALSE;
}

}  // namespace

int do_if(CMV* c) {
    CN* n = c->cncur;
    c->trace[1] = 'i';
    int r = (n->cflags & CF_DIRECT) ? direct(c, n) : EV_NONE;
    if (r == EV_NONE) r = evaluate(c, n);
    bool t = r == EV_NONE ? false : (r == EV_TRUE) != ((n->cflags & CF_NOT) != 0);
    c->cncur = t ? n->tsucc : (startsw == 1 && n->asucc ? n->asucc : n->fsucc);
    return 0;
}

// ---------------------------------------------------------------------------
// Short paths
// ---------------------------------------------------------------------------

namespace {

// Position flags and length flags that keep an operand off the short
// paths: further or subtracted terms, values, declared variables, database
// and query fields, value names; windows and second positions.
constexpr std::uint32_t kNotConstP = FP_MORE | FP_SUBTR | FP_PTRV | FP_FLOAT | FP_DCL | FP_FDE | FP_QFD | FP_VNAME;
constexpr std::uint32_t kNotConstL = FL_MORE | FL_SUBTR | FL_WINDOW | FL_DCL | FL_POS2;

// A record position of one number term (0-based, not negative), with no
// @-name or declared variable.
bool constpos(const FLD* f) {
    return f->pkind == PK_REC && f->pos >= 0 && !(f->pflags & (kNotConstP | FP_LIT400)) && !f->pat && !f->lat &&
           !f->dcl && !(f->lflags & kNotConstL);
}

// Whether f can be answered without the general steps: a literal held in
// its own bytes with a number length, or a constant record position with a
// number length.
bool constop(const CMV* c, const FLD* f) {
    if (!f || f->lkind != PK_REC || f->len < 0) return false;
    if (f->pkind == PK_LIT) {
        const auto* a = reinterpret_cast<const unsigned char*>(c);
        return (f->pflags & FP_LIT400) && f->lit && !(f->lit >= a && f->lit < a + sizeof(CMV)) &&
               f->litlen == f->len && !(f->lflags & kNotConstL);
    }
    return constpos(f);
}

// Whether the condition element n compares a constant record field by its
// bytes with a constant literal of the same length: codes EQ to LE, NOT
// allowed, no CASEI, arithmetic, range, search or pattern, no numeric
// first operand.  The field's length is written, or the literal's (plus
// the constant written with it).
bool directop(const CN* n) {
    if (!iscond(n) || n->typ2 < CC_EQ || n->typ2 > CC_LE) return false;
    if (n->cflags & (CF_ARITH | CF_CASEI | CF_RANGE | CF_SEARCH | CF_REGEXP)) return false;
    const FLD* l = n->fld1;
    const FLD* r = n->fld2;
    if (!l || !r || r->pkind != PK_LIT || !(r->lflags & FL_CONST) || (l->pflags & FP_NUM) || !constpos(l))
        return false;
    long long len;
    if (l->lkind == PK_REC) len = l->len;
    else if (l->lkind == PK_COMRG) len = r->len + l->len;
    else return false;
    return len == r->len && len > 0;
}

// Whether the action n is a READ or WRITE of the record in hand with
// nothing around it: no TIMES, limit, INTO, FROM, field list, NEWBLK, key,
// LRECL change, and the run has no record area.
bool shortio(const CMV* c, const CN* n) {
    if (!isaction(n) || (n->typ2 != OP_READ && n->typ2 != OP_WRITE) || !n->file || c->recarea) return false;
    if (n->times || n->limit || n->fld1 || n->operands || (n->gkflags & CN_GK_LRECL)) return false;
    return !(n->nflags & (CNF_NEWBLK | CNF_KEYED | CNF_COPY)) && !(n->opflags & CN_OPF_MULTI);
}

}  // namespace

void shortmarks(CMV* c) {
    if (shortoff) return;
    for (CN* n = c->cnhead; n; n = n->next) {
        for (FLD* f : {n->fld1, n->fld2, n->fld3, n->fld4, n->fldopt, n->fmlen})
            if (constop(c, f)) f->lflags |= FL_CONST;
        if (directop(n)) n->cflags |= CF_DIRECT;
        if (shortio(c, n)) n->nflags |= CNF_SHORT;
    }
}

// ---------------------------------------------------------------------------
// Actions and end of file
// ---------------------------------------------------------------------------

namespace {

// The run ends: the walk goes on at the end-of-run node and stops at the
// end of that chain.
void enditall(CMV* c) {
    if (c->cncur) c->cncur->rflags &= ~CNR_REPEAT;
    startsw = -1;
    c->selsw |= SEL_END;
    c->cncur = c->cnend;
}

// The next member of a concatenation after f, or null.
FFREC* catnext(const CN* n, const FFREC* f) {
    if (!(n->opflags & CN_OPF_CAT)) return nullptr;
    for (FFREC* x = f->next; x; x = x->next)
        if ((x->fdflags & FDF_CATMEM) && !(x->sflags & (FS_WASOPEN | FS_EOD))) return x;
    return nullptr;
}

// The next member takes the finished file's place in every statement.
void catswitch(CMV* c, FFREC* old, FFREC* nx) {
    for (CN* m = c->cnhead; m; m = m->next) {
        if (m->file != old) continue;
        m->file = nx;
        if (iscond(m) && m->typ2 == CC_EOF) nx->fdflags |= FDF_EOFTEST;
    }
    c->datfcb->ffrec = old;
    cblfio(c->datfcb, F_CLOSE, nullptr, 0);
    if (!nx->mode) nx->mode = FM_IN;
    if (old->fdflags & FDF_PRIMARY) {
        old->fdflags &= ~FDF_PRIMARY;
        nx->fdflags |= FDF_PRIMARY;
        c->primary = nx;
    }
    c->curfile = nx;
    c->datfcb->ffrec = nx;
    c->prevfile = old;
}

// The current record after the end of a file: the run's record area, or
// the file's window, or the work record of fill bytes.
void resetrec(CMV* c, const CN* n, const FFREC* f) {
    if (c->recarea) {
        setcir(c->recarea);
        c->curlen = c->recalen;
        c->deflen = f->lrecl;
    } else if (n->fld1 && (f->fdflags & FDF_INTO)) {
        c->deflen = f->lrecl;
    } else {
        workrec(c, f->fill);
    }
    setdl(c, c->deflen < c->curlen ? c->deflen : c->curlen);
}

// Result -1: end of file on the node's file.
void endfile(CMV* c, CN* n) {
    n->rflags &= ~CNR_REPEAT;
    n->cnt--;
    FFREC* f = n->file;
    f->sflags |= FS_EOD;
    if (FFREC* nx = catnext(n, f)) {
        catswitch(c, f, nx);
        c->cncur = n;  // the READ again, on the next member
        return;
    }
    bool stop = f == c->primary && !(f->fdflags & FDF_EOFTEST);
    for (CN* m = c->cnhead; m && m != c->cnend; m = m->next) {
        if (m->typ2 != OP_READ || m->file != f || !isaction(m)) continue;
        c->cncur = m;
        if (!tvlse(c)) startsw = -1;
    }
    c->cncur = n;
    resetrec(c, n, f);
    if (stop) enditall(c);
    else c->cncur = n->tsucc;
}

// Interpret an action's result; false when the action is to run again.
bool result(CMV* c, CN* n, int r) {
    CN* m = c->cncur;  // an action may have moved the current node (RETURN)
    switch (r) {
    case ACT_GO:
        if ((n->rflags & CNR_REPEAT) && --n->repleft > 0) return false;
        n->rflags &= ~CNR_REPEAT;
        c->cncur = m->tsucc;
        return true;
    case ACT_BRANCH:
        n->rflags &= ~CNR_REPEAT;
        c->cncur = m->btarget;
        return true;
    case ACT_END:
        cmsw3 |= SW3_ACTEND;
        enditall(c);
        return true;
    case ACT_ALT:
        n->rflags &= ~CNR_REPEAT;
        c->cncur = m->asucc ? m->asucc : c->cnend;
        return true;
    case ACT_ERROR:
        selfail(c, n);
        if (n->rc8cnt > 0) n->rc8cnt--;
        enditall(c);
        return true;
    case ACT_EOF:
        endfile(c, n);
        return true;
    default:
        errlogic(22002);
    }
}

// Run the action n by its class: one case per executing routine.
int act(CMV* c, const CN* n) {
    switch (opclass(n->typ2)) {
    case OC_FILE:    return tvlsf(c);
    case OC_RECORD:
    case OC_ARITH:
    case OC_CONV:
    case OC_CONTROL:
    case OC_PRINT:   return tvlsp(c);
    default:         errlogic(22003);  // no routine executes the code
    }
}

}  // namespace

int do_then(CMV* c) {
    CN* n = c->cncur;
    c->trace[1] = 't';
    c->curfile = n->file;
    if ((n->nflags & CNF_SHORT) && startsw < 1) {  // a plain READ or WRITE
        if (n->typ2 == OP_READ) {
            cycreads++;
            sinceread = 0;
        }
        n->cnt++;
        int r = sfshort(c, n);
        if (r == ACT_GO) c->cncur = n->tsucc;
        else result(c, n, r);
        return 0;
    }
    if (n->times > 0 && n->typ2 != OP_CHANGE && !(n->rflags & CNR_REPEAT)) {
        n->repleft = n->times;
        n->rflags |= CNR_REPEAT;
    }
    if (startsw >= 1 && n->typ2 != OP_START && n != c->cnstnode) {
        c->cncur = n->tsucc;
        return 0;
    }
    if (n->typ2 == OP_READ) {
        cycreads++;
        sinceread = 0;
    }
    for (;;) {
        n->cnt++;
        if (n->limit > 0 && n->cnt >= n->limit && !tvlse(c)) startsw = -1;
        unsigned char* rec = c->currec;
        int r = act(c, n);
        if ((n->gkflags & CN_GK_LRECL) && c->currec != rec) setdl(c, c->curlen);
        if (result(c, n, r)) return 0;
        c->cncur = n;
    }
}

// ---------------------------------------------------------------------------
// The loop
// ---------------------------------------------------------------------------

namespace {

// The walk stops at n with a selection-time message (566 a signal
// arrived, 590 the statements loop) and return code 44.
void selstop(CMV* c, CN* n, int msg) {
    selfail(c, n);
    c->prt.selid = n->selid;
    seterr(msg);
    tvlerr(c);
}

// Steps 1 to 4: return code 0, the current record, the default length,
// the first node, the single walk of a run without input.
CN* selstart(CMV* c) {
    c->trace[0] = 'S';
    if (c->at_retcd) atupdv(c->at_retcd, 0);
    c->retstmt = 0;
    sigbase = cmsigtot;
    if (!c->datfcb) c->datfcb = cblf_fcb(c);
    if (c->recarea) {
        setcir(c->recarea);
        c->curlen = c->recalen;
    } else {
        setcir(c->currec);
    }
    std::int64_t dl = c->recarea && c->recalen >= 1 && c->recalen <= kDefLen ? c->recalen : kDefLen;
    setdl(c, dl);
    if (startsw == 1 && c->cnstart && (c->cnstart->nflags & CNF_COPY)) {
        c->cnstnode = c->cnstart;  // the first pass reads, then goes to the START
        c->cnstart = c->cnstart->next;
    }
    CN* first = startsw == 1 && c->cnstnode ? c->cnstnode : c->cnstart;
    if (!c->primary) {
        if (startsw != 0) errlogic(22001);
        startsw = -1;
    }
    return first;
}

}  // namespace

int tvlss(CMV* c) {
    c->cncur = selstart(c);
    int idle = 0;  // consecutive cycles that read nothing
    cycreads = sinceread = 0;
    while (CN* n = c->cncur) {
        if (cmsigtot != sigbase) {
            selstop(c, n, 566);
            break;
        }
        // Statements that branch among themselves without ever reading
        // would never end.
        if (++sinceread > kWalkMax) {
            selstop(c, n, 590);
            break;
        }
        c->curstmt = n->selid;
        c->prt.selid = n->selid;
        if (iscond(n)) {
            do_if(c);
        } else if (isaction(n)) {
            do_then(c);
        } else {  // the end of the chain: the end of a cycle
            // A run with input whose cycles read nothing would walk the
            // same chain for ever: two such cycles in a row end it.
            if (startsw < 0 || c->cnstart == c->cnend) break;
            idle = cycreads == 0 ? idle + 1 : 0;
            if (idle >= 2) break;
            cycreads = 0;
            c->cncur = startsw == 1 && c->cnstnode ? c->cnstnode : c->cnstart;
        }
    }
    c->prt.selid = 0;
    return 0;
}
