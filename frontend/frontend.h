// Control-language front end: tokens (TK), compiled statement nodes (CN),
// operand descriptors (FLD), @-names (AT), declared variables (DCL), EQU
// entries (EQE) and labels (LB).  The records are declared here so that the
// steps that build their parsers fill in routines, not move records around;
// members are added by the module that first needs them.
#pragma once
#include <cstdint>
#include <type_traits>

struct CMV;
struct FLD;
struct CN;

// One token of the current statement, chained (tag "tk").
struct TK {
    TK*           next;        // next token, or null
    TK*           prev;        // previous token, or null
    std::int32_t  work;        // cleared with the record; free for the parsers
    std::uint32_t flags;       // TK_* below
    std::int32_t  srclen;      // bytes of the token in the statement text, quotes included
    const char*   src;         // where the token begins in the statement text
    std::int32_t  len;         // bytes of the token's value
    char*         text;        // the value: into the statement text, shortv or an own copy
    char          shortv[16];  // short value with NUL, or its first five characters and "..."
};
static_assert(std::is_trivially_copyable_v<TK> && std::is_trivially_destructible_v<TK>);

// TK.flags
constexpr std::uint32_t TK_APOS    = 0x1;         // quoted with apostrophes
constexpr std::uint32_t TK_QUOT    = 0x2;         // quoted with quotation marks
constexpr std::uint32_t TK_HEX     = 0x4;         // hexadecimal literal
constexpr std::uint32_t TK_WORD    = 0x8;         // plain word
constexpr std::uint32_t TK_LAST    = 0x10;        // last token of the statement
constexpr std::uint32_t TK_BAD     = 0x20;        // blamed by an error
constexpr std::uint32_t TK_DELIM   = 0x40;        // delimiter or comment
constexpr std::uint32_t TK_USED    = 0x80;        // consumed
constexpr std::uint32_t TK_EQSIGN  = 0x1000;      // an "=" follows
constexpr std::uint32_t TK_COMMA   = 0x2000;      // a "," follows
constexpr std::uint32_t TK_OWNCOPY = 0x40000;     // text is an own copy
constexpr std::uint32_t TK_LPAR_AFTER = 0x100000; // word followed directly by "("
constexpr std::uint32_t TK_RPAR_AFTER = 0x200000; // word followed directly by ")"
constexpr std::uint32_t TK_LPAR    = 0x400000;    // the token is "("
constexpr std::uint32_t TK_RPAR    = 0x800000;    // the token is ")"
constexpr std::uint32_t TK_FRESH   = 0x10000000;  // fresh record, not yet filled
constexpr std::uint32_t TK_END     = 0x20000000;  // end marker of the chain
constexpr std::uint32_t TK_EQV1    = 0x100;       // EQU substitution: value token of an entry
constexpr std::uint32_t TK_EQV2    = 0x200;       // EQU substitution: value token of an entry
constexpr std::uint32_t TK_EQNAME  = 0x400;       // the token names an EQU entry
constexpr std::uint32_t TK_EQSKIP  = 0x800;       // stepped over by tokdel without being consumed
constexpr std::uint32_t TK_EQDONE  = 0x4000;      // consumed EQU name (0x100|0x200|0x400 moved here)
constexpr std::uint32_t TK_SPLIT   = 0x10000;     // split; srclen still covers the whole word
constexpr std::uint32_t TK_PIECE   = 0x20000;     // a piece of a split word

// tvltokn's sep argument: the separator in the low byte, and these flags.
constexpr int TOKN_PARM  = 0x100;  // parameter-string mode: no bracket tokens, no splitting
constexpr int TOKN_TERM  = 0x200;  // put LF and NUL at position len for the call, restore after
constexpr int TOKN_HEXMAX = 279;   // bytes of the hexadecimal literal value area

// Tokenizer (tvltokn.cpp).  The chain hangs from CMV.tkhead; tkc is the
// current token.
char* tvltokn(CMV* c, char* text, int len, int sep);
char* tokt(const char* list);
char* tokdel();
void  tokbad(int err);
TK*   tokdata();
TK*   tokmake();
TK*   tokprep();
void  tokreld(TK* t);
void  tokfix(const char* value, int len);
char* inlist(const char* list, const char* word, int len, TK* tk);
char* openquo(char* text, int sep);
int   strlen_ntb(const char* s, int len);
void  tokfree(CMV* c);   // release the whole token chain at the end of the run

// CN_TYP1: statement kinds.  ORDER CN_TYP1
constexpr int CN_NOW    = 1;
constexpr int CN_THEN   = 2;
constexpr int CN_ELSE   = 3;
constexpr int CN_IF     = 4;
constexpr int CN_AND    = 5;
constexpr int CN_OR     = 6;
constexpr int CN_THENIF = 7;
constexpr int CN_ELSEIF = 8;
constexpr int CN_END    = 9;   // end node; after END statement reading stops

// A compiled statement node (tag "CN").  Its members come with statement
// analysis and run preparation.
struct CN {
    CN*          next;    // next node of the statement chain
    std::int32_t typ1;    // CN_TYP1, statement kind
    std::int32_t typ2;    // CN_TYP2: operation code of an action, comparison code of a condition
    std::int32_t selid;   // selection number (actions), or the negative count
    std::int32_t lineno;  // statement line number
    std::int16_t colfirst;  // column (from 1) of the first token in its line
    std::int16_t lnlast;    // line number of the last token
    std::int16_t collast;   // column (from 1) of the last token's end
    char*        srctext;   // saved text of the statement's first line (statement input)
};
static_assert(std::is_trivially_copyable_v<CN> && std::is_trivially_destructible_v<CN>);

// An operand descriptor (tag "FLD"): position half, length half, type,
// style, digits, scale, literal and the terms of a composite operand.
struct FLD {
    FLD*          next;    // next term of a composite operand
    std::int32_t  pkind;   // POS_TYP of the position term
    std::int32_t  lkind;   // POS_TYP of the length term
    std::int64_t  pos;     // position (0-based) or value of the position term
    std::int64_t  len;     // length or value of the length term
    std::int32_t  type;    // FD_TYPE
    std::int32_t  style;   // FD_STYL for floats
    std::int32_t  digits;  // decimal digits
    std::int32_t  scale;   // decimal places
    std::uint32_t pflags;  // position flags
};
static_assert(std::is_trivially_copyable_v<FLD> && std::is_trivially_destructible_v<FLD>);

// A named @-pointer, one per distinct name of the run, in order of first
// use (tag: the name itself).  LRECL and RETCD are the automatic ones.
struct AT {
    AT*           next;       // next @-name
    std::int32_t  seq;        // place in the list, from 0
    std::uint8_t  state;      // AT_STATE_* below
    std::uint8_t  kind;       // AT_KIND_* below
    std::int64_t  link;       // offset of the mirroring word in the value area; 0 = none
    std::int64_t  value;      // the position (1-based) or value
    std::int32_t  namelen;    // bytes of the name
    char          name[126];  // the name as written, or the canonical special name, NUL-ended
};
static_assert(std::is_trivially_copyable_v<AT> && std::is_trivially_destructible_v<AT>);

// AT.state
constexpr std::uint8_t AT_STATE_NOVAL   = 0x20;  // no value yet
constexpr std::uint8_t AT_STATE_SET     = 0x01;  // has a value
constexpr std::uint8_t AT_STATE_OUTSIDE = 0x02;  // position outside record and work area
// AT.kind
constexpr std::uint8_t AT_KIND_BASE    = 0x20;  // base value
constexpr std::uint8_t AT_KIND_WORD4   = 0x01;  // interface word is 4 bytes (else 8)
constexpr std::uint8_t AT_KIND_BOUNDED = 0x02;  // bounded length value
constexpr std::uint8_t AT_KIND_RECPTR  = 0x08;  // the record-start pointer "@"
constexpr std::uint8_t AT_KIND_SPECIAL = 0x10;  // special name
constexpr std::uint8_t AT_KIND_RECV    = 0x40;  // used in a receiving operand
constexpr std::uint8_t AT_KIND_SEND    = 0x80;  // used in a sending operand

// A declared variable (tag "DCL").  Filled with declarations.
struct DCL {
    DCL*         next;    // next declared variable
    std::int32_t type;    // FD_TYPE
    std::int32_t style;   // FD_STYL
    std::int32_t digits;  // decimal digits
    std::int32_t scale;   // decimal places
    std::int64_t len;     // bytes
    std::int64_t pos;     // position in the work area or the dynamic area
    char         name[32];  // the name, NUL-ended
};
static_assert(std::is_trivially_copyable_v<DCL> && std::is_trivially_destructible_v<DCL>);

// An EQU, parameter (%n) or environment (%name%) entry (tag "EQE").
struct EQE {
    EQE*         next;     // next entry
    std::int32_t namelen;  // bytes of the name
    std::int32_t vallen;   // bytes of the value text
    char*        value;    // the value text
    char         name[32]; // the name, NUL-ended
};
static_assert(std::is_trivially_copyable_v<EQE> && std::is_trivially_destructible_v<EQE>);

// A label (tag "LB").
struct LB {
    LB*          next;     // next label
    CN*          node;     // the statement the label names
    std::int32_t namelen;  // bytes of the name
    char         name[32]; // the name, NUL-ended
};
static_assert(std::is_trivially_copyable_v<LB> && std::is_trivially_destructible_v<LB>);

// tvlfn: the file block of a name.  The kind says where the name comes
// from and how the file is used.  ORDER FN
struct FFREC;
constexpr int FN_STMT = 0;   // the name written in a statement
constexpr int FN_DEF  = 1;   // the name of a file definition
constexpr int FN_NAM  = 4;   // the site options file, read as lines
constexpr int FN_MSG  = 8;   // the message file, read as lines, searched for
constexpr int FN_SRC  = 16;  // a statement source, read as lines
constexpr int FN_LST  = 32;  // the print listing, written as lines
FFREC* tvlfn(CMV* c, int how, const char* name, int len);
// @-names (tvlvn.cpp).
AT*  atmake(const char* name, int len);
int  atupdv(AT* at, long long value);
int  atkillc(CMV* c);

// Statement analysis (tvlctla.cpp): analyse the statement in the token
// chain; its selection number for an action statement, else 0.
int tvlctla(CMV* c);
void cnkill(CMV* c);   // release the statement nodes
// Find or make the entry of a parameter (%n) or environment (%name%)
// reference that the tokenizer met.
EQE* eqechk(CMV* c, const char* name, int len, TK* value);
// Tokenizer additions for statement input and analysis (tvltokn.cpp).
TK*   tokfu();                                  // first token analysis did not use, or null
char* tokf(const char* list);                   // any token of the statement matching list
char* tokrest();                                // give back the token tokdel consumed last
char* openbkt(char* text, int sep);             // unbalanced bracket, or null
int   tokchop(CMV* c);                          // split tkc at "%", "+" and "-"
