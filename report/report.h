// Reporting: messages (tvlerr), the print listing (tvlprt) and the
// end-of-job summary (tvlff).
#pragma once
#include <cstdint>
#include <type_traits>

struct CMV;
struct FFCB;
struct FFREC;

// Record the error of the current statement; the first one is kept.
// seterr(0) clears it.  Returns the number.
int seterr(int number);
// Print the recorded error under its statement; returns the messages printed so far.
int tvlerr(CMV* c);
// Print a row of n marks at column col under a listed statement line.
void markrow(CMV* c, int col, int n, char mark);
// cmsw2: a label was defined; tvlerr underlines it under its statement.
constexpr std::uint32_t SW2_LABEL = 0x80;
// Internal inconsistency: print the logic-error line and end the process.
[[noreturn]] void errlogic(int number);

int tvlff(CMV* c);             // the end-of-job summary

// ---------------------------------------------------------------------------
// End-of-job summary (tvlff.cpp)
// ---------------------------------------------------------------------------

struct CN;

// The summary's work record: one, on the stack of tvlff, zeroed at the
// start.  Positions are columns of the printed line: line[0] is never
// printed, printing starts at line[1].
struct SUMS {
    CMV*          cmv;       // the run context
    CN*           node;      // the statement node being summarised
    std::int32_t  selid;     // selection number shown; -1 when no line is pending
    std::int32_t  grpend;    // last selection number of statements sharing the line
    std::int64_t  total;     // selection total shown
    FFREC*        file;      // the file being shown
    std::int32_t  linelen;   // greatest end column written into the line so far
    std::int32_t  lastend;   // end column of the last thing written
    std::int32_t  wbreak;    // SM_WB_* below: how a line too long for the page is cut
    std::int32_t  contcol;   // column where the rest of a long line goes on the next line
    char*         line;      // the line, SM_LINEMAX + 2 bytes, blank beyond linelen
    std::int32_t  level;     // summary level: 0 none, 1 basic, 2 operations, 3 statements
    std::int32_t  shift;     // 6 in statement-detail mode (file columns move right), else 0
    std::int64_t  outtot;    // selections of the statements that output records
    std::int32_t  cmtdone;   // 1 when the node's comment was shown (on a warning line)
    std::int32_t  termhead;  // 1 when the terminal heading line was written
};
static_assert(std::is_trivially_copyable_v<SUMS> && std::is_trivially_destructible_v<SUMS>);

constexpr int SM_LINEMAX = 1056;  // longest summary line; more is cut
constexpr int SM_PAGECOL = 133;   // columns of one printed piece
// SUMS.wbreak
constexpr int SM_WB_WORD = 0;     // a cut moves back to a blank in the last 10 columns
constexpr int SM_WB_HARD = 2;     // cut at the page column, blank or not

// Squeeze every run of blanks in text[0..len) to one; the new length.
int blank1(char* text, int len);

// The print type passed to tvlprt: the PT_* values below.
using CN_TYP3 = int;

// ---------------------------------------------------------------------------
// Print listing (tvlprt.cpp)
// ---------------------------------------------------------------------------

// CN_TYP3: the print type passed to tvlprt.  ORDER CN_TYP3
constexpr int PT_ECHO    = 1;   // statement echo: first character is carriage control
constexpr int PT_LINE    = 2;   // one line; closes a record scale that is showing
constexpr int PT_LINE3   = 3;   // one line under the column headers now showing
constexpr int PT_PRTABLE = 4;   // make each character of the text printable
constexpr int PT_UNPRTBL = 5;   // make each character of the text unprintable
constexpr int PT_CLOSE   = 7;   // close the listing
constexpr int PT_SPACE   = 8;   // space `number` lines
constexpr int PT_SKIPTO  = 9;   // space to line `number` of the page
constexpr int PT_ASA     = 11;  // one line with an ASA control character (TYPE S)
constexpr int PT_REPORT  = 12;  // as PT_LINE (report mode)
constexpr int PT_PREC    = 13;  // prepare the record-print header lines
constexpr int PT_DUMP    = 14;  // dump (TYPE D)
constexpr int PT_DUMPX   = 15;  // dump in hexadecimal only, no enclosure (TYPE DX)
constexpr int PT_DUMPA   = 16;  // dump (TYPE DA)
constexpr int PT_DUMPE   = 17;  // dump (TYPE DE)
constexpr int PT_ASIS    = 19;  // record as it stands (TYPE N)
constexpr int PT_CHAR    = 20;  // record in characters (TYPE C)
constexpr int PT_HEX     = 21;  // record in vertical hexadecimal, two lines (TYPE H)
constexpr int PT_BOTH    = 22;  // characters and hexadecimal, three lines (TYPE B)
constexpr int PT_MIX     = 23;  // mixed: character or vertical hex, two lines (TYPE M)
constexpr int PT_MIXC    = 24;  // as PT_MIX (TYPE MC)
constexpr int PT_MIXP    = 25;  // as PT_MIX (TYPE MP)

// The listing state, part of the run context (CMV.prt), zero at start.
// Geometry left 0 takes the run's defaults when the heading is prepared.
struct PRTS {
    FFCB*         fcb;        // file-control block of the listing (tag "ffc")
    FFREC*        file;       // the listing's file block
    const char*   name;       // name the listing was defined with
    const char*   text;       // text of the current call
    char*         work;       // print work line, buflen bytes (tag "prt")
    char*         hdr[4];     // record-print header lines 1 to 4, buflen bytes each (tag "prt")
    std::uint32_t flags;      // PR_* below
    std::int32_t  ccol;       // 1: every line gets one leading carriage-control character
    std::int32_t  pageno;     // number of the current page; 0 before the first
    std::int32_t  pagedepth;  // lines per page
    std::int32_t  linesleft;  // lines left on the current page
    std::int32_t  curtype;    // CN_TYP3 of the current call
    std::int32_t  showtype;   // CN_TYP3 whose column headers show; 19 and up: record lines
    std::int32_t  buflen;     // bytes of the work line and of each header line
    std::int32_t  hdrdw;      // data width the header lines were made for; 0 none made
    std::int16_t  headwidth;  // heading width in columns, 66 to 156
    std::int16_t  datawidth;  // record bytes per print line, 10 to 4096
    std::int16_t  reclencol;  // RECORD LENGTH column width: 8, or 0 under NORECLEN
    std::uint16_t dumpenc;    // dump enclosure: high byte ordinary lines, low byte "=same=" lines
    std::uint8_t  dumpall;    // 1: repeated dump lines are all printed
    std::uint8_t  stmtdall;   // the printing statement's DUMPALL: 0 the run's, 1 off, 2 on
    std::uint16_t stmtenc;    // the printing statement's DUMPENC, 0 = the run's
    std::uint16_t dest;       // destinations of this call: PD_* below; 0 = listing
    std::int16_t  need;       // lines the current type needs together
    std::int16_t  head1off;   // offset in CMV.heading where line 1 is printed from: 2, later 1
    std::int16_t  pagepos;    // offset of the page number in CMV.heading
    std::int32_t  selid;      // selection number of the statement being executed, 0 none
    std::int64_t  inrecs;     // records read from the current input file (selection columns)
    std::int64_t  selcnt;     // times the printing statement has acted (selection columns)
    char          head2[160]; // heading line 2, headwidth columns
};
static_assert(std::is_trivially_copyable_v<PRTS> && std::is_trivially_destructible_v<PRTS>);

// PRTS.flags
constexpr std::uint32_t PR_OPEN   = 0x01;  // the listing is open
constexpr std::uint32_t PR_HEADOK = 0x02;  // the page heading is prepared
constexpr std::uint32_t PR_CLOSED = 0x04;  // closed by PT_CLOSE; later lines are not written
constexpr std::uint32_t PR_SIGNAL = 0x08;  // a signal line was printed
constexpr std::uint32_t PR_BUSY   = 0x10;  // inside tvlprt (a logic error there must not recurse)
// PRTS.dest
constexpr std::uint16_t PD_LIST = 1;  // the listing
constexpr std::uint16_t PD_TERM = 2;  // the terminal (standard output)
constexpr std::uint16_t PD_LOG  = 4;  // the log stream (CMV.logfp)

// Print text of the given length (-1: NUL-terminated) as the print type;
// number is the statement number for PT_ECHO and the line count for
// PT_SPACE and PT_SKIPTO.
void tvlprt(const char* text, int length, int type, int number);
// Take the listing geometry, dump markers and heading again from the
// options block after an OPTION statement changed them; the heading lines
// are laid out anew for the next page (nothing while no heading is ready).
void prtlay(CMV* c);
// Print the line of an intercepted signal as a message line.
void prtsig(CMV* c, const char* line);
// Edit a number through a mask into out (as many characters as the mask).
void prtedit(char* out, const char* mask, long long value);

// Message file (tvlerr.cpp): load the half of "torvale.msg" that holds
// the number `first` (below 500, or 500 and up) once for the run; returns
// the lines taken.  msgfind gives the text of a number and its length, or
// the not-found text.
int msgload(CMV* c, int first);
const char* msgfind(CMV* c, int number, int* len);
