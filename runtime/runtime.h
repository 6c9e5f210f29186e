// Run-time support library: tagged memory, data conversions, translation
// tables, dates and numeric editing.  Every other subsystem uses it; it
// uses nothing of theirs.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <type_traits>

// ---------------------------------------------------------------------------
// Memory manager (cblgcore.cpp)
// ---------------------------------------------------------------------------

// The memory manager's control block, one per run, zeroed at start.
struct GCCB {
    void*         head;    // first block of the chain (its head descriptor), or null
    void*         tail;    // last block of the chain, or null
    void*         owner;   // the run context CMV that the block serves, or null
    FILE*         logfp;   // stream of traces and check messages; null: standard error
    std::uint32_t flags;   // switch bits, below
    std::uint32_t gotcnt;  // allocations so far; sequence number of the newest block
    std::uint32_t relcnt;  // releases so far
    std::uint32_t trfrom;  // release number at which keep mode toggles (first TR)
    std::uint32_t trto;    // release number at which keep mode toggles again (second TR)
};
static_assert(std::is_trivially_copyable_v<GCCB> && std::is_trivially_destructible_v<GCCB>);

// GCCB.flags
constexpr std::uint32_t GC_M1 = 0x01;  // trace every allocation
constexpr std::uint32_t GC_M2 = 0x02;  // trace every release
constexpr std::uint32_t GC_NR = 0x04;  // keep mode: released blocks are unlinked, not freed
constexpr std::uint32_t GC_TR = 0x08;  // toggle keep mode at release trfrom and trto
constexpr std::uint32_t GC_A4 = 0x20;  // accepted, no effect
constexpr std::uint32_t GC_HT = 0x40;  // head and tail descriptors, chain checks

void* cblgcore(GCCB* cb, long len, int fill, const char* id);
long  cblgcorf(GCCB* cb, void** pptr, const char* id);
long  cblgcorv(GCCB* cb, void* block, const char* where);
char* c2h(char* dst, int dstlen, const char* src, int n);

// Typed front end of cblgcorf, so callers need no casts.
template <class T> inline long cblgcorf(GCCB* cb, T** pptr, const char* id) {
    void* p = *pptr;
    long rc = cblgcorf(cb, &p, id);
    *pptr = static_cast<T*>(p);
    return rc;
}

// ---------------------------------------------------------------------------
// Data types (FD_TYPE) and float styles (FD_STYL)
// ---------------------------------------------------------------------------

// FD_TYPE: the data-type codes of operands and conversions.  ORDER FD_TYPE
constexpr int FD_PTR     = 2;   // 8-byte integer or pointer value
constexpr int FD_CHAR    = 3;   // character
constexpr int FD_PACKED  = 4;   // packed decimal
constexpr int FD_FLOAT   = 6;   // float (style in FD_STYL)
constexpr int FD_ZONED   = 7;   // zoned decimal
constexpr int FD_HEX     = 8;   // hexadecimal text
constexpr int FD_BIN     = 9;   // big-endian binary
constexpr int FD_UPACKED = 10;  // unsigned packed decimal
constexpr int FD_INT64   = 12;  // native 64-bit integer
constexpr int FD_NTS     = 13;  // NUL-terminated string
constexpr int FD_VCHAR2  = 14;  // varying string
constexpr int FD_VCHAR4  = 15;  // varying string

// FD_STYL: float styles; 14 is the native 8-byte double of all internal
// numeric work.  The full list lives with the conversions.
constexpr int FD_STYL_DOUBLE = 14;

// ---------------------------------------------------------------------------
// Dates (cbldate.cpp)
// ---------------------------------------------------------------------------

constexpr int CBLDATE_LEN = 112;   // bytes of the date-time block
constexpr int CBLDATE_TEXT = 34;   // offset of "yyyy/mm/dd hh:mm:ss.t" in it

// Fill the 112-byte date-time block: mode 0 now, 2 as 0 up to the day
// name, 3 the yyyymmdd integer *in, 1 parse "yyyy/mm/dd" from in.
int cbldate(char* out, const void* in, int mode);

// Date styles of cvdate (low 4 bits input, high 4 bits output).
constexpr int DATE_I = 1;      // yyyymmdd
constexpr int DATE_A = 2;      // mmddyyyy
constexpr int DATE_B = 3;      // ddmmyyyy
constexpr int DATE_J = 4;      // yyyyddd
constexpr int DATE_D = 5;      // day number, 1 = 1900-01-01
constexpr int DATE_T = 6;      // 8-byte clock value
constexpr int DATE_N = 7;      // now (input only)
constexpr int DATE_MASK = 8;   // formatted with a mask (output only)
constexpr int DATE_BLOCK = 9;  // the date-time block (output only)

// date_fmt results
constexpr int DF_BAD = 1;    // not a valid date, or no mask: nothing written
constexpr int DF_SHORT = 2;  // the mask is longer than the output: its start written

// Convert one date: styles and types (FD_CHAR, FD_PACKED, FD_BIN,
// FD_UPACKED) carry the input in the low 4 bits and the output in the high
// 4 bits.  1 on success; 0 for an input that is not a valid date (nothing
// written), an output that cannot hold the result, or a mask or block
// longer than the output (its start written).  Now into a clock value
// adds the time of day to the clock value of a date the output holds.
int cvdate(char* out, int outlen, const char* in, int inlen, int styles, int types,
           const char* mask);
// Format the date yyyymmdd through the NUL-terminated mask (at most 256
// bytes) into out[0..length), blank-padded: 0, DF_BAD or DF_SHORT.
int date_fmt(char* out, int length, int yyyymmdd, const char* mask);
// Day arithmetic: day counts here start with 1 at 0001-01-01.
int  cv_ii_dy(int yyyymmdd);       // yyyymmdd to day count
int  cv_dy_jj(int days);           // day count to yyyyddd
int  cv_jj_ii(int yyyyddd);        // yyyyddd to yyyymmdd
int  cv_ii_jj(int yyyymmdd);       // yyyymmdd to yyyyddd
bool validatI(long long yyyymmdd); // year 1 to 9999, month 1 to 12, day in the month
bool validatJ(long long yyyyddd);  // year 1 to 9999, day 1 to 365 or 366
long long century(long long value, int style);  // two-digit years: 50-99 19yy, 00-49 20yy
int  wkdayno(long long day);       // day number to week day, 0 Sunday

// ---------------------------------------------------------------------------
// Numeric editing (cbledt.cpp)
// ---------------------------------------------------------------------------

// Edit the number text ("+" or "-", digits, optional point and decimals,
// NUL-terminated) through the NUL-terminated pattern into out[0..length).
// A pattern shorter than the output is right-aligned behind blanks; a null
// or empty pattern is as many 9 as the output (at most 47), a negative
// number overpunching its last digit.  0, or 9 with out filled with "*"
// (overflow, bad number text, pattern longer than the output).
int cbledtc(char* out, int length, const char* pattern, const char* number);
// Edit a signed 64-bit integer (a negative value always edits as negative).
int cbledt(char* out, int length, const char* pattern, long value);
int cbledtb(char* out, int length, const char* pattern, long long value);
// Edit a packed field of plen bytes (at most 64) holding `decimals`
// decimals: 0, 9 as cbledtc, or 5 for a bad packed field (out filled
// with "*").
int cbledtp(char* out, int length, const char* pattern, const char* packed, int plen,
            int decimals);
// Packed field to number text: sign and 2*plen-1 digits, NUL-terminated,
// in out (needs 2*plen+1 bytes).  0; 5 for a digit nibble above 9 or a
// sign nibble below X'A'; 9 for an output too small.  On failure out holds
// "*" up to its last byte, which is NUL.
int cbledts(char* out, int outlen, const char* packed, int plen);
// Sign and digits right-aligned in buffer[0..size), the last byte NUL.
// Returns the address of the sign, or null when they do not fit.
char* lonb2ch(char* buffer, int size, long long value);
// Copy a NUL-terminated string; returns the address of the copied NUL
// (a null `from` returns the end of `to`, a null `to` null).
char* strcpe(char* to, const char* from);
// Change the case of the ASCII letters in place; return s (null accepted).
char* strupr(char* s);
char* strlwr(char* s);
char* strnupr(char* s, int n);

// ---------------------------------------------------------------------------
// Translation tables (cbltran.cpp)
// ---------------------------------------------------------------------------

// A translation table: byte b translates to table[b].
using TTAB = std::array<unsigned char, 256>;

extern const TTAB ttab_ea;  // EBCDIC to ASCII, the inverse of ttab_ae
extern const TTAB ttab_ae;  // ASCII to EBCDIC
extern const TTAB ttab_uc;  // a-z to A-Z, other bytes unchanged
extern const TTAB ttab_lc;  // A-Z to a-z, other bytes unchanged
extern const TTAB ttab_hz;  // every byte to the hex digit of its high nibble, "0"-"9" "A"-"F"
extern const TTAB ttab_hn;  // every byte to the hex digit of its low nibble
// The listing's masks, writable: the print listing may change which bytes
// count as printable (initially X'20'-X'7E', X'80', X'A3', X'A6', X'AC').
extern TTAB ttab_tc;  // printable unchanged, others to "."
extern TTAB ttab_tb;  // printable unchanged, others to a blank
extern TTAB ttab_mz;  // printable unchanged, others to their high hex digit
extern TTAB ttab_mn;  // printable to a blank, others to their low hex digit

// Replace each byte of text that occurs in from (setlen bytes) by the byte
// of to at the first position holding it; result: bytes found in the set.
// length < 1: text is NUL-terminated; setlen < 1: from is.  With to equal
// to from (or null) the text is left alone and only the count is made.
int cbltran(char* text, int length, int setlen, const char* from, const char* to);

// dst[i] = table[src[i]] for len bytes; dst may equal src.
void cbltrtab(unsigned char* dst, const unsigned char* src, long len, const unsigned char* table);

// ---------------------------------------------------------------------------
// Data conversions (cblcv.cpp)
// ---------------------------------------------------------------------------
//
// Every routine writes into the caller's area of the given length and
// returns 0 for success or a non-zero status; the l and b targets receive
// the value through a pointer and are left alone on failure.  A packed or
// binary target that cannot hold the value is left unchanged; a text
// target that cannot be produced is filled with "*".  Names: cv, then the
// source letter, then the target letter: c character (zoned included),
// h hexadecimal text, i big-endian binary, p packed, u unsigned packed,
// f float field (double for cvfp), l native integer, b native 64-bit
// integer.

// FD_STYL: float styles (FD_STYL_DOUBLE, 14, is declared above).  ORDER FD_STYL
constexpr int FD_STYL_HFP  = 11;  // IBM hexadecimal float, big-endian
constexpr int FD_STYL_HFPN = 12;  // IBM hexadecimal float, the machine's byte order
constexpr int FD_STYL_BFP  = 13;  // IEEE 754 binary float, big-endian
constexpr int FD_STYL_NAT  = 14;  // IEEE 754 binary float, the machine's byte order

// Flags carried in the length of a number text.
constexpr int RMVB_FLOAT = 0x4000;  // rmvb: float form (point and exponent kept)
constexpr int CV_ZONED   = 0x8000;  // c sources: zoned decimal, read by nibbles
constexpr int CV_LENMASK = 0x3FFF;  // the length proper

constexpr int RMVB_OUT  = 64;  // bytes rmvb may write, NUL included
constexpr int RMVB_DIGS = 47;  // most digits a number text may hold

// Statuses beyond 0 (success) and 1 (failure).
constexpr int CV_NOTEXT   = 2;     // cvhc: no hexadecimal digits / bad character
constexpr int CV_SHORT    = 3;     // cvhc, cvch: the target cannot hold the result
constexpr int CV_BADPACK  = 5;     // packed or unsigned packed source with a bad nibble
constexpr int CV_PACK16   = 8888;  // cvlp, cvbp without decimals: target over 16 bytes
constexpr int CVFF_SRC    = 1;     // cvff: bad source length or style
constexpr int CVFF_TGT    = 2;     // cvff: bad target length or style
constexpr int CVFF_HFPBIG = 3;     // cvff: exponent too large for hexadecimal float
constexpr int CVFF_SGLBIG = 4;     // cvff: out of the range of an IEEE single
constexpr int CVFF_DBLBIG = 5;     // cvff: out of the range of an IEEE double
constexpr int CVFF_HFPLOW = 6;     // cvff: too small for hexadecimal float (target zero)

int rmvb(const char* text, int length, char* out);
int getx(int c);

int cvcl(long* result, const char* text, int length);
int cvcb(long long* result, const char* text, int length);
int cvpl(long* result, const char* packed, int length, int drop);
int cvpb(long long* result, const char* packed, int length, int drop);
int cvul(long* result, const char* upacked, int length);
int cvub(long long* result, const char* upacked, int length);
int cvil(long* result, const char* binary, int length);
int cvib(long long* result, const char* binary, int length);
int cvfl(long* result, const char* flt, int length, int style);
int cvfb(long long* result, const char* flt, int length, int style);

int cvlc(char* out, int length, const char* pattern, long value);
int cvbc(char* out, int length, const char* pattern, long long value);
int cvlp(char* packed, int length, int decimals, long value);
int cvbp(char* packed, int length, int decimals, long long value);
int cvlu(char* upacked, int length, long value);
int cvli(char* binary, int length, long value);
int cvbi(char* binary, int length, long long value);
int cvlf(char* flt, int length, int style, long value);
int cvbf(char* flt, int length, int style, long long value);

int cvcp(char* packed, int length, int decimals, const char* text, int textlength);
int cvci(char* binary, int length, const char* text, int textlength);
int cvcf(char* flt, int length, int style, const char* text, int textlength);
int cvpc(char* out, int length, const char* pattern, const char* packed, int plength,
         int decimals);
int cvpi(char* binary, int length, const char* packed, int plength, int drop);
int cvpf(char* flt, int length, int style, const char* packed, int plength, int decimals);
int cvic(char* out, int length, const char* pattern, const char* binary, int blength);
int cvip(char* packed, int length, int decimals, const char* binary, int blength);
int cvii(char* binary, int length, const char* source, int slength);
int cvif(char* flt, int length, int style, const char* binary, int blength);
int cvfc(char* out, int length, const char* pattern, const char* flt, int flength,
         int style);
int cvfp(char* packed, int length, int decimals, double value);
int cvff(char* target, int tlength, int tstyle, const char* source, int slength,
         int sstyle);
int cvhc(char* out, int length, const char* text, int textlength);
int cvch(char* out, int length, const char* pattern, const char* source, int slength);
int cblcv(char* target, int tlength, int ttype, const char* source, int slength,
          int stype);
