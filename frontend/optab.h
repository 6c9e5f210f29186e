// Operation codes (CN_TYP2 of an action) and their property table: one row
// per code, 0 to 95, holding everything the subsystems need to know about
// a code: the statement words that select it, how its arguments are
// analysed, the name the summary shows, the class whose routine executes
// it, and its flags.  Statement analysis finds the words here, the
// selection loop dispatches on the class, run preparation and the loop
// count the productive codes, operand resolution reads the record-end
// flag, and the summary takes the names and the output total from here.
//
// A new operation is one row here, the parser of its arguments and one
// case in the module of its class.
#pragma once
#include <array>
#include <cstdint>

// ---------------------------------------------------------------------------
// The code list
// ---------------------------------------------------------------------------

// CN_TYP2: operation codes of actions.  Codes 23 to 36 are file actions,
// 37 and above the others; codes without a name here are reached by no
// statement.  ORDER CN_TYP2
constexpr int OP_READ    = 23;  // READ, RD, IN, INPUT, INP, GET
constexpr int OP_WRITE   = 24;  // WRITE, WR, OUTPUT, OUT, PUT; any statement no rule takes
constexpr int OP_REPL    = 25;  // REPL, REPLACE, REWRITE, UPD, UPDATE
constexpr int OP_INSERT  = 26;  // INS, ISRT, INSERT
constexpr int OP_DELETE  = 27;  // DEL, DELETE, DLET
constexpr int OP_FLUSH   = 28;  // FLUSH
constexpr int OP_DB2     = 31;  // DB2
constexpr int OP_ODBC    = 32;  // ODBC
constexpr int OP_OPEN    = 33;  // OPEN
constexpr int OP_CLOSE   = 34;  // CLOSE
constexpr int OP_TOUCH   = 36;  // TOUCH, UTIME
constexpr int OP_ATSET   = 40;  // @name = value
constexpr int OP_SPECIAL = 41;  // L, LEN, LRECL, RC, RETCD, ... = value
constexpr int OP_RANDOM  = 43;  // GEN, GENERATE, RANDOM
constexpr int OP_ARITH   = 44;  // arithmetic assignment
constexpr int OP_ADD     = 45;  // ADD
constexpr int OP_SUB     = 46;  // SUB, SUBTRACT
constexpr int OP_MULT    = 47;  // MULT, MULTIPLY
constexpr int OP_DIV     = 48;  // DIV, DIVIDE
constexpr int OP_MOVE    = 49;  // MOVE
constexpr int OP_ASSIGN  = 50;  // ASSGN, LET, MOD, P, POS; a declared name
constexpr int OP_ALIGN   = 51;  // CENTRE, CENTER, LEFT, RIGHT, ADJC, ADJL, ADJR
constexpr int OP_CMPRS   = 52;  // CMPRS, COMPRESS
constexpr int OP_EXPAND  = 53;  // EXPAND, EXPND, XPND, XPAND
constexpr int OP_TRAN    = 54;  // TR, TRAN, UPPER, LOWER, CVA, CVE
constexpr int OP_CONV    = 55;  // CVxy, PACK, PK, PACKB, UNPK, UNPKB
constexpr int OP_CVDT    = 56;  // CVDT, CVDATE
constexpr int OP_CHOP    = 57;  // CHOP, PARSE
constexpr int OP_CHANGE  = 58;  // C, CH, CHG, CHANGE
constexpr int OP_GOSUB   = 59;  // GOSUB, DO, PERFORM
constexpr int OP_RETURN  = 60;  // RET, RETURN
constexpr int OP_GOBOF   = 61;  // GOTO BOF
constexpr int OP_GOTO    = 62;  // GOTO, GO TO
constexpr int OP_GOGET   = 63;  // GG, GOTO GET
constexpr int OP_FLAG    = 64;  // FLAG, SIGNAL
constexpr int OP_SPACE   = 68;  // SPACE
constexpr int OP_LINE    = 69;  // LINE
constexpr int OP_SLEEP   = 70;  // SLEEP
constexpr int OP_DUMP    = 71;  // GOTO DUMP
constexpr int OP_PDUMP   = 72;  // PDUMP, GOTO PDUMP
constexpr int OP_SUSP    = 73;  // SUSP
constexpr int OP_START   = 74;  // START
constexpr int OP_EOJ     = 75;  // EOJ, STOP, GOTO EOJ
constexpr int OP_CALL    = 76;  // CALL
constexpr int OP_CANCEL  = 83;  // CANCEL, GOTO CANCEL
constexpr int OP_XV      = 84;  // EXV, EXECV, XV
constexpr int OP_CP      = 85;  // CP (not supported)
constexpr int OP_SYS     = 86;  // CMS, DOS, SYS, SYSTEM, TSO, UNIX
constexpr int OP_STACK   = 87;  // STACK
constexpr int OP_PRINT   = 89;  // PR, PRT, PRINT, SYSPRINT
constexpr int OP_PLOG    = 90;  // PLOG
constexpr int OP_LOG     = 91;  // LOG, WTO, TERM, SYSLOG
constexpr int OP_TRACE   = 94;  // TRACE, TRC
constexpr int OP_LAST    = 95;  // the highest code

// Second codes of an operation (CN.sub), by operation.
constexpr int AL_CENTRE  = 43;  // OP_ALIGN: centre
constexpr int AL_LEFT    = 44;  // OP_ALIGN: left
constexpr int AL_RIGHT   = 45;  // OP_ALIGN: right
constexpr int STK_FIFO   = 34;  // OP_STACK: first in, first out
constexpr int STK_LIFO   = 35;  // OP_STACK: last in, first out
constexpr int FLG_EOM    = 27;  // OP_FLAG: end of member
constexpr int FLG_EOD    = 28;  // OP_FLAG: end of directory
constexpr int FLG_EODSK  = 29;  // OP_FLAG: end of disk
constexpr int TRC_ON     = 46;  // OP_TRACE: on
constexpr int TRC_OFF    = 47;  // OP_TRACE: off
// OP_SPACE and OP_LINE carry the print type of their spacing (PT_SPACE 8,
// PT_SKIPTO 9); print operations carry the record print type (CN_TYP3).

// ---------------------------------------------------------------------------
// Columns of the table
// ---------------------------------------------------------------------------

// Classes: which routine executes a code.  The selection loop switches on
// the class (act in tvlss.cpp), one case per executing routine: file
// actions run in tvlsf, every other class runs in tvlsp today.  A routine
// that takes over a class (arithmetic in tvlsa, say) or a new class (for
// compress and expand in tvlsx) is one case there.  ORDER OC
constexpr std::uint8_t OC_NONE    = 0;  // no statement selects the code; nothing executes it
constexpr std::uint8_t OC_FILE    = 1;  // file action: tvlsf
constexpr std::uint8_t OC_RECORD  = 2;  // record action: changes data (tvlsp)
constexpr std::uint8_t OC_ARITH   = 3;  // arithmetic (tvlsp)
constexpr std::uint8_t OC_CONV    = 4;  // CVxx conversion (tvlsp)
constexpr std::uint8_t OC_CONTROL = 5;  // steers the walk, calls out, waits (tvlsp)
constexpr std::uint8_t OC_PRINT   = 6;  // prints or spaces the listing and the log (tvlsp)

// How the arguments of an operation are analysed (tvlctla).  ORDER HOW
enum class OPHOW : std::uint8_t {
    None,    // no arguments
    File,    // optional FILE or F, then the file definition
    Ga,      // operation arguments
    Goto,    // GET, EOJ, CANCEL, DUMP, PDUMP, BOF or a label
    Label,   // a label (GOSUB, DO, PERFORM)
    Line,    // LINE, SPACE: a count
    Sleep,   // SLEEP: a count and a unit
    Print,   // PRINT, PLOG, LOG: print options
    Stack,   // FIFO or LIFO
    Flag,    // a condition word, then the file
    Trace,   // ON or OFF, or a file
    Call,    // the routine, then its operands
    Start,   // START
    Susp,    // SUSP
    Cp,      // CP: not supported, reads its REPLY field
    Unsup,   // a word of this language that the system does not support
};

// OPROW.flags
constexpr std::uint32_t OPF_PROD   = 0x01;  // productive: the run goes on while one is live
constexpr std::uint32_t OPF_OUTPUT = 0x02;  // counts towards the summary's output total
constexpr std::uint32_t OPF_RECADR = 0x04;  // a record operand past the record end fails but keeps its address
constexpr std::uint32_t OPF_NOTYET = 0x08;  // the selection loop cannot run it yet: error 1, the word blamed
constexpr std::uint32_t OPF_ARG    = 0x10;  // the second code of a word (WORD=n) goes into arg, else into sub

// One row of the table.  The word list is comma-separated, upper case;
// an entry is "WORD", "WORD=n" (the word also sets the second code n, see
// OPF_ARG) or "WORD NEXT" (the word NEXT must follow it).  An empty list:
// the code is reached only through another word (GOTO BOF) or by the
// form of the statement (@name =).
struct OPROW {
    std::int16_t  code;   // CN_TYP2: the row's own index
    const char*   words;  // the statement words that select it
    const char*   name;   // the name the summary and the trace show
    std::uint8_t  cls;    // OC_*
    OPHOW         how;    // how its arguments are analysed
    std::uint32_t flags;  // OPF_*
};

// ---------------------------------------------------------------------------
// The table
// ---------------------------------------------------------------------------

// Row 0 holds the words this language knows and the system does not
// support: they keep code 0.  Rows 1 to 22 are no operations.  The names
// "-", "o" and "xx" mark unassigned codes.  The flag sets of the rows:
// productive are 24 to 36 and 82 up (READ is not: it only feeds the
// others), output 24 to 27 and 82 up, a record operand keeps its address
// from 38 to 88.  The short names below combine them.  ORDER CN_TYP2
constexpr std::uint32_t kOpPo  = OPF_PROD | OPF_OUTPUT;
constexpr std::uint32_t kOpPoR = OPF_PROD | OPF_OUTPUT | OPF_RECADR;
constexpr std::uint32_t kOpNy  = OPF_NOTYET;
constexpr std::uint32_t kOpR   = OPF_RECADR;
#define OPTAB_NOOP(n) {n, "", "####", OC_NONE, OPHOW::None, 0}
inline constexpr std::array<OPROW, OP_LAST + 1> kOptab = {{
//   code        words                                           name      class       how           flags
    {0,          "CHKP,ET,EXIT,GHN,GHNP,GHU,GN,GNP,GU,LOAD,MARC,ROLB,SORT,SYNC,XRST,JECL",
                                                                 "####",   OC_NONE,    OPHOW::Unsup, kOpNy},
    OPTAB_NOOP(1),  OPTAB_NOOP(2),  OPTAB_NOOP(3),  OPTAB_NOOP(4),  OPTAB_NOOP(5),  OPTAB_NOOP(6),
    OPTAB_NOOP(7),  OPTAB_NOOP(8),  OPTAB_NOOP(9),  OPTAB_NOOP(10), OPTAB_NOOP(11), OPTAB_NOOP(12),
    OPTAB_NOOP(13), OPTAB_NOOP(14), OPTAB_NOOP(15), OPTAB_NOOP(16), OPTAB_NOOP(17), OPTAB_NOOP(18),
    OPTAB_NOOP(19), OPTAB_NOOP(20), OPTAB_NOOP(21), OPTAB_NOOP(22),
    {OP_READ,    "READ,RD,IN,INPUT,INP,GET",                     "READ",   OC_FILE,    OPHOW::File,  0},
    {OP_WRITE,   "WRITE,WR,OUTPUT,OUT,PUT,F,FILE",               "WR",     OC_FILE,    OPHOW::File,  kOpPo},
    {OP_REPL,    "REPL,REPLACE,REWRITE,UPD,UPDATE",              "UPD",    OC_FILE,    OPHOW::File,  kOpPo},
    {OP_INSERT,  "INS,ISRT,INSERT",                              "INS",    OC_FILE,    OPHOW::File,  kOpPo},
    {OP_DELETE,  "DEL,DELETE,DLET",                              "DEL",    OC_FILE,    OPHOW::File,  kOpPo},
    {OP_FLUSH,   "FLUSH",                                        "FLSH",   OC_FILE,    OPHOW::File,  OPF_PROD},
    {29,         "",                                             "EXIT",   OC_FILE,    OPHOW::None,  OPF_PROD},
    {30,         "",                                             "CALL",   OC_FILE,    OPHOW::None,  OPF_PROD},
    {OP_DB2,     "DB2",                                          "DB2",    OC_FILE,    OPHOW::File,  OPF_PROD},
    {OP_ODBC,    "ODBC",                                         "ODBC",   OC_FILE,    OPHOW::File,  OPF_PROD},
    {OP_OPEN,    "OPEN",                                         "OPEN",   OC_FILE,    OPHOW::File,  OPF_PROD},
    {OP_CLOSE,   "CLOSE",                                        "CLOS",   OC_FILE,    OPHOW::File,  OPF_PROD},
    {35,         "",                                             "FINI",   OC_FILE,    OPHOW::None,  OPF_PROD},
    {OP_TOUCH,   "TOUCH,UTIME",                                  "UTIM",   OC_FILE,    OPHOW::File,  OPF_PROD},
    {37,         "",                                             "-",      OC_NONE,    OPHOW::None,  0},
    {38,         "",                                             "o",      OC_NONE,    OPHOW::None,  kOpR},
    {39,         "",                                             "o",      OC_NONE,    OPHOW::None,  kOpR},
    {OP_ATSET,   "",                                             "@z=",    OC_RECORD,  OPHOW::Ga,    kOpR},
    {OP_SPECIAL, "L,LEN,LRECL,RC,RETCD,RETCODE,RECSIZE,RETCMS,RETXV,RETSYS,REASCD,RETVSAM,REPLYL,DIFF,CMSRETCD",
                                                                 "@k=",    OC_RECORD,  OPHOW::Ga,    kOpR},
    {42,         "",                                             "-",      OC_NONE,    OPHOW::None,  kOpR},
    {OP_RANDOM,  "GEN,GENERATE,RANDOM",                          "gen",    OC_RECORD,  OPHOW::Ga,    kOpR},
    {OP_ARITH,   "",                                             "moda",   OC_ARITH,   OPHOW::Ga,    kOpR},
    {OP_ADD,     "ADD",                                          "add",    OC_ARITH,   OPHOW::Ga,    kOpR},
    {OP_SUB,     "SUB,SUBTRACT",                                 "sub",    OC_ARITH,   OPHOW::Ga,    kOpR},
    {OP_MULT,    "MULT,MULTIPLY",                                "mult",   OC_ARITH,   OPHOW::Ga,    kOpR},
    {OP_DIV,     "DIV,DIVIDE",                                   "div",    OC_ARITH,   OPHOW::Ga,    kOpR},
    {OP_MOVE,    "MOVE",                                         "move",   OC_RECORD,  OPHOW::Ga,    kOpR},
    {OP_ASSIGN,  "ASSGN,LET,MOD,P,POS",                          "mod",    OC_RECORD,  OPHOW::Ga,    kOpR},
    {OP_ALIGN,   "CENTRE=43,CENTER=43,LEFT=44,RIGHT=45,ADJC=43,ADJL=44,ADJR=45",
                                                                 "adj",    OC_RECORD,  OPHOW::Ga,    kOpR},
    {OP_CMPRS,   "CMPRS,COMPRESS",                               "cmprs",  OC_RECORD,  OPHOW::Ga,    kOpR},
    {OP_EXPAND,  "EXPAND,EXPND,XPND,XPAND",                      "xpnd",   OC_RECORD,  OPHOW::Ga,    kOpR},
    {OP_TRAN,    "TR,TRAN,UPPER,LOWER",                          "tran",   OC_RECORD,  OPHOW::Ga,    kOpR},
    {OP_CONV,    "PACK=52,PK=52,PACKB=57,UNPK=67,UNPKB=147",     "cvxx",   OC_CONV,    OPHOW::Ga,    kOpR | OPF_ARG},
    {OP_CVDT,    "CVDT,CVDATE",                                  "cvdate", OC_RECORD,  OPHOW::Ga,    kOpR},
    {OP_CHOP,    "CHOP,PARSE",                                   "chop",   OC_RECORD,  OPHOW::Ga,    kOpR},
    {OP_CHANGE,  "C,CH,CHG,CHANGE",                              "change", OC_RECORD,  OPHOW::Ga,    kOpR},
    {OP_GOSUB,   "GOSUB,DO,PERFORM",                             "do",     OC_CONTROL, OPHOW::Label, kOpR | kOpNy},
    {OP_RETURN,  "RET,RETURN",                                   "ret",    OC_CONTROL, OPHOW::None,  kOpR | kOpNy},
    {OP_GOBOF,   "",                                             "bof",    OC_CONTROL, OPHOW::None,  kOpR | kOpNy},
    {OP_GOTO,    "GOTO,GO TO",                                   "goto",   OC_CONTROL, OPHOW::Goto,  kOpR},
    {OP_GOGET,   "GG",                                           "gg",     OC_CONTROL, OPHOW::None,  kOpR},
    {OP_FLAG,    "FLAG,SIGNAL",                                  "flag",   OC_CONTROL, OPHOW::Flag,  kOpR | kOpNy},
    {65,         "",                                             "marc",   OC_CONTROL, OPHOW::None,  kOpR},
    {66,         "",                                             "load",   OC_CONTROL, OPHOW::None,  kOpR},
    {67,         "",                                             "sort",   OC_CONTROL, OPHOW::None,  kOpR},
    {OP_SPACE,   "SPACE=8",                                      "space",  OC_PRINT,   OPHOW::Line,  kOpR},
    {OP_LINE,    "LINE=9",                                       "line",   OC_PRINT,   OPHOW::Line,  kOpR},
    {OP_SLEEP,   "SLEEP",                                        "sleep",  OC_CONTROL, OPHOW::Sleep, kOpR | kOpNy},
    {OP_DUMP,    "",                                             "dump",   OC_CONTROL, OPHOW::None,  kOpR | kOpNy},
    {OP_PDUMP,   "PDUMP",                                        "pdump",  OC_CONTROL, OPHOW::None,  kOpR | kOpNy},
    {OP_SUSP,    "SUSP",                                         "susp",   OC_CONTROL, OPHOW::Susp,  kOpR},
    {OP_START,   "START",                                        "start",  OC_CONTROL, OPHOW::Start, kOpR},
    {OP_EOJ,     "EOJ,STOP",                                     "eoj",    OC_CONTROL, OPHOW::None,  kOpR},
    {OP_CALL,    "CALL",                                         "call",   OC_CONTROL, OPHOW::Call,  kOpR | kOpNy},
    {77,         "",                                             "xx",     OC_NONE,    OPHOW::None,  kOpR},
    {78,         "",                                             "xx",     OC_NONE,    OPHOW::None,  kOpR},
    {79,         "",                                             "xx",     OC_NONE,    OPHOW::None,  kOpR},
    {80,         "",                                             "xx",     OC_NONE,    OPHOW::None,  kOpR},
    {81,         "",                                             "xx",     OC_NONE,    OPHOW::None,  kOpR},
    {82,         "",                                             "-",      OC_NONE,    OPHOW::None,  kOpPoR},
    {OP_CANCEL,  "CANCEL",                                       "cancel", OC_CONTROL, OPHOW::None,  kOpPoR},
    {OP_XV,      "EXV,EXECV,XV",                                 "xv",     OC_CONTROL, OPHOW::Ga,    kOpPoR},
    {OP_CP,      "CP",                                           "cp",     OC_CONTROL, OPHOW::Cp,    kOpPoR | kOpNy},
    {OP_SYS,     "CMS,DOS,SYS,SYSTEM,TSO,UNIX",                  "sys",    OC_CONTROL, OPHOW::None,  kOpPoR | kOpNy},
    {OP_STACK,   "STACK=34",                                     "stack",  OC_CONTROL, OPHOW::Stack, kOpPoR | kOpNy},
    {88,         "",                                             "jecl",   OC_CONTROL, OPHOW::None,  kOpPoR},
    {OP_PRINT,   "PR,PRT,PRINT,SYSPRINT",                        "pr",     OC_PRINT,   OPHOW::Print, kOpPo},
    {OP_PLOG,    "PLOG",                                         "plog",   OC_PRINT,   OPHOW::Print, kOpPo},
    {OP_LOG,     "LOG,WTO,TERM,SYSLOG",                          "log",    OC_PRINT,   OPHOW::Print, kOpPo},
    {92,         "",                                             "ckpt",   OC_CONTROL, OPHOW::None,  kOpPo},
    {93,         "",                                             "dummy",  OC_CONTROL, OPHOW::None,  kOpPo},
    {OP_TRACE,   "TRACE,TRC",                                    "dummr",  OC_CONTROL, OPHOW::Trace, kOpPo | kOpNy},
    {95,         "",                                             "quit",   OC_CONTROL, OPHOW::None,  kOpPo},
}};
#undef OPTAB_NOOP

// Row n describes code n.
constexpr bool optab_ordered() {
    for (std::size_t i = 0; i < kOptab.size(); ++i)
        if (kOptab[i].code != static_cast<int>(i)) return false;
    return true;
}
static_assert(optab_ordered(), "kOptab: row n must hold code n (ORDER CN_TYP2)");

// ---------------------------------------------------------------------------
// Accessors
// ---------------------------------------------------------------------------

// The row of a code; a code outside the table gets row 0 (no operation).
constexpr const OPROW& optab(int code) { return code >= 0 && code <= OP_LAST ? kOptab[code] : kOptab[0]; }
constexpr std::uint8_t opclass(int code) { return optab(code).cls; }
constexpr bool opflag(int code, std::uint32_t flag) { return (optab(code).flags & flag) != 0; }
constexpr const char* opname(int code) { return optab(code).name; }

// One entry of a word list, as opwnext splits it.
struct OPWORD {
    const char*  word;     // the word
    std::int32_t len;      // its bytes
    std::int32_t second;   // n of "WORD=n", else 0
    const char*  next;     // the word that must follow ("WORD NEXT"), or null
    std::int32_t nextlen;  // its bytes
};

// Split the entry of a word list that starts at p into *w.  Returns where
// the next entry starts, or null when p is at the end of the list.
constexpr const char* opwnext(const char* p, OPWORD* w) {
    if (!p || !*p) return nullptr;
    *w = OPWORD{p, 0, 0, nullptr, 0};
    while (p[w->len] && p[w->len] != ',' && p[w->len] != '=' && p[w->len] != ' ') ++w->len;
    p += w->len;
    if (*p == '=')
        for (++p; *p >= '0' && *p <= '9'; ++p) w->second = w->second * 10 + (*p - '0');
    if (*p == ' ') {
        w->next = ++p;
        while (p[w->nextlen] && p[w->nextlen] != ',') ++w->nextlen;
        p += w->nextlen;
    }
    return *p == ',' ? p + 1 : p;
}
