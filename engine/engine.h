// Execution engine: the selection loop and the actions it runs.
#pragma once
#include <cstdint>

struct CMV;
struct CN;
struct DCL;
struct FFREC;
struct FLD;

// Action result codes returned to the selection loop.  ORDER ACT_RC
constexpr int ACT_GO     = 0;   // go on
constexpr int ACT_ERROR  = 1;   // end the run in error
constexpr int ACT_BRANCH = 4;   // go to the branch target
constexpr int ACT_END    = 8;   // end the run normally
constexpr int ACT_ALT    = 16;  // go to the alternate successor
constexpr int ACT_EOF    = -1;  // end of file on the statement's file

// CMV.selsw: switches of the selection loop
constexpr std::uint32_t SEL_ERROR = 0x1;   // a selection-time error ended the run
constexpr std::uint32_t SEL_DIFF  = 0x2;   // comparisons set the difference pointer (DIFF)
constexpr std::uint32_t SEL_TRACE = 0x4;   // trace switch on: DO and GOTO write trace lines
constexpr std::uint32_t SEL_END   = 0x8;   // the run is ending: the walk stops at the chain's end

// cmsw3 bits of the selection loop
constexpr std::uint32_t SW3_ACTEND = 0x40;  // an action ended the run (EOJ and the like)

// Return codes of the run's stages and of selection.
constexpr int RC_WARN5  = 5;   // a record padded or truncated on output
constexpr int RC_TEST   = 6;   // a condition could not be tested
constexpr int RC_ACTION = 8;   // an action could not be done as asked
constexpr int RC_SELERR = 44;  // selection ended by an error
constexpr int RC_SIGNAL = 88;  // selection ended by a signal

// The current record's address and that address minus 1, beside the
// record descriptor in the run context (setcir keeps all three).
extern unsigned char* cirp;
extern unsigned char* cirm1;

// Selection loop (tvlss.cpp)
int  tvlss(CMV* c);            // the selection loop
int  do_if(CMV* c);            // evaluate the current condition element; sets the next node
int  do_then(CMV* c);          // execute the current action; sets the next node
int  setret(int rc);           // raise the run's return code, never lower it; the resulting code
void setcir(unsigned char* a); // make a the start of the current record
int  tvlse(CMV* c);            // retire the current node; 1 while something is left to do
const unsigned char* s1eq(const unsigned char* first, const unsigned char* last, const unsigned char* s,
                          std::int64_t len);  // first occurrence starting in [first, last], or null
int  memicmp(const void* a, const void* b, std::int64_t n);  // compare n bytes without case

// Run-time positions and lengths (tvlsc.cpp)
unsigned char* tvlsc(FLD* f);  // resolve an operand: address (also in lit), length in litlen; null on failure
long long getpos(CMV* c, FLD* term, FLD* owner);
long long getlen(FLD* term, FLD* owner);
int  scbad(FLD* f);            // mark the operand failed; -1

// File actions (tvlsf.cpp): operation codes below 37
int  tvlsf(CMV* c);
int  sferr(int number);        // record selection-time message number; 1
int  datechar(char* out, const char* text, std::int64_t len);  // date text into "0000/00/00 00:00:00"; the year or 0
long long date2dos(long long* result, const char* tmpl);     // the filled template as local time

// Control, print and log actions (tvlsp.cpp): operation codes 37 and above
int  tvlsp(CMV* c);
