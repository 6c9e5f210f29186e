// Tokenizer: cuts one control statement, or the command-line parameter
// string, into the chain of TK records that hangs from CMV.tkhead, and
// lets the parsers consume the tokens.
//
// Exports: tvltokn (cut), tokt (consume the next token if it is one of a
// keyword list), tokf (consume any token of the statement that matches a
// list, patterns allowed), tokdel (consume the current token), tokrest
// (give the last one back), tokdata (next data token), tokfu (first unused
// token), tokbad (blame the current token), tokmake/tokprep/tokreld (token
// records), tokfix (set a token's value), tokchop (split a word at "%",
// "+" and "-"), inlist (exact keyword test), openquo and openbkt (the
// checks made before cutting), strlen_ntb, tokfree (release the chain).
// Called by the run driver for the parameter string; statement input and
// statement analysis call it for every statement.  Calls the memory
// manager, seterr, errlogic, eqechk (references met while splitting) and
// cblmtch (patterns of tokf).
//
// Divisions: character classes; token records; values; splitting; the
// checks made before cutting; cutting; consuming and matching.
//
// EQU groups (tokadj) and keywords given through declared variables come
// with statement analysis and declarations.
//
// A hexadecimal literal is paired from the right, so an odd leading digit
// is a byte of its own:  X'1F2'  ->  digits 1 F 2  ->  01 F2  (2 bytes);
// X'1f 2a' -> 1F 2A (blanks and commas between digits are ignored).
#include "frontend/frontend.h"
#include "driver/driver.h"
#include "report/report.h"
#include "files/files.h"

#include <array>
#include <cstring>
#include <string>

namespace {

// ---------------------------------------------------------------------------
// Character classes
// ---------------------------------------------------------------------------

constexpr std::uint8_t CC_SPACE = 0x01;  // blank, tab, CR, LF: skipped between tokens
constexpr std::uint8_t CC_QUOTE = 0x02;  // apostrophe, quotation mark
constexpr std::uint8_t CC_BRKT  = 0x04;  // "(" and ")"
constexpr std::uint8_t CC_MARK  = 0x08;  // "=" and ",": mark the token before
constexpr std::uint8_t CC_SIGN  = 0x10;  // "+" and "-": may follow a closing quote

constexpr std::array<std::uint8_t, 256> kClass = [] {
    std::array<std::uint8_t, 256> t{};
    t[' '] = t['\t'] = t['\r'] = t['\n'] = CC_SPACE;
    t['\''] = t['"'] = CC_QUOTE;
    t['('] = t[')'] = CC_BRKT;
    t['='] = t[','] = CC_MARK;
    t['+'] = t['-'] = CC_SIGN;
    return t;
}();

// Value of a hexadecimal digit in either case, -1 for any other byte.
constexpr std::array<signed char, 256> kHexVal = [] {
    std::array<signed char, 256> t{};
    for (auto& v : t) v = -1;
    for (int i = 0; i < 10; ++i) t['0' + i] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i) {
        t['A' + i] = static_cast<signed char>(10 + i);
        t['a' + i] = static_cast<signed char>(10 + i);
    }
    return t;
}();

inline std::uint8_t cls(char ch) { return kClass[static_cast<unsigned char>(ch)]; }

char kEmpty[1] = {0};  // the run's empty text, value of empty tokens

// What stands behind the current position while a statement is cut.
struct CUT {
    CMV*  c;
    char* text;    // start of the statement text
    char* end;     // the line feed at position len
    int   sep;     // separator character, 0 for none
    bool  parm;    // parameter-string mode
    TK*   last;    // last data token made, or null
};

bool issep(const CUT& k, char ch) { return k.sep != 0 && static_cast<unsigned char>(ch) == k.sep; }

}  // namespace

// ---------------------------------------------------------------------------
// Token records
// ---------------------------------------------------------------------------

TK* tokmake() {
    TK* t = static_cast<TK*>(cblgcore(cm->gccb, sizeof(TK), 0, "tk"));
    t->flags = TK_FRESH;
    return t;
}

// Clear a record for reuse; its chain links stay.
void tokreld(TK* t) {
    if (t->flags & TK_OWNCOPY) cblgcorf(cm->gccb, &t->text, "tkwd");
    TK* next = t->next;
    TK* prev = t->prev;
    std::memset(static_cast<void*>(t), 0, sizeof *t);
    t->next = next;
    t->prev = prev;
    t->flags = TK_FRESH;
    t->text = kEmpty;
}

// Move tkc to the next record of the chain (the head when tkc is null),
// making one when the chain ends there, and clear it.
TK* tokprep() {
    TK* t = tkc ? tkc->next : cm->tkhead;
    if (!t) {
        t = tokmake();
        if (tkc) {
            tkc->next = t;
            t->prev = tkc;
        } else {
            cm->tkhead = t;
        }
    }
    tokreld(t);
    tkc = t;
    return t;
}

void tokfree(CMV* c) {
    TK* t = c->tkhead;
    while (t) {
        TK* next = t->next;
        if (t->flags & TK_OWNCOPY) cblgcorf(c->gccb, &t->text, "tkwd");
        cblgcorf(c->gccb, &t, "tk");
        t = next;
    }
    c->tkhead = nullptr;
    c->tkcur = c->tkerr = c->tkctl = c->tkcmt = nullptr;
    tkc = nullptr;
}

// ---------------------------------------------------------------------------
// Values
// ---------------------------------------------------------------------------

// Set the value of tkc.  A value of 16 bytes or more is kept where it is
// when it can be (a word already in upper case, a quoted value that lies in
// the statement text), else copied; shortv then holds its first five
// characters and "...".  A shorter value is copied into shortv with a NUL.
// Words are upper-cased; quoted values and literals keep their bytes.
void tokfix(const char* value, int len) {
    TK* t = tkc;
    bool word = (t->flags & TK_WORD) != 0;
    t->len = len;
    if (len < 16) {
        for (int i = 0; i < len; ++i)
            t->shortv[i] = word ? static_cast<char>(ttab_uc[static_cast<unsigned char>(value[i])]) : value[i];
        t->shortv[len] = 0;
        t->text = t->shortv;
        return;
    }
    bool inplace = value >= t->src && value + len <= t->src + t->srclen;
    if (word)
        for (int i = 0; i < len && inplace; ++i)
            inplace = ttab_uc[static_cast<unsigned char>(value[i])] == static_cast<unsigned char>(value[i]);
    if (inplace) {
        t->text = const_cast<char*>(value);
    } else {
        char* copy = static_cast<char*>(cblgcore(cm->gccb, len + 1, 0, word ? "ud" : "qq"));
        for (int i = 0; i < len; ++i)
            copy[i] = word ? static_cast<char>(ttab_uc[static_cast<unsigned char>(value[i])]) : value[i];
        t->text = copy;
        t->flags |= TK_OWNCOPY;
    }
    for (int i = 0; i < 5; ++i) t->shortv[i] = t->text[i];
    std::memcpy(t->shortv + 5, "...", 4);
}

int strlen_ntb(const char* s, int len) {
    while (len > 1 && s[len - 1] == ' ') --len;
    return len < 1 ? 1 : len;
}

// ---------------------------------------------------------------------------
// Splitting
// ---------------------------------------------------------------------------

namespace {

// Bytes of the piece that begins at p (a "%", "+" or "-"): "%" and one
// digit (a parameter reference), "%" to the next "%" (an environment
// reference), else the single character.
int piecelen(const char* p, const char* end) {
    if (*p != '%') return 1;
    if (p + 1 < end && p[1] >= '0' && p[1] <= '9') return 2;
    for (const char* q = p + 1; q < end; ++q)
        if (*q == '%') return static_cast<int>(q - p + 1);
    return 1;
}

// The first place at or after from where a word splits ("%", "+", "-")
// or a quoted value ("%" only); n when none.  With substitution off
// (NOENVVAR) a "%" is an ordinary character.
int splitat(const char* v, int from, int n, bool quoted, bool pct) {
    for (int i = from; i < n; ++i)
        if ((v[i] == '%' && pct) || (!quoted && (v[i] == '+' || v[i] == '-'))) return i;
    return n;
}

// One piece of the split token t: the first piece is t itself (its source
// length still covering the whole word), later ones new records after tkc.
void piece(CMV* c, TK* t, const char* v, int off, int len, std::uint32_t kind, int srcoff) {
    if (!(t->flags & TK_PIECE)) {
        if (t->flags & TK_OWNCOPY) cblgcorf(c->gccb, &t->text, "tkwd");
        t->flags = (t->flags & ~TK_OWNCOPY) | TK_SPLIT | TK_PIECE;
    } else {
        TK* n = tokprep();
        n->flags = kind | TK_PIECE;
        n->src = t->src + srcoff + off;
        n->srclen = len;
        c->tkcnt++;
    }
    tokfix(v + off, len);
}

}  // namespace

// Split tkc: a word at "%", "+" and "-", a quoted string at "%".  The
// piece that begins with the found character is "%" and a digit, "%" to
// the next "%", or the single character; a reference of two or more
// characters is registered (eqechk).  The token becomes the part before
// (if any), the piece and the part after (if any, split again in turn),
// each marked as a piece; tkc is left on the last.  A token that is all
// piece is left alone.  Returns the number of tokens added.
int tokchop(CMV* c) {
    TK* t = tkc;
    if (!t || (t->flags & (TK_HEX | TK_DELIM)) || t->len < 2) return 0;
    bool quoted = (t->flags & (TK_APOS | TK_QUOT)) != 0;
    int n = t->len;
    bool pct = !c->optp || c->optp->envvar;
    int i = splitat(t->text, 0, n, quoted, pct);
    if (i == n) return 0;
    if (i == 0 && piecelen(t->text, t->text + n) == n) {
        if (n >= 2 && t->text[0] == '%') eqechk(c, t->text, n, nullptr);
        return 0;
    }
    std::string v(t->text, static_cast<std::size_t>(n));  // the value, while t changes
    std::uint32_t kind = t->flags & (TK_WORD | TK_APOS | TK_QUOT);
    int srcoff = quoted ? 1 : 0;
    int before = c->tkcnt;
    for (int at = 0; at < n;) {
        i = splitat(v.data(), at, n, quoted, pct);
        if (i > at) piece(c, t, v.data(), at, i - at, kind, srcoff);
        if (i == n) break;
        int pl = piecelen(v.data() + i, v.data() + n);
        if (pl >= 2) eqechk(c, v.data() + i, pl, nullptr);
        piece(c, t, v.data(), i, pl, kind, srcoff);
        at = i + pl;
    }
    return c->tkcnt - before;
}

namespace {

// Release the records behind the end marker.
void tokcut(TK* endm) {
    TK* t = endm->next;
    endm->next = nullptr;
    while (t) {
        TK* n = t->next;
        if (t->flags & TK_OWNCOPY) cblgcorf(cm->gccb, &t->text, "tkwd");
        cblgcorf(cm->gccb, &t, "tkx");
        t = n;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Checks made before cutting
// ---------------------------------------------------------------------------

// The first quote of the text that no later same quote closes, or null.
// A "*" or the separator ends the search: what follows is a comment or
// another statement.
char* openquo(char* text, int sep) {
    for (char* p = text; *p; ++p) {
        if (*p == '*' || (sep != 0 && static_cast<unsigned char>(*p) == sep)) return nullptr;
        if (!(cls(*p) & CC_QUOTE)) continue;
        char* close = std::strchr(p + 1, *p);
        if (!close) return p;
        p = close;
    }
    return nullptr;
}

// The bracket that leaves the brackets unbalanced, or null.  Quoted texts
// are skipped; a "*" or the separator ends the search.
char* openbkt(char* text, int sep) {
    int depth = 0;
    char* lastopen = nullptr;
    for (char* p = text; *p; ++p) {
        if (*p == '*' || (sep != 0 && static_cast<unsigned char>(*p) == sep)) break;
        if (cls(*p) & CC_QUOTE) {
            char* close = std::strchr(p + 1, *p);
            if (!close) break;
            p = close;
        } else if (*p == '(') {
            ++depth;
            lastopen = p;
        } else if (*p == ')') {
            if (depth == 0) return p;
            --depth;
        }
    }
    return depth > 0 ? lastopen : nullptr;
}

namespace {

// The whole text as one blamed token, after an error found before cutting.
void wholetok(CUT& k, int err) {
    TK* t = tokprep();
    t->flags = TK_WORD | TK_BAD | TK_LAST;
    t->src = k.text;
    t->srclen = static_cast<std::int32_t>(k.end - k.text);
    tokfix(k.text, t->srclen);
    k.c->tkcnt = 1;
    seterr(err);
    k.c->tkerr = t;
}

// NUL bytes before len are shown as "." (error 273); an unclosed quote is
// error 271; unbalanced brackets (not in the parameter string, where they
// are not tokens) error 272.  Returns the error, 0 when the text is sound.
int precheck(CUT& k) {
    bool nul = false;
    for (char* p = k.text; p < k.end; ++p)
        if (*p == 0) {
            *p = '.';
            nul = true;
        }
    if (nul) return 273;
    if (openquo(k.text, k.sep)) return 271;
    if (!k.parm && openbkt(k.text, k.sep)) return 272;
    return 0;
}

// ---------------------------------------------------------------------------
// Cutting
// ---------------------------------------------------------------------------

TK* newtok(char* src, std::uint32_t flags) {
    TK* t = tokprep();
    t->flags = flags;
    t->src = src;
    return t;
}

void counted(CUT& k, TK* t) {
    k.c->tkcnt++;
    k.last = t;
}

// A quoted string from p: ends at the next same quote that is not doubled;
// a doubled quote stands for one.  Returns the position after it.
char* cutquote(CUT& k, char* p) {
    char q = *p;
    char* s = p + 1;
    char* e = s;
    bool doubled = false;
    while (e < k.end && !(*e == q && e[1] != q)) {
        if (*e == q) {
            doubled = true;
            ++e;
        }
        ++e;
    }
    TK* t = newtok(p, q == '\'' ? TK_APOS : TK_QUOT);
    if (e >= k.end) {  // openquo saw it closed; only a separator inside can do this
        t->srclen = static_cast<std::int32_t>(k.end - p);
        tokfix(s, static_cast<int>(k.end - s));
        tokbad(271);
        counted(k, t);
        return k.end;
    }
    t->srclen = static_cast<std::int32_t>(e + 1 - p);
    int n = static_cast<int>(e - s);
    if (!doubled) {
        tokfix(s, n);
    } else {
        // The value is shorter than its source by one byte per doubled
        // pair.  The source stays as written (the listing shows it), so the
        // value is built aside and tokfix keeps it in shortv or a copy.
        char* v = static_cast<char*>(cblgcore(k.c->gccb, n + 1, 0, "qq"));
        int m = 0;
        for (char* i = s; i < e; ++i) {
            v[m++] = *i;
            if (*i == q) ++i;
        }
        tokfix(v, m);
        cblgcorf(k.c->gccb, &v, "qq");
    }
    counted(k, t);
    char after = e[1];
    if (!(cls(after) & (CC_SPACE | CC_QUOTE | CC_BRKT | CC_MARK | CC_SIGN)) && !issep(k, after)) tokbad(277);
    if (!k.parm && tokchop(k.c)) k.last = tkc;
    return e + 1;
}

// A hexadecimal literal X'..' from p (p at the X).  Digits are paired from
// the right into a 279-byte area filled from its end; a pair that would be
// the 279th byte is error 276, while a single leading digit may still take
// that place.  A character other than a digit, blank or comma is error 275.
char* cuthex(CUT& k, char* p) {
    char q = p[1];
    char* s = p + 2;
    char* e = std::strchr(s, q);  // openquo saw it closed
    if (!e || e > k.end) e = k.end;
    TK* t = newtok(p, TK_HEX | (q == '\'' ? TK_APOS : TK_QUOT));
    t->srclen = static_cast<std::int32_t>((e < k.end ? e + 1 : e) - p);
    unsigned char area[TOKN_HEXMAX];
    int at = TOKN_HEXMAX;
    int half = -1;
    int err = 0;
    for (char* i = e - 1; i >= s; --i) {
        int v = kHexVal[static_cast<unsigned char>(*i)];
        if (v < 0) {
            if (*i != ' ' && *i != ',') err = 275;
            continue;
        }
        if (half < 0) {
            half = v;
        } else if (at == 1) {
            if (!err) err = 276;
            half = -1;
            break;
        } else {
            area[--at] = static_cast<unsigned char>(v << 4 | half);
            half = -1;
        }
    }
    if (half >= 0) area[--at] = static_cast<unsigned char>(half);
    tokfix(reinterpret_cast<char*>(area) + at, TOKN_HEXMAX - at);
    counted(k, t);
    if (err) tokbad(err);
    return e < k.end ? e + 1 : e;
}

// A comment from p (p at the "*"): to the next LF, CR or separator; to the
// end of the text when there is no separator, or when the "*" begins the
// text and is followed by "<".  It is no data token: marked 0x40 and 0x80,
// not counted, remembered for the listing.  Sets *stop when a lone CR ends
// it: that CR ends the statement like a separator.
char* cutcomment(CUT& k, char* p, bool* stop) {
    char* e = p;
    bool toend = k.sep == 0 || (p == k.text && p[1] == '<');
    if (toend) {
        e = k.end;
    } else {
        while (e < k.end && *e != '\n' && *e != '\r' && !issep(k, *e)) ++e;
    }
    TK* t = newtok(p, TK_DELIM | TK_USED);  // a comment keeps its case
    t->srclen = static_cast<std::int32_t>(e - p);
    tokfix(p, t->srclen);
    k.c->tkcmt = t;
    if (e < k.end && *e == '\r') {
        if (e[1] == '\n') return e + 1;  // CR LF: a line feed
        *stop = true;
        return e + 1;
    }
    return e;
}

// A word from p: ends at a blank, tab, "=", ",", quote, LF, CR, the
// separator, or (except in the parameter string) a bracket.  An "X" or "x"
// right before a quote begins the next token (a hexadecimal literal).
char* cutword(CUT& k, char* p) {
    char* e = p;
    while (e < k.end) {
        std::uint8_t cc = cls(*e);
        if ((cc & (CC_SPACE | CC_MARK)) || issep(k, *e)) break;
        if ((cc & CC_BRKT) && !k.parm) break;
        if (cc & CC_QUOTE) {
            if (e - 1 > p && (e[-1] == 'X' || e[-1] == 'x')) --e;
            break;
        }
        ++e;
    }
    TK* t = newtok(p, TK_WORD);
    t->srclen = static_cast<std::int32_t>(e - p);
    tokfix(p, t->srclen);
    counted(k, t);
    if (k.parm) return e;
    if (tokchop(k.c)) k.last = tkc;
    if (*e == '(') k.last->flags |= TK_LPAR_AFTER;
    if (*e == ')') k.last->flags |= TK_RPAR_AFTER;
    return e;
}

// The separator at p ends the statement: the token touching it is marked
// last, else an empty token marked last closes the chain.
void cutsep(CUT& k, char* p) {
    if (k.last && k.last->src + k.last->srclen == p) {
        k.last->flags |= TK_LAST;
        return;
    }
    TK* t = newtok(p, TK_LAST);
    t->text = kEmpty;
}

// Cut the text into tokens.  Returns the address behind the separator
// that ended the statement, or null at the end of the text.
char* cut(CUT& k) {
    char* p = k.text;
    while (p < k.end) {
        char ch = *p;
        std::uint8_t cc = cls(ch);
        if (issep(k, ch)) {
            cutsep(k, p);
            return p + 1;
        }
        if (cc & CC_SPACE) {
            ++p;
        } else if (cc & CC_MARK) {
            if (k.last) k.last->flags |= ch == '=' ? TK_EQSIGN : TK_COMMA;
            ++p;
        } else if ((cc & CC_BRKT) && !k.parm) {
            TK* t = newtok(p, ch == '(' ? TK_LPAR : TK_RPAR);
            t->srclen = 1;
            tokfix(p, 1);
            counted(k, t);
            ++p;
        } else if (cc & CC_QUOTE) {
            p = cutquote(k, p);
        } else if ((ch == 'X' || ch == 'x') && (cls(p[1]) & CC_QUOTE)) {
            p = cuthex(k, p);
        } else if (ch == '*') {
            bool stop = false;
            p = cutcomment(k, p, &stop);
            if (stop) return p;
        } else {
            p = cutword(k, p);
        }
    }
    if (k.last) k.last->flags |= TK_LAST;
    return nullptr;
}

}  // namespace

// Cut one statement.  text[len] must be a line feed and text[len+1] a NUL
// (sep flag TOKN_TERM puts them there for the call and restores the two
// bytes after); len -1 takes the string's length less one.  Returns the
// address behind the separator that ended the statement, or null.
char* tvltokn(CMV* c, char* text, int len, int sep) {
    if (len == -1) len = static_cast<int>(std::strlen(text)) - 1;
    char saved[2] = {0, 0};
    if (len >= 0 && (sep & TOKN_TERM)) {
        saved[0] = text[len];
        saved[1] = text[len + 1];
        text[len] = '\n';
        text[len + 1] = 0;
    }
    if (len < 0 || len > c->optp->contmax || text[len] != '\n' || text[len + 1] != 0) errlogic(3201);
    c->tkcnt = 0;
    c->tkerr = c->tkcur = c->tkcmt = nullptr;
    tkc = nullptr;
    CUT k{c, text, text + len, sep & 0xFF, (sep & TOKN_PARM) != 0, nullptr};
    char* rest = nullptr;
    if (int err = precheck(k)) wholetok(k, err);
    else rest = cut(k);
    // The end marker follows the last token.  When EQU entries exist the
    // records behind it are released, so that substituted groups never
    // meet stale records.
    TK* endm = tokprep();
    endm->flags = TK_END;
    if (c->eqehead) tokcut(endm);
    tkc = c->tkhead != endm ? c->tkhead : nullptr;
    if (sep & TOKN_TERM) {
        text[len] = saved[0];
        text[len + 1] = saved[1];
    }
    return rest;
}

// ---------------------------------------------------------------------------
// Consuming
// ---------------------------------------------------------------------------

// The next data token at or after tkc: not used, no delimiter, carrying
// neither or both substitution marks 0x100 and 0x200; null at the end.
TK* tokdata() {
    for (TK* t = tkc; t && !(t->flags & TK_END); t = t->next) {
        std::uint32_t eq = t->flags & (TK_EQV1 | TK_EQV2);
        if (!(t->flags & (TK_USED | TK_DELIM)) && (eq == 0 || eq == (TK_EQV1 | TK_EQV2))) return t;
    }
    return nullptr;
}

// Consume tkc and move tkc to the next unused token (null at the end
// marker).  Returns the consumed token's text.
char* tokdel() {
    if (!tkc || (tkc->flags & TK_END)) errlogic(3202);
    TK* t = tkc;
    t->flags |= TK_USED;
    constexpr std::uint32_t kEqGroup = TK_EQV1 | TK_EQV2 | TK_EQNAME;
    if ((t->flags & kEqGroup) == kEqGroup) t->flags = (t->flags & ~kEqGroup) | TK_EQDONE;
    cm->tkcnt--;
    cm->tkcur = t;
    TK* n = t->next;
    while (n && !(n->flags & TK_END) && (n->flags & (TK_USED | TK_EQSKIP))) n = n->next;
    tkc = (n && !(n->flags & TK_END)) ? n : nullptr;
    return t->text;
}

// Record error err and blame tkc for it; a statement keeps its first
// error and the token that error blamed.
void tokbad(int err) {
    bool first = cm->errnum == 0;
    seterr(err);
    if (first && tkc && cm->errnum == err) {
        tkc->flags |= TK_BAD;
        cm->tkerr = tkc;
    }
}

// The exact-entry test: word (1 to 15 bytes) upper-cased must equal an
// entry of the comma-separated list, bounded by commas or the list's
// ends.  The word is copied upper-cased into tk's shortv.  Returns tk's
// shortv (or the entry when tk is null) on a match, else null.
char* inlist(const char* list, const char* word, int len, TK* tk) {
    if (len < 1 || len > 15) return nullptr;
    char up[16];
    for (int i = 0; i < len; ++i) up[i] = static_cast<char>(ttab_uc[static_cast<unsigned char>(word[i])]);
    up[len] = 0;
    for (const char* e = list; *e;) {
        const char* comma = std::strchr(e, ',');
        int n = comma ? static_cast<int>(comma - e) : static_cast<int>(std::strlen(e));
        if (n == len && std::memcmp(e, up, len) == 0) {
            if (!tk) return const_cast<char*>(e);
            std::memcpy(tk->shortv, up, len + 1);
            return tk->shortv;
        }
        if (!comma) break;
        e = comma + 1;
    }
    return nullptr;
}

// If the next data token as a whole is an entry of list, consume it and
// return the keyword (its upper-case copy in shortv).  Quoted tokens,
// literals and pieces of split words never match.  (A keyword given
// through a declared variable is tried first once declarations exist.)
char* tokt(const char* list) {
    TK* t = tokdata();
    if (!t || (t->flags & (TK_APOS | TK_QUOT | TK_HEX | TK_PIECE))) return nullptr;
    char* k = inlist(list, t->text, t->len, t);
    if (!k) return nullptr;
    tkc = t;
    tokdel();
    return k;
}

// Search every token of the statement, from the first, for one that
// matches an entry of list: an entry of the same length, letters compared
// without regard to case, or an entry holding "*" or "?" as a pattern
// (cblmtch).  Quoted tokens, literals, used tokens, pieces of split words
// and empty substituted tokens are passed over.  The match is consumed;
// returns its text, or null.
char* tokf(const char* list) {
    constexpr std::uint32_t kSkip = TK_APOS | TK_QUOT | TK_HEX | TK_USED | TK_DELIM | TK_PIECE | TK_END;
    for (TK* t = cm->tkhead; t && !(t->flags & TK_END); t = t->next) {
        if ((t->flags & kSkip) || t->len == 0) continue;
        std::string name(t->text, static_cast<std::size_t>(t->len));
        for (const char* e = list; *e;) {
            const char* comma = std::strchr(e, ',');
            std::string ent(e, comma ? static_cast<std::size_t>(comma - e) : std::strlen(e));
            bool hit;
            if (ent.find_first_of("*?") != std::string::npos) {
                hit = cblmtch(name.c_str(), ent.c_str()) == 0;
            } else {
                hit = ent.size() == name.size();
                for (std::size_t i = 0; hit && i < ent.size(); ++i)
                    hit = ttab_uc[static_cast<unsigned char>(ent[i])] == ttab_uc[static_cast<unsigned char>(name[i])];
            }
            if (hit) {
                tkc = t;
                return tokdel();
            }
            if (!comma) break;
            e = comma + 1;
        }
    }
    return nullptr;
}

// The first token that analysis did not use (tkc is set to it), or null:
// at once when no data token is left uncounted; an empty token carrying a
// substitution mark, or the empty token that closes a chain, is no token.
TK* tokfu() {
    if (cm->tkcnt == 0) return nullptr;
    for (TK* t = cm->tkhead; t && !(t->flags & TK_END); t = t->next) {
        if (t->flags & (TK_USED | TK_DELIM)) continue;
        if (t->len == 0 && ((t->flags & (TK_EQV1 | TK_EQV2)) || t->srclen == 0)) continue;
        tkc = t;
        return t;
    }
    return nullptr;
}

// Give back the token that tokdel consumed last: it is counted again and
// becomes current.  Returns its text, or null when there is none.
char* tokrest() {
    TK* t = cm->tkcur;
    if (!t) return nullptr;
    if (t->flags & TK_EQDONE) t->flags = (t->flags & ~TK_EQDONE) | TK_EQV1 | TK_EQV2 | TK_EQNAME;
    if (t->flags & TK_USED) {
        t->flags &= ~TK_USED;
        cm->tkcnt++;
    }
    tkc = t;
    return t->text;
}
