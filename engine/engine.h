// Execution engine: the selection loop and the actions it runs.
#pragma once
#include <cstdint>

struct CMV;
struct CN;
struct DCL;
struct FFREC;
struct FLD;
struct CALLF;

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
void setdl(CMV* c, std::int64_t len);  // the run's default length and its variable LRECL
void workrec(CMV* c, int fill);        // the work record of 528 fill bytes becomes current
bool sigcaught();              // a signal arrived since selection started
const unsigned char* s1eq(const unsigned char* first, const unsigned char* last, const unsigned char* s,
                          std::int64_t len);  // first occurrence starting in [first, last], or null
int  memicmp(const void* a, const void* b, std::int64_t n);  // compare n bytes without case
// Short paths: run preparation marks (shortmarks) what is fixed for the
// whole run, constant operands (FL_CONST) and direct comparisons
// (CF_DIRECT), and the loop then takes a quicker way to the same results.
// With shortoff (files.h) set nothing is marked.
void shortmarks(CMV* c);
int  sfshort(CMV* c, CN* n);  // the file action of a READ or WRITE marked CNF_SHORT

// Run-time positions and lengths (tvlsc.cpp)
//
// tvlsc resolves an operand for the record in hand: lit = address of the
// first byte, litlen = length, rpos = 1-based position in the record (-1
// for a fixed address), rtstat = 0, or SC_FAIL (+ SC_NOARG) on failure.
// A failed operand has lit null and litlen -1, with two exceptions the
// callers rely on:
//   - an IF element whose field runs past the record end: null is
//     returned without a failure mark (rtstat 0) and lit/litlen hold the
//     address and the room left in the record; the selection loop judges
//     the element (and counts the failed test: scbad never does for
//     conditions, so that one evaluation counts once);
//   - an action whose operation code has OPF_RECADR (optab.h) and whose
//     field runs past the record end: the address is returned with litlen
//     -1 and rtstat SC_FAIL (return code 8 is already raised).
// Value operands (@-name values, counters such as IN and LINE) come back
// as 8 bytes: a native 64-bit integer in rpos, or a double in fval.
// Length kinds 9 and 11 read the other operand's last resolved length:
// resolve that operand first.
unsigned char* tvlsc(FLD* f);  // resolve an operand: address (also in lit), length in litlen; null on failure
long long getpos(CMV* c, FLD* term, FLD* owner);
long long getlen(FLD* term, FLD* owner);
int  scbad(FLD* f);            // mark the operand failed; -1
long long wpos(FLD* owner, const void* address);  // 1-based position of address in the record; 0 fails owner
FFREC* getffc(CMV* c, int required);              // the current file's record block, or null
void scsetat(CMV* c);                             // refresh the scan pointer "@" from the last scan hit
unsigned char* dclstore(const CMV* c, const DCL* d);  // a declared variable's bytes, or null
int  dcl2lonb(long long* result, const DCL* d);   // a declared variable's value as an integer; 0 or 1
int  dcl2flt(double* result, const FLD* f);       // the declared variable of f as a double; 0 or 1
int  setbin(FLD* f, long long value);             // store an integer into a resolved operand; 0 or 8
int  setlen(FLD* f, unsigned char* end, unsigned char* fillfrom, long long count);  // finish a varying result

// FLD.rtstat values
constexpr std::uint8_t SC_FAIL  = 8;   // the operand did not resolve
constexpr std::uint8_t SC_NOARG = 64;  // (added to SC_FAIL) the argument was not passed: "*?*" stands in

// The arguments of the subroutine call being executed (CMV.callf), one
// frame per active call; the caller's frame is prev.  An argument that
// the caller skipped is a null entry.
struct CALLF {
    CALLF*       prev;   // the calling routine's frame, or null
    FLD**        argv;   // the argument operands, argc entries
    std::int32_t argc;   // number of argument places
};

// File actions (tvlsf.cpp): the codes of class OC_FILE
int  tvlsf(CMV* c);
int  sferr(int number);        // record selection-time message number; 1
int  datechar(char* out, const char* text, std::int64_t len);  // date text into "0000/00/00 00:00:00"; the year or 0
long long date2dos(long long* result, const char* tmpl);     // the filled template as local time

// Control, print and log actions (tvlsp.cpp): the codes of the other classes
int  tvlsp(CMV* c);
int  tvlsa(CMV* c);  // the arithmetic actions: assignment of a number, ADD, SUB, MULT, DIV

// Arithmetic (tvlsa.cpp): the exact number form every operand is read
// into, value = v x 10^-scale, and the routines beneath tvlsa.
struct ADEC {
    __int128     v;      // signed coefficient
    std::int32_t scale;  // decimals, 0 or more
};
int pdaget(const FLD* f, ADEC* d, double* dbl);  // resolved operand into d (0) or a double (1); -1 bad data
int pdaput(FLD* t, const ADEC* d, bool wrap);    // d into the resolved result field; 0 or 8
int arcalc(int op, const ADEC* a, const ADEC* b, int rscale, ADEC* q, ADEC* r);  // b op a; 0, 8, 9 (64-bit wrap)
int pk64step(int op, const FLD* a, const FLD* b, FLD* t);  // packed ADD/SUB, all of 1 to 9 bytes, no decimals; 0 or 8

// Build a field list's value in area (length bytes): the bytes built, 0
// when a field does not resolve, -1 when the list does not fit (then
// CMV.flwask holds the bytes it needs).
int  catflds(CMV* c, FLD* list, char* area, int length);
