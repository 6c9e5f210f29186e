// Record file I/O: every data file is opened, read, written, updated,
// flushed and closed through one entry point, cblfio, with a function code
// (F_IOFN).  Each file has one buffer of at least 1 MiB, filled and emptied
// in large system calls; records are cut from it and handed out as a
// pointer and a length, or copied into the caller's area.
//
// Exports: cblfio, open_it, dsn_set, errm_set, setpath, eocard, allocbuf,
//          tabxpand, writeok, getrba, cblferrx, and the system-call table
//          fiosys (tests replace its entries to make calls fail).
// Called by: the run driver, statement input, the listing, the file
//            actions and the summary (through cblf_kil).
// Calls:     cblgcore/cblgcorf (buffers and texts), cbldate (MFV header),
//            fname_of (the path opened, the name of the error line),
//            POSIX open/read/write/pwrite/lseek/close/fstat through fiosys.
//
// The file layer takes the run through the FFCB it is handed (its memory
// pool and options); the texts of a file record come from the pool the
// record was made from (FFREC::gccb).
//
// Divisions: system calls and texts; error report; open; refill and
// write-out; read (fixed, line, variable formats, copy out); write;
// update; close; the entry point.
//
// On-disk layouts (lengths big-endian):
//   F   records of exactly LRECL bytes.  LRECL 4, records "AB" and "CDEF",
//       fill blank: 41 42 20 20 43 44 45 46.
//   line  record bytes then the delimiter: "AB" then "C" with LF: 41 42 0A 43 0A.
//   V   [BDW: block length incl. BDW, 00 00] then records [RDW: record
//       length incl. RDW, 00 00][data].  One block holding "AB" and "C":
//       BDW 4 + RDW 4 + 2 + RDW 4 + 1 = 15 = 0x0F:
//       00 0F 00 00  00 06 00 00 41 42  00 05 00 00 43.
//   V2  [data length, 2 bytes][data]:          "AB" -> 00 02 41 42.
//   V3  [80][data length, 2 bytes][data]:      "AB" -> 80 00 02 41 42.
//   MFV 128-byte header, then [4L LL][data][zeros to a multiple of 4]; the
//       high nibble 4 marks a record, the low 12 bits are the data length.
//       "ABC": 2 + 3 = 5 bytes, padded to 8: 40 03 41 42 43 00 00 00.
//       Header: 30 7E (kind 3, length 0x07E = 126, 128 with the word),
//       yymmddhhmmss and the century at 8 and again at 22, 3E at 37,
//       01 at 39, 48 and 61, BLKSIZE - 2 at 56-57, 5E 1C 02 02 at 108.
#include "files/files.h"
#include "driver/driver.h"  // the records CMV and OPTB only
#include "runtime/runtime.h"

#include <fcntl.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TORVALE_AVX2 1
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------------------
// System calls and texts
// ---------------------------------------------------------------------------

static int sys_open(const char* path, int flags, mode_t perm) { return ::open(path, flags, perm); }

FIOSYS fiosys = {sys_open, ::read, ::write, ::pwrite, ::lseek, ::close, ::fstat};

bool shortoff = false;

static char kOpenOK[] = "Open OK";
static char kNoFile[] = "NoFile.";
static char kInsDel[] = "INS,DEL not poss.";
static char kLF[] = "\n";                     // default delimiter of an output line file
static const char kGuard[16] = "<<<FFREC buf>>>";  // 15 characters and a NUL, past the buffer

static const char kVshort[] = "RECFM=V/V2/MFV desc word too short.";
static const char kVlong[]  = "RECFM=V/V2/MFV len in RDW > bufsize.";
static const char kVfinal[] = "RECFM=V/V2/MFV insuff data for RDW on final rec.";
static const char kVbad[]   = "RECFM=V invalid BDW/RDW (Blk/Rec Desc Word).";
static const char kVbig[]   = "RECFM=V BDW/RDW value exceeds BLKSIZE or LRECL.";
static const char kVblk[]   = "RECFM=V data exceeds BDW value.";
static const char kTabs[]   = "TAB char expansion exceeds work area.";

// Result of cutting one record from the buffer.
enum class Cut { Rec, End, Err, More, Skip };

static GCCB* fgc(FFCB* fc) { return fc->cmv ? fc->cmv->gccb : nullptr; }

static void tr(FFCB* fc, int at, char c) {
    if (fc->trace) fc->trace[at] = c;
}

static unsigned be16(const unsigned char* p) { return static_cast<unsigned>(p[0]) << 8 | p[1]; }

static void put16(unsigned char* p, std::uint64_t v) {
    p[0] = static_cast<unsigned char>(v >> 8);
    p[1] = static_cast<unsigned char>(v);
}

// Descriptor word length of a record format class (0 for F and lines).
static int dwof(int recfm) {
    switch (recfm) {
    case RF_VAR: return 4;
    case RF_V2:  return 2;
    case RF_V3:  return 3;
    case RF_MFV: return 2;
    default:     return 0;
    }
}

// ---------------------------------------------------------------------------
// Texts, names and the error report
// ---------------------------------------------------------------------------

void errm_set(FFREC* f, const char* text) {
    int e = errno;
    if (f->errm && f->errm[0]) return;  // the first failure's text is kept
    if (!f->errm) {
        f->errm = static_cast<char*>(cblgcore(f->gccb, 128, 0, "errm"));
        f->sflags |= FS_OWNERR;
    }
    if (!text) {
        f->syserr = e;
        text = std::strerror(e);
    }
    std::size_t n = std::min<std::size_t>(std::strlen(text), 127);
    std::memcpy(f->errm, text, n);
    f->errm[n] = 0;
}

void dsn_set(FFREC* f, const char* name, int length) {
    std::size_t n = length ? static_cast<std::size_t>(length) : std::strlen(name);
    if (n > 255 && f->ftype != FT_DB2 && f->ftype != FT_ODBC) n = 255;
    while (n > 0 && name[n - 1] == ' ') n--;
    if (f->dsn) cblgcorf(f->gccb, &f->dsn, "dsn3");
    f->dsnlen = static_cast<std::int32_t>(n);
    f->dsn = static_cast<char*>(cblgcore(f->gccb, static_cast<long>(n + 1), 0, "dsn3"));
    std::memcpy(f->dsn, name, n);
    f->dsn[n] = 0;
}

char* cblferrx(FFCB* fc, const char* text) {
    FFREC* f = fc->ffrec;
    const char* t = (f && f->errm && f->errm[0]) ? f->errm
                    : (fc->errm && fc->errm[0])  ? fc->errm
                    : text                       ? text
                                                 : "Unknown error.";
    if (!fc->errm || !fc->errm[0]) fc->errm = t;
    if (t[0] != 'K') {
        char name[4096] = "";
        if (f) fname_of(f, FNM_SHOW, name, sizeof name);
        FILE* es = (fc->cmv && fc->cmv->logfp) ? fc->cmv->logfp : stderr;
        bool out = f && (f->mode & FM_OUT);
        bool dd = f && (f->dflags & DF_DDNAME);
        std::fprintf(es, "cblfio: %s  %s %s\"%s\"\n", t, out ? "(Outpt)" : "(Input)",
                     dd ? "DDname=" : "F=", name);
    }
    tr(fc, 0, 'e');
    return nullptr;
}

// Set the file's text (unless one is kept) and report it.
[[gnu::noinline, gnu::cold]] static char* fail(FFCB* fc, const char* text) {
    errm_set(fc->ffrec, text);
    return cblferrx(fc, text);
}

bool eocard(const FFREC*, const char* record, std::int64_t length) {
    return length >= 2 && record[0] == '/' && record[1] == '*' && (length == 2 || record[2] == ' ');
}

std::int64_t tabxpand(char* out, std::int64_t outlen, const char* in, std::int64_t inlen, int tab,
                      int width) {
    std::int64_t o = 0;
    for (std::int64_t i = 0; i < inlen; i++) {
        if (static_cast<unsigned char>(in[i]) == static_cast<unsigned>(tab) && width > 0) {
            std::int64_t k = width - o % width;
            if (o + k > outlen) return 0;
            std::memset(out + o, ' ', static_cast<std::size_t>(k));
            o += k;
        } else {
            if (o >= outlen) return 0;
            out[o++] = in[i];
        }
    }
    return o;
}

std::int64_t getrba(const FFREC* f) { return f->rba; }

// ---------------------------------------------------------------------------
// Paths and open
// ---------------------------------------------------------------------------

char* setpath(FFREC* f, const char* directory, int length) {
    const char* old = f->prefix ? f->prefix : "";
    const char* slash = std::strrchr(old, '/');
    if (f->prefix && !slash) return nullptr;
    const char* tail = slash ? slash + 1 : old;
    std::size_t tl = std::strlen(tail);
    if (tl > 63) return nullptr;
    std::size_t dl = static_cast<std::size_t>(length);
    bool addslash = dl == 0 || directory[dl - 1] != '/';
    std::size_t n = dl + (addslash ? 1 : 0) + tl + 1;
    char* p = static_cast<char*>(cblgcore(f->gccb, static_cast<long>(std::max<std::size_t>(n, 64)), 0, "pth"));
    std::memcpy(p, directory, dl);
    if (addslash) p[dl++] = '/';
    std::memcpy(p + dl, tail, tl + 1);
    if (f->prefix) cblgcorf(f->gccb, &f->prefix, "pth");
    f->prefix = p;
    return p;
}

// The path of a file (fname_of, FNM_PATH) into path; false when it does not
// fit.  A path without a slash is noted in the access flags.
static bool mkpath(FFREC* f, char* path, std::size_t size) {
    int n = fname_of(f, FNM_PATH, path, size);
    if (n < 0 || static_cast<std::size_t>(n) >= size) return false;
    if (!std::strchr(path, '/')) f->aflags |= AF_NOSLASH;
    return true;
}

static int sysopen(const char* path, int flags) {
    int fd;
    do fd = fiosys.open(path, flags | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Try a missing input in the directory of the search path, then along PATH.
static int pathsearch(FFCB* fc, int flags) {
    FFREC* f = fc->ffrec;
    char path[4096];
    auto tryin = [&](const char* dir, int len) -> int {
        if (!setpath(f, dir, len)) {
            errm_set(f, "Bad setpath.");
            return 999;
        }
        if (!mkpath(f, path, sizeof path)) return 2;
        int fd = sysopen(path, flags);
        if (fd >= 0) {
            f->fd = fd;
            return 0;
        }
        return errno == ENOENT ? 2 : 999;
    };
    if (fc->srchpath) {
        const char* s = std::strrchr(fc->srchpath, '/');
        if (s) {
            int rc = tryin(fc->srchpath, static_cast<int>(s - fc->srchpath + 1));
            if (rc != 2) return rc;
        }
    }
    const char* env = std::getenv("PATH");
    while (env && *env) {
        const char* e = std::strchr(env, ':');
        int len = static_cast<int>(e ? e - env : std::strlen(env));
        if (len > 0) {
            int rc = tryin(env, len);
            if (rc != 2) return rc;
        }
        env = e ? e + 1 : nullptr;
    }
    return 2;
}

int open_it(FFCB* fc) {
    FFREC* f = fc->ffrec;
    char path[4096];
    int flags;
    if (f->mode & FM_UPD) flags = O_RDWR;
    else if (f->mode & FM_IN) flags = O_RDONLY;
    else if (f->mode & FM_OUT) flags = O_WRONLY | O_CREAT | ((f->sflags & FS_RESET) ? O_TRUNC : O_APPEND);
    else {
        errm_set(f, "Unknown OPEN type. (IN or OUT)");
        return 22;
    }
    if (!mkpath(f, path, sizeof path)) {
        errm_set(f, "File name too long.");
        return 999;
    }
    int fd = sysopen(path, flags);
    if (fd >= 0) {
        f->fd = fd;
        return 0;
    }
    bool input = fm_input(f);
    if (errno == ENOENT && input) {
        if (!(f->dflags & DF_PATHSRCH) || (f->sflags & FS_DSNPATH)) return 2;
        char had[4096];  // the prefix, put back when the search finds nothing
        std::snprintf(had, sizeof had, "%s", f->prefix ? f->prefix : "");
        bool hadone = f->prefix != nullptr;
        int rc = pathsearch(fc, flags);
        if (rc == 0) return 0;
        if (f->prefix) cblgcorf(f->gccb, &f->prefix, "pth");
        if (hadone) {
            std::size_t n = std::strlen(had) + 1;
            f->prefix = static_cast<char*>(cblgcore(f->gccb, static_cast<long>(std::max<std::size_t>(n, 64)), 0, "pth"));
            std::memcpy(f->prefix, had, n);
        }
        if (rc == 2) return 2;
    }
    errm_set(f, nullptr);
    return 999;
}

int allocbuf(FFCB* fc, std::int64_t size) {
    FFREC* f = fc->ffrec;
    if (f->buf && f->iosize == size &&
        std::memcmp(f->buf + size, kGuard, sizeof kGuard) == 0)
        return 0;  // same size and the guard intact: keep it
    if (f->buf) cblgcorf(fgc(fc), &f->buf, "ffbf");
    long n = static_cast<long>(std::max<std::int64_t>(size + 16, 272));
    // Not filled: only bytes that a read or a write put there are ever looked at.
    f->buf = static_cast<unsigned char*>(cblgcore(fgc(fc), n, -1, "buf"));
    std::memcpy(f->buf + size, kGuard, sizeof kGuard);
    f->iosize = size;
    return 0;
}

static void zerocounts(FFREC* f) {
    f->reccnt = f->trunccnt = f->bufoff = f->unread = 0;
    f->blklen = f->blkused = f->maxblk = f->maxrec = 0;
    f->lastdl = 0;
    f->foff = f->fsize = f->rba = f->reclen = 0;
    std::memset(f->fsizebe, 0, sizeof f->fsizebe);
    f->blkbeg = -1;
    f->status = 0;
    f->dflags &= ~DF_LASTTRNC;
}

// Settle LRECL, the block size, the delimiter and the per-file switches.
static const char* geometry(const CMV* c, FFREC* f) {
    bool input = (f->mode & (FM_IN | FM_UPD)) != 0;
    if (f->recfm < RF_FIXED || f->recfm > RF_MFV) f->recfm = RF_LINE;
    f->dwlen = static_cast<std::int16_t>(dwof(f->recfm));
    if (f->recfm == RF_LINE && !input && !f->eol && f->eollen != 0) {
        f->eol = kLF;
        f->eollen = 1;
        f->aflags |= AF_EOLFIX;
    }
    std::int64_t allow = f->recfm == RF_LINE ? f->eollen
                         : f->recfm == RF_VAR ? ((f->dflags & DF_NOBDW) ? 0 : 4)
                                              : 0;
    if (f->recfm == RF_LINE && input && f->lrecl == 0 && f->bufsize == 0) {
        f->bufsize = 65536;  // text input without geometry: long lines fit
        f->lrecl = f->bufsize - 2;
    }
    if (f->lrecl == 0) {
        if (f->recfm == RF_VAR && (f->dflags & DF_KEYED))
            return "LRECL (max) reqd for RECFM=V Keyed access.";
        f->lrecl = (f->bufsize ? f->bufsize : 2048) - allow;
    }
    if (f->bufsize == 0) {
        f->bufsize = allow + f->lrecl;
        if (f->recfm == RF_FIXED && f->bufsize < 2048) f->bufsize = 2048;
    }
    if (allow + f->lrecl > f->bufsize || f->lrecl < 1) return "Bufsize < LRECL+delims.";
    if (f->curfix == 0) f->curfix = f->lrecl;
    if (f->tabw == TABW_UNSET) {
        const OPTB* o = c ? c->optp : nullptr;
        f->tabw = o ? (input ? o->tabsin : o->tabsout) : 0;
    }
    // The run's RDW option reached the file when it was defined.
    if (!(f->dflags & (DF_RDW | DF_NORDW))) f->dflags |= DF_NORDW;
    f->aflags &= ~(AF_CTLZ | AF_FAST | AF_FASTV);
    if (f->recfm == RF_LINE && f->eollen > 0 && !(f->dflags & (DF_RECFM | DF_KEEPCTLZ)))
        f->aflags |= AF_CTLZ;
    bool plain = f->recfm == RF_FIXED || (f->recfm == RF_LINE && (input ? !f->eol && f->eollen == 2 : f->eollen > 0));
    bool var = f->recfm == RF_VAR || f->recfm == RF_V2 || f->recfm == RF_V3 || f->recfm == RF_MFV;
    if ((plain || (var && input)) && !shortoff && !(f->dflags & (DF_INSTREAM | DF_FILL | DF_DUMMY)) &&
        f->tabw <= 0)
        f->aflags |= plain ? AF_FAST : AF_FASTV;
    return nullptr;
}

// Size and kind of an input file just opened: true for a regular file.
static bool sizeup(FFREC* f) {
    struct stat st;
    if (fiosys.fstat(f->fd, &st) != 0) return false;
    if (S_ISFIFO(st.st_mode)) f->dflags |= DF_FIFO;
    if (!S_ISREG(st.st_mode)) return false;
    f->fsize = st.st_size;
    for (int i = 0; i < 8; i++) f->fsizebe[i] = static_cast<unsigned char>(f->fsize >> (56 - 8 * i));
    if (f->fsize == 0) {
        f->sflags |= FS_NODATA;
        f->emptycnt++;
    }
    return true;
}

[[gnu::noinline]] static char* fio_close(FFCB* fc, bool closeit);

static const char* typecheck(const FFREC* f) {
    switch (f->ftype) {
    case FT_SEQ:
    case FT_INDEX: return nullptr;
    case FT_DIR:   return "Directory files cannot be read yet.";
    case FT_VSAM:
    case FT_ESDS:
    case FT_KSDS:
    case FT_RRDS:  return "External file handler not available.";
    default:       return "File type not supported.";
    }
}

[[gnu::noinline]] static char* fio_open(FFCB* fc) {
    FFREC* f = fc->ffrec;
    if (f->ftype == FT_CLIP) return fail(fc, "WIN ok.");
    if (f->sflags & FS_OPEN) {
        if (!(f->sflags & (FS_REOPEN | FS_NODATA))) return fail(fc, "2nd OPEN ignored.");
        fio_close(fc, true);
        if (fc->errm && fc->errm[0]) return nullptr;
    }
    f->sflags &= ~(FS_OPEN | FS_OPENFAIL | FS_EOD | FS_NODATA | FS_NOTFOUND | FS_EXHAUST |
                   FS_SYSEOF | FS_CLOSED);
    const char* bad = typecheck(f);
    if (!bad) bad = geometry(fc->cmv, f);
    if (bad) {
        f->sflags |= FS_OPENFAIL | FS_WASOPEN;
        return fail(fc, bad);
    }
    zerocounts(f);
    std::int64_t io = std::max<std::int64_t>(f->bufsize + 8, FIO_IOBLK);
    if (f->dflags & DF_DUMMY) {
        if (!(f->mode & FM_OUT)) f->sflags |= FS_NODATA | FS_EOD;
    } else if (f->dflags & DF_STDSTRM) {
        if (f->stream) f->fd = fileno(f->stream);
        if ((f->mode & FM_IN) && isatty(f->fd) == 1) f->dflags |= DF_TERMINAL;
    } else if (!(f->dflags & DF_INSTREAM)) {
        int rc = open_it(fc);
        if (rc != 0) {
            bool input = fm_input(f);
            if (input && rc == 2 && !(f->errm && f->errm[0])) {
                f->nfcnt++;
                f->sflags |= FS_NOTFOUND | FS_NODATA | FS_EOD | FS_WASOPEN;
                return kNoFile;
            }
            f->sflags |= FS_OPENFAIL | FS_WASOPEN;
            return fail(fc, "OPEN failed.");
        }
        bool in = (f->mode & (FM_IN | FM_UPD)) != 0;
        if (in && sizeup(f))  // a small file gets a small buffer
            io = std::max<std::int64_t>(f->bufsize + 8, std::min(io, std::max<std::int64_t>(f->fsize + 8, 4096)));
        else if (!in && !(f->sflags & FS_RESET)) {
            off_t end = fiosys.lseek(f->fd, 0, SEEK_END);  // appended records' RBAs
            if (end > 0) f->foff = end;
        }
    }
    allocbuf(fc, io);
    f->sflags |= FS_OPEN | FS_WASOPEN;
    return kOpenOK;
}

// ---------------------------------------------------------------------------
// Refill and write-out
// ---------------------------------------------------------------------------

// One system read into p (at most room bytes): bytes read, 0 at end, -1 on error.
static std::int64_t rawread(FFCB* fc, unsigned char* p, std::int64_t room) {
    FFREC* f = fc->ffrec;
    if (f->dflags & DF_TERMINAL) {  // line by line
        tr(fc, 3, 'k');
        if (room < 2) return 0;
        char* s = reinterpret_cast<char*>(p);
        if (!std::fgets(s, static_cast<int>(std::min<std::int64_t>(room, 1 << 30)), f->stream))
            return std::ferror(f->stream) ? -1 : 0;
        std::int64_t n = static_cast<std::int64_t>(std::strlen(s));
        if (f->fileid[0] == 'C' && n >= 2 && s[0] == '/' && s[1] == '*' &&
            (n == 2 || s[2] == ' ' || s[2] == '\n'))
            return 0;
        return n;
    }
    if (f->stream) {
        tr(fc, 3, 's');
        std::size_t n = std::fread(p, 1, static_cast<std::size_t>(room), f->stream);
        if (n == 0 && std::ferror(f->stream)) return -1;
        return static_cast<std::int64_t>(n);
    }
    tr(fc, 3, 'n');
    for (;;) {
        ssize_t n = fiosys.read(f->fd, p, static_cast<std::size_t>(room));
        if (n >= 0) return n;
        // An interrupted read is tried again, unless a SIGTERM waits for the
        // run's check: then the reader gives up so that the run can end.
        if (errno != EINTR || cmsigterm) return -1;
    }
}

// Move the unread tail to the front and read once: 1 data, 0 end of data, -1 error.
[[gnu::noinline]] static int topupbuf(FFCB* fc) {
    FFREC* f = fc->ffrec;
    tr(fc, 1, 'T');
    if (f->bufoff > 0 && f->unread > 0)
        std::memmove(f->buf, f->buf + f->bufoff, static_cast<std::size_t>(f->unread));
    f->bufoff = 0;
    std::int64_t room = f->iosize - f->unread;
    std::int64_t upto = (f->foff + room) & ~std::int64_t{4095};  // end reads on a page edge
    if (upto > f->foff + (room >> 1)) room = upto - f->foff;
    if (!(f->sflags & FS_SYSEOF) && room > 0 && !(f->dflags & DF_DUMMY)) {
        tr(fc, 2, 'D');
        std::int64_t n = rawread(fc, f->buf + f->unread, room);
        tr(fc, 2, 'd');
        if (n < 0) {
            errm_set(f, nullptr);
            return -1;
        }
        if (n == 0) {
            f->sflags |= FS_SYSEOF;
            if (f->unread > 0) f->sflags |= FS_EXHAUST;
            if ((f->aflags & AF_CTLZ) && f->unread > 0 && f->buf[f->unread - 1] == 0x1A) f->unread--;
        }
        f->unread += n;
        f->foff += n;
    }
    if (f->unread == 0) {
        f->sflags |= FS_EOD;
        f->rba = f->foff;
        tr(fc, 3, 'e');
        if (!(f->sflags & FS_STAYOPEN)) {
            fio_close(fc, true);
            tr(fc, 3, 'c');
        }
        return 0;
    }
    tr(fc, 1, 't');
    return 1;
}

// Write the filled part of the buffer, completing short writes: 1 done, 0 failed.
int writeok(FFCB* fc) {
    FFREC* f = fc->ffrec;
    const unsigned char* p = f->buf;
    std::int64_t n = f->bufoff;
    bool ok = true;
    if (f->dflags & DF_DUMMY) {
        // nothing goes anywhere
    } else if (f->stream) {
        ok = std::fwrite(p, 1, static_cast<std::size_t>(n), f->stream) == static_cast<std::size_t>(n) &&
             std::fflush(f->stream) == 0;
    } else {
        while (n > 0) {
            ssize_t w = fiosys.write(f->fd, p, static_cast<std::size_t>(n));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                if (w == 0) errno = ENOSPC;
                ok = false;
                break;
            }
            p += w;
            n -= w;
        }
    }
    f->blkbeg = -1;
    if (!ok) {
        f->syserr = errno;
        f->bufoff = 0;
        f->status = 16;
        return 0;
    }
    f->foff += f->bufoff;
    f->bufoff = 0;
    return 1;
}

// ---------------------------------------------------------------------------
// Read: cutting one record by format
// ---------------------------------------------------------------------------

// Hand-over of a cut record: where it starts, its length, and the bytes consumed.
struct Piece {
    const unsigned char* p;
    std::int64_t n;
};

static void consume(FFREC* f, std::int64_t n) {
    f->bufoff += n;
    f->unread -= n;
}

static bool atend(const FFREC* f) { return (f->sflags & FS_SYSEOF) != 0; }

static Cut cutfix(FFCB* fc, Piece& r) {
    FFREC* f = fc->ffrec;
    std::int64_t n = f->lrecl;
    if (f->unread < n) {
        if (!atend(f)) return Cut::More;
        n = f->unread;  // short last record
    }
    r.p = f->buf + f->bufoff;
    r.n = n;
    if ((f->dflags & DF_INSTREAM) && eocard(f, reinterpret_cast<const char*>(r.p), n)) return Cut::End;
    f->rba = f->foff - f->unread;
    consume(f, n);
    return Cut::Rec;
}

// Offset of the first CR or LF in p[0, lim), or -1.  The vector loop may
// look at up to 15 bytes past lim: they lie inside the buffer or its guard
// (p + lim never passes the buffer's usable end) and are masked off.
// Where the processor has AVX2 (asked once per run) 32 bytes are looked at
// a step while 32 remain, then 16 at a time.
#if defined(__SSE2__)
// The 16-byte steps from offset i on.
static inline std::int64_t crlf16(const unsigned char* p, std::int64_t i, std::int64_t lim) {
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
    for (; i < lim; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        unsigned m = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr))));
        if (m) {
            std::int64_t k = i + __builtin_ctz(m);
            return k < lim ? k : -1;
        }
    }
    return -1;
}
#endif

#if defined(TORVALE_AVX2)
__attribute__((target("avx2"))) static std::int64_t crlf32(const unsigned char* p, std::int64_t lim) {
    const __m256i lf = _mm256_set1_epi8('\n'), cr = _mm256_set1_epi8('\r');
    std::int64_t i = 0;
    for (; i + 32 <= lim; i += 32) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        unsigned m = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(v, lf), _mm256_cmpeq_epi8(v, cr))));
        if (m) return i + __builtin_ctz(m);
    }
    return crlf16(p, i, lim);
}
static const bool haveavx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();
#endif

static std::int64_t findcrlf(const unsigned char* p, std::int64_t lim) {
#if defined(TORVALE_AVX2)
    if (haveavx2) return crlf32(p, lim);
#endif
#if defined(__SSE2__)
    return crlf16(p, 0, lim);
#else
    const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(lim));
    std::int64_t upto = lf ? static_cast<const unsigned char*>(lf) - p : lim;
    const void* cr = std::memchr(p, '\r', static_cast<std::size_t>(upto));
    return cr ? static_cast<const unsigned char*>(cr) - p : lf ? upto : -1;
#endif
}

// Find the end of a line in p[0, lim): its length, or -1; dl gets the delimiter length.
static std::int64_t findeol(FFREC* f, const unsigned char* p, std::int64_t lim, std::int64_t avail,
                            int& dl, bool& more) {
    if (f->eol) {  // a given delimiter string
        const unsigned char* d = reinterpret_cast<const unsigned char*>(f->eol);
        std::int64_t dn = f->eollen;
        const unsigned char* q = p;
        while ((q = static_cast<const unsigned char*>(std::memchr(q, d[0], static_cast<std::size_t>(lim - (q - p))))) != nullptr) {
            if (p + avail - q < dn) {
                if (!atend(f)) more = true;
                return -1;
            }
            if (std::memcmp(q, d, static_cast<std::size_t>(dn)) == 0) {
                dl = static_cast<int>(dn);
                return q - p;
            }
            q++;
        }
        return -1;
    }
    // CR, LF or CR LF
    std::int64_t i = findcrlf(p, lim);
    if (i < 0) return -1;
    if (p[i] == '\n') {
        dl = 1;
        return i;
    }
    if (i + 1 >= avail && !atend(f)) {
        more = true;  // a CR as the last byte read: the LF may follow
        return -1;
    }
    dl = (i + 1 < avail && p[i + 1] == '\n' && i <= f->lrecl) ? 2 : 1;
    return i;
}

static Cut cutline(FFCB* fc, Piece& r) {
    FFREC* f = fc->ffrec;
    f->sflags &= ~FS_CUT;
    const unsigned char* p = f->buf + f->bufoff;
    std::int64_t avail = f->unread;
    std::int64_t n;
    int dl = 0;
    if (f->eollen == 0) {  // EOL=NO: records of the current fixed length
        n = f->curfix;
        if (n < 1 || n > f->bufsize) {
            errm_set(f, "Inval curr LRECL for EOL=NO input.");
            return Cut::Err;
        }
        if (avail < n) {
            if (!atend(f)) return Cut::More;
            n = avail;
        }
    } else {
        std::int64_t want = f->lrecl + f->eollen;
        std::int64_t lim = std::min(want, avail);
        bool more = false;
        n = findeol(f, p, lim, avail, dl, more);
        if (more) return Cut::More;
        if (n < 0) {
            if (lim < want && !atend(f)) return Cut::More;
            n = lim;
            dl = 0;
        }
    }
    if (n > f->lrecl) {  // the rest of the line is the next record
        n = f->lrecl;
        dl = 0;
        f->sflags |= FS_CUT;
        f->trunccnt++;
    }
    if ((f->dflags & DF_INSTREAM) && eocard(f, reinterpret_cast<const char*>(p), n)) return Cut::End;
    if (f->tabw > 0 && std::memchr(p, '\t', static_cast<std::size_t>(n))) f->tabseen = 1;
    f->rba = f->foff - f->unread;
    consume(f, n + dl);
    f->lastdl = dl;
    f->dflags &= ~DF_RESYNC;
    r.p = p;
    r.n = n;
    return Cut::Rec;
}

// A BDW at the start of a V block: consumed, or an error text.
static const char* takebdw(FFREC* f) {
    const unsigned char* p = f->buf + f->bufoff;
    bool first = f->foff - f->unread == 0 && f->reccnt == 0;
    std::int64_t top = std::min<std::int64_t>(f->bufsize, 0xFFFF);
    std::int64_t w = f->unread >= 4 ? be16(p) : 0;
    std::int64_t r = f->unread >= 8 ? be16(p + 4) : 0;
    bool ok = f->unread >= 8 && p[2] == 0 && p[3] == 0 && w >= 8 && w <= top && p[6] == 0 &&
              p[7] == 0 && r >= 4 && r <= f->lrecl && r + 4 <= w;
    if (ok) {
        f->blklen = w;
        f->blkused = 4;
        f->maxblk = std::max(f->maxblk, w);
        consume(f, 4);
        return nullptr;
    }
    if (first && !(f->dflags & (DF_BDW | DF_KEYED))) {
        f->dflags |= DF_NOBDW;  // the file starts with an RDW: it has no BDWs
        return nullptr;
    }
    if (f->unread < 4) return kVshort;
    return (p[2] == 0 && p[3] == 0 && w > top) ? kVbig : kVbad;
}

// Length of the variable record at the buffer offset, descriptor included
// (and padded for MFV), or 0 with an error text set.
static std::int64_t varlen(FFREC* f, std::int64_t& padded) {
    const unsigned char* p = f->buf + f->bufoff;
    std::int64_t len = 0;
    switch (f->recfm) {
    case RF_VAR: {
        if (p[2] != 0 || p[3] != 0) break;
        len = be16(p);
        std::int64_t least = f->keypos + f->keylen + ((f->dflags & DF_NORDW) ? 4 : 0);
        if (len < 4 || len < least) len = 0;
        else if (len > f->lrecl) {
            errm_set(f, kVbig);
            return 0;
        }
        break;
    }
    case RF_V2:  len = be16(p) + 2; break;
    case RF_V3:  len = be16(p + 1) + 3; break;
    case RF_MFV: len = (static_cast<std::int64_t>(p[0] & 0x0F) << 8 | p[1]) + 2; break;
    default:     errm_set(f, "RECFM bad."); return 0;
    }
    if (len == 0) {
        errm_set(f, kVbad);
        return 0;
    }
    padded = f->recfm == RF_MFV ? (len + 3) & ~std::int64_t{3} : len;
    return len;
}

static Cut cutvar(FFCB* fc, Piece& r) {
    FFREC* f = fc->ffrec;
    if (f->unread <= 7 && !atend(f)) return Cut::More;
    if (f->recfm == RF_VAR && !(f->dflags & DF_NOBDW) && f->blklen == 0) {
        if (const char* t = takebdw(f)) {
            errm_set(f, t);
            return Cut::Err;
        }
    }
    int dw = f->dwlen;
    if (f->unread < dw) {
        errm_set(f, kVshort);
        return Cut::Err;
    }
    std::int64_t padded = 0;
    std::int64_t len = varlen(f, padded);
    if (len == 0) return Cut::Err;
    if (len > f->bufsize) {
        errm_set(f, kVlong);
        return Cut::Err;
    }
    if (f->blklen > 0 && f->blkused + len > f->blklen) {
        errm_set(f, kVblk);
        return Cut::Err;
    }
    if (padded > f->unread) {
        if (!atend(f)) return Cut::More;
        if (len > f->unread) {
            errm_set(f, kVfinal);
            return Cut::Err;
        }
        padded = len;  // the record is there, its padding is not
    }
    const unsigned char* p = f->buf + f->bufoff;
    f->rba = f->foff - f->unread;
    consume(f, padded);
    if (f->blklen > 0) {
        f->blkused += len;
        if (f->blkused == f->blklen) f->blklen = f->blkused = 0;
    }
    if (f->recfm == RF_MFV && f->rba == 0) {  // the file header, kept and not returned
        if (p[0] != 0x30 || len != 128) {
            errm_set(f, "RECFM=MFV Header missing/inval.");
            return Cut::Err;
        }
        if (!f->mfvhdr) f->mfvhdr = static_cast<unsigned char*>(cblgcore(fgc(fc), 128, 0, "mfh"));
        std::memcpy(f->mfvhdr, p, 128);
        return Cut::Skip;
    }
    if ((f->dflags & DF_INSTREAM) && eocard(f, reinterpret_cast<const char*>(p + dw), len - dw)) {
        f->bufoff -= padded;
        f->unread += padded;
        return Cut::End;
    }
    r.p = p;
    r.n = len;
    if (f->dflags & DF_NORDW) {
        r.p += dw;
        r.n -= dw;
    }
    return Cut::Rec;
}

static Cut cutone(FFCB* fc, Piece& r) {
    switch (fc->ffrec->recfm) {
    case RF_FIXED: return cutfix(fc, r);
    case RF_LINE:  return cutline(fc, r);
    case RF_VAR:
    case RF_V2:
    case RF_V3:
    case RF_MFV:   return cutvar(fc, r);
    default:       errm_set(fc->ffrec, "RECFM bad."); return Cut::Err;
    }
}

// End of data: fill the caller's area over the previous record; null.
[[gnu::noinline]] static char* eodret(FFCB* fc, char* rec, std::int64_t len, std::int64_t prev) {
    FFREC* f = fc->ffrec;
    f->sflags |= FS_EOD;
    if (rec && (f->dflags & DF_FILL) && prev > 0 && prev <= len)
        std::memset(rec, f->fill, static_cast<std::size_t>(prev));
    if (f->recfm == RF_VAR && f->blklen > 0) {  // the data ended inside a block
        f->blklen = f->blkused = 0;
        return fail(fc, kVfinal);
    }
    tr(fc, 0, 'z');
    return nullptr;
}

// The length of the n bytes at p with each TAB expanded to the next stop
// of width w.
static std::int64_t tabsize(const char* p, std::int64_t n, int w) {
    std::int64_t o = 0;
    for (std::int64_t i = 0; i < n; i++) o += p[i] == '\t' ? w - o % w : 1;
    return o;
}

// A record with TABs that no caller's area takes is expanded into the
// file's own buffer, grown (never shrunk) to the longest expansion; the
// buffer lives as long as the file record, so the current record stays
// valid after a close.  Null when the memory is not to be had.
[[gnu::noinline]] static char* tabown(FFCB* fc, const char* src, std::int64_t raw, std::int64_t n) {
    FFREC* f = fc->ffrec;
    if (n > f->tabcap) {
        if (f->tabbuf) cblgcorf(fgc(fc), &f->tabbuf, "tabx");
        std::int64_t cap = std::max<std::int64_t>(n, 256);
        f->tabbuf = static_cast<char*>(cblgcore(fgc(fc), static_cast<long>(cap), 0, "tabx"));
        f->tabcap = f->tabbuf ? cap : 0;
        if (!f->tabbuf) return nullptr;
    }
    tabxpand(f->tabbuf, f->tabcap, src, raw, 0x09, f->tabw);
    return f->tabbuf;
}

// Copy out: into the caller's area when it is large enough, else in place
// (a record with TABs to expand: into the file's own buffer).  The record
// length is the length after expansion.
static char* copyout(FFCB* fc, char* rec, std::int64_t len, const Piece& r, std::int64_t prev) {
    FFREC* f = fc->ffrec;
    const char* src = reinterpret_cast<const char*>(r.p);
    bool tabs = f->tabseen && f->tabw > 0;
    std::int64_t n = tabs ? tabsize(src, r.n, f->tabw) : r.n;
    char* out;
    f->rawlen = r.n;
    if (rec && len > 0 && len >= n) {
        if (tabs) tabxpand(rec, len, src, r.n, 0x09, f->tabw);
        else std::memcpy(rec, src, static_cast<std::size_t>(n));
        if ((f->dflags & DF_FILL) && prev > n && prev <= len)
            std::memset(rec + n, f->fill, static_cast<std::size_t>(prev - n));
        out = rec;
    } else if (tabs) {
        out = tabown(fc, src, r.n, n);
        if (!out) return fail(fc, kTabs);
    } else {
        out = const_cast<char*>(src);
    }
    f->reclen = n;
    f->reccnt++;
    f->maxrec = std::max(f->maxrec, n);
    tr(fc, 0, 'c');
    return out;
}

[[gnu::noinline]] static char* fio_read(FFCB* fc, char* rec, std::int64_t len) {
    FFREC* f = fc->ffrec;
    std::int64_t prev = f->reclen;
    f->tabseen = 0;
    for (;;) {
        if (!(f->sflags & FS_OPEN)) {
            if (f->sflags & FS_EOD) return eodret(fc, rec, len, prev);
            fc->errm = (f->sflags & FS_CLOSED) ? "File closed." : "OPEN failed.";
            return nullptr;
        }
        if (f->unread < 2 && !(f->unread == 1 && f->lrecl == 1)) {
            if (f->unread == 0 && (f->sflags & FS_EOD)) return eodret(fc, rec, len, prev);
            if (f->unread == 0 || !atend(f)) {
                int t = topupbuf(fc);
                if (t < 0) return cblferrx(fc, nullptr);
                if (t == 0) return eodret(fc, rec, len, prev);
            }
        }
        Piece r{};
        switch (cutone(fc, r)) {
        case Cut::Rec:  return copyout(fc, rec, len, r, prev);
        case Cut::End:
            f->sflags |= FS_EOD;
            f->rba = f->foff - f->unread;
            return eodret(fc, rec, len, prev);
        case Cut::Err:  return cblferrx(fc, nullptr);
        case Cut::Skip: break;
        case Cut::More: {
            if (f->unread >= f->iosize) {  // a full buffer that still holds no record
                errm_set(f, f->recfm == RF_FIXED ? "FI .rf logic." : "FI .rv logic.");
                return cblferrx(fc, nullptr);
            }
            int t = topupbuf(fc);
            if (t < 0) return cblferrx(fc, nullptr);
            if (t == 0) return eodret(fc, rec, len, prev);
            break;
        }
        }
    }
}

// ---------------------------------------------------------------------------
// Write
// ---------------------------------------------------------------------------

// Make room for need more bytes in the buffer: false when the write-out failed.
static bool room(FFCB* fc, std::int64_t need) {
    FFREC* f = fc->ffrec;
    if (f->bufoff + need <= f->iosize) return true;
    if (writeok(fc)) return true;
    errm_set(f, "Write failed.");
    return false;
}

static std::int64_t trimfill(const FFREC* f, const char* rec, std::int64_t n) {
    if (f->sflags & FS_TRUNC)
        while (n > 0 && rec[n - 1] == f->fill) n--;
    return n;
}

static void truncated(FFREC* f) {
    f->trunccnt++;
    f->dflags |= DF_LASTTRNC;
}

static bool wfix(FFCB* fc, const char* rec, std::int64_t n) {
    FFREC* f = fc->ffrec;
    if (n > f->lrecl) {  // cut, and counted so that it is never silent
        n = f->lrecl;
        truncated(f);
    }
    if (!room(fc, f->lrecl)) return false;
    unsigned char* o = f->buf + f->bufoff;
    std::memcpy(o, rec, static_cast<std::size_t>(n));
    if (n < f->lrecl) std::memset(o + n, f->fill, static_cast<std::size_t>(f->lrecl - n));
    f->bufoff += f->lrecl;
    f->reclen = n;
    return true;
}

static bool wline(FFCB* fc, const char* rec, std::int64_t n) {
    FFREC* f = fc->ffrec;
    n = trimfill(f, rec, n);
    if (n > f->lrecl) {
        n = trimfill(f, rec, f->lrecl);
        truncated(f);
    }
    if (!room(fc, n + f->eollen)) return false;
    unsigned char* o = f->buf + f->bufoff;
    std::memcpy(o, rec, static_cast<std::size_t>(n));
    if (f->eollen == 1) o[n] = static_cast<unsigned char>(f->eol[0]);
    else if (f->eollen > 0) std::memcpy(o + n, f->eol, static_cast<std::size_t>(f->eollen));
    f->bufoff += n + f->eollen;
    f->reclen = n;
    return true;
}

// The 128-byte header at the start of an MFV file.
static void mfvhead(FFCB* fc, unsigned char* h) {
    FFREC* f = fc->ffrec;
    std::memset(h, 0, 128);
    h[0] = 0x30;
    h[1] = 0x7E;
    char d[CBLDATE_LEN];
    cbldate(d, nullptr, 0);
    const char* t = d + CBLDATE_TEXT;  // yyyy/mm/dd hh:mm:ss
    const int from[12] = {2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18};
    for (int i = 0; i < 12; i++) h[8 + i] = static_cast<unsigned char>(t[from[i]]);
    h[20] = static_cast<unsigned char>(t[0]);
    h[21] = static_cast<unsigned char>(t[1]);
    std::memcpy(h + 22, h + 8, 14);
    h[37] = 0x3E;
    h[39] = 1;
    h[48] = 1;
    put16(h + 56, static_cast<std::uint64_t>(std::min<std::int64_t>(f->bufsize - 2, 0xFFFF)));
    h[61] = 1;
    h[108] = 0x5E;
    h[109] = 0x1C;
    h[110] = 0x02;
    h[111] = 0x02;
    if (!f->mfvhdr) f->mfvhdr = static_cast<unsigned char*>(cblgcore(fgc(fc), 128, 0, "mfh"));
    std::memcpy(f->mfvhdr, h, 128);
}

static bool wvar(FFCB* fc, const char* rec, std::int64_t n) {
    FFREC* f = fc->ffrec;
    int dw = f->dwlen;
    bool bdw = f->recfm == RF_VAR && !(f->dflags & DF_NOBDW);
    std::int64_t blkmax = std::min<std::int64_t>(f->bufsize, 0xFFFF);
    // The largest data a descriptor can carry, and LRECL.
    std::int64_t cap = f->recfm == RF_MFV ? 0x0FFF : f->recfm == RF_VAR ? 0xFFFF - 4 : 0xFFFF;
    if (bdw) cap = std::min(cap, blkmax - 8);
    cap = std::max<std::int64_t>(std::min(cap, f->lrecl - dw), 0);
    n = trimfill(f, rec, n);
    if (n > cap) {
        n = trimfill(f, rec, cap);
        truncated(f);
    }
    std::int64_t pad = f->recfm == RF_MFV ? (4 - (dw + n) % 4) % 4 : 0;
    std::int64_t tot = dw + n + pad;
    if (f->recfm == RF_MFV && f->foff == 0 && f->bufoff == 0) {
        mfvhead(fc, f->buf);
        f->bufoff = 128;
    }
    if (bdw) {
        if (f->blkbeg < 0 || f->bufoff - f->blkbeg + tot > blkmax) {
            if (!room(fc, blkmax)) return false;  // a block never spans two write-outs
            f->blkbeg = f->bufoff;
            std::memset(f->buf + f->bufoff, 0, 4);
            f->bufoff += 4;
        }
    } else if (!room(fc, tot)) {
        return false;
    }
    unsigned char* o = f->buf + f->bufoff;
    switch (f->recfm) {
    case RF_VAR: put16(o, static_cast<std::uint64_t>(n + 4)); o[2] = o[3] = 0; break;
    case RF_V2:  put16(o, static_cast<std::uint64_t>(n)); break;
    case RF_V3:  o[0] = 0x80; put16(o + 1, static_cast<std::uint64_t>(n)); break;
    case RF_MFV: put16(o, static_cast<std::uint64_t>(n)); o[0] |= 0x40; break;
    default:     errm_set(f, "RECFM bad."); return false;
    }
    std::memcpy(o + dw, rec, static_cast<std::size_t>(n));
    std::memset(o + dw + n, 0, static_cast<std::size_t>(pad));
    f->bufoff += tot;
    if (bdw) {
        std::int64_t bl = f->bufoff - f->blkbeg;
        put16(f->buf + f->blkbeg, static_cast<std::uint64_t>(bl));
        f->maxblk = std::max(f->maxblk, bl);
    }
    f->reclen = n;
    return true;
}

// Open a file at its first use; false when it cannot be used.
static bool usable(FFCB* fc) {
    FFREC* f = fc->ffrec;
    if (!(f->sflags & FS_WASOPEN)) fio_open(fc);
    if (f->sflags & FS_OPEN) return true;
    if (!(fc->errm && fc->errm[0]))
        fc->errm = (f->sflags & FS_CLOSED) ? "File closed." : "OPEN failed.";
    return false;
}

[[gnu::noinline]] static char* fio_write(FFCB* fc, char* rec, std::int64_t len) {
    FFREC* f = fc->ffrec;
    if (!(f->sflags & FS_OPEN) && !usable(fc)) return nullptr;
    if (!(f->mode & FM_OUT)) return fail(fc, "File not open for output.");
    if (f->status == 16) {  // after a failed write, nothing more is added
        fc->errm = "Write failed.";
        return nullptr;
    }
    const char* src = rec ? rec : "";
    if (len < 0 || !rec) len = 0;
    bool ok;
    switch (f->recfm) {
    case RF_FIXED: ok = wfix(fc, src, len); break;
    case RF_LINE:  ok = wline(fc, src, len); break;
    case RF_VAR:
    case RF_V2:
    case RF_V3:
    case RF_MFV:   ok = wvar(fc, src, len); break;
    default:       errm_set(f, "RECFM bad."); ok = false; break;
    }
    if (!ok) return cblferrx(fc, nullptr);
    f->reccnt++;
    f->maxrec = std::max(f->maxrec, f->reclen);
    f->rba = f->foff + f->bufoff;
    return rec ? rec : reinterpret_cast<char*>(f->buf);
}

// ---------------------------------------------------------------------------
// Update in place
// ---------------------------------------------------------------------------

// Rewrite the record just read, at its place in the file.  Only a record of
// the length read may be written: any other length would overwrite the
// delimiter or the next record.
static char* fio_update(FFCB* fc, char* rec, std::int64_t len) {
    FFREC* f = fc->ffrec;
    if (!usable(fc)) return nullptr;
    if (!(f->mode & FM_UPD) || f->reccnt == 0 || len != f->rawlen || !rec)
        return fail(fc, "UPDATE failed.");
    std::int64_t at = f->rba + ((f->dflags & DF_NORDW) ? f->dwlen : 0);
    const char* p = rec;
    std::int64_t n = len;
    while (n > 0) {
        ssize_t w = fiosys.pwrite(f->fd, p, static_cast<std::size_t>(n), static_cast<off_t>(at));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            f->syserr = errno;
            return fail(fc, "UPDATE failed.");
        }
        p += w;
        n -= w;
        at += w;
    }
    return rec;
}

// ---------------------------------------------------------------------------
// Close and flush
// ---------------------------------------------------------------------------

static char* fio_close(FFCB* fc, bool closeit) {
    FFREC* f = fc->ffrec;
    if (!(f->sflags & FS_OPEN) && (!(f->sflags & FS_WASOPEN) || (f->sflags & FS_CLOSED))) return nullptr;
    bool bad = false;
    if ((f->sflags & FS_OPEN) && (f->mode & FM_OUT) && f->bufoff > 0 && f->status != 16 && !writeok(fc)) {
        errm_set(f, "Write to flush final buf failed.");
        bad = true;
    }
    f->blkbeg = -1;
    if (!closeit) return bad ? cblferrx(fc, nullptr) : nullptr;
    if (f->stream && (f->sflags & FS_OPEN) && (f->mode & FM_OUT) && std::fflush(f->stream) != 0) {
        errm_set(f, nullptr);
        bad = true;
    }
    if (f->fd >= 0 && !(f->dflags & DF_STDSTRM)) {
        if (fiosys.close(f->fd) != 0 && errno != EINTR) {
            errm_set(f, nullptr);
            bad = true;
        }
    }
    f->fd = -2;
    f->sflags = (f->sflags & ~FS_OPEN) | FS_CLOSED;
    if (!(f->dflags & DF_MEMBER) && f->buf) {
        f->lastfree = f->buf;
        cblgcorf(fgc(fc), &f->buf, "ffbf");
        f->iosize = 0;
        f->unread = f->bufoff = 0;
    }
    if (f->savchain) cblgcorf(fgc(fc), &f->savchain, "ffsv");
    return bad ? cblferrx(fc, nullptr) : nullptr;
}

// ---------------------------------------------------------------------------
// The entry point
// ---------------------------------------------------------------------------

// Every request other than a read or a write of an open file.
[[gnu::noinline]] static char* fio_other(FFCB* fc, int function, char* record, std::int64_t length) {
    FFREC* f = fc->ffrec;
    switch (function) {
    case F_OPEN:   return fio_open(fc);
    case F_CLOSE:  return fio_close(fc, true);
    case F_FLUSH:  return fio_close(fc, false);
    case F_READ:
        if (!(f->sflags & FS_WASOPEN) && !fio_open(fc)) return nullptr;
        if (!(f->mode & (FM_IN | FM_UPD)) && (f->sflags & FS_OPEN))  // its buffer holds output
            return fail(fc, "File not open for input.");
        return fio_read(fc, record, length);
    case F_RKEQ:
    case F_RKGE:
    case F_RRBA:
    case F_RREC:   return fail(fc, "Reads by key, RBA or record number not available.");
    case F_UPDATE: return fio_update(fc, record, length);
    case F_WRITE:  return fio_write(fc, record, length);
    case F_INSERT:
    case F_DELETE:
        f->dflags |= DF_LASTTRNC;
        fc->errm = kInsDel;
        return kInsDel;
    default:       return fail(fc, "I/O func bad.");
    }
}

// The record path for fixed records and lines ended by CR, LF or CR LF,
// taken when the whole record and its delimiter are buffered (a line whose
// LF, or CR and the byte after it, lie in the unread bytes) and nothing
// else applies (no TABs to expand, no FILL, no in-stream data: AF_FAST,
// decided at open).  It cuts as cutfix and cutline do; anything out of
// the ordinary returns null and the general read takes over.
static inline char* fastread(FFCB* fc, FFREC* f, char* rec, std::int64_t len) {
    unsigned char* p = f->buf + f->bufoff;
    std::int64_t u = f->unread, n = f->lrecl;
    int dl = 0;
    if (f->dflags & DF_RESYNC) return nullptr;
    if (f->recfm == RF_LINE) {
        n = findcrlf(p, u < n + 2 ? u : n + 2);
        if (n < 0 || n > f->lrecl) return nullptr;
        if (p[n] == '\n') dl = 1;
        else if (n + 1 >= u) return nullptr;  // a CR as the last byte buffered: the LF may follow
        else dl = (p[n + 1] == '\n' && n <= f->lrecl) ? 2 : 1;
        f->sflags &= ~FS_CUT;
    } else if (u < n) {
        return nullptr;
    }
    f->rba = f->foff - u;
    f->bufoff += n + dl;
    f->unread = u - n - dl;
    f->lastdl = dl;
    f->tabseen = 0;
    f->rawlen = f->reclen = n;
    f->reccnt++;
    if (n > f->maxrec) f->maxrec = n;
    tr(fc, 0, 'c');
    if (rec && len >= n && len > 0) return static_cast<char*>(std::memcpy(rec, p, static_cast<std::size_t>(n)));
    return reinterpret_cast<char*>(p);
}

// The record path for variable records (AF_FASTV): a record whose
// descriptor and data lie wholly in the buffer, inside its block when the
// file has BDWs, with a regular descriptor.  It cuts as cutvar does; a
// block descriptor due, the MFV header, anything irregular (so every
// descriptor error text) returns null and the general read takes over.
static inline char* fastvar(FFCB* fc, FFREC* f, char* rec, std::int64_t len) {
    const unsigned char* p = f->buf + f->bufoff;
    const std::int64_t u = f->unread;
    if ((f->dflags & DF_RESYNC) || u <= 7 || u < f->dwlen) return nullptr;
    std::int64_t n;
    switch (f->recfm) {
    case RF_VAR:
        if (!(f->dflags & DF_NOBDW) && f->blklen == 0) return nullptr;  // a BDW comes first
        if (p[2] != 0 || p[3] != 0) return nullptr;
        n = be16(p);
        if (n < 4 || n < f->keypos + f->keylen + ((f->dflags & DF_NORDW) ? 4 : 0) || n > f->lrecl) return nullptr;
        break;
    case RF_V2:  n = be16(p) + 2; break;
    case RF_V3:  n = be16(p + 1) + 3; break;
    default:     n = (static_cast<std::int64_t>(p[0] & 0x0F) << 8 | p[1]) + 2; break;  // RF_MFV
    }
    const std::int64_t padded = f->recfm == RF_MFV ? (n + 3) & ~std::int64_t{3} : n;
    if (n > f->bufsize || padded > u || (f->blklen > 0 && f->blkused + n > f->blklen)) return nullptr;
    const std::int64_t rba = f->foff - u;
    if (f->recfm == RF_MFV && rba == 0) return nullptr;  // the file header
    f->rba = rba;
    f->bufoff += padded;
    f->unread = u - padded;
    if (f->blklen > 0) {
        f->blkused += n;
        if (f->blkused == f->blklen) f->blklen = f->blkused = 0;
    }
    if (f->dflags & DF_NORDW) {
        p += f->dwlen;
        n -= f->dwlen;
    }
    f->tabseen = 0;
    f->rawlen = f->reclen = n;
    f->reccnt++;
    if (n > f->maxrec) f->maxrec = n;
    tr(fc, 0, 'c');
    if (rec && len > 0 && len >= n) return static_cast<char*>(std::memcpy(rec, p, static_cast<std::size_t>(n)));
    return const_cast<char*>(reinterpret_cast<const char*>(p));
}

// The record path for writes of fixed records and lines that fit the
// buffer whole; null leaves the record to the general write.
static inline char* fastwrite(FFREC* f, char* rec, std::int64_t len) {
    std::int64_t n = len, need;
    if (f->recfm == RF_LINE) {
        if (f->sflags & FS_TRUNC)
            while (n > 0 && rec[n - 1] == f->fill) n--;
        need = n + f->eollen;
    } else {
        need = f->lrecl;
    }
    if (n > f->lrecl || f->bufoff + need > f->iosize) return nullptr;
    unsigned char* o = f->buf + f->bufoff;
    std::memcpy(o, rec, static_cast<std::size_t>(n));
    if (f->recfm == RF_FIXED) {
        if (n < need) std::memset(o + n, f->fill, static_cast<std::size_t>(need - n));
    } else if (f->eollen == 1) {
        o[n] = static_cast<unsigned char>(f->eol[0]);
    } else if (f->eollen > 0) {
        std::memcpy(o + n, f->eol, static_cast<std::size_t>(f->eollen));
    }
    f->bufoff += need;
    f->reclen = n;
    f->reccnt++;
    if (n > f->maxrec) f->maxrec = n;
    f->rba = f->foff + f->bufoff;
    return rec;
}

// The entry point.  Reads and writes of open files, the record path, go
// straight to their routines; everything else through fio_other.
char* cblfio(FFCB* fc, int function, char* record, std::int64_t length) {
    FFREC* f = fc->ffrec;
    fc->errm = nullptr;
    tr(fc, 0, 'C');
    if (!f) return cblferrx(fc, "No file.");
    if (f->errm && f->errm[0]) f->errm[0] = 0;
    if (f->sflags & FS_OPEN) {
        if (function == F_READ && (f->mode & (FM_IN | FM_UPD))) {
            if (f->aflags & AF_FAST)
                if (char* p = fastread(fc, f, record, length)) return p;
            if (f->aflags & AF_FASTV)
                if (char* p = fastvar(fc, f, record, length)) return p;
            return fio_read(fc, record, length);
        }
        if (function == F_WRITE) {
            if ((f->aflags & AF_FAST) && record && length >= 0 && f->status == 0 && (f->mode & FM_OUT))
                if (char* p = fastwrite(f, record, length)) return p;
            return fio_write(fc, record, length);
        }
    }
    return fio_other(fc, function, record, length);
}
