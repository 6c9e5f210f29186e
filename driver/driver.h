// Run driver: the run context CMV, the options block, the driver's globals
// and the entry points of the run's phases.
#pragma once
#include <cstdint>
#include <cstdio>
#include <type_traits>
#include "runtime/runtime.h"

struct FFCB;
struct FFREC;
struct CN;
struct TK;
struct AT;
struct EQE;
struct LB;
struct DCL;

// The options block: run-wide settings.  Defaults are set by the driver;
// OPTION statements change them.
struct OPTB {
    char          sep;          // statement separator, "!"
    char          pfx[3];       // statement-line prefix, "./"
    std::uint32_t lstsw;        // listing switches
    std::uint32_t logsw;        // log switches
    std::int32_t  worklen;      // work area length; 0 = not set
    char          fill;         // fill character for output records, blank
    std::uint8_t  trap;         // 1 = trap signals
    std::uint8_t  rdw;          // 1 = record descriptor words shown (RDW); 0 = NORDW
    std::uint8_t  banner;       // 1 = heading line on the log
    std::int32_t  rckeynf;      // key-not-found return code, 0
    std::int32_t  tabsin;       // tab width on input, 0
    std::int32_t  tabsout;      // tab width on output, 0
    std::int32_t  contmax;      // continuation buffer size, 4096
    std::int32_t  prtsum;       // summary print level, 2
    std::int32_t  pagewidth;    // page width, 132
    std::int32_t  datawidth;    // data width, 100
    std::int32_t  pagedepth;    // page depth, 58
    std::int32_t  errlim;       // error limit, 10
    std::int32_t  blksize;      // default block size, 2048
    std::int32_t  prtcnt;       // default print count, 0 = no limit
    std::uint8_t  envvar;       // 1 = parameter and environment substitution
    std::uint8_t  report;       // 1 = report mode
    std::uint8_t  reclen;       // 1 = record length shown in prints
    std::uint8_t  dumpall;      // 1 = dump of all characters
    char          dumpenc[2];   // dump marker characters, "|" and ":"
    char          keyenc[2];    // key encoding brackets, "[]"
    std::int32_t  deffp;        // default floating-point format, 0 = none
};
static_assert(std::is_trivially_copyable_v<OPTB> && std::is_trivially_destructible_v<OPTB>);

// The run context, one per run, in the 3,800-byte block "beg".
struct CMV {
    char          eyecatch[4];  // "*CM*"
    OPTB*         optp;         // the options block
    GCCB*         gccb;         // the memory manager's control block
    FILE*         logfp;        // the log: standard error or the -log file
    char*         datep;        // date/time area filled once at start
    char*         lstname;      // listing name from -lst (tag "lst"), or null
    const char*   relp;         // release text "3.50.022 2021/07/07 16:17"
    void*         gcore_fn;     // cblgcore, for called user routines
    void*         gcorf_fn;     // cblgcorf, for called user routines
    char*         ssnp;         // 72-byte data-base subsystem name block (tag "ssn")
    std::int32_t  linelen;      // bytes of the current statement text
    std::int32_t  linecnt;      // physical statement lines read; 0 for the command line
    std::int16_t  errnum;       // error recorded for the current statement, 0 if none
    std::int16_t  errsub;       // detail number selecting an explanation line
    std::int16_t  errcnt;       // messages printed so far
    std::int16_t  errmax;       // errors after which statement reading stops, 10
    std::int32_t  argcnt;       // the argument count
    char*         parmall;      // whole parameter string, blank-padded to >= 80 (tag "parm")
    char*         parmpos;      // positional values with their spacing, >= 80 (tag "parm")
    std::int32_t  parmcnt;      // number of positional values, 0 to 9
    std::uint32_t stmtsw;       // CM_STMT_* below
    std::uint32_t linesw;       // CM_LINE_* below
    std::uint32_t termsw;       // CM_TERM_* below
    TK*           tkhead;       // first token of the current statement
    std::int16_t  tkcnt;        // data tokens not yet used
    TK*           tkerr;        // token blamed by the current error
    TK*           tkcur;        // token to blame when no other is current
    CN*           cncur;        // node of the statement just analysed
    std::int32_t  lastkind;     // CN_TYP1 of the last statement; 9 after END
    void*         iihead;       // chain of statement sources
    void*         iicur;        // current statement source
    FFCB*         ctlfcb;       // file control block: statements, options, messages
    FFCB*         datfcb;       // file control block: data files
    std::uint32_t lstsw;        // listing switches; 0x20: statements not listed
    std::int16_t  pagedepth;    // listing lines per page, 58
    std::int16_t  pagewidth;    // listing columns, 132
    std::int16_t  linesused;    // lines used on the current page
    char          heading[160]; // page heading, from its LF CR
    char          underline[160]; // row of "-" as long as the heading
    char          logline[224]; // heading and date line written to the log
    char*         msgtext;      // cached text of the message file
    char*         errextra;     // text to append to the next message
    char          trace[16];    // progress marker, 15 characters and NUL
    const char*   calllib;      // "libtorv.so"
    AT*           at_lrecl;     // automatic variable LRECL
    AT*           at_retcd;     // automatic variable RETCD
    AT*           athead;       // list of @-names
    EQE*          eqehead;      // EQU, parameter and environment entries
    LB*           lbhead;       // labels
    DCL*          dclhead;      // declared variables
    CN*           cnhead;       // first node of the statement chain
    unsigned char* currec;      // the current record
    std::int64_t  curlen;       // bytes of the current record
    unsigned char* worka;       // the work area
    std::int64_t  worklen;      // bytes of the work area
    FFREC*        ffhead;       // the run's files, in order of definition
};
static_assert(std::is_trivially_copyable_v<CMV> && std::is_trivially_destructible_v<CMV>);
static_assert(sizeof(CMV) <= 3800, "the run context lives in the 3,800-byte block beg");

// CMV.stmtsw
constexpr std::uint32_t CM_STMT_SUSP = 0x40;  // a SUSP statement was analysed
constexpr std::uint32_t CM_STMT_CARD = 0x80;  // data cards follow the statements
// CMV.linesw
constexpr std::uint32_t CM_LINE_REST = 0x08;  // the rest of the line is not statements
// CMV.termsw
constexpr std::uint32_t CM_TERM_STDIN = 0x08; // standard input is a terminal

// cmsw4 bits the driver reads or sets
constexpr std::uint32_t SW4_INCLUDE  = 0x100;   // INCLUDE switched the statement source
constexpr std::uint32_t SW4_CTLFILE  = 0x200;   // statements come from -ctl (or <)
constexpr std::uint32_t SW4_PARMCTL  = 0x400;   // parameter string holds statements
constexpr std::uint32_t SW4_PARMPOS  = 0x800;   // parameter string holds positional values
constexpr std::uint32_t SW4_PARMEND  = 0x1000;  // parameter string ends with END
constexpr std::uint32_t SW4_PARMSTAR = 0x2000;  // parameter string ends with "/*"

// Globals beside the context.
extern CMV*          cm;        // the run context
extern TK*           tkc;       // current-token cursor
extern std::uint32_t cmsw2;     // switch word 2
extern std::uint32_t cmsw3;     // switch word 3
extern std::uint32_t cmsw4;     // switch word 4, SW4_* above
extern int           startsw;   // START state of the selection loop
extern int           savsiz;    // saved-line block size, 4096
extern volatile int  cmsigtot;  // signals intercepted so far
extern volatile int  cmsig_id;  // number of the last signal intercepted

int  tvlgg(int argc, char** argv);  // the run; result is the exit code
int  ab_set(int on);                // install or remove the signal trap
void ab_rtn(int signo);             // the signal handler
int  tvlaa(CMV* c);                 // run preparation
