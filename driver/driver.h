// Run driver: the run context CMV, the options block, the driver's globals
// and the entry points of the run's phases.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <type_traits>
#include "runtime/runtime.h"
#include "report/report.h"

struct FFCB;
struct FFREC;
struct CN;
struct TK;
struct AT;
struct EQE;
struct LB;
struct DCL;
struct FLD;
struct CALLF;

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
    std::uint8_t  headsw;       // 1 = HEAD given: head replaces the product heading
    std::uint8_t  headlen;      // bytes of head, 0 to 56 (0: HEAD NO, a blank heading)
    char          head[57];     // HEAD 'text', NUL-ended
    char          keyenc[2];    // key encoding brackets, "[]"
    std::int32_t  deffp;        // default floating-point format, 0 = none
    char*         defdir;       // DEFDIR: directory of relative data-file names (tag "dfd"), or null
    std::uint32_t dirtype;      // directory defaults: entry-type bits, 0 = the files' own
    std::int32_t  dirsub;       // directory defaults: sub-directory depth, -1 = not given
    std::int32_t  dirsort;      // directory defaults: sort letter, 0 = none, -1 = not given
    std::uint8_t  dirraw;       // directory defaults: 1 = raw entries
    std::uint8_t  envfail;      // ENVF_* below: what a %n or %name% without a value gives
    std::int32_t  envlen;       // bytes of envtext
    char*         envtext;      // ENVFAIL 'text' (tag "env"), or null
    char*         sqllog;       // SQL log file of the data-base link (tag "sql"), or null
    char*         libname;      // LIBNAME: the user-routine library (tag "libn"), or null
};
// OPTB.envfail
constexpr std::uint8_t ENVF_SAME   = 0;  // left as written
constexpr std::uint8_t ENVF_NUL    = 1;  // replaced by nothing
constexpr std::uint8_t ENVF_CANCEL = 2;  // error 152 (%n) or 160 (%name%); %n above the count is 152
constexpr std::uint8_t ENVF_TEXT   = 3;  // replaced by one token holding envtext

static_assert(std::is_trivially_copyable_v<OPTB> && std::is_trivially_destructible_v<OPTB>);

// The exit interface block: the words that called routines and line exits
// share with the run.  The special @-names mirror their words (the @-name's
// link is the word's offset in CMV).  Offsets are fixed for the routines
// outside the system, so they are checked below.
struct UXB {
    std::int64_t  incnt;      //  0 UXINCNT: records read from the current input
    std::int32_t  pd;         //  8 UXPD: page depth
    std::int32_t  pw;         // 12 UXPW: page width
    std::int32_t  dw;         // 16 UXDW: data width
    std::int32_t  line;       // 20 UXLINE: current line number on the page
    std::int32_t  linerem;    // 24 UXLINEREM: lines left on the page
    unsigned char pgno[4];    // 28 UXPGNO, PgNo: page number, packed decimal
    std::int64_t  lrecl;      // 32 UXLRECL: @-name LRECL
    std::int64_t  atptr;      // 40 UXATPTR: @-name "@", address of the record start
    std::int64_t  rsv48;      // 48 reserved, zero
    std::int64_t  adiff;      // 56 UXADIFF: @-name DIFF
    std::int32_t  rsv64[3];   // 64 reserved, zero
    std::int32_t  replyl;     // 76 UXREPLYL: @-name REPLYL
    std::int32_t  retsys;     // 80 UXRETSYS: @-name RETSYS
    std::int32_t  reascd;     // 84 UXREASCD: @-name REASCD
    std::int32_t  retvsam;    // 88 UXRETVSAM: @-name RETVSAM
    std::int32_t  retcd;      // 92 UXRETCD: @-name RETCD
    std::int32_t  rsv96[8];   // 96 reserved, zero
};
static_assert(sizeof(UXB) == 128 && offsetof(UXB, lrecl) == 32 && offsetof(UXB, atptr) == 40 &&
              offsetof(UXB, adiff) == 56 && offsetof(UXB, replyl) == 76 &&
              offsetof(UXB, retcd) == 92, "exit interface block layout");

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
    char*         ssnp;         // 72-byte data-base subsystem name block (tag "ssn"), SSN_* below
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
    unsigned char* dyna;        // the dynamic area of the declared variables (tag "wdyn"), or null
    std::int64_t  dynlen;       // bytes of it before its guard
    std::int64_t  worklen;      // bytes of the work area
    FFREC*        ffhead;       // the run's files, in order of definition
    void*         begblk;       // the block "beg" as the memory manager gave it
    char*         wline;        // the 528-byte statement work line (in "beg")
    char*         ctlname;      // statement file from -ctl or "<" (tag "ctl"), or null
    TK*           tkctl;        // the -CTL token, blamed for statement-file errors
    TK*           tkcmt;        // the comment token of the statement, for the listing
    char*         parmstmt;     // statements made from the parameter string (tag "pstm"), or null
    std::int32_t  parmstlen;    // bytes of parmstmt
    std::uint32_t drvsw;        // CM_DRV_* below
    char          namval[9];    // name given by -nam, 1 to 8 characters and NUL
    char*         logname;      // log file from -log (tag "log"), or null
    char**        argvp;        // the run's copy of the arguments (tag "arg")
    std::int32_t  optrngn;      // entries of optrng in use
    std::int32_t  optrng[16][2];// spans of the parameter string consumed by options (from, to)
    PRTS          prt;          // the print listing's state
    // Statement input (tvlin.cpp).
    char*         ccfirst;      // first saved-line block (tag "cc1"), or null
    char*         cccur;        // saved-line block being filled ("cc1" or "ccn")
    char*         contbuf;      // continuation buffer, contsize bytes (tag "cdwk"), or null
    std::int32_t  contsize;     // bytes of contbuf: OPTION CONTMAX, at least 4096
    std::int32_t  contlen;      // bytes joined so far in contbuf, 0 outside a continuation
    char*         contfirst;    // saved text of the first line of the continued statement
    char*         stmtsav;      // saved text of the current physical line
    char*         cardtext;     // data after END for the CARD input, lines ended by LF (tag "card")
    std::int32_t  cardlen;      // bytes of cardtext
    std::int32_t  selcnt;       // statement analysis: the next action's selection number, from 1
    std::int32_t  ifnest;       // statement analysis: IFs open in the sequence check
    std::int32_t  cncnt;        // nodes in the statement chain
    LB*           lbsub;        // the current subroutine label (written with a colon)
    LB*           lbtail;       // last label of the run's list
    EQE*          eqtail;       // last EQU entry of the run's list
    // The value area: value names of kind 10 address members of the run
    // context (CM is its start); see the value-name table in tvlvn.cpp.
    UXB           uxb;          // the exit interface block
    char          vdate[10];    // DATE: yyyy/mm/dd of the run's start
    unsigned char vdatecb[4];   // DATECB: 0yyyyddd packed, sign F
    std::uint32_t vnsw;         // CM_VN_* below: value names and @-names in use
    std::uint8_t  atuse;        // usage bits (AT_KIND_RECV/SEND) of the operand being compiled
    std::int8_t   opndix;       // operand of the statement being compiled: 1 first, 2 second; 0 unknown
    AT*           at_diff;      // special @-names: DIFF
    AT*           at_retsys;    //   RETSYS
    AT*           at_reascd;    //   REASCD
    AT*           at_retvsam;   //   RETVSAM
    AT*           at_replyl;    //   REPLYL
    AT*           at_rec;       //   "@", the record start
    // File definitions and run preparation.
    FFREC*        primary;      // the primary input, or null
    CN*           firstpass;    // the READ that made the primary input (START's first pass)
    CN*           cnstart;      // first node of the selection
    CN*           cnend;        // the end node (kind 9)
    std::int32_t  filetot;      // files the run counts (not dummies, not opened elsewhere)
    std::int32_t  dfltcnt;      // running number of DFLT file names
    std::int64_t  maxrec;       // largest record a READ INTO a declared variable takes
    std::int64_t  workmin;      // least work length asked by file definitions (workval)
    void*         callep;       // entry point of tvlcall under CALLTYPE VIA_TVLCALL
    unsigned char* workdyn;     // dynamic area of declared variables, or null (tag "wdyn")
    std::int64_t  workblk;      // bytes of the work-area block (tag "wrec")
    // Selection (tvlss.cpp) and the file actions (tvlsf.cpp).  During
    // selection cncur is the node being executed.
    CN*           cnstnode;     // the START node: where a cycle begins while a START is pending; null without START
    CN*           cnerrnd;      // node at which a selection-time error ended the run, or null
    std::int32_t  curstmt;      // statement number (selection number) of the node being executed
    std::uint32_t selsw;        // SEL_* (engine/engine.h)
    FFREC*        curfile;      // file of the action being executed, or null
    FFREC*        prevfile;     // file a concatenation has left, or null
    FFREC*        lastread;     // file of the last record read, or null
    std::int64_t  deflen;       // the run's default length, bytes
    unsigned char* recarea;     // the run's own record area, or null (the record stays in the file buffer)
    std::int64_t  recalen;      // bytes of recarea
    unsigned char* cmpladr;     // comparison being made: left operand's address
    std::int64_t  cmpllen;      //   and length
    unsigned char* cmpradr;     //   right operand's address
    std::int64_t  cmprlen;      //   and length
    std::int32_t  retstmt;      // statement number that set the return code; 0 none
    std::int32_t  trmask;       // masks cut to 256 bytes
    std::int64_t  woff;         // write offset: bytes a WRITE skips at the front of its operand
    unsigned char* flwa;        // field-list work area of WRITE (tag "flwa"), or null: the 528-byte common area serves
    std::int64_t  flwalen;      // bytes of flwa
    std::int64_t  flwask;       // bytes the last field list that did not fit needs (catflds)
    // Run-time positions and lengths (tvlsc.cpp).  The selection loop keeps
    // scanhit up to date (with deflen and curfile above); the rest is tvlsc's.
    unsigned char* scanhit;     // address of the last scan hit in the current record, or null
    unsigned char* scansnap;    // scanhit as it was when the scan pointer was last refreshed
    std::int64_t  reqlen;       // length asked by the last operand clipped at the record end, bytes
    CALLF*        callf;        // arguments of the subroutine call being executed, or null
    FLD*          curarg;       // the argument operand being resolved, or null
    unsigned char* scarea;      // scratch of one resolution: the fixed area an address term lies in
    std::int64_t  scarealen;    // bytes of scarea; -1 when the area is not known
    FFREC*        dsnfile;      // the file dsntext was built for, or null
    char          dsntext[256]; // DSN: directory, name, point and extension, a blank, blank-padded
    char          cblname[16];  // CBLNAME: name of the routine being called, blank-padded
    std::int32_t  cardfd;       // READ CARD: descriptor the CARD input reads on from (CM_STMT_CARDFD)
};
static_assert(std::is_trivially_copyable_v<CMV> && std::is_trivially_destructible_v<CMV>);
static_assert(sizeof(CMV) <= 3800, "the run context lives in the 3,800-byte block beg");

// A statement source, one per nesting level of INCLUDE (tag "ii"),
// chained both ways from CMV.iihead; CMV.iicur is the one being read.
struct II {
    II*           next;      // the source included from this one (newer), or null
    II*           prev;      // the source that included this one (older), or null
    FFREC*        file;      // the file entry of the source (statement-source kind)
    char*         rest;      // rest of the INCLUDE line, kept while the included source is read (tag "iibuf")
    std::int32_t  restlen;   // bytes of rest
    char*         fname;     // the source's name, NUL-ended (tag "iifn")
    std::int32_t  restcont;  // 0x1: rest is a continued text (first saved line restfirst); 0x2: of the parameter string
    char*         restfirst; // saved text of the first line of the rest
    std::int32_t  restoff;   // offset in rest where its next statement begins
};
static_assert(std::is_trivially_copyable_v<II> && std::is_trivially_destructible_v<II>);

// CMV.stmtsw
constexpr std::uint32_t CM_STMT_SUSP = 0x40;  // a SUSP statement was analysed
constexpr std::uint32_t CM_STMT_CARD = 0x80;  // data cards follow the statements
constexpr std::uint32_t CM_STMT_LONGW = 0x400; // a file definition asks for the long work area
constexpr std::uint32_t CM_STMT_DUMMY = 0x800; // the file name being resolved was written with DUMMY
constexpr std::uint32_t CM_STMT_CARDFD = 0x1000; // cardfd holds the statement source's descriptor for CARD
// CMV.linesw
constexpr std::uint32_t CM_LINE_REST = 0x08;  // the rest of the line is not statements
// CMV.termsw
constexpr std::uint32_t CM_TERM_STDIN = 0x08; // standard input is a terminal
constexpr std::uint32_t CM_TERM_KEYENCERR = 0x01; // a bad key encoding is an error (KEYENCERR)
constexpr std::uint32_t CM_LINE_DSNPFX = 0x1000000; // data-set names take the user-id prefix (DSNPFX)
// CMV.ssnp: the run's default data-base connection, three NUL-ended
// slots of SSN_SLOT bytes (values of at most 15 characters), set by the
// OPTION credentials
constexpr int SSN_SLOT = 16;
constexpr int SSN_NAME = 0;   // SSN: the subsystem name
constexpr int SSN_USER = 16;  // USER: the user id
constexpr int SSN_PASS = 32;  // ODBCPASS, OPASS: the password
// CMV.drvsw
constexpr std::uint32_t CM_DRV_LOGDONE = 0x01;  // the log line (heading and date) was written
constexpr std::uint32_t CM_DRV_VERSION = 0x02;  // -V: version request
constexpr std::uint32_t CM_DRV_LOGFILE = 0x04;  // the log is a file opened by -log
constexpr std::uint32_t CM_DRV_NOTRAP  = 0x08;  // -notr or -notrap: signals are not trapped
constexpr std::uint32_t CM_DRV_SITE    = 0x10;  // the site options file is being read

// CMV.lstsw and OPTB.lstsw: listing switches
constexpr std::uint32_t LST_REPORT = 0x04;   // report mode
constexpr std::uint32_t LST_SUM0   = 0x10;   // summary level 0: no summary
constexpr std::uint32_t LST_NOSTMT = 0x20;   // statements are not listed
constexpr std::uint32_t LST_SUM1   = 0x100;  // summary level 1
constexpr std::uint32_t LST_SUM2   = 0x200;  // summary level 2, the default
constexpr std::uint32_t LST_SUM3   = 0x400;  // summary level 3
// OPTB.logsw: log switches
constexpr std::uint32_t LOG_NOSTMTERR = 0x01; // first statement error not copied to the log
constexpr std::uint32_t LOG_NOSELERR  = 0x02; // first selection-time error not copied to the log

// CMV.vnsw
constexpr std::uint32_t CM_VN_UXLINE = 0x01;  // line exits are in use (UXLINE named)
constexpr std::uint32_t CM_VN_SCALE  = 0x02;  // the listing's scale line is used (SCALE)
constexpr std::uint32_t CM_VN_FHDR   = 0x04;  // file headers are used (FHDR)
constexpr std::uint32_t CM_VN_DIFF   = 0x08;  // DIFF is in use
constexpr std::uint32_t CM_VN_ATKEEP = 0x10;  // @-names are kept across statements
constexpr std::uint32_t CM_VN_QUERY  = 0x20;  // the run has query files

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
extern std::uint32_t cmsw3;     // switch word 3, SW3_* below and in engine.h
constexpr std::uint32_t SW3_VIATVLCALL = 0x02;   // CALLTYPE VIA_TVLCALL: routines called through tvlcall
constexpr std::uint32_t SW3_FILL       = 0x10;   // FILL in the site options file: every data file is filled
constexpr std::uint32_t SW3_MFC        = 0x100;  // MFC: files go through the external file handler
extern std::uint32_t cmsw4;     // switch word 4, SW4_* above
extern int           startsw;   // START state of the selection loop
extern int           savsiz;    // saved-line block size, 4096
extern volatile int  cmsigtot;  // signals intercepted so far
extern volatile int  cmsig_id;  // number of the last signal intercepted

extern volatile int  cmsigterm; // 1 while an intercepted SIGTERM awaits the run's check

int  tvlgg(int argc, char** argv);  // the run; result is the exit code
int  ab_set(int on);                // install or remove the signal trap
void ab_rtn(int signo);             // the signal handler
void ab_logfd(int fd);              // the descriptor the handler writes its line to
void ab_poll(CMV* c);               // ends the run with 88 when a SIGTERM is pending
[[noreturn]] void ab_end(CMV* c);   // the orderly end after SIGTERM: summary, close, exit 88
int  exitcode(long long retcd);     // the process exit status for a return code

// Test seam: when set, called at every step of the driver with the step's
// progress letter, before the check for a pending SIGTERM.  Null in runs.
extern void (*tvlgg_hook)(CMV* c, int step);

// Command-line helpers (tvlarg.cpp).
constexpr int ARG_MAXLINE = 515;    // longest parameter string
constexpr int ARG_MAXSPAN = 528;    // longest argument span redoarg rejoins
void  corscan(GCCB* gc, int argc, char** argv);
bool  helpword(int argc, char** argv);   // the command line asks for the usage text
void  usage(FILE* out);                  // the usage text
int   redoarg(CMV* c, int argc, char** argv);
char* argbeg(char* arg);
char* rdct(CMV* c, int kind, const char* value, char** name, int* len);
int   cblgcmd(char* buf, int size, int argc, char** argv);
int   optscan(CMV* c, int argc, char** argv);
// rdct kinds
constexpr int RDCT_CTL = 1;   // -ctl, "<" or 0xAE: statement file
constexpr int RDCT_LST = 2;   // -lst: listing file
constexpr int RDCT_LOG = 3;   // -log: log file
// Parameter string (tvlparm.cpp).
int  parmstr(CMV* c, int argc, char** argv);
void parmfree(CMV* c);
int  tvlaa(CMV* c);                 // run preparation
void geomset(CMV* c, FFREC* f);     // default the record geometry of one file
int  err523(CMV* c, CN* n);         // a file-state test or FLAG has a usable file: 0, else 523
void aakill(CMV* c);                // release what preparation made, and the statement chain

// Statement input (tvlin.cpp).
constexpr int WLINE_LEN  = 528;  // bytes of the statement work line
constexpr int WLINE_PFX  = 10;   // its blank prefix; the text begins at the 11th byte
constexpr int WLINE_READ = 516;  // read limit of a physical line into the work line
int   tvlin(CMV* c, int plen);                // read and analyse every statement (plen: tvlinparm's result)
int   tvlinparm(CMV* c);                      // close the parameter-string statements (before the prompt)
int   optnam(CMV* c);                         // read the site options file
void  stmtfree(CMV* c);                       // release sources, saved lines, buffers at the end of the run
char* getphys(CMV* c, char* buf, int size);   // next physical line of the current source
char* savphys(CMV* c, const char* text, int len);  // save a line; address of the saved text
int   gotcont(CMV* c, const char* text, int len);  // append a line to the continuation buffer
char* nextcont(char* text);                   // saved line after text in a continued statement
int   col_adj(char* first, char** line, int* col);  // physical line of a joined-text column
int   ctl_end(CMV* c, char* text, char* end); // close the parameter-string text; its length
II*   iimake(const char* name, int len);      // open a statement source
void  iiclose(CMV* c);                        // close the current source's file
int   get_sl(const char* text);               // length of a saved line
int   get_sn(const char* text);               // line number of a saved line
void  ctlkill(CMV* c);                        // release the saved statement lines

// The run context and the driver's fixed work areas, as the block "beg"
// holds them from its first 32-byte boundary.  Tests and benchmarks keep
// one in their own storage.
struct BEGB {
    CMV  cmv;                 // the run context
    OPTB opt;                 // the options block
    char wline[WLINE_LEN];    // the statement work line
    char date[CBLDATE_LEN];   // the date-time area, filled by cbldate
};
static_assert(std::is_trivially_copyable_v<BEGB> && std::is_trivially_destructible_v<BEGB>);

// A fresh run context in b: zeroed, the eye-catcher, the options block,
// work line and date area, the progress marker, the log on standard
// error, gc as its memory manager, and the run's defaults (separator "!",
// prefix "./", page 132 by 58, data width 100, error limit 10, summary
// level 2, continuation size 4,096, block size 2,048, "libtorv.so", the
// product heading and its underline).  The date area and the automatic
// variables LRECL and RETCD are the caller's.  Result: &b->cmv.
CMV* cmvinit(BEGB* b, GCCB* gc);
