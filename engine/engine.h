// Execution engine: the selection loop and the actions it runs.
#pragma once
#include <cstdint>

struct CMV;
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

// Selection loop (tvlss.cpp)
int  tvlss(CMV* c);            // the selection loop
int  setret(int rc);           // raise the run's return code, never lower it; the resulting code
void setcir(unsigned char* a); // make a the start of the current record
int  tvlse(CMV* c);            // retire the current node; 1 while something is left to do

// Run-time positions and lengths (tvlsc.cpp)
unsigned char* tvlsc(FLD* f);  // resolve an operand: address (also in lit), length in litlen; null on failure
long long getpos(CMV* c, FLD* term, FLD* owner);
long long getlen(FLD* term, FLD* owner);
int  scbad(FLD* f);            // mark the operand failed; -1

// File actions (tvlsf.cpp): operation codes below 37
int  tvlsf(CMV* c);

// Control, print and log actions (tvlsp.cpp): operation codes 37 and above
int  tvlsp(CMV* c);
