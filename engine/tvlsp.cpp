// Control, print, log and record actions: tvlsp executes the actions of
// the classes other than file actions (optab.h) that steer the walk (GOTO,
// GOTO GET, START, SUSP, EOJ, CANCEL), that print (PRINT, PLOG, LOG,
// SPACE, LINE) and that change the record (MOVE and the assignments with
// their bitwise forms, LEFT, RIGHT, CENTRE, TRAN, CHOP, CHANGE, GEN,
// CVDATE, the CVxx conversions; the arithmetic goes on to tvlsa), and
// tells the selection loop how the walk goes on through its result code
// (ACT_* in engine.h).
//
// Exports: tvlsp, catflds (engine.h).
// Called by: the selection loop, for the current node (CMV.cncur) of an
// action whose code is of a class other than OC_FILE; catflds also by the
// file actions (WRITE of a field list).
// Calls: tvlsc (operands), tvlprt (the listing and the log), seterr and
// tvlerr (message 513), errlogic (an operation code this module does not
// execute: 27009), the editing routines (cbledtc, cbledtb, cvic, cvpc,
// cvfc, cvch, rmvb, cvub) for numbers in field lists.
//
// Divisions: printing (destinations, operands, field lists, the print
// call); record actions (MOVE and assignments, justification, TRAN, CHOP,
// CHANGE, GEN, CVDATE, CVxx); the walk (START and SUSP); the dispatcher.
//
// Record actions change the target (fld1; the source itself when none is
// written) from the source (fld2): an operand that does not resolve makes
// the action do nothing (return code 8 is raised where it failed).  Every
// action but the plain MOVE reads its source as it stood before the
// action, whatever the overlap; a text that must be kept aside goes into
// 528 bytes on the stack, or into the statement's own block (CN.work)
// when it is longer, grown only when a longer one comes.
//
// Print destinations, the listing control word of the statement:
//   PRINT  listing               (PD_LIST)
//   PLOG   listing and log       (PD_LIST | PD_LOG)
//   LOG    log only              (PD_LOG)
// Without an operand the whole current record is printed; an operand is
// resolved for every execution, and one that does not resolve prints
// nothing (the operand layer has counted the failure on the statement).
// An operand that reaches past the end of the record is clipped to the
// bytes that exist, unlike the operands of other actions, which fail.
//
// Field list (several operands: PRINT A B C, WRITE f A B, t = A B C):
// catflds resolves the fields in order and lays them end to end in an
// area; numbers are edited to text on the way (their own FMT pattern, else
// a default by type).  PRINT builds in a 528-byte area on the stack; what
// does not fit is cut and return code 5 raised.  For 'AB' and POS 3 LEN 2
// of the record "WXYZ" the area holds 41 42 59 5A ("ABYZ"), 4 bytes
// printed.  An assignment builds aside first (so that fields overlapping
// the target are read as they stood), then moves the value in and pads
// the target with the statement's fill.
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

constexpr int kComLen = 528;  // bytes of the area a field list is built in
constexpr int kAsaMax = 133;  // longest line an ASA print takes by default

// The statement's kept block (CN.work, tag "cnw") with room for len
// bytes: made, or made again larger, only when a longer text comes than
// before, so that records never allocate once it is big enough.  Null
// when len is beyond a block's size.
unsigned char* keptblk(CMV* c, CN* n, long long len) {
    if (len >= INT32_MAX) return nullptr;
    if (n->worklen < len) {
        cblgcorf(c->gccb, &n->work, "cnw");
        n->work = static_cast<unsigned char*>(cblgcore(c->gccb, static_cast<long>(len), 0, "cnw"));
        n->worklen = static_cast<std::int32_t>(len);
    }
    return n->work;
}

// ---------------------------------------------------------------------------
// Printing
// ---------------------------------------------------------------------------

// The destinations of a print operation.
std::uint16_t prtdest(int op) {
    switch (op) {
        case OP_PLOG: return PD_LIST | PD_LOG;
        case OP_LOG: return PD_LOG;
        default: return PD_LIST;  // OP_PRINT
    }
}

// Records read so far from the input the selection columns count: the
// file of the last record read, else the primary input.
long long inrecs(const CMV* c) {
    const FFREC* f = c->lastread ? c->lastread : c->primary;
    return f ? f->reccnt : 0;
}

// The last term of the field that begins at f: position and length terms
// of one field are chained while they say that more follow.
FLD* fldlast(FLD* f) {
    while (f->next && ((f->pflags & FP_MORE) || (f->lflags & FL_MORE))) f = f->next;
    return f;
}

// Default edit patterns of numeric list fields: integers, and numbers
// with decimal places (packed with a scale, float, numeric text).
constexpr char kPatInt[] = "SS,SSS,SSS,SS9";
constexpr char kPatDec[] = "SS,SSS,SSS,SS9.9999";
constexpr char kPatHex[] = "XXXX,";  // non-numeric fields that carry a decimal pattern
constexpr int kPatMax = 128;         // bytes of a pattern copied from a field, NUL included
constexpr int kNumMax = 72;          // bytes of a number text, NUL included

// How a list field goes into the area.  ORDER ED
enum {
    ED_COPY,   // copied as it is
    ED_HEX,    // hexadecimal digits through the pattern (cvch)
    ED_BIN,    // big-endian binary
    ED_NAT,    // native 8-byte integer: pointer values, type 12
    ED_PACK,   // packed decimal with the field's scale
    ED_FLT,    // float of the field's style
    ED_TEXT,   // character digits (a number text)
    ED_ZONED,  // zoned decimal with the field's scale
    ED_UPACK,  // unsigned packed with the field's scale
};

// The edit pattern a list field carries: its own FMT mask, else the mask
// of the argument it stands for, else its declared variable's; copied
// NUL-ended into buf.  Null when there is none (or it does not resolve).
// *hex: the mask is a hexadecimal one.
const char* ownpat(CMV* c, const FLD* f, char* buf, bool* hex) {
    FLD* m = nullptr;
    if (f->lflags & FL_FMT) m = f->sub;
    else if (f->pkind == PK_ARGN && c->curarg && (c->curarg->lflags & FL_FMT)) m = c->curarg->sub;
    else if (f->dcl && f->dcl->mask) m = f->dcl->mask;
    if (!m) return nullptr;
    const unsigned char* a = tvlsc(m);
    if (!a || m->litlen < 1 || m->litlen >= kPatMax) return nullptr;
    std::memcpy(buf, a, static_cast<std::size_t>(m->litlen));
    buf[m->litlen] = '\0';
    *hex = (m->pflags & FP_HEXMASK) != 0;
    return buf;
}

// The way field f (resolved) goes into the area, and its pattern in *pat
// (null for ED_COPY).  buf holds a copied pattern.
int edkind(CMV* c, FLD* f, char* buf, const char** pat) {
    bool hex = false;
    const char* own = ownpat(c, f, buf, &hex);
    *pat = own;
    if (own && hex) return ED_HEX;
    const bool dec = f->scale > 0;
    if (f->lit == reinterpret_cast<unsigned char*>(&f->fval)) {  // a value computed as a double
        if (!own) *pat = kPatDec;
        return ED_FLT;
    }
    int kind = ED_COPY;
    const char* dflt = nullptr;  // the type's default pattern, when it has one
    switch (f->type) {
        case FD_BIN: kind = ED_BIN, dflt = kPatInt; break;
        case FD_PTR:
        case FD_INT64: kind = ED_NAT, dflt = kPatInt; break;
        case FD_PACKED: kind = ED_PACK, dflt = dec ? kPatDec : kPatInt; break;
        case FD_FLOAT: kind = ED_FLT, dflt = kPatDec; break;
        case FD_ZONED: kind = ED_ZONED; break;
        case FD_UPACKED: kind = ED_UPACK; break;
        case 0:
        case FD_CHAR:
            if (own || (f->dcl && (f->dcl->flags & DCL_NUM))) kind = ED_TEXT, dflt = kPatDec;
            break;
        default:  // other non-numeric types print a pattern's place in hexadecimal
            if (own) {
                *pat = kPatHex;
                return ED_HEX;
            }
            break;
    }
    if (!own) *pat = dflt;
    return *pat ? kind : ED_COPY;
}

// The places a hexadecimal pattern fills for n source bytes: the pattern
// is used over and over until the 2n digits are placed.  A pattern
// without X places none: its own length (the edit then fails).
long long hexwidth(const char* pat, long long n) {
    const long long pl = static_cast<long long>(std::strlen(pat));
    long long xs = 0;  // digit places in one pass of the pattern
    for (long long i = 0; i < pl; ++i) xs += pat[i] == 'X' || pat[i] == 'x';
    if (xs == 0 || n <= 0) return xs == 0 ? pl : 0;
    const long long d = 2 * n;
    long long w = (d - 1) / xs * pl;  // whole passes before the last digit's
    for (long long left = d - (d - 1) / xs * xs; left > 0; ++w)
        if (pat[w % pl] == 'X' || pat[w % pl] == 'x') --left;
    return w;
}

// Put a point before the last dec digits of the number text txt ("+" or
// "-" and digits), with zeros ahead when the digits are fewer: "+5" with
// 2 decimals becomes "+0.05".
void pointat(char* txt, int dec) {
    if (dec <= 0) return;
    int nd = static_cast<int>(std::strlen(txt + 1));
    if (nd + dec + 3 > kNumMax) return;
    if (nd <= dec) {  // leading zeros: one before the point, the rest after
        const int z = dec - nd + 1;
        std::memmove(txt + 1 + z, txt + 1, static_cast<std::size_t>(nd) + 1);
        std::memset(txt + 1, '0', static_cast<std::size_t>(z));
        nd += z;
    }
    char* p = txt + 1 + nd - dec;
    std::memmove(p + 1, p, static_cast<std::size_t>(dec) + 1);
    *p = '.';
}

// Edit the resolved field f of kind k through pat into out (w bytes).
// 0, or non-zero when the field does not edit.
int edfield(const FLD* f, int k, const char* pat, char* out, int w) {
    const char* s = reinterpret_cast<const char*>(f->lit);
    const long long len = f->litlen;
    if (len > CV_LENMASK) return 1;
    const int n = static_cast<int>(len);
    char txt[kNumMax];
    long long v = 0;
    switch (k) {
        case ED_HEX: return cvch(out, w, pat, s, n);
        case ED_BIN: return cvic(out, w, pat, s, n);
        case ED_NAT:
            if (n != 8) return 1;
            std::memcpy(&v, s, 8);
            return cbledtb(out, w, pat, v);
        case ED_PACK: return cvpc(out, w, pat, s, n, f->scale > 0 ? f->scale : 0);
        case ED_FLT: {  // a computed value is a native double; a field without style IEEE big-endian
            const bool val = f->lit == reinterpret_cast<const unsigned char*>(&f->fval);
            return cvfc(out, w, pat, s, n, val ? FD_STYL_NAT : f->style ? f->style : FD_STYL_BFP);
        }
        case ED_TEXT:
        case ED_ZONED: {
            const int dec = rmvb(s, k == ED_ZONED ? n | CV_ZONED : n, txt);
            if (dec < 0) return 1;
            pointat(txt, k == ED_ZONED ? f->scale : dec);
            return cbledtc(out, w, pat, txt);
        }
        case ED_UPACK: {
            if (cvub(&v, s, n) != 0) return 1;
            char num[24];
            const char* t = lonb2ch(num, sizeof num, v);
            if (!t) return 1;
            std::strcpy(txt, t);
            pointat(txt, f->scale);
            return cbledtc(out, w, pat, txt);
        }
        default: return 1;
    }
}

}  // namespace

// Build the value of the field list that begins at list in area (length
// bytes), cleared to X'00' first.  Each field (its terms taken together)
// is resolved; a missing argument stands as its "*?*".  Numeric fields are
// edited through their pattern (a pattern longer than the room left adds
// nothing, a failed edit leaves "*" in its place: return code 8 both);
// other fields are copied as far as there is room.  Results:
//   > 0  the bytes built;
//   0    a field did not resolve (nothing to use);
//   -1   a field did not fit: the area is full, and c->flwask holds the
//        bytes the whole list needs (every field measured, edited ones
//        skipped for want of room included), for a caller that can offer
//        a larger area.  A cut list raises nothing for the patterns it
//        skipped: they are part of the cut, and a larger area lays them.
int catflds(CMV* c, FLD* list, char* area, int length) {
    if (length > 0) std::memset(area, 0, static_cast<std::size_t>(length));
    long long used = 0;  // bytes laid
    long long need = 0;  // bytes the whole list needs
    bool over = false;
    bool skip = false;   // a pattern was longer than the room left
    char buf[kPatMax];
    for (FLD* f = list; f; f = fldlast(f)->next) {
        if (!tvlsc(f) && !(f->rtstat & SC_NOARG)) return 0;
        if (!f->lit || f->litlen < 0) return 0;
        const char* pat = nullptr;
        const int k = edkind(c, f, buf, &pat);
        const long long room = length - used;
        if (k == ED_COPY) {
            const long long n = f->litlen;
            need += n;
            if (over) continue;
            if (n > room) {
                std::memcpy(area + used, f->lit, static_cast<std::size_t>(room));
                used = length;
                over = true;
            } else {
                std::memcpy(area + used, f->lit, static_cast<std::size_t>(n));
                used += n;
            }
            continue;
        }
        const long long w = k == ED_HEX ? hexwidth(pat, f->litlen) : static_cast<long long>(std::strlen(pat));
        need += w;
        if (over) continue;
        if (w > room) {
            skip = true;
        } else {
            char* out = area + used;
            if (edfield(f, k, pat, out, static_cast<int>(w)) != 0) {
                std::memset(out, '*', static_cast<std::size_t>(w));
                setret(RC_ACTION);
            }
            used += w;
        }
    }
    if (!over) {
        if (skip) setret(RC_ACTION);
        return static_cast<int>(used);
    }
    c->flwask = need < INT_MAX ? need : INT_MAX;
    return -1;
}

namespace {

// An assignment whose source is a field list: the value is built aside
// (a 528-byte area on the stack, or the statement's kept block for a
// longer target) and then moved into the target, the rest padded with
// the statement's fill; the bitwise forms combine the target with it.  A
// target without a length takes the length built.  A field that does not
// resolve leaves the target alone.
int listrun(CMV* c, CN* n) {
    FLD* t = n->fld1;
    FLD* s = n->fld2;
    unsigned char com[kComLen];
    unsigned char* area = com;
    long long room = kComLen;
    const bool own = t->lkind != PK_COMRG;  // the target has a length of its own
    if (own) {
        if (!tvlsc(t) || t->litlen < 0) return ACT_GO;
        room = t->litlen;
        if (room > INT_MAX) room = INT_MAX;
        if (room > kComLen && !(area = keptblk(c, n, room))) return setret(RC_ACTION), ACT_GO;
    }
    int got = catflds(c, s, reinterpret_cast<char*>(area), static_cast<int>(room));
    if (got == 0) return ACT_GO;
    const long long m = got < 0 ? room : got;
    if (!own) {  // the target's length is the value's
        s->litlen = m;
        if (!tvlsc(t) || t->litlen < 0) return ACT_GO;
    }
    unsigned char* ta = t->lit;
    const long long tl = t->litlen;
    const long long k = m < tl ? m : tl;
    const auto fill = static_cast<unsigned char>(n->cfill);
    const int op = n->sub;
    if (op == BW_AND || op == BW_OR || op == BW_XOR) {
        auto comb = [op](unsigned char a, unsigned char b) -> unsigned char {
            return op == BW_AND ? a & b : op == BW_OR ? a | b : a ^ b;
        };
        for (long long i = 0; i < k; ++i) ta[i] = comb(ta[i], area[i]);
        for (long long i = k; i < tl; ++i) ta[i] = comb(ta[i], fill);
        return ACT_GO;
    }
    if (k > 0) std::memcpy(ta, area, static_cast<std::size_t>(k));
    if (tl > k) std::memset(ta + k, fill, static_cast<std::size_t>(tl - k));
    setlen(t, ta + tl, ta + k, 0);
    return ACT_GO;
}

// PRINT, PLOG, LOG: print the operand (the whole current record when there
// is none) as the statement's print type.  ACT_ERROR when the listing
// recorded an error, else ACT_GO.
int prtrtn(CMV* c, CN* n) {
    unsigned char area[kComLen];
    const unsigned char* data;
    long long len;
    bool dflt = true;  // the length is not one the statement wrote
    FLD* f = n->operands;
    if (!f) {
        data = c->currec;
        len = c->currec ? c->curlen : 0;
    } else if (fldlast(f)->next) {  // a field list: 0 when a field did not resolve
        len = catflds(c, f, reinterpret_cast<char*>(area), kComLen);
        if (len == 0) return ACT_GO;
        if (len < 0) {  // cut to the area
            len = kComLen;
            setret(RC_WARN5);
        }
        data = area;
        dflt = false;
    } else {
        data = tvlsc(f);
        len = data ? f->litlen : -1;
        dflt = f->lkind == PK_END;
    }
    if (len < 0) return ACT_GO;  // nothing to print; the failure is counted
    const int type = n->sub;
    if (type == PT_ASA && dflt && len > kAsaMax) len = kAsaMax;
    if (len > INT_MAX) len = INT_MAX;
    PRTS* p = &c->prt;
    p->selid = n->selid;
    p->selcnt = n->cnt;
    p->inrecs = inrecs(c);
    if (type >= PT_DUMP && type <= PT_DUMPE) {
        p->stmtenc = n->dumpenc;   // 0: the run's markers
        p->stmtdall = n->dumpall;  // 0 the run's, 1 off, 2 on
    }
    p->dest = prtdest(n->typ2);
    const int before = c->errnum;
    tvlprt(reinterpret_cast<const char*>(data), static_cast<int>(len), type, n->selid);
    return c->errnum && !before ? ACT_ERROR : ACT_GO;
}

// ---------------------------------------------------------------------------
// Record actions
// ---------------------------------------------------------------------------

using U = std::uintptr_t;

// Resolve the statement's two operands: the target first when the source
// takes its length (kind 9), else the source first.  A target that is
// not written is the source.  False when one does not resolve (the
// operand layer has counted the failure): the action then does nothing.
bool twoops(CN* n, FLD** t, FLD** s) {
    *s = n->fld2;
    *t = n->fld1 ? n->fld1 : n->fld2;
    if (!*s) return false;
    FLD* first = (*s)->lkind == PK_FT ? *t : *s;
    FLD* second = first == *s ? *t : *s;
    if (!tvlsc(first) || first->litlen < 0) return false;
    if (second != first && (!tvlsc(second) || second->litlen < 0)) return false;
    return true;
}

// One byte combined by the bitwise code op.
inline unsigned char bitop(int op, unsigned char a, unsigned char b) {
    return op == BW_AND ? a & b : op == BW_OR ? a | b : a ^ b;
}

// MOVE and the assignments.  Plain: n bytes (the shorter length) copied
// one at a time from the first, so that a target starting inside its
// source to the right repeats the source's leading bytes; the rest of the
// target set to the statement's fill.  Bitwise: the first n target bytes
// combined with the source as it stood before the action (the direction
// of the pass is chosen so that no source byte is read after it was
// written), the rest combined with the fill byte.
int moverun(CN* n) {
    FLD *t, *s;
    if (!twoops(n, &t, &s)) return ACT_GO;
    unsigned char* ta = t->lit;
    const unsigned char* sa = s->lit;
    const long long tl = t->litlen;
    const long long m = tl < s->litlen ? tl : s->litlen;
    const auto fill = static_cast<unsigned char>(n->cfill);
    const int op = n->sub;
    if (op == BW_AND || op == BW_OR || op == BW_XOR) {
        if (reinterpret_cast<U>(ta) > reinterpret_cast<U>(sa))
            for (long long i = m - 1; i >= 0; --i) ta[i] = bitop(op, ta[i], sa[i]);
        else
            for (long long i = 0; i < m; ++i) ta[i] = bitop(op, ta[i], sa[i]);
        for (long long i = m; i < tl; ++i) ta[i] = bitop(op, ta[i], fill);
        return ACT_GO;
    }
    if (reinterpret_cast<U>(ta) > reinterpret_cast<U>(sa) && reinterpret_cast<U>(ta) < reinterpret_cast<U>(sa + m))
        for (long long i = 0; i < m; ++i) ta[i] = sa[i];  // the repeat move
    else if (m > 0)
        std::memmove(ta, sa, static_cast<std::size_t>(m));
    if (tl > m) std::memset(ta + m, fill, static_cast<std::size_t>(tl - m));
    setlen(t, ta + tl, ta + m, 0);
    return ACT_GO;
}

// The justified text of a source: the bytes from its first to its last
// non-blank with each inner run of blanks cut to one blank.  An item is
// one byte of that text; its start is the source byte it comes from (the
// first blank of a run).
struct ADJTXT {
    const unsigned char* s;  // the source
    long long a, b;          // first non-blank, and one past the last
};

// The start of the item after the one that starts at p.
inline long long itnext(const ADJTXT& x, long long p) {
    if (x.s[p] != ' ') return p + 1;
    while (p < x.b && x.s[p] == ' ') ++p;
    return p;
}
// The start of the item before the one that starts at p.
inline long long itprev(const ADJTXT& x, long long p) {
    long long q = p - 1;
    if (x.s[q] == ' ')
        while (q > x.a && x.s[q - 1] == ' ') --q;
    return q;
}

// ADJ LEFT, RIGHT, CENTRE into the target (the source itself when none was
// written), on blanks X'20'.  The text of length L goes to the target's
// start (LEFT), end (RIGHT), or offset (T - L) / 2 rounded up (CENTRE),
// blanks around it; an all-blank source blanks the target.  A text longer
// than the target keeps its first T bytes (LEFT, CENTRE) or its last
// (RIGHT), with return code 8.
// Overlap: item k is written at W(k) and read at R(k); W(k) - R(k) never
// grows with k, so the items with W > R come first.  They are copied from
// the last back, then the others from the first on: no source byte is
// read after it was overwritten.  The blanks around the text come last.
int adjrun(CN* n) {
    FLD *t, *s;
    if (!twoops(n, &t, &s)) return ACT_GO;
    unsigned char* ta = t->lit;
    const long long tl = t->litlen;
    ADJTXT x{s->lit, 0, s->litlen};
    while (x.a < x.b && x.s[x.a] == ' ') ++x.a;
    while (x.b > x.a && x.s[x.b - 1] == ' ') --x.b;
    long long len = 0;  // items
    for (long long p = x.a; p < x.b; p = itnext(x, p)) ++len;
    long long first = 0, cnt = len, off = 0;  // the items kept, and where they go
    if (len > tl) {
        cnt = tl;
        if (n->sub == AL_RIGHT) first = len - tl;
        setret(RC_ACTION);
    } else if (n->sub == AL_RIGHT) {
        off = tl - len;
    } else if (n->sub == AL_CENTRE) {
        off = (tl - len + 1) / 2;
    }
    // The first kept item that is not written past its start, and the
    // start of the item before it.
    long long k = 0, p = x.a, before = -1;
    for (; k < first; ++k) p = itnext(x, p);
    const long long end = first + cnt;
    for (; k < end; ++k) {
        if (reinterpret_cast<U>(ta + off + (k - first)) <= reinterpret_cast<U>(x.s + p)) break;
        before = p;
        p = itnext(x, p);
    }
    const long long mid = k;
    if (mid > first)
        for (long long j = mid - 1, q = before;; q = itprev(x, q), --j) {
            ta[off + j - first] = x.s[q];
            if (j == first) break;
        }
    for (long long j = mid, q = p; j < end; ++j, q = itnext(x, q)) ta[off + j - first] = x.s[q];
    if (off > 0) std::memset(ta, ' ', static_cast<std::size_t>(off));
    if (tl > off + cnt) std::memset(ta + off + cnt, ' ', static_cast<std::size_t>(tl - off - cnt));
    return ACT_GO;
}

// ---------------------------------------------------------------------------
// TRAN
// ---------------------------------------------------------------------------
//
// The source (fld2) is translated into the target (fld1, else the source
// itself) over the shorter of the two lengths; the rest of a longer
// target stays.  Every target byte comes from the source byte as it
// stood before the action, whatever the overlap.
//   - A table (fld3 alone, 256 bytes): target[i] = table[source[i]].
//     A forward pass (cbltrtab) writes byte i only where a source byte
//     up to i lies when the target is in place or left of its source, so
//     no byte is read after it was written.  A target that starts inside
//     its source, to its right, would read bytes it has translated
//     already: it is done from the end back, a stack block at a time.
//   - Two strings (fld3 from, fld4 to): each source byte found in the
//     from-string becomes the byte at the same place of the to-string
//     (its first place when it stands twice), over the shorter of the two
//     strings; other bytes are copied.  The strings may lie in the target:
//     they are read into a 256-byte table first, and the table pass
//     above does the rest, so neither strings nor source are read after
//     a byte of them was written.

constexpr long kTrChunk = 512;  // bytes translated per step of the backward pass
constexpr long long kTabLen = 256;  // bytes of a translation table: one per byte value

// Table translation of m bytes from sa into ta, the source read as it
// stood.
void trtab(unsigned char* ta, const unsigned char* sa, long long m, const unsigned char* tab) {
    if (reinterpret_cast<U>(ta) <= reinterpret_cast<U>(sa) || reinterpret_cast<U>(ta) >= reinterpret_cast<U>(sa + m)) {
        cbltrtab(ta, sa, static_cast<long>(m), tab);
        return;
    }
    unsigned char buf[kTrChunk];
    for (long long end = m; end > 0;) {
        const long long k = end < kTrChunk ? end : kTrChunk;
        end -= k;
        cbltrtab(buf, sa + end, static_cast<long>(k), tab);
        std::memcpy(ta + end, buf, static_cast<std::size_t>(k));
    }
}

// TRAN by a table or by two strings.  An operand that does not resolve
// makes it do nothing.
int tranrun(CMV* c, CN* n) {
    (void)c;
    FLD *t, *s;
    if (!twoops(n, &t, &s)) return ACT_GO;
    const long long m = t->litlen < s->litlen ? t->litlen : s->litlen;
    FLD* from = n->fld3;
    FLD* to = n->fld4;
    if (!from) return ACT_GO;
    if (!to) {
        const unsigned char* tab = from->lit;  // a built-in table stands as a literal
        if (!(from->pflags & FP_LIT400)) {
            tab = tvlsc(from);
            if (!tab || from->litlen < kTabLen) return ACT_GO;
        }
        if (m > 0) trtab(t->lit, s->lit, m, tab);
        return ACT_GO;
    }
    const unsigned char* fa = tvlsc(from);
    const unsigned char* ta = tvlsc(to);
    if (!fa || !ta || from->litlen < 0 || to->litlen < 0) return ACT_GO;
    const long long k = from->litlen < to->litlen ? from->litlen : to->litlen;
    if (m <= 0) return ACT_GO;
    unsigned char tab[kTabLen];
    for (int b = 0; b < kTabLen; ++b) tab[b] = static_cast<unsigned char>(b);
    for (long long i = k - 1; i >= 0; --i) tab[fa[i]] = ta[i];  // from the end: the first place wins
    trtab(t->lit, s->lit, m, tab);
    return ACT_GO;
}

// ---------------------------------------------------------------------------
// CHOP
// ---------------------------------------------------------------------------
//
// The source is cut into words separated by blanks (X'20'), one word per
// receiver, in order:
//   - a character (or varying) receiver takes its word and the fill byte
//     after it; a word longer than the receiver is cut (result 8) and the
//     rest of it skipped;
//   - the last receiver, when it is character, takes the text from its
//     word to the source's last non-blank, inner blanks included; result
//     8 only when non-blank text does not fit;
//   - a packed (cvcp, its decimals), float (cvcf, its style) or binary
//     (cvci) receiver takes its word converted; a failed conversion ends
//     the action with result 8;
//   - a receiver for which no word is left is filled (a numeric one is
//     set to zero);
//   - text left after the last receiver is non-blank: result 8.
// Receivers may lie over the source: the source is copied aside first
// (up to kComLen bytes on the stack, longer ones into the statement's
// kept block, which grows once to the longest source seen), so every
// word is read as it stood before the action.
//   "AB CDEFG  " into 2, 3 and 3 bytes: "AB", "CDE" (cut, 8), "   ".

// The zero a numeric receiver without a word gets.
int chopzero(FLD* f, unsigned char* a, int len) {
    static const char kZero[] = "0";
    char* p = reinterpret_cast<char*>(a);
    switch (f->type) {
        case FD_PACKED: return cvcp(p, len, f->scale > 0 ? f->scale : 0, kZero, 1);
        case FD_FLOAT: return cvcf(p, len, f->style, kZero, 1);
        default: return cvci(p, len, kZero, 1);
    }
}

// Cut text (length bytes, not the record's) into the receivers from
// first on; fill pads character receivers.  Returns 0, or 8 when a
// receiver did not resolve, a word did not fit or a conversion failed.
int chopit(const unsigned char* text, long long length, FLD* first, unsigned char fill) {
    int rc = 0;
    long long p = 0;  // the next byte of text to look at
    long long last = length;
    while (last > 0 && text[last - 1] == ' ') --last;  // one past the last non-blank
    FLD* f = first;
    for (; f; f = fldlast(f)->next) {
        unsigned char* a = tvlsc(f);
        if (!a || f->litlen < 0) {
            rc = RC_ACTION;
            continue;
        }
        const long long room = f->litlen;
        while (p < last && text[p] == ' ') ++p;
        long long w = p;  // one past the word
        while (w < last && text[w] != ' ') ++w;
        const bool chr = f->type == FD_CHAR || f->type >= FD_NTS;
        if (!chr) {
            const int len = static_cast<int>(room > INT_MAX ? INT_MAX : room);
            const int wl = static_cast<int>(w - p > CV_LENMASK ? CV_LENMASK : w - p);
            char* o = reinterpret_cast<char*>(a);
            const char* word = reinterpret_cast<const char*>(text + p);
            int cv = 0;
            if (w == p) cv = chopzero(f, a, len);
            else if (f->type == FD_PACKED) cv = cvcp(o, len, f->scale > 0 ? f->scale : 0, word, wl);
            else if (f->type == FD_FLOAT) cv = cvcf(o, len, f->style, word, wl);
            else cv = cvci(o, len, word, wl);
            p = w;
            if (cv) return RC_ACTION;
            continue;
        }
        const bool lastrecv = !fldlast(f)->next;
        long long end = lastrecv ? last : w;  // the text this receiver takes
        long long n = end - p;
        if (n > room) {
            n = room;
            if (!lastrecv) rc = RC_ACTION;
            else
                for (long long i = p + n; i < end; ++i)
                    if (text[i] != ' ') rc = RC_ACTION;
        }
        if (n > 0) std::memcpy(a, text + p, static_cast<std::size_t>(n));
        if (room > n) std::memset(a + n, fill, static_cast<std::size_t>(room - n));
        setlen(f, a + room, a + n, 0);
        p = end;
    }
    while (p < last && text[p] == ' ') ++p;
    if (p < last) rc = RC_ACTION;
    return rc;
}

// CHOP, PARSE: the source copied aside, then cut into the receivers.
int choprun(CMV* c, CN* n) {
    FLD* s = n->fld2;
    const unsigned char* sa = s ? tvlsc(s) : nullptr;
    if (!sa || s->litlen < 0) return ACT_GO;
    const long long len = s->litlen;
    unsigned char area[kComLen];
    unsigned char* copy = area;
    if (len > kComLen && !(copy = keptblk(c, n, len))) return setret(RC_ACTION), ACT_GO;
    if (len > 0) std::memcpy(copy, sa, static_cast<std::size_t>(len));
    if (chopit(copy, len, n->fld1, static_cast<unsigned char>(n->cfill))) setret(RC_ACTION);
    return ACT_GO;
}

// ---------------------------------------------------------------------------
// CHANGE
// ---------------------------------------------------------------------------

// CHANGE changes its field (fld2) in place: each occurrence of the from
// string (fld3) becomes the to string (fld4), at most `limit` of them:
// the TIMES count, else the field's length; an empty from string matches
// at the field's start, once.  Occurrences are found by s1eq (memchr and
// memcmp; without case under CF_CASEI), each search starting after the
// previous occurrence in the text as it stood before the action.
//   equal lengths   each occurrence overwritten in place;
//   to shorter      the field compacted in place from the first
//                   occurrence, the freed bytes at its end set to the
//                   statement's fill;
//   to longer       the field from the first occurrence copied aside and
//                   rebuilt from there: the text up to each occurrence,
//                   then the replacement, then the rest of the copy.  What
//                   passes the field's end is lost; a cut replacement
//                   ends the rebuilding.
// Lost text raises return code 8 when it holds a byte other than the fill
// byte (in a varying field, any lost byte).  'A' to 'XY' in the 4-byte
// field "AAAA": the copy is "AAAA"; XY XY fill the field, the third
// replacement and the fourth A are lost: "XYXY", return code 8.  A
// varying field (a declared variable of types 13 to 15) may grow into its
// declared room and gets its new length from setlen.
// The copy aside goes into an area of kChgCom bytes on the stack, or,
// for a longer field, into the statement's kept block CN.work (tag
// "cnw"), made once as large as the longest field seen: no record makes
// an allocation once the block is big enough.  The strings are copied
// aside too when they lie in the field itself, so that they are read as
// they stood.
// Results, when their operands are written: HITS the number of changes,
// MATCHLEN the from string's length (0 when nothing was found), REPLEN
// the bytes of the first replacement written, the PTR @-name (the record
// pointer "@" by default) the position of the first occurrence, no value
// when there is none.

constexpr long long kChgCom = 527;  // longest copy the stack area takes

// Whether p[0..len) holds a byte other than fill.
bool chgnonfill(const unsigned char* p, long long len, unsigned char fill) {
    for (long long i = 0; i < len; ++i)
        if (p[i] != fill) return true;
    return false;
}

// Whether [p, p + pl) and [a, a + al) share a byte.
bool chgover(const unsigned char* p, long long pl, const unsigned char* a, long long al) {
    return pl > 0 && al > 0 && reinterpret_cast<U>(p) < reinterpret_cast<U>(a + al) &&
           reinterpret_cast<U>(a) < reinterpret_cast<U>(p + pl);
}

// An area of at least len bytes for the copy aside: com (kChgCom + 1
// bytes) when it is large enough, else the statement's kept block, made
// larger when it is too small.  Null when len is beyond a block's size.
unsigned char* chgarea(CMV* c, CN* n, unsigned char* com, long long len) {
    return len <= kChgCom ? com : keptblk(c, n, len + 1);
}

// Store v into the result operand f by its type (setbin; an unsigned
// packed field through cvlu).  A failed store raises return code 8.
void chgset(FLD* f, long long v) {
    if (!f || !tvlsc(f) || f->litlen < 0) return;
    if (f->type != FD_UPACKED) {
        setbin(f, v);
        return;
    }
    if (f->litlen > CV_LENMASK ||
        cvlu(reinterpret_cast<char*>(f->lit), static_cast<int>(f->litlen), static_cast<long>(v)) != 0)
        setret(RC_ACTION);
}

// The state of one CHANGE execution.
struct CHG {
    const unsigned char* from;  // the from string
    long long fl;               // its bytes
    const unsigned char* to;    // the to string
    long long tl;               // its bytes
    long long limit;            // most occurrences changed
    long long cnt;              // occurrences changed
    long long rlen;             // bytes of the first replacement written
    unsigned char fill;         // the statement's fill byte
    bool vary;                  // a varying field: any lost byte counts
    bool lost;                  // text was lost that counts
};

// The first occurrence of the from string starting in [p, e - fl], or null.
inline const unsigned char* chgfind(const CHG& x, const unsigned char* p, const unsigned char* e) {
    if (x.fl > e - p) return nullptr;
    return s1eq(p, e - x.fl, x.from, x.fl);
}

// Note lost text p[0..len).
inline void chglost(CHG& x, const unsigned char* p, long long len) {
    if (len > 0 && (x.vary || chgnonfill(p, len, x.fill))) x.lost = true;
}

// Equal lengths: overwrite each occurrence from hit on, in [hit, e).
void chgsame(CHG& x, unsigned char* hit, const unsigned char* e) {
    for (unsigned char* p = hit;;) {
        std::memcpy(p, x.to, static_cast<std::size_t>(x.tl));
        if (++x.cnt >= x.limit) break;
        const unsigned char* q = chgfind(x, p + x.fl, e);
        if (!q) break;
        p += q - p;
    }
    x.rlen = x.tl;
}

// To shorter: compact [hit, e) in place; returns the end of the text.
// The write point never passes the read point, so the text still to be
// searched is as it stood.
unsigned char* chgless(CHG& x, unsigned char* hit, const unsigned char* e) {
    unsigned char* w = hit;
    const unsigned char* r = hit;
    for (const unsigned char* p = hit;;) {
        const long long gap = p - r;
        std::memmove(w, r, static_cast<std::size_t>(gap));
        w += gap;
        std::memcpy(w, x.to, static_cast<std::size_t>(x.tl));
        w += x.tl;
        r = p + x.fl;
        if (++x.cnt >= x.limit || !(p = chgfind(x, r, e))) break;
    }
    const long long rest = e - r;
    std::memmove(w, r, static_cast<std::size_t>(rest));
    x.rlen = x.tl;
    return w + rest;
}

// To longer: rebuild [hit, we) from the copy [cp, ce) of the field from
// the first occurrence on; returns the end of the text written.
unsigned char* chggrow(CHG& x, unsigned char* hit, unsigned char* we, const unsigned char* cp,
                       const unsigned char* ce) {
    unsigned char* w = hit;
    const unsigned char* q = cp;  // the next byte of the copy to place
    for (const unsigned char* p = cp;;) {
        const long long gap = p - q;
        const long long room = we - w;
        if (gap > room) break;  // the rest below is cut
        std::memcpy(w, q, static_cast<std::size_t>(gap));
        w += gap;
        const long long put = x.tl < we - w ? x.tl : we - w;
        std::memcpy(w, x.to, static_cast<std::size_t>(put));
        w += put;
        if (x.cnt++ == 0) x.rlen = put;
        q = p + x.fl;
        if (put < x.tl) {  // the field is full: the rebuilding stops
            chglost(x, x.to + put, x.tl - put);
            break;
        }
        if (x.cnt >= x.limit || !(p = chgfind(x, q, ce))) break;
    }
    const long long rest = ce - q;
    const long long put = rest < we - w ? rest : we - w;
    std::memcpy(w, q, static_cast<std::size_t>(put));
    chglost(x, q + put, rest - put);
    return w + put;
}

// CHANGE: resolve the field and the strings (one that fails: nothing
// happens), change, then store the results.  ACT_GO.
int chgrun(CMV* c, CN* n) {
    FLD* s = n->fld2;
    FLD* fs = n->fld3;
    FLD* ts = n->fld4;
    if (!s || !fs || !ts) return ACT_GO;
    if (!tvlsc(s) || s->litlen < 0 || !tvlsc(fs) || fs->litlen < 0 || !tvlsc(ts) || ts->litlen < 0)
        return ACT_GO;
    unsigned char* a = s->lit;
    const long long len = s->litlen;
    long long room = len;  // bytes the changed text may take
    const DCL* d = s->dcl;
    CHG x{fs->lit, fs->litlen, ts->lit, ts->litlen, 0, 0, 0, static_cast<unsigned char>(n->cfill), false, false};
    if (d && d->type >= FD_NTS) {
        x.vary = true;
        const long long cap = d->len - (d->type == FD_NTS ? 1 : 2);
        if (cap > room) room = cap;
    }
    x.limit = x.fl == 0 ? 1 : n->times > 0 ? n->times : len;
    unsigned char com[kChgCom + 1];
    unsigned char* hit = const_cast<unsigned char*>(chgfind(x, a, a + len));
    if (hit) {
        const bool inside = chgover(x.from, x.fl, a, room) || chgover(x.to, x.tl, a, room);
        const long long rest = a + len - hit;
        const long long need = (inside ? x.fl + x.tl : 0) + (x.tl > x.fl ? rest : 0);
        unsigned char* area = need > 0 ? chgarea(c, n, com, need) : com;
        if (!area) {
            setret(RC_ACTION);
            return ACT_GO;
        }
        if (inside) {
            std::memcpy(area, x.from, static_cast<std::size_t>(x.fl));
            std::memcpy(area + x.fl, x.to, static_cast<std::size_t>(x.tl));
            x.from = area;
            x.to = area + x.fl;
            area += x.fl + x.tl;
        }
        unsigned char* end = a + len;  // the end of the text
        if (x.tl == x.fl) {
            chgsame(x, hit, end);
        } else if (x.tl < x.fl) {
            end = chgless(x, hit, end);
        } else {
            std::memcpy(area, hit, static_cast<std::size_t>(rest));
            end = chggrow(x, hit, a + room, area, area + rest);
        }
        const long long tail = a + (x.vary ? room : len) - end;
        if (tail > 0) std::memset(end, x.fill, static_cast<std::size_t>(tail));
        setlen(s, a + (x.vary ? room : len), end, 0);
        if (x.lost) setret(RC_ACTION);
    }
    chgset(n->fldopt, x.cnt);
    chgset(n->fmlen, hit ? x.fl : 0);
    chgset(n->fld1, x.rlen);
    c->scanhit = hit;
    if (n->ptr) atupdp(n->ptr, reinterpret_cast<char*>(hit));
    return ACT_GO;
}

// ---------------------------------------------------------------------------
// GEN
// ---------------------------------------------------------------------------
//
// The generator: a 64-bit state held by the statement (fld3's pos), split
// into h (state >> 16) and l (the low 16 bits, signed).  One round:
//   h = (2309 * h) AND X'7FFF'            repeated while h < 8192
//   l = ((2309 * l) >> 11) AND X'FFFF'    as signed 16 bits, each time
// then state = h * 65536 + l (unsigned) and r = state mod (limit OR 7);
// r below the limit is the draw, else another round.  Two seeds would
// loop for ever and are mended: an h of 0 (modulo 2**15, so that 2309 * h
// stays 0) becomes 1, and a draw still without result after 1,000 rounds
// (a state caught in a short cycle, e.g. 50000000 for 3 values) is the
// state modulo the limit.  Example, state 1 and limit 26: h 0 becomes 1,
// l 1; h 2309 (l 2309 >> 11 = 1), then h 2309 * 2309 AND X'7FFF' = 23065
// (l 1); state 23065 * 65536 + 1 = 1511587841, mod (26 OR 7 = 31) = 3:
// the draw is 3 ("D" of A to Z).

constexpr char kGenSet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 +-=,./*()_!:@#$";  // the default set
constexpr int kGenRounds = 1000;  // rounds before a draw falls back to the state modulo the limit

// The next draw below limit (at least 1) from the state.
long long genval(std::uint64_t* state, long long limit) {
    std::uint64_t h = *state >> 16;
    std::int32_t l = static_cast<std::int16_t>(*state & 0xFFFF);
    if ((h & 0x7FFF) == 0) h = 1;
    const auto lim = static_cast<std::uint64_t>(limit);
    const std::uint64_t m = lim | 7;
    for (int round = 1;; ++round) {
        do {
            h = (2309 * h) & 0x7FFF;
            l = static_cast<std::int16_t>(((2309 * l) >> 11) & 0xFFFF);
        } while (h < 8192);
        *state = h * 65536 + (static_cast<std::uint64_t>(l) & 0xFFFF);
        const std::uint64_t r = *state % m;
        if (r < lim) return static_cast<long long>(r);
        if (round == kGenRounds) return static_cast<long long>(*state % lim);
    }
}

// The range of the statement: the first value (a 1-based number; for a
// character target the 0-based place in the set), the count of values,
// and the character set.  False when a range with @-name terms does not
// resolve or is empty.
bool gensource(CN* n, long long* low, long long* cnt, const unsigned char** set) {
    FLD* r = n->fldopt;
    *set = reinterpret_cast<const unsigned char*>(kGenSet);
    if (r->pflags & FP_LIT400) {  // the literal is the set
        *set = r->lit, *low = 0, *cnt = r->litlen;
        return true;
    }
    const bool chr = n->fld1->type == FD_CHAR;
    if (r->pkind == PK_REC && r->lkind == PK_REC && !r->next && !r->sub) {
        *low = chr ? r->pos : r->pos + 1, *cnt = r->len;
        return true;
    }
    if (!tvlsc(r) || r->litlen < 1 || r->rpos < 1) return false;
    *low = chr ? r->rpos - 1 : r->rpos, *cnt = r->litlen;
    if (chr && *low + *cnt > static_cast<long long>(sizeof kGenSet - 1)) {
        setret(RC_ACTION);
        return false;
    }
    return true;
}

// GEN: a character target gets one draw per byte, a character of the set;
// a number target one draw r, stored as r + the range's first value.
int genrun(CMV* c, CN* n) {
    (void)c;
    FLD* t = n->fld1;
    unsigned char* a = tvlsc(t);
    if (!a || t->litlen < 0) return ACT_GO;
    long long low, cnt;
    const unsigned char* set;
    if (!gensource(n, &low, &cnt, &set)) return ACT_GO;
    auto* st = reinterpret_cast<std::uint64_t*>(&n->fld3->pos);
    const long long tl = t->litlen;
    if (t->type == FD_CHAR) {
        for (long long i = 0; i < tl; ++i) a[i] = set[low + genval(st, cnt)];
        return ACT_GO;
    }
    const long v = static_cast<long>(genval(st, cnt) + low);
    char* p = reinterpret_cast<char*>(a);
    const int len = static_cast<int>(tl);
    int rc = 1;
    switch (t->type) {
        case FD_PACKED: rc = cvlp(p, len, 0, v); break;
        case FD_ZONED: rc = cvlc(p, len, nullptr, v); break;
        case FD_BIN: rc = cvli(p, len, v); break;
        case FD_UPACKED: rc = cvlu(p, len, v); break;
        default: break;  // analysis lets no other type through
    }
    if (rc) setret(RC_ACTION);
    return ACT_GO;
}

// ---------------------------------------------------------------------------
// CVDATE
// ---------------------------------------------------------------------------
//
// The source read in its style and storage type, written to the target in
// its own (the codes analysis made: sub the styles, arg the types, source
// in the low 4 bits).  A style-F target takes the mask of its FMT field;
// a mask, or the 112-byte block, longer than the target writes nothing.
// The run's date block as target: from NOW it is refreshed from the clock;
// in both cases the value names DATE and DATECB follow it.  A date that is
// not valid, or that the target cannot hold, raises return code 8.

constexpr int kMaskMax = 256;  // bytes of a date mask

// DATE (yyyy/mm/dd) and DATECB (packed yyyyddd) from the run's date block.
void datevals(CMV* c) {
    std::memcpy(c->vdate, c->datep + CBLDATE_TEXT, sizeof c->vdate);
    std::memcpy(c->vdatecb, c->datep + 8, sizeof c->vdatecb);
}

// The NUL-terminated mask of the target t into buf; false (return code 8
// raised) when it does not resolve or is longer than the target.
bool datemask(const FLD* t, char* buf) {
    FLD* m = t->sub;
    const unsigned char* a = m ? tvlsc(m) : nullptr;
    if (!a || m->litlen < 0) return false;
    if (m->litlen > t->litlen || m->litlen > kMaskMax) {
        setret(RC_ACTION);
        return false;
    }
    std::memcpy(buf, a, static_cast<std::size_t>(m->litlen));
    buf[m->litlen] = '\0';
    return true;
}

int cvdtrun(CMV* c, CN* n) {
    FLD *t, *s;
    if (!twoops(n, &t, &s)) return ACT_GO;
    const bool block = c->datep && t->lit == reinterpret_cast<unsigned char*>(c->datep);
    const int styles = n->sub;
    if (block && (styles & 0x0F) == DATE_N) {
        cbldate(c->datep, nullptr, 0);
        datevals(c);
        return ACT_GO;
    }
    char mask[kMaskMax + 1];
    const int so = styles >> 4;
    if (so == DATE_MASK && !datemask(t, mask)) return ACT_GO;
    if (so == DATE_BLOCK && t->litlen < CBLDATE_LEN) {
        setret(RC_ACTION);
        return ACT_GO;
    }
    const int tl = t->litlen > INT_MAX ? INT_MAX : static_cast<int>(t->litlen);
    const int sl = s->litlen > INT_MAX ? INT_MAX : static_cast<int>(s->litlen);
    if (!cvdate(reinterpret_cast<char*>(t->lit), tl, reinterpret_cast<const char*>(s->lit), sl, styles, n->arg,
                so == DATE_MASK ? mask : nullptr))
        setret(RC_ACTION);
    else if (block)
        datevals(c);
    return ACT_GO;
}

// ---------------------------------------------------------------------------
// CVxx conversions
// ---------------------------------------------------------------------------
//
// The target (fld1) receives the source (fld2) converted by the pair of
// types in the statement's code (CN.arg, source x 16 + target): one
// routine per row below, the generic cblcv for packed to packed, text to
// text (re-edited) and an 8-byte integer to packed.  Analysis lets no
// other code through.
//   0x23 0xC3  8-byte integer to text (cvbc, cvlc)
//   0x29 0xC9  8-byte integer to binary (cvbi, cvli)
//   0x34 0x74  text or zoned to packed, the target's decimals (cvcp)
//   0x36 0x76  text or zoned to float, the target's style (cvcf)
//   0x38 0x78  bytes to hexadecimal text (cvch)
//   0x39 0x79  text or zoned to binary (cvci)
//   0x43 0x47  packed to text or zoned, the source's decimals (cvpc)
//   0x49       packed to binary, the source's decimals dropped (cvpi)
//   0x63 0x67  float to text or zoned (cvfc)
//   0x64       float to a double, then packed (cvfp)
//   0x66       float to float (cvff)
//   0x83 0x87  hexadecimal text to bytes (cvhc)
//   0x93 0x97  binary to text or zoned (cvic)
//   0x94       binary to packed, the target's decimals (cvip)
//   0x99       binary to binary (cvii)
// Text outputs go through the target's FMT mask (or its declared
// variable's); a text target of length 1 takes the mask's length, and is
// resolved with it, so that a mask past the record end fails the target.
// Without a mask the default edit is all 9, a negative number
// overpunching its last digit: X'123D' into 4 bytes is "012L".  A mask
// on a text-to-text pair is its pattern; without one the target's
// present content is (cblcv).  A source that overlaps the target is
// copied aside first: to 256 bytes on the stack, longer ones into the
// statement's kept block (CN.work).  A routine that fails raises return
// code 8; a text target it could not produce holds "*".

constexpr int kCvAside = 256;  // bytes of a source copied aside on the stack
constexpr int kCvPat = 256;    // longest pattern taken from a field, NUL included

// The NUL-ended pattern of target t: its FMT mask (a literal as it is,
// a field copied into buf), else its declared variable's.  Null when
// there is none; *bad when the mask does not resolve or is too long.
const char* cvpat(FLD* t, char* buf, bool* bad) {
    FLD* m = (t->lflags & FL_FMT) ? t->sub : t->dcl ? t->dcl->mask : nullptr;
    *bad = false;
    if (!m) return nullptr;
    if (m->pkind == PK_LIT && (m->pflags & FP_LIT400)) return reinterpret_cast<const char*>(m->lit);
    const unsigned char* a = tvlsc(m);
    if (!a || m->litlen < 1 || m->litlen >= kCvPat) {
        *bad = true;
        return nullptr;
    }
    std::memcpy(buf, a, static_cast<std::size_t>(m->litlen));
    buf[m->litlen] = '\0';
    return buf;
}

// The places a hexadecimal pattern lays out for n source bytes (used
// over and over until the 2n digits are placed); 1 when it has no X.
long long cvhexlen(const char* pat, long long n) {
    const long long pl = static_cast<long long>(std::strlen(pat));
    long long xs = 0;
    for (long long i = 0; i < pl; ++i) xs += pat[i] == 'X' || pat[i] == 'x';
    if (!xs) return 1;
    long long w = 0;
    for (long long left = 2 * n; left > 0; ++w) left -= pat[w % pl] == 'X' || pat[w % pl] == 'x';
    return w;
}

// Text or zoned number text re-edited through a pattern: the digits and
// sign (rmvb), the point before the decimals (a zoned field's scale, a
// text's own point), then the edit.  0, or non-zero with "*" in out.
int cvreedit(char* out, int len, const char* pat, const char* s, int sl, bool zoned, int scale) {
    char txt[kNumMax];
    const int dec = rmvb(s, zoned ? sl | CV_ZONED : sl, txt);
    if (dec < 0) {
        std::memset(out, '*', static_cast<std::size_t>(len));
        return 1;
    }
    pointat(txt, zoned ? scale : dec);
    return cbledtc(out, len, pat, txt);
}

// One conversion of the resolved source (sa, sl) into the resolved
// target (ta, tl) by code; the routine's status.
int cvcall(int code, const FLD* t, char* ta, int tl, const FLD* s, const char* sa, int sl, const char* pat) {
    const int zf = (code >> 4) == FD_ZONED ? CV_ZONED : 0;  // a zoned source is read by nibbles
    const int tsc = t->scale > 0 ? t->scale : 0;
    const int ssc = s->scale > 0 ? s->scale : 0;
    long long v = 0;
    if ((code >> 4) == FD_PTR || (code >> 4) == FD_INT64) {
        if (sl != 8) return 1;
        std::memcpy(&v, sa, 8);
    }
    switch (code) {  // CVXX-CODES
        case 0x23: return cvbc(ta, tl, pat, v);
        case 0xC3: return cvlc(ta, tl, pat, static_cast<long>(v));
        case 0x29: return cvbi(ta, tl, v);
        case 0xC9: return cvli(ta, tl, static_cast<long>(v));
        case 0x34:
        case 0x74: return sl > CV_LENMASK ? 1 : cvcp(ta, tl, tsc, sa, sl | zf);
        case 0x36:
        case 0x76: return sl > CV_LENMASK ? 1 : cvcf(ta, tl, t->style, sa, sl | zf);
        case 0x38:
        case 0x78: return cvch(ta, tl, pat, sa, sl);
        case 0x39:
        case 0x79: return sl > CV_LENMASK ? 1 : cvci(ta, tl, sa, sl | zf);
        case 0x43:
        case 0x47: return cvpc(ta, tl, pat, sa, sl, ssc);
        case 0x49: return cvpi(ta, tl, sa, sl, ssc);
        case 0x63:
        case 0x67: return cvfc(ta, tl, pat, sa, sl, s->style);
        case 0x64: {
            char d[8];
            double x;
            if (int rc = cvff(d, 8, FD_STYL_NAT, sa, sl, s->style)) return rc;
            std::memcpy(&x, d, 8);
            return cvfp(ta, tl, tsc, x);
        }
        case 0x66: return cvff(ta, tl, t->style, sa, sl, s->style);
        case 0x83:
        case 0x87: return cvhc(ta, tl, sa, sl);
        case 0x93:
        case 0x97: return cvic(ta, tl, pat, sa, sl);
        case 0x94: return cvip(ta, tl, tsc, sa, sl);
        case 0x99: return cvii(ta, tl, sa, sl);
        case 0x33:
        case 0x37:
        case 0x73:
        case 0x77:
            if (pat && sl <= CV_LENMASK) return cvreedit(ta, tl, pat, sa, sl, zf != 0, ssc);
            break;
        default: break;
    }
    return cblcv(ta, tl, code & 15, sa, sl, code >> 4);
}

// Resolve, keep an overlapping source aside, convert.  0; -1 when an
// operand did not resolve; else the routine's status (text targets that
// could not be produced hold "*").
int cvxx(CMV* c, CN* n) {
    FLD* t = n->fld1;
    FLD* s = n->fld2;
    if (!t || !s) return -1;
    const unsigned char* sa = tvlsc(s);
    if (!sa || s->litlen < 0) return -1;
    const int code = n->arg;
    const int tt = code & 15;
    const bool text = tt == FD_CHAR || tt == FD_ZONED || tt == FD_HEX;
    char pbuf[kCvPat];
    bool bad = false;
    const char* pat = text ? cvpat(t, pbuf, &bad) : nullptr;
    if (bad) return -1;
    const long long keep = t->len;
    if (pat && t->lkind == PK_REC && t->len == 1)  // widened to the mask, and placed again
        t->len = tt == FD_HEX ? cvhexlen(pat, s->litlen) : static_cast<long long>(std::strlen(pat));
    unsigned char* ta = tvlsc(t);
    t->len = keep;
    if (!ta || t->litlen < 0) return -1;
    const long long tl = t->litlen, sl = s->litlen;
    if (tl > INT_MAX || sl > INT_MAX) {
        if (text) std::memset(ta, '*', static_cast<std::size_t>(tl));
        return 1;
    }
    unsigned char aside[kCvAside];
    const U t0 = reinterpret_cast<U>(ta), s0 = reinterpret_cast<U>(sa);
    if (sl > 0 && tl > 0 && t0 < s0 + static_cast<U>(sl) && s0 < t0 + static_cast<U>(tl)) {
        unsigned char* area = aside;
        if (sl > kCvAside && !(area = keptblk(c, n, sl))) return 1;
        std::memcpy(area, sa, static_cast<std::size_t>(sl));
        sa = area;
    }
    return cvcall(code, t, reinterpret_cast<char*>(ta), static_cast<int>(tl), s, reinterpret_cast<const char*>(sa),
                  static_cast<int>(sl), pat);
}

// CVxx: a failed conversion raises return code 8 (an operand that did not
// resolve has been counted where it failed).
int cvxxrun(CMV* c, CN* n) {
    const int rc = cvxx(c, n);
    if (rc != 0 && rc != -1) setret(RC_ACTION);
    return ACT_GO;
}

// ---------------------------------------------------------------------------
// @-name and special-name assignments
// ---------------------------------------------------------------------------

//
// The name is fld1's @-name, the value fld2.  @name = field: the name
// points at the field's resolved position; a field that does not resolve
// leaves the name unset.  A number or an @-name's value is assigned as it
// is.  A special name = field takes the field's value, converted by the
// code in arg to a 64-bit integer (packed with its decimals dropped,
// zoned and number text, binary, float); a failed conversion raises
// return code 8 and keeps the name.  RETCD is set directly (it may go
// down; later failures raise it again); LRECL is the run's default length
// and the record's length as well (a WRITE then writes that many bytes).

// The field f (resolved) as a 64-bit integer by its type; false when it
// does not convert.
bool atconv(const FLD* f, long long* v) {
    const char* s = reinterpret_cast<const char*>(f->lit);
    const int n = f->litlen > INT_MAX ? INT_MAX : static_cast<int>(f->litlen);
    switch (f->type) {
        case FD_PACKED: return cvpb(v, s, n, f->scale > 0 ? f->scale : 0) == 0;
        case FD_UPACKED: return cvub(v, s, n) == 0;
        case FD_BIN: return cvib(v, s, n) == 0;
        case FD_FLOAT: return cvfb(v, s, n, f->style ? f->style : FD_STYL_DOUBLE) == 0;
        case FD_PTR:
        case FD_INT64:
            if (n != 8) return false;
            std::memcpy(v, s, 8);
            return true;
        default: return cvcb(v, s, n) == 0;
    }
}

int atrun(CMV* c, CN* n) {
    c->prt.selid = n->selid;
    AT* at = n->fld1 ? n->fld1->pat : nullptr;
    FLD* f = n->fld2;
    if (!at || !f) return ACT_GO;
    const bool value = (f->pflags & FP_PTRV) || f->type == FD_PTR || f->type == FD_INT64;
    if (!tvlsc(f) || f->litlen <= 0) {
        if (n->typ2 == OP_ATSET) atupdp(at, nullptr);
        return ACT_GO;
    }
    if (n->typ2 == OP_ATSET && !value) {
        atupdp(at, reinterpret_cast<char*>(f->lit));
        return ACT_GO;
    }
    long long v = 0;
    if (value && f->lit == reinterpret_cast<unsigned char*>(&f->fval)) {
        v = static_cast<long long>(f->fval);  // a value computed in floating point
    } else if (!atconv(f, &v)) {
        setret(RC_ACTION);
        return ACT_GO;
    }
    if (at == c->at_retcd) {
        atupdv(at, v);
        if (c->curstmt > 0) c->retstmt = c->curstmt;
    } else if (at == c->at_lrecl) {
        if (v < 0 || v > c->curlen) {
            setret(RC_ACTION);
        } else {  // the record's length from now on, and the default length
            c->curlen = v;
            setdl(c, v);
        }
    } else if (atupdv(at, v)) {
        setret(RC_ACTION);
    }
    return ACT_GO;
}

// ---------------------------------------------------------------------------
// The walk
// ---------------------------------------------------------------------------

// START: a pending START is over and the walk goes on from here.  Without
// one the statement did nothing and is not counted.  A run that is ending
// (start switch -1) stays ending.
int startrtn(CN* n) {
    if (startsw > 0) startsw = 0;
    else if (n->cnt > 0) n->cnt--;
    return ACT_GO;
}

// SUSP: the actions are skipped again until the START is reached; the walk
// resumes there through the alternate successor.  Without a START, or
// when the run is already ending, the run ends normally: reviving an
// ending run would walk it again after its input is gone.
int susprtn(const CMV* c) {
    if (startsw < 0 || !c->cnstnode) return ACT_END;
    startsw = 1;
    return ACT_ALT;
}

// CANCEL: message 513 under the statement; the run ends in error.
int cancel(CMV* c, const CN* n) {
    c->prt.selid = n->selid;
    seterr(513);
    tvlerr(c);
    return ACT_ERROR;
}

}  // namespace

// ---------------------------------------------------------------------------
// Dispatcher
// ---------------------------------------------------------------------------

int tvlsp(CMV* c) {
    CN* n = c->cncur;
    if (!n) errlogic(27009);
    switch (n->typ2) {
        case OP_GOTO:
        case OP_GOGET: return ACT_BRANCH;
        case OP_SPACE:
        case OP_LINE:
            tvlprt(nullptr, 0, n->sub, n->arg);
            return ACT_GO;
        case OP_SUSP: return susprtn(c);
        case OP_START: return startrtn(n);
        case OP_EOJ: return ACT_END;
        case OP_CANCEL: return cancel(c, n);
        case OP_PRINT:
        case OP_PLOG:
        case OP_LOG: return prtrtn(c, n);
        case OP_ASSIGN: return (n->opflags & CN_OPF_MULTI) ? listrun(c, n) : moverun(n);
        case OP_ALIGN: return adjrun(n);
        case OP_TRAN: return tranrun(c, n);
        case OP_CHOP: return choprun(c, n);
        case OP_CHANGE: return chgrun(c, n);
        case OP_RANDOM: return genrun(c, n);
        case OP_CVDT: return cvdtrun(c, n);
        case OP_ARITH:
        case OP_ADD:
        case OP_SUB:
        case OP_MULT:
        case OP_DIV: return tvlsa(c);
        case OP_CONV: return cvxxrun(c, n);
        case OP_ATSET:
        case OP_SPECIAL: return atrun(c, n);
        default: break;
    }
    c->prt.selid = n->selid;
    errlogic(27009);
}
