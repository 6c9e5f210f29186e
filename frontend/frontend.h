// Control-language front end: tokens (TK), compiled statement nodes (CN),
// operand descriptors (FLD), @-names (AT), declared variables (DCL), EQU
// entries (EQE) and labels (LB).  The records are declared here so that the
// steps that build their parsers fill in routines, not move records around;
// members are added by the module that first needs them.
#pragma once
#include "frontend/optab.h"

#include <cstdint>
#include <type_traits>

struct CMV;
struct FLD;
struct CN;
struct LB;
struct FFREC;
struct AT;
struct DCL;

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
    CN*          prev;    // previous node of the statement chain
    std::int32_t sub;     // second code (optab.h): alignment AL_*, assignment BW_*, STACK STK_*, FLAG FLG_*,
                          // TRACE TRC_*, LINE 9, SPACE 8, print type (CN_TYP3) of print operations
    std::int32_t arg;     // conversion code, line count, SLEEP seconds, or CALL argument count
    void**       callv;   // CALL: argument addresses, one more than the arguments (tag "call")
    FLD*         reply;   // reply field of CP and of LOG with REPLY
    FLD*         operands;// chain of operand descriptors
    std::uint32_t opflags;// CN_OPF_* below
    std::int64_t limit;   // how many times the statement acts (stop-after count); 0 = no limit
    std::int32_t times;   // TIMES count; 0 = none
    LB*          label;   // GOTO/GOSUB target
    char*        cmtline; // copy of the statement's "*>" comment (tag "cmt"), or null
    std::int32_t cmtcol;  // column of the comment in the statement text, from 0
    std::int32_t cmtlen;  // bytes of the comment
    std::int32_t ordinal; // number of the node in the chain, from 1
    std::uint8_t dumpall; // PRINT: the statement's own DUMPALL: 0 the run's, 1 off, 2 on
    std::uint16_t dumpenc;// PRINT: the statement's own DUMPENC (first marker high), 0 the run's
    FFREC*       file;    // the statement's file (file operations, CAT, FLAG, CALL)
    std::uint32_t gkflags; // CN_GK_* below: what the operand parsers noted on the statement
    std::int32_t deftype; // default data type (FD_TYPE) given by a TYPE word; 0 none
    // Successor links, set by run preparation (tvlaa).
    CN*          tsucc;   // true successor: after this action, or when the condition holds
    CN*          fsucc;   // false successor: when the condition fails
    CN*          asucc;   // alternate successor while a START is pending
    CN*          btarget; // branch target of GOTO, GOSUB and GOTO GET
    // A condition element (IF, AND, OR, THEN IF, ELSE IF; tvlgi): typ1 is the
    // connective, typ2 the comparison code CC_* below.  File statements use
    // fld1 for their INTO or time operand.
    FLD*         fld1;    // first operand: the field tested (or the class-tested value)
    FLD*         fld2;    // second operand: the value compared with
    FLD*         fmlen;   // MATCHLEN operand, or null
    // Further operands of the record actions (tvlga): the third and fourth
    // (TRAN's table or strings, CHANGE's from and to strings, GEN's seed)
    // and the option slot (CHANGE's HITS, GEN's RANGE, DIV's REM).
    FLD*         fld3;
    FLD*         fld4;
    FLD*         fldopt;
    unsigned char* work;  // a block the action keeps across executions (tag "cnw"), or null
    std::int32_t worklen; // bytes of work
    std::uint32_t cflags; // CF_* below
    std::int32_t step;    // step of a search, 1 unless STEP
    AT*          ptr;     // @-name receiving the position a search found, or null
    char         cfill;   // fill character, blank unless given
    std::uint32_t nflags; // CNF_* below: facts run preparation and file definitions note
    // Run-time state kept by the selection loop (tvlss); zero after analysis.
    std::int64_t  cnt;     // times the action ran; failed tests of a condition element
    std::int32_t  repleft; // TIMES repeats left in the current pass
    std::int32_t  rc8cnt;  // times the statement raised return code 8
    std::uint32_t rflags;  // CNR_* below
};
static_assert(std::is_trivially_copyable_v<CN> && std::is_trivially_destructible_v<CN>);

// CN.opflags
constexpr std::uint32_t CN_OPF_CAT   = 0x2;       // a READ that has CAT files
constexpr std::uint32_t CN_OPF_CLEAR = 0x80;      // LOG with CLEAR
constexpr std::uint32_t CN_OPF_REPLY = 0x100;     // LOG with REPLY
constexpr std::uint32_t CN_OPF_MULTI = 0x400000;  // several operands

// CN_TYP2: the operation codes (OP_*) and their property table are in
// frontend/optab.h.

// Second codes (CN.sub) of an assignment (OP_ASSIGN): how each target
// byte is combined with its source byte (and, past the source, with the
// statement's fill character cfill).  ORDER BW
constexpr int BW_NONE = 30;  // plain move
constexpr int BW_AND  = 31;  // AND
constexpr int BW_OR   = 32;  // OR
constexpr int BW_XOR  = 33;  // XOR

// The statement kind of a node: an action (NOW, THEN, ELSE) or a
// condition element (IF, AND, OR, THEN IF, ELSE IF).  A null node is
// neither.
inline bool isaction(const CN* n) { return n && n->typ1 >= CN_NOW && n->typ1 <= CN_ELSE; }
inline bool iscond(const CN* n) { return n && n->typ1 >= CN_IF && n->typ1 <= CN_ELSEIF; }

// CN.gkflags: facts the operand parsers note on the statement node.
constexpr std::uint32_t CN_GK_TYPE   = 0x01;  // a TYPE word was written (simple form)
constexpr std::uint32_t CN_GK_LRECL  = 0x02;  // UXLRECL named: the record length may change
constexpr std::uint32_t CN_GK_DBCOL  = 0x04;  // a database column is named
constexpr std::uint32_t CN_GK_PACKED = 0x08;  // arithmetic of the statement is done in packed decimal
constexpr std::uint32_t CN_GK_PRTYPE = 0x10;  // a print form was given by TYPE

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
    std::uint32_t pflags;  // position flags, FP_* below
    FLD*          sub;     // end-position operand (length kind 6), or the FMT mask
    CMV*          owner;   // run context that made it
    std::int16_t  rtterms; // run-time work: address terms of the position; 0 after parsing
    std::uint8_t  argix;   // index of a subroutine argument (position kind 36), from 0
    std::uint8_t  rtstat;  // run-time resolution status; 0 after parsing
    AT*           pat;     // @-name giving the position (kind 4)
    AT*           lat;     // @-name giving the length (kind 4)
    std::uint32_t lflags;  // length flags, FL_* below
    DCL*          dcl;     // declared variable referred to
    void*         fde;     // database column description
    void*         qfd;     // query field description
    char          ibuf[8]; // inline buffer for a short placeholder set at run time
    std::int64_t  litlen;  // bytes of the literal; at run time the resolved length
    unsigned char* lit;    // literal data, NUL after it (not counted); at run time the resolved address
    double        fval;    // running value of a position evaluated in floating point
    std::int64_t  rpos;    // run-time 1-based position in the record; value of an integer value operand
    std::uint8_t  fill;    // fill character of an initial value; blank unless given
};
static_assert(std::is_trivially_copyable_v<FLD> && std::is_trivially_destructible_v<FLD>);

// FLD.pflags
constexpr std::uint32_t FP_LIT     = 0x2;         // a literal (with FP_LIT400 and FP_OWNLIT)
constexpr std::uint32_t FP_MORE    = 0x4;         // the position has further terms in next
constexpr std::uint32_t FP_PTRV    = 0x8;         // the value is the address an @-name holds
constexpr std::uint32_t FP_LE0     = 0x20;        // the position evaluated to 0 or less
constexpr std::uint32_t FP_VNAME   = 0x40;        // the position is a value name
constexpr std::uint32_t FP_SUBTR   = 0x80;        // the term is subtracted
constexpr std::uint32_t FP_HEXMASK = 0x200;       // (on an FMT mask) a hexadecimal mask
constexpr std::uint32_t FP_LIT400  = 0x400;       // a literal: a fixed address, no address term
constexpr std::uint32_t FP_TYPED   = 0x1000;      // TYPE was given explicitly
constexpr std::uint32_t FP_FDE     = 0x2000;      // position from a database column (fde)
constexpr std::uint32_t FP_QFD     = 0x4000;      // position from a query field (qfd)
constexpr std::uint32_t FP_DCL     = 0x8000;      // names a declared variable (dcl)
constexpr std::uint32_t FP_NUM     = 0x10000;     // numeric operand
constexpr std::uint32_t FP_OWNLIT  = 0x40000;     // lit is owned and freed with the record
constexpr std::uint32_t FP_FLOAT   = 0x200000;    // position arithmetic of the chain in floating point
constexpr std::uint32_t FP_AMP     = 0x400000;    // declared name written with a leading "&"
constexpr std::uint32_t FP_ATFORM  = 0x1000000;   // written as length AT/FROM/INTO position
constexpr std::uint32_t FP_PFX     = 0x2000000;   // followed a P/POS prefix
constexpr std::uint32_t FP_OUTSIDE = 0x2;         // (at run time) the operand lies outside the record
constexpr std::uint32_t FP_MATCHL  = 0x800000;    // a match-length result operand: an unset @-name is allowed
constexpr std::uint32_t FLD_FRESH  = 0x40000000;  // (both words) fresh record, reusable
// FLD.lflags
constexpr std::uint32_t FL_POS2    = 0x1;         // length derived from a second position
constexpr std::uint32_t FL_MORE    = 0x4;         // the length has further terms
constexpr std::uint32_t FL_LE0     = 0x20;        // the length evaluated to 0 or less
constexpr std::uint32_t FL_SUBTR   = 0x80;        // the length term is subtracted
constexpr std::uint32_t FL_FMT     = 0x100;       // an FMT mask hangs in sub
constexpr std::uint32_t FL_DCL     = 0x8000;      // the length names a declared variable
constexpr std::uint32_t FL_WINDOW  = 0x800;       // an explicit window: not clipped at the record end
constexpr std::uint32_t FL_DECL    = 0x80000;     // length taken from a declaration or definition
constexpr std::uint32_t FL_CONST   = 0x10000000;  // (set by run preparation) a constant operand: a
                                                  // record position of one number term and a number
                                                  // length, or a literal; tvlsc answers it directly

// POS_TYP: kinds of position and length terms (FLD.pkind, FLD.lkind).  ORDER POS_TYP
constexpr int PK_REC    = 1;   // record position (0-based) or plain length
constexpr int PK_END    = 2;   // (length) to the end of the record
constexpr int PK_AT     = 4;   // an @-name
constexpr int PK_DCLV   = 5;   // numeric declared variable used as a number
constexpr int PK_POS2   = 6;   // (length) up to the position in sub
constexpr int PK_ANY    = 7;   // (length) the whole record, ANY
constexpr int PK_IN     = 8;   // IN, INCOUNT, REC; (length) the file's record length
constexpr int PK_FT     = 9;   // FT; (length) the other operand's length
constexpr int PK_VAREA  = 10;  // a field of the run's value area
constexpr int PK_COMRG  = 11;  // COMRG, UPSI; (length) the second operand's length
constexpr int PK_CN     = 12;  // the current statement node
constexpr int PK_LINE   = 13;  // LINE; (length) a term with further terms
constexpr int PK_PCB    = 14;  // PCB, STATUS, SEG; (length) the subroutine argument's own
constexpr int PK_CBLNAME = 15; // CBLNAME
constexpr int PK_PARM   = 16;  // PARM, PARMS
constexpr int PK_LIT    = 19;  // a literal or fixed address
constexpr int PK_DSN    = 21;  // DSN
constexpr int PK_DIFF   = 22;  // Diff
constexpr int PK_FN     = 23;  // FN, FNAME
constexpr int PK_FSIZE  = 24;  // FSIZE
constexpr int PK_FHDR   = 25;  // FHDR
constexpr int PK_RPL    = 26;  // RPL
constexpr int PK_SQLDA  = 27;  // SQLDA
constexpr int PK_SQLMA  = 28;  // SQLMA
constexpr int PK_SQLCA  = 29;  // SQLCA
constexpr int PK_VOLID  = 30;  // VOLID
constexpr int PK_RBA    = 31;  // RBA
constexpr int PK_ARG    = 32;  // ARG, ARGS
constexpr int PK_NOW    = 33;  // NOW
constexpr int PK_SCALE  = 34;  // SCALE
constexpr int PK_WORK   = 35;  // declared variable in the work area
constexpr int PK_ARGN   = 36;  // subroutine argument name

// VN_ARGenm: what tvlvn parses, with two added bits.
constexpr int VN_LEN    = 1;   // a length
constexpr int VN_POS    = 2;   // a position
constexpr int VN_POS2   = 4;   // a second position
constexpr int VN_QCONT  = 8;   // a quoted token that follows continues the expression
constexpr int VN_DCLFLD = 16;  // declared variables are fields, never numbers

// Mode bits of tvlgk: the operand forms a statement allows.
constexpr long GK_TRY      = 0x1;         // tentative: on failure restore tokens and FLD, report nothing
constexpr long GK_POS      = 0x2;         // a record field: position, then optional length
constexpr long GK_LITPOS   = 0x4;         // a literal, or a field when P/POS comes next
constexpr long GK_VALUE    = 0x8;         // a number or @-name stands for its own value
constexpr long GK_POS2     = 0x10;        // the length may be a second position
constexpr long GK_FIELD    = 0x20;        // a field only: no default length, no literal fallback
constexpr long GK_FROM     = 0x40;        // FR/FROM is accepted as the AT keyword
constexpr long GK_AT       = 0x80;        // the form length AT position
constexpr long GK_LIT      = 0x100;       // an unquoted word may be a character literal
constexpr long GK_QLIT     = 0x200;       // a quoted literal is accepted
constexpr long GK_NUMLIT   = 0x400;       // a number may be a numeric literal
constexpr long GK_LENSHORT = 0x800;       // length keywords only LEN, LENGTH, L
constexpr long GK_NOL      = 0x1000;      // the single L is no length keyword
constexpr long GK_LENNEXT  = 0x2000;      // the length keyword must be the next token
constexpr long GK_INTO     = 0x4000;      // INTO is accepted as the AT keyword
constexpr long GK_TYPE     = 0x8000;      // attributes are parsed
constexpr long GK_ANYWHERE = 0x10000;     // AT/FROM/INTO anywhere in the statement
constexpr long GK_LENONLY  = 0x20000;     // only a length value follows
constexpr long GK_MORE     = 0x40000;     // continue a field whose position was parsed
constexpr long GK_RECPOS   = 0x80000;     // the operand must be a record position
constexpr long GK_NOLEN    = 0x100000;    // a position of 0 or less is no error
constexpr long GK_DEFC     = 0x200000;    // default type character
constexpr long GK_DEFB     = 0x400000;    // default type binary
constexpr long GK_DEFP     = 0x800000;    // default type packed; numbers become packed literals
constexpr long GK_STYLE    = 0x1000000;   // STYLE is accepted
constexpr long GK_NOW      = 0x2000000;   // the word NOW is an operand
constexpr long GK_FMT      = 0x4000000;   // FMT/FMAT/FORMAT is accepted
constexpr long GK_LITTAG   = 0x8000000;   // literal storage tagged "<lit"
constexpr long GK_QFIRST   = 0x10000000;  // a quoted first token is a literal at once


// Field operands (tvlgk.cpp).
int  tvlgk(FLD** slot, long mode);
int  fldmake(CMV* c, FLD** slot);
void fldkill(CMV* c, FLD** slot);
void fldfrsh(CMV* c, FLD** slot);
int  fldmult(CMV* c, FLD** slot);
int  fldmultn(CMV* c, FLD** slot, int max);  // at most max fields
FLD* fmtchk(FLD* owner, int next);
long qfdchk(FLD* f);
void gkgive(CMV* c, TK* t);     // give back a consumed token

// Value names and positions (tvlvn.cpp).
int  tvlvn(CMV* c, FLD** slot, int mode);
int  fldset(CMV* c, FLD** slot, int kind, long long value, int mode, int sign);
int  pospfx(CMV* c);
int  argfind(CMV* c, const char* name, int len);  // place of a subroutine argument name, or -1
int  atupdp(AT* at, char* address);
void* qfdfind(const char* name, int len);
long fdefind(const char* name, int len, void** out);
DCL* dclfind(const char* name, int len);

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
    std::int64_t  lastok;     // last value accepted for a bounded length
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
constexpr std::uint8_t AT_KIND_PTR     = 0x04;  // a record pointer
constexpr std::uint8_t AT_KIND_RECPTR  = 0x08;  // the record-start pointer "@"
constexpr std::uint8_t AT_KIND_SPECIAL = 0x10;  // special name
constexpr std::uint8_t AT_KIND_RECV    = 0x40;  // used in a receiving operand
constexpr std::uint8_t AT_KIND_SEND    = 0x80;  // used in a sending operand

// A declared variable (tag "dcl"), one per DCL statement, chained in the
// order of declaration from CMV.dclhead.  The block grows by the name:
// sizeof(DCL) plus the bytes of the name beyond the 8 of name[].
struct DCL {
    DCL*         next;    // next declared variable
    std::int32_t type;    // FD_TYPE
    std::int32_t style;   // FD_STYL
    std::int32_t digits;  // decimal digits
    std::int32_t scale;   // decimal places
    std::int64_t len;     // bytes, terminator or length prefix of a string included
    std::int64_t pos;     // 0-based: in the dynamic area, in the record (DCL_INREC), or from base
    DCL*         prev;      // previous variable
    std::uint32_t flags;    // DCL_* below
    char*        base;      // start of the value area a variable is placed over (DCL_VAREA)
    FLD*         init;      // initial value, or null
    FLD*         mask;      // edit mask (FMT), or null
    std::uint16_t namelen;  // bytes of the name
    char         name[8];   // the name, upper case, NUL-ended; the block grows past it
};
static_assert(std::is_trivially_copyable_v<DCL> && std::is_trivially_destructible_v<DCL>);

// DCL.flags
constexpr std::uint32_t DCL_INREC  = 0x1;    // placed in the record
constexpr std::uint32_t DCL_OVER   = 0x4;    // placed over another declared variable
constexpr std::uint32_t DCL_VAREA  = 0x8;    // placed over a value area
constexpr std::uint32_t DCL_NUM    = 0x10;   // numeric
constexpr std::uint32_t DCL_OWNBASE = 0x20;  // base is a literal's bytes the variable owns
constexpr std::uint32_t DCL_SUBTOT = 0x100;  // subtotal or break field
constexpr std::uint32_t DCL_TOTAL  = 0x200;  // total field

// Declarations (tvldcl.cpp).
int  dcl_rtn(CMV* c);
int  dcl_set(CMV* c, DCL* d);
DCL* dclmake(const char* name, int len);
void dclfree(CMV* c);  // releases every declared variable at end of run
int  dcl_ini(CMV* c, DCL* d);
int  dclprep(CMV* c);  // the dynamic area and the initial values, in run preparation
int  bshift(unsigned char* src, int len, int bits, unsigned char* dst, int dstlen);

// An EQU, parameter (%n) or environment (%name%) entry (tag "EQE").
struct EQE {
    EQE*         next;     // next entry
    std::int32_t namelen;  // bytes of the name
    std::int32_t vallen;   // bytes of the value text
    char*        value;    // the value text
    char         name[32]; // the name, NUL-ended (its first 31 bytes when longer)
    std::int32_t kind;     // EQE_* below
    std::uint32_t flags;   // EQF_* below
    char*        namep;    // the whole name (tag "eqen")
    std::int32_t nvals;    // number of value tokens
    TK*          vals;     // the value tokens, chained (records and texts tag "eqd")
};
static_assert(std::is_trivially_copyable_v<EQE> && std::is_trivially_destructible_v<EQE>);

// EQE.kind
constexpr int EQE_EQU   = 1;   // defined by an EQU statement
constexpr int EQE_PARM  = 2;   // a parameter reference %n
constexpr int EQE_ENV   = 3;   // an environment reference %name%
// EQE.flags
constexpr std::uint32_t EQF_SINGLE  = 0x01;  // single-token value
constexpr std::uint32_t EQF_NOVAL   = 0x40;  // no value
constexpr std::uint32_t EQF_REDEF   = 0x80;  // an environment entry that an EQU statement redefined

// An argument name of a label written with a colon (tag "ag").
struct LBARG {
    LBARG*       next;     // next argument name
    std::int32_t len;      // bytes of the name
    char*        name;     // the name, NUL-ended, following the record
};
static_assert(std::is_trivially_copyable_v<LBARG> && std::is_trivially_destructible_v<LBARG>);

// A label (tag "LB").
struct LB {
    LB*          next;     // next label
    CN*          node;     // the statement the label names; null while only referenced
    std::int32_t namelen;  // bytes of the name
    char         name[32]; // the name, NUL-ended (its first 31 bytes when longer)
    LB*          prev;     // previous label
    std::uint32_t flags;   // LBF_* below
    char*        namep;    // the whole name as written, NUL-ended, following the record
    LBARG*       args;     // argument names of a subroutine label
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

// Tokenizer additions for statement input and analysis (tvltokn.cpp).
TK*   tokfu();                                  // first token analysis did not use, or null
char* tokf(const char* list);                   // any token of the statement matching list
char* tokrest();                                // give back the token tokdel consumed last
char* openbkt(char* text, int sep);             // unbalanced bracket, or null
int   tokchop(CMV* c);                          // split tkc at "%", "+" and "-"

// LB.flags
constexpr std::uint32_t LBF_COLON = 0x01;  // written with a colon: takes arguments

// cmsw2 bits of statement analysis
constexpr std::uint32_t SW2_ONCE    = 0x01;  // the condition before acts once
constexpr std::uint32_t SW2_OR      = 0x02;  // the condition holds an OR
constexpr std::uint32_t SW2_LABMARK = 0x80;  // a label was defined: underline it in the listing
// cmsw4 bits of statement analysis
constexpr std::uint32_t SW4_CAT     = 0x02;  // a READ has CAT files
// CMV.lstsw bits of statement analysis (the others are the driver's LST_*)
constexpr std::uint32_t LST_SUMBITS = 0x700;   // summary levels 1 to 3
constexpr std::uint32_t LST_RECPRT  = 0x4000;  // a print statement prints records (type above 13)
constexpr std::uint32_t TK_EQCOPY   = 0x80000; // value token put in place of an EQU name

// Statement analysis (tvlctla.cpp).
int    tvlctla(CMV* c);
void   cnkill(CMV* c);   // release the nodes, EQU entries and labels
CN*    cnmake(CMV* c);
int    stmtseq(CMV* c);
EQE*   eqemake(const char* name, int len);
EQE*   eqefind(const char* name, int len);
EQE*   eqechk(CMV* c, const char* name, int len, TK* value);
LB*    labmake(CMV* c, int use, TK* t);
int    labx(const char* word, int len);
int    typechk(CMV* c, int use);
int    cvxx_kwd(const char* word, int len);
// Options helpers (tvlopt.cpp).
long   valnnn(CMV* c);
int    onoff();
void   opt_rtn(CMV* c, int how);
void   optfree(CMV* c);  // releases the texts options keep (end of run)
void   prt_geom(CMV* c, CN* node);
// Operation arguments (tvlga.cpp).
int    sartn(CMV* c);
int    tvlga(CMV* c, int type);
// Conditions (tvlgi.cpp) and file definitions (tvlfa.cpp).
int    tvlgi(CMV* c, int connective);
FFREC* tvlfa(CMV* c);

// ---------------------------------------------------------------------------
// Condition elements (tvlgi)
// ---------------------------------------------------------------------------
//
// One IF, AND, OR, THEN IF or ELSE IF statement compiles into one or more
// condition elements: CN nodes whose typ1 is the connective and whose typ2
// is the comparison code.  A list of comparands (IF P 1 GT 'A' LT 'Z')
// makes further elements with connective AND, the same first operand (the
// same FLD, not a copy), the same file, and selid -1000 minus the
// statement's number.  The selection loop evaluates:
//   codes 1-6    fld1 compared with fld2.  Without CF_ARITH the comparison
//                is of bytes: the shorter side is extended with cfill (when
//                CF_FILL) or the comparison runs over the shorter length.
//                With CF_ARITH both sides are numbers.
//                CF_SEARCH: fld2 is looked for inside fld1 (a range of two
//                positions when CF_RANGE, the whole record when fld1 has
//                length kind PK_ANY), every `step` bytes, backwards when
//                CF_REV, ignoring case when CF_CASEI; the position found is
//                stored in `ptr` (the record pointer "@" unless PTR named
//                another); codes other than 1 and 4 apply to the bytes
//                found.
//   codes 8-10   class of fld1: all bits on (8), mixed (9), all zero (10).
//   codes 17-21  class of fld1's bytes: digits, letters, letters and
//                digits, hexadecimal digits, octal digits.
//   codes 12-14  file state of `file` (the primary input when it had none;
//                nflags CNF_PRIMARY): directory (12), data (13), end of
//                file (14).  Code 14 marks its file FD_EOFTEST.
//   codes 15-16  the @-name of fld1 is (15) or is not (16) without value.
//   Counter tests: fld1 of position kind PK_IN (records read) or PK_LINE
//                (listing line), an 8-byte integer compared with fld2.
// CF_NOT negates the result.  Lengths a condition supplied: lkind
// PK_COMRG (11) takes the second operand's length, PK_FT (9) the first's,
// PK_PCB (14) a subroutine argument's own.
// Comparison codes (CN.typ2 of a condition element).  ORDER CC
constexpr int CC_EQ      = 1;   // EQ, EX, EXACT, and no operator
constexpr int CC_LT      = 2;   // LT, <
constexpr int CC_GT      = 3;   // GT, >
constexpr int CC_NE      = 4;   // NE, <>, NOT, ^
constexpr int CC_GE      = 5;   // GE, >=, =>, NLT, ^<, LOW, LO
constexpr int CC_LE      = 6;   // LE, <=, =<, NGT, ^>, HIGH, HI
constexpr int CC_ONES    = 8;   // ONES
constexpr int CC_MIXED   = 9;   // MIXED
constexpr int CC_ZEROS   = 10;  // ZEROS, ZEROES
constexpr int CC_DIR     = 12;  // DIR: directory state of a file
constexpr int CC_DATA    = 13;  // DATA
constexpr int CC_EOF     = 14;  // EOF
constexpr int CC_NULL    = 15;  // @-name EQ NULL
constexpr int CC_NOTNULL = 16;  // @-name NE NULL
constexpr int CC_NUM     = 17;  // NUM, NUMERIC
constexpr int CC_ALPHA   = 18;  // ALPHA
constexpr int CC_ALNUM   = 19;  // ALPHANUM, ALPHANUMERIC
constexpr int CC_HEXA    = 20;  // HEX, HEXADEC
constexpr int CC_OCT     = 21;  // OCT, OCTAL

// CN.cflags of a condition element
constexpr std::uint32_t CF_RANGE  = 0x100;     // fld1 is a range of two positions: search within it
constexpr std::uint32_t CF_LEN    = 0x200;     // fld1 has a written length
constexpr std::uint32_t CF_FILL   = 0x400;     // a fill character is given (cfill)
constexpr std::uint32_t CF_SEARCH = 0x800;     // fld2 is searched for inside fld1
constexpr std::uint32_t CF_STEP   = 0x1000;    // STEP given
constexpr std::uint32_t CF_REV    = 0x2000;    // REVERSE: search backwards
constexpr std::uint32_t CF_ARITH  = 0x4000;    // arithmetic comparison: both operands numeric
constexpr std::uint32_t CF_CASEI  = 0x8000;    // CASEI: letters compared without case
constexpr std::uint32_t CF_REGEXP = 0x10000;   // fld2 is a regular expression
constexpr std::uint32_t CF_NOT    = 0x800000;  // the result is negated
constexpr std::uint32_t CF_DIRECT = 0x1000000; // (set by run preparation) codes 1-6 by bytes of a
                                               // constant record field against a literal of its
                                               // length: do_if compares directly
// CN.cflags of an arithmetic action (ADD, SUB, MULT, DIV)
constexpr std::uint32_t CF_APACK  = 0x2;       // ADD or SUB of two packed operands without decimals
constexpr std::uint32_t CF_ADEC   = 0x4;       // an operand with decimals, a float result, a character or float operand

// CN.rflags: run-time state of a node
constexpr std::uint32_t CNR_RETIRED = 0x1;     // retired: its limit was reached, or its file ended
constexpr std::uint32_t CNR_REPEAT  = 0x2;     // a TIMES repeat is running
constexpr std::uint32_t CNR_DIFF    = 0x4;     // the element sets the difference pointer

// CN.nflags
constexpr std::uint32_t CNF_NEWBLK  = 0x1;     // a write starts a new block (NEWBLK)
constexpr std::uint32_t CNF_KEYED   = 0x2;     // keyed or positioned access
constexpr std::uint32_t CNF_PRIMARY = 0x4000;  // the node uses the primary input as its file
constexpr std::uint32_t CNF_CNTTEST = 0x8000;  // a counter test against a literal
constexpr std::uint32_t CNF_SHARED1 = 0x10000; // fld1 belongs to the element before (a list)
constexpr std::uint32_t CNF_COPY    = 0x20000; // the first-pass copy of START: owns no operand
constexpr std::uint32_t CNF_SHORT   = 0x40000; // (set by run preparation) a plain READ or WRITE: no
                                               // TIMES, limit, INTO, FROM, field list, NEWBLK, key,
                                               // LRECL change or record area; do_then runs it directly

// Conditions (tvlgi.cpp).
int setelem3(CMV* c, TK* start);
int isitarit(FLD* f);
int setfltv(FLD* f);

// File definitions (tvlfa.cpp).
void  seteol(CMV* c, const char* eol, int len);
void* loadit(FFREC* file, void** handle, const char* library, const char* symbol);
// Small option parsers shared with file definitions (tvlfopt.cpp).
char* tokfk(const char* list);
int chkfill(char* c);
int chk_pfx(CMV* c);
int kencrtn(CMV* c, int scope);
int workval(int min);
