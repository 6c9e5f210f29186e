// Record file system: record-format file I/O behind one entry point
// (cblfio), the file-control block FFCB, the per-file block FFREC and the
// request codes F_IOFN.
#pragma once
#include <cstdint>

struct CMV;
struct FFCB;
struct FFREC;

// F_IOFN: the function code of a file request.  ORDER F_IOFN
constexpr int F_OPEN   = 1;   // open
constexpr int F_CLOSE  = 2;   // close
constexpr int F_FLUSH  = 3;   // flush
constexpr int F_READ   = 4;   // read next
constexpr int F_RKEQ   = 5;   // read key equal
constexpr int F_RKGE   = 6;   // read key greater or equal
constexpr int F_RRBA   = 7;   // read by RBA
constexpr int F_RREC   = 8;   // read by record number
constexpr int F_UPDATE = 10;  // update the current record
constexpr int F_WRITE  = 11;  // write
constexpr int F_INSERT = 15;  // insert
constexpr int F_DELETE = 16;  // delete
