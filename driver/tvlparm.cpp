// The command-line parameter string: the arguments joined into one line,
// cut by the tokenizer's parameter-string mode, and walked for the
// version request, the option words and the positional values.
//
// Exports: parmstr (build parmall, parmpos and the statements made from
// the parameter string), parmfree (release them).  Called by tvlgg.
// Calls cblgcmd, tvltokn, tokt, tokdel, seterr and the memory manager.
//
// The statements made from the parameter string (CMV.parmstmt) are the
// positional values as EQU statements, joined by the separator, then the
// text after the first separator of the parameter string:
//   torvale a "'b c'" ! READ X    ->  parmall  "a 'b c' ! READ X" + blanks
//   parmpos  "a 'b c'  " + blanks to 80
//   parmstmt "EQU %1   a!EQU %2   'b c'! READ X"
// Statement input takes parmstmt as its first line (line number 0).
#include "driver/driver.h"
#include "frontend/frontend.h"
#include "report/report.h"

#include <cstring>

namespace {

constexpr int kField = 80;       // parmall and parmpos are at least this long
constexpr int kMaxPos = 9;       // positional values %1 to %9
constexpr int kEquMax = 528;     // the EQU statements must stay below this

// A positional value: where it stands in parmall, and the gap behind it.
struct PVAL {
    const char* src;
    int         len;
    int         gap;
};

// A block of at least kField blanks holding text, with two NULs behind.
char* parmblock(CMV* c, const char* text, int len) {
    int size = len > kField ? len : kField;
    char* b = static_cast<char*>(cblgcore(c->gccb, size + 2, ' ', "parm"));
    std::memcpy(b, text, len);
    b[size] = b[size + 1] = 0;
    return b;
}

// Does the token lie in a span that an option took (its value included)?
bool inoption(CMV* c, const TK* t) {
    long off = t->src - c->parmall;
    for (int i = 0; i < c->optrngn; ++i)
        if (off >= c->optrng[i][0] && off + t->srclen <= c->optrng[i][1]) return true;
    return false;
}

// A memory-trace word: "-COR" and one of the codes.
bool corword(const TK* t) {
    if (!(t->flags & TK_WORD) || t->len < 6 || std::memcmp(t->text, "-COR", 4) != 0) return false;
    char code[3] = {t->text[4], t->text[5], 0};
    return inlist("M1,M2,A4,HT,NR,TR", code, 2, nullptr) != nullptr;
}

// Blame the statement-file option for errors of the statement file.
void ctltoken(CMV* c, TK* t) {
    unsigned char first = static_cast<unsigned char>(t->text[0]);
    if (!c->tkctl && (first == '<' || first == 0xAE || (t->len >= 4 && !std::memcmp(t->text, "-CTL", 4))))
        c->tkctl = t;
}

// Walk one token; a positional value is added to vals.
void walktok(CMV* c, TK* t, PVAL* vals, int* nval) {
    tkc = t;
    if (inoption(c, t)) {
        ctltoken(c, t);
        tokdel();
    } else if (corword(t)) {
        tokdel();
        // "-CORTR=5": the number stands in a token of its own.
        TK* n = tokdata();
        if ((t->flags & TK_EQSIGN) && n && (n->flags & TK_WORD) && n->len > 0 &&
            std::strspn(n->text, "0123456789") == static_cast<std::size_t>(n->len)) {
            tkc = n;
            tokdel();
        }
    } else if (tokt("-CTL,-LST,-LOG,-NAM")) {
        ctltoken(c, t);
    } else if ((t->flags & TK_WORD) && (t->text[0] == '<' || static_cast<unsigned char>(t->text[0]) == 0xAE)) {
        ctltoken(c, t);
        tokdel();
    } else if ((t->flags & TK_WORD) && inlist("-NOTR,-NOTRAP", t->text, t->len, nullptr)) {
        // left in place
    } else if (tokt("-V")) {
        c->drvsw |= CM_DRV_VERSION;
    } else {
        if (*nval < kMaxPos) {
            const TK* n = t->next;
            bool follows = n && !(n->flags & TK_END) && n->src;
            int gap = follows ? static_cast<int>(n->src - (t->src + t->srclen)) : 0;
            vals[(*nval)++] = PVAL{t->src, t->srclen, gap};
        }
        tokdel();
    }
}

// The EQU statements of the positional values, joined by the separator,
// into out (at least kEquMax bytes).  Error 170 when they would reach 528
// characters.  Returns their length.
int equtext(char* out, const PVAL* vals, int nval, char sep) {
    int n = 0;
    for (int i = 0; i < nval; ++i) {
        int need = (n ? 1 : 0) + 9 + vals[i].len;
        if (n + need >= kEquMax) {
            seterr(170);
            break;
        }
        if (n) out[n++] = sep;
        std::memcpy(out + n, "EQU %", 5);
        out[n + 5] = static_cast<char>('1' + i);
        std::memcpy(out + n + 6, "   ", 3);
        std::memcpy(out + n + 9, vals[i].src, vals[i].len);
        n += 9 + vals[i].len;
        // (The name %n is registered for substitution with statement analysis.)
    }
    return n;
}

// parmpos: each value and the gap that followed it, two blanks after the last.
void posfield(CMV* c, const PVAL* vals, int nval) {
    char text[ARG_MAXLINE + 4];
    int n = 0;
    for (int i = 0; i < nval; ++i) {
        std::memcpy(text + n, vals[i].src, vals[i].len);
        n += vals[i].len;
        int gap = i + 1 < nval ? vals[i].gap : 2;
        std::memset(text + n, ' ', gap);
        if (i + 1 < nval) std::memcpy(text + n, vals[i].src + vals[i].len, gap);
        n += gap;
    }
    c->parmpos = parmblock(c, text, n);
    c->parmcnt = nval;
}

// parmstmt: the EQU statements, then the statements after the separator.
void stmtfield(CMV* c, const PVAL* vals, int nval, const char* rest, int restlen) {
    char sep = c->optp->sep;
    char* b = static_cast<char*>(cblgcore(c->gccb, kEquMax + restlen + 4, 0, "pstm"));
    int n = equtext(b, vals, nval, sep);
    if (restlen > 0) {
        if (n) b[n++] = sep;
        std::memcpy(b + n, rest, restlen);
        n += restlen;
    }
    if (n == 0) {
        cblgcorf(c->gccb, &b, "pstm");
        return;
    }
    b[n] = 0;
    c->parmstmt = b;
    c->parmstlen = n;
}

}  // namespace

// Build parmall, parmpos, parmcnt and parmstmt from the arguments, and
// note a version request (-V).  A line over 515 characters records error
// 170 and is cut.  Returns 0.
int parmstr(CMV* c, int argc, char** argv) {
    if (argc < 2) {
        c->parmall = parmblock(c, "", 0);
        c->parmpos = parmblock(c, "", 0);
        return 0;
    }
    char line[ARG_MAXLINE + 1];
    int len = cblgcmd(line, sizeof line, argc, argv);
    if (len > ARG_MAXLINE) {
        seterr(170);
        len = ARG_MAXLINE;
    }
    c->parmall = parmblock(c, line, len);
    char* rest = tvltokn(c, c->parmall, len, static_cast<unsigned char>(c->optp->sep) | TOKN_PARM | TOKN_TERM);
    PVAL vals[kMaxPos];
    int nval = 0;
    for (TK* t = c->tkhead; t && !(t->flags & TK_END); t = t->next)
        if (!(t->flags & (TK_USED | TK_DELIM)) && t->srclen > 0) walktok(c, t, vals, &nval);
    int restlen = rest ? static_cast<int>(c->parmall + len - rest) : 0;
    if (rest && strlen_ntb(rest, restlen) == 1 && (restlen == 0 || rest[0] == ' ')) restlen = 0;
    if (nval) cmsw4 |= SW4_PARMPOS;
    if (restlen) cmsw4 |= SW4_PARMCTL;
    posfield(c, vals, nval);
    stmtfield(c, vals, nval, rest, restlen);
    return 0;
}

void parmfree(CMV* c) {
    cblgcorf(c->gccb, &c->parmall, "parm");
    cblgcorf(c->gccb, &c->parmpos, "parm");
    cblgcorf(c->gccb, &c->parmstmt, "pstm");
}
