// Record file system: record-format file I/O behind one entry point
// (cblfio), the file-control block FFCB, the per-file block FFREC and the
// request codes F_IOFN.
#pragma once
#include <sys/stat.h>
#include <sys/types.h>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <type_traits>

struct CMV;
struct GCCB;
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

// The file-control block: the handle callers pass to cblfio (tag "ffc").
// One FFCB serves many files: callers point ffrec at the file they mean.
struct FFCB {
    FFCB*       sub;       // subordinate FFCB: the reader of a directory file
    FFCB*       owner;     // the owning FFCB of a directory reader
    const char* errm;      // error text of the last call; null or "" = none
    FFREC*      ffrec;     // the file of the next call
    void*       dircp1;    // copied from the owner by a directory reader
    void*       dircp2;    // copied from the owner by a directory reader
    CMV*        cmv;       // run context: memory pool, options and error stream
    char*       srchpath;  // path whose directory is tried first for a missing input
    char*       trace;     // four letters of the run's trace area, or null
};
static_assert(std::is_trivially_copyable_v<FFCB> && std::is_trivially_destructible_v<FFCB>);

// The file record: definition and running state of one file (tag "FFREC").
struct FFREC {
    char          eye[8];      // "FFREC", for dumps
    FFCB*         dirfcb;      // reader FFCB of a directory file
    FFREC*        parent;      // parent FFREC of a directory entry
    char          fileid[8];   // name used by the statements, blank-padded
    char          fname[9];    // file name without extension, NUL-ended
    char          fext[8];     // extension (at most 3 characters), NUL-ended
    std::int32_t  ftype;       // FT_* below
    char*         prefix;      // directory prefix ending in "/", or null (tag "pth")
    char*         errm;        // first failure's text, 128 bytes (tag "errm"), or null
    std::int32_t  dsnlen;      // bytes of the data-set name
    char*         dsn;         // the name as written (tag "dsn3"), or null
    char*         member;      // directory entry to open, or null
    std::int64_t  bufsize;     // block size BLKSIZE in bytes
    unsigned char* buf;        // the buffer (tag "buf"), iosize bytes plus a guard
    unsigned char* mfvhdr;     // copy of the 128-byte MFV header (tag "mfh"), or null
    FILE*         stream;      // standard stream when the file is one
    std::int32_t  fd;          // descriptor; -1 never opened, -2 after close
    void*         savchain;    // saved record copies to free at close
    void*         fhparm;      // parameter block of the external file handler
    char          fill;        // fill character, blank
    std::uint8_t  mode;        // open mode, FM_* below
    std::int32_t  recfm;       // record format class, RF_* below
    std::int64_t  lrecl;       // maximum record length (V: descriptor included)
    std::int16_t  dwlen;       // descriptor word length: 0, 2, 3 or 4
    std::int32_t  eollen;      // end-of-line length; 2 with eol null = CR, LF or CR LF
    char*         eol;         // end-of-line string (tag "eol"), or null
    std::int32_t  tabw;        // TAB stop width; -1 OFF; TABW_UNSET = run default
    std::int64_t  keypos;      // key position, 0-based
    std::int32_t  keylen;      // key length
    char*         skey;        // search key
    std::int32_t  skeylen;     // search key length
    void*         ixanchor;    // index anchors of keyed access
    // Counters, zeroed at every open.
    std::int64_t  reccnt;      // records read or written
    std::int64_t  trunccnt;    // records truncated on output, lines cut on input
    std::int64_t  bufoff;      // bytes of the buffer consumed (input) or filled (output)
    std::int64_t  unread;      // bytes still unread in the buffer
    std::int64_t  blklen;      // length of the current block from its BDW, 0 outside
    std::int64_t  blkused;     // bytes consumed in the current block
    std::int64_t  maxblk;      // longest block seen
    std::int64_t  maxrec;      // longest record seen
    std::int32_t  lastdl;      // delimiter length of the last record read
    std::int64_t  foff;        // file offset just past the buffered data
    unsigned char fsizebe[8];  // file size, 8 bytes big-endian
    std::int64_t  fsize;       // file size
    std::int64_t  rba;         // byte address of the current record; requested position
    std::int64_t  curfix;      // current fixed length for EOL=NO input
    std::int64_t  reclen;      // length of the record just read or to be written
    void*         lastfree;    // address of the last buffer freed at close
    std::uint32_t sflags;      // status flags, FS_* below
    std::uint32_t dflags;      // definition flags, DF_* below
    std::uint32_t aflags;      // access flags, AF_* below
    std::uint8_t  tabseen;     // 1: a TAB was met in this record
    std::uint8_t  tapeopt;     // tape option bits
    std::uint8_t  status;      // 16 after a failed write
    std::int16_t  nfcnt;       // times the file was not found
    std::int16_t  emptycnt;    // times the file was empty
    // Kept by the file layer beside the above.
    FFREC*        next;        // next file of the run's list
    std::int64_t  iosize;      // usable bytes of buf: bufsize, at least FIO_IOBLK
    std::int64_t  blkbeg;      // output: buffer offset of the open V block, -1 none
    std::int32_t  syserr;      // errno of the first failed system call
    std::int64_t  rawlen;      // bytes of the last record read as they lie in the file
    char*         tabbuf;      // a record with its TABs expanded, when no caller's area takes it (tag "tabx")
    std::int64_t  tabcap;      // bytes of tabbuf
    GCCB*         gccb;        // memory pool of the file's own texts (dsn, prefix, errm), from cblf_mak
    // Set by the file definitions of the statements (tvlfa).
    std::uint32_t fdflags;     // FDF_* below
    std::int32_t  bufno;       // BUFNO: number of buffers asked for, 0 = default
    std::int32_t  rkp;         // RKP: relative key position, 0-based
    std::int32_t  keyix;       // alternate index number (KEYIX), 0 = none
    std::uint16_t keyenc;      // key encoding brackets, first character high; 0 = the run's
    void*         libh;        // library handle of a CALL (dlopen), or null
    void*         entry;       // entry point of a CALL, or null
};
static_assert(std::is_trivially_copyable_v<FFREC> && std::is_trivially_destructible_v<FFREC>);

// FFREC.ftype  ORDER FT
constexpr std::int32_t FT_SEQ    = 1;   // ordinary sequential file
constexpr std::int32_t FT_DIR    = 4;   // directory read as a file
constexpr std::int32_t FT_DLI    = 6;   // DL/I, IMS
constexpr std::int32_t FT_ADABAS = 7;   // ADABAS
constexpr std::int32_t FT_DB2    = 8;   // DB2
constexpr std::int32_t FT_ODBC   = 9;   // ODBC
constexpr std::int32_t FT_CLIP   = 12;  // clipboard
constexpr std::int32_t FT_VTOC   = 15;  // VTOC
constexpr std::int32_t FT_INDEX  = 16;  // indexed
constexpr std::int32_t FT_VSAM   = 24;  // VSAM or MFC through the external handler
constexpr std::int32_t FT_ESDS   = 26;  // ESDS through the external handler
constexpr std::int32_t FT_KSDS   = 27;  // KSDS through the external handler
constexpr std::int32_t FT_RRDS   = 28;  // RRDS through the external handler

// FFREC.recfm, the record format class  ORDER RF
constexpr std::int32_t RF_FIXED = 1;  // F, FB, FBS
constexpr std::int32_t RF_VAR   = 2;  // V, VB, VBS: RDW and optional BDW
constexpr std::int32_t RF_LINE  = 3;  // U, S and text lines
constexpr std::int32_t RF_V2    = 4;  // two-byte length prefix
constexpr std::int32_t RF_V3    = 5;  // three-byte length prefix
constexpr std::int32_t RF_MFV   = 6;  // variable with a 128-byte file header

// FFREC.mode
constexpr std::uint8_t FM_IN  = 0x04;  // input
constexpr std::uint8_t FM_OUT = 0x08;  // output
constexpr std::uint8_t FM_UPD = 0x10;  // update in place
constexpr std::uint8_t FM_INS = 0x20;  // insert
constexpr std::uint8_t FM_DEL = 0x40;  // delete

constexpr std::int32_t TABW_UNSET = -2;  // FFREC.tabw: take the run's default at open

// FFREC.sflags, set by cblfio
constexpr std::uint32_t FS_OPEN     = 0x1;     // open
constexpr std::uint32_t FS_OPENFAIL = 0x2;     // open failed
constexpr std::uint32_t FS_CLOSED   = 0x4;     // closed
constexpr std::uint32_t FS_WASOPEN  = 0x8;     // has been opened (kept after close)
constexpr std::uint32_t FS_EOD      = 0x10;    // end of data reached
constexpr std::uint32_t FS_NODATA   = 0x20;    // no data: empty or not found
constexpr std::uint32_t FS_NOTFOUND = 0x40;    // file not found
constexpr std::uint32_t FS_CUT      = 0x80;    // input: line cut at LRECL; output: TRUNC
constexpr std::uint32_t FS_RESET    = 0x100;   // output emptied at open (else appended)
constexpr std::uint32_t FS_REOPEN   = 0x200;   // an OPEN of an open file is not refused
constexpr std::uint32_t FS_DSNPATH  = 0x400;   // the data-set name is the path
constexpr std::uint32_t FS_EXHAUST  = 0x800;   // data ended while a partial record remained
constexpr std::uint32_t FS_OWNERR   = 0x1000;  // error text owned by the file
constexpr std::uint32_t FS_STAYOPEN = 0x2000;  // stays open at end of data
constexpr std::uint32_t FS_SYSEOF   = 0x4000;  // the system read returned nothing
constexpr std::uint32_t FS_CLOSEBAD = 0x80000000;  // its final flush or close failed (summary warning)
constexpr std::uint32_t FS_TRUNC    = FS_CUT;  // output: trailing fill characters removed

// FFREC.dflags, set by the file definition
constexpr std::uint32_t DF_FILL     = 0x1;        // FILL: pad records with the fill character
constexpr std::uint32_t DF_KEYED    = 0xE;        // keyed access requested (three bits)
constexpr std::uint32_t DF_RESYNC   = 0x10;       // resynchronise before the next read
constexpr std::uint32_t DF_KEYLEN   = 0x20;       // KEYLEN given
constexpr std::uint32_t DF_KEYPOS   = 0x40;       // KEYPOS given
constexpr std::uint32_t DF_ACCESS   = 0x80;       // access method given
constexpr std::uint32_t DF_BLKSIZE  = 0x100;      // BLKSIZE given
constexpr std::uint32_t DF_LRECL    = 0x200;      // LRECL given
constexpr std::uint32_t DF_RECFM    = 0x400;      // RECFM given
constexpr std::uint32_t DF_BLOCKED  = 0x800;      // blocked
constexpr std::uint32_t DF_SPANNED  = 0x1000;     // standard/spanned
constexpr std::uint32_t DF_DDNAME   = 0x2000;     // the name is a DD name
constexpr std::uint32_t DF_RDW      = 0x4000;     // RDW: keep the descriptor
constexpr std::uint32_t DF_NORDW    = 0x8000;     // NORDW: strip the descriptor
constexpr std::uint32_t DF_BDW      = 0x10000;    // BDW: blocks begin with a BDW
constexpr std::uint32_t DF_NOBDW    = 0x20000;    // NOBDW: no block descriptor words
constexpr std::uint32_t DF_KEEPCTLZ = 0x40000;    // keep a trailing control-Z
constexpr std::uint32_t DF_INSTREAM = 0x80000;    // in-stream data: a record "/*" ends it
constexpr std::uint32_t DF_STDSTRM  = 0x100000;   // standard stream
constexpr std::uint32_t DF_FIFO     = 0x200000;   // named pipe (found by fstat)
constexpr std::uint32_t DF_TERMINAL = 0x400000;   // terminal input, line by line
constexpr std::uint32_t DF_PATHSRCH = 0x800000;   // search PATH for a missing input
constexpr std::uint32_t DF_LASTTRNC = 0x1000000;  // last write truncated (caller sets RC 5)
constexpr std::uint32_t DF_MEMBER   = 0x2000000;  // directory member
constexpr std::uint32_t DF_SAVED    = 0x4000000;  // saved copies to free at close
constexpr std::uint32_t DF_DUMMY    = 0x8000000;  // DUMMY: reads end at once, writes vanish

// FFREC.aflags, access flags
constexpr std::uint32_t AF_NOSLASH  = 0x1;   // the path holds no slash
constexpr std::uint32_t AF_HOLDUPD  = 0x2;   // hold the record for update
constexpr std::uint32_t AF_CTLZ     = 0x8;   // drop a final control-Z (decided at open)
constexpr std::uint32_t AF_EOLFIX   = 0x10;  // eol is the built-in LF, not an own copy
constexpr std::uint32_t AF_FAST     = 0x20;  // fixed or plain line records: the short record path
constexpr std::uint32_t AF_FASTV    = 0x40;  // variable records read: the short record path (reads only)

constexpr std::int64_t FIO_IOBLK = 1 << 20;  // least buffer: reads and writes in 1 MiB

// System calls of the file layer, replaceable so that tests can make them fail.
struct FIOSYS {
    int     (*open)(const char* path, int flags, mode_t perm);
    ssize_t (*read)(int fd, void* buf, size_t len);
    ssize_t (*write)(int fd, const void* buf, size_t len);
    ssize_t (*pwrite)(int fd, const void* buf, size_t len, off_t at);
    off_t   (*lseek)(int fd, off_t at, int whence);
    int     (*close)(int fd);
    int     (*fstat)(int fd, struct stat* st);
};
extern FIOSYS fiosys;

// The short paths of the record layer and of the selection loop: with
// shortoff set (the environment variable TVLNOSHORT, for tests) every
// record goes the general way.
extern bool shortoff;

// cblfio.cpp
char* cblfio(FFCB* file, int function, char* record, std::int64_t length);
int   open_it(FFCB* file);
void  dsn_set(FFREC* f, const char* name, int length);
void  errm_set(FFREC* f, const char* text);
char* setpath(FFREC* f, const char* directory, int length);
bool  eocard(const FFREC* f, const char* record, std::int64_t length);
int   allocbuf(FFCB* file, std::int64_t size);
std::int64_t tabxpand(char* out, std::int64_t outlen, const char* in, std::int64_t inlen,
                      int tab, int width);
int   writeok(FFCB* file);
std::int64_t getrba(const FFREC* f);
int   ffseek(FFCB* file, int mode);
char* cblferrx(FFCB* file, const char* text);

// cblfilef.cpp
FFCB*  cblf_fcb(CMV* c);
FFREC* cblf_mak(FFCB* file);
int    cblf_kil(FFCB* file, int how);
int    cblmtch(const char* name, const char* mask);
int    fname_of(const FFREC* f, int form, char* out, std::size_t size);

// fname_of: the forms of a file's name.  ORDER FNM
constexpr int FNM_PATH = 0;  // the path that is opened (and that UTIME touches)
constexpr int FNM_SHOW = 1;  // the name the file layer's error line shows
constexpr int FNM_LIST = 2;  // the summary's DSN column (before its formatting), the listing's F=
constexpr int FNM_DSN  = 3;  // the DSN text of the value name DSN, blank-padded
constexpr int FNM_COUNT = 4;

constexpr std::size_t FNM_DSNLEN = 256;  // bytes of the DSN text: at most 255 of name and its blank

// Whether f is only read: neither written nor updated in place.
inline bool fm_input(const FFREC* f) { return (f->mode & (FM_IN | FM_UPD | FM_OUT)) == FM_IN; }

// cblf_kil: what to release
constexpr int KIL_ENTRIES = 1;  // entries of a directory walk
constexpr int KIL_PATHS   = 2;  // path and volume records
constexpr int KIL_FILES   = 4;  // close and free every file of the run

// FFREC.fdflags, set by file definitions and run preparation
constexpr std::uint32_t FDF_DEFER    = 0x1;       // DEFER: opened later, by an OPEN statement
constexpr std::uint32_t FDF_NOLABEL  = 0x2;       // NOLABEL, LABEL NO: no labels
constexpr std::uint32_t FDF_LTM      = 0x4;       // LTM YES: leading tape mark
constexpr std::uint32_t FDF_NORWDOP  = 0x8;       // OPEN NORWD: no rewind at open
constexpr std::uint32_t FDF_EOFTEST  = 0x10;      // an EOF condition tests the file
constexpr std::uint32_t FDF_NORWDCL  = 0x20;      // CLOSE NORWD: no rewind at close
constexpr std::uint32_t FDF_UNLOAD   = 0x40;      // CLOSE UNLD: unload at close
constexpr std::uint32_t FDF_WTO      = 0x80;      // WTO YES: message on open
constexpr std::uint32_t FDF_FAILNOCL = 0x100;     // FAIL NOCLOSE
constexpr std::uint32_t FDF_TRACE    = 0x200;     // the trace file
constexpr std::uint32_t FDF_INTO     = 0x400;     // read into a field, not the record area
constexpr std::uint32_t FDF_PRIMARY  = 0x800;     // the primary input
constexpr std::uint32_t FDF_CATMEM   = 0x1000;    // a concatenation member (CAT)
constexpr std::uint32_t FDF_GEOMIN   = 0x2000;    // takes its geometry from the primary input
constexpr std::uint32_t FDF_OPENED   = 0x4000;    // already open before preparation
constexpr std::uint32_t FDF_NOOPEN   = 0x8000;    // never opened by the run
constexpr std::uint32_t FDF_DIRDATA  = 0x10000;   // a directory read as the data of its files
constexpr std::uint32_t FDF_LOADMOD  = 0x20000;   // the library is a load module: kept loaded
constexpr std::uint32_t FDF_WRITTEN  = 0x40000;   // record format or length were written
constexpr std::uint32_t FDF_BWD      = 0x80000;   // read backwards
constexpr std::uint32_t FDF_FWD      = 0x100000;  // read forwards after a backward use
constexpr std::uint32_t FDF_PFX      = 0x200000;  // names take the run's data-set prefix
constexpr std::uint32_t FDF_RUNFILE  = 0x400000;  // one of the run's own files: options, statements,
                                                  // messages, listing; data-file names never find it

// Block-size markers of BLKSIZE SAME, MAX and UNB, kept in FFREC.bufsize
// until run preparation settles the size.
constexpr std::int64_t BLK_UNB  = 0xBD000000;  // unblocked: the record length
constexpr std::int64_t BLK_SAME = 0xBE000000;  // the primary input's
constexpr std::int64_t BLK_MAX  = 0xBF000000;  // the largest: 8,368
