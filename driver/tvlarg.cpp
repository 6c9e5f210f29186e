// Command line: the memory-trace pre-scan, the rejoining of quoted texts a
// shell split, the options scan and the joining of the arguments into the
// parameter string.
//
// Exports: corscan (memory-trace codes, before anything is allocated),
// helpword and usage (torvale -h), redoarg (rejoin split quotes), argbeg (skip leading blanks), rdct (take
// the value of -ctl, -lst or -log), optscan (the options), cblgcmd (join
// the arguments into one line).  Called by tvlgg; the parameter string
// (tvlparm.cpp) uses cblgcmd.  Calls the memory manager and seterr.
//
// The options scan notes, as offsets into the parameter string that
// cblgcmd builds, the spans its options took (CMV.optrng), so that the
// parameter string does not take an option's value as a positional value.
// cblgcmd puts one byte between two arguments, so argument k begins at the
// sum of (length + 1) of the arguments before it:
//   argv "-ctl" "a" "x"  ->  line "-ctl a x", spans {0,6}; "x" at offset 7.
#include "driver/driver.h"
#include "frontend/frontend.h"
#include "report/report.h"

#include <climits>
#include <cstring>

namespace {

constexpr char kDelims[] = "'\"*";  // what redoarg looks for

// True when s begins with the lower-case word w, letters in any case.
bool begins(const char* s, const char* w) {
    for (; *w; ++s, ++w)
        if (ttab_uc[static_cast<unsigned char>(*s)] != ttab_uc[static_cast<unsigned char>(*w)]) return false;
    return true;
}

// The code of "M1,M2,A4,HT,NR,TR" that the two characters name, or 0.
std::uint32_t corcode(char a, char b) {
    char u[3] = {static_cast<char>(ttab_uc[static_cast<unsigned char>(a)]),
                 static_cast<char>(ttab_uc[static_cast<unsigned char>(b)]), 0};
    if (!a || !b) return 0;
    if (!std::strcmp(u, "M1")) return GC_M1;
    if (!std::strcmp(u, "M2")) return GC_M2;
    if (!std::strcmp(u, "A4")) return GC_A4;
    if (!std::strcmp(u, "HT")) return GC_HT;
    if (!std::strcmp(u, "NR")) return GC_NR;
    if (!std::strcmp(u, "TR")) return GC_TR;
    return 0;
}

// The number after TR: decimal digits, "=" skipped, up to the first other
// character.  A number too large for the counter stays at its largest.
const char* trnum(const char* p, std::uint32_t* n) {
    std::uint64_t v = 0;
    for (;; ++p) {
        if (*p == '=') continue;
        if (*p < '0' || *p > '9') break;
        v = v * 10 + static_cast<unsigned>(*p - '0');
        if (v > UINT32_MAX) v = UINT32_MAX;
    }
    *n = static_cast<std::uint32_t>(v);
    return p;
}

const char* skipblanks(const char* p) {
    while (*p == ' ') ++p;
    return p;
}

}  // namespace

// A help word: the whole command line is "-h", "--help" or "-?".  Any
// other use of these words is a positional value as before.
bool helpword(int argc, char** argv) {
    if (argc != 2 || !argv[1]) return false;
    const char* a = argv[1];
    return !std::strcmp(a, "-h") || !std::strcmp(a, "--help") || !std::strcmp(a, "-?");
}

void usage(FILE* out) {
    static const char kUsage[] =
        "usage: torvale [options] [positional values] [! statement ! statement ...]\n"
        "\n"
        "Control statements come from the file named by -ctl (or <name), else\n"
        "from the text after the first \"!\" (each \"!\" starts a statement; end\n"
        "with \"! END\"), else from standard input.\n"
        "\n"
        "  -ctl name   read the statements from name\n"
        "  -lst name   write the listing to name (default: $TVLLST, else TORV.LST)\n"
        "  -log name   write the log to name (default: standard error)\n"
        "  -notr       do not trap signals\n"
        "  -corXX      memory diagnosis: M1, M2, HT, NR, TRn, A4\n"
        "  -V          print the version and end\n"
        "  -h, --help  print this text and end\n"
        "Other words are positional values %1 to %9.\n"
        "\n"
        "The listing holds the statements, their messages, the printed records\n"
        "and the summary.  Messages are read from torvale.msg, site options\n"
        "from torvale.nam in the current directory.\n"
        "\n"
        "Return codes: 0 done; 4 input not read to its end; 5 records truncated\n"
        "on output; 6 a test met a field outside the record; 8 an action met bad\n"
        "data; 16 nothing written; 44 error during selection; 48 a file could\n"
        "not be opened; 52 error in the statements or command line; 88 ended by\n"
        "a signal; 77, 251, 252 the listing failed; 1 out of memory; any other\n"
        "value an internal error.\n";
    std::fputs(kUsage, out);
}

char* argbeg(char* arg) {
    while (*arg == ' ') ++arg;
    return arg;
}

// Memory-trace codes: every argument that begins (after blanks) with
// "-cor" and one of the codes sets the memory manager's switch; after the
// code (and the number of TR) and blanks, the rest of the argument is
// scanned again.  The first TR gives the start number, a second the stop.
void corscan(GCCB* gc, int argc, char** argv) {
    int trs = 0;
    for (int i = 1; i < argc; ++i) {
        const char* p = skipblanks(argv[i]);
        while (begins(p, "-cor")) {
            std::uint32_t code = corcode(p[4], p[4] ? p[5] : 0);
            if (!code) break;
            gc->flags |= code;
            p += 6;
            if (code == GC_TR) {
                std::uint32_t n = 0;
                p = trnum(p, &n);
                if (trs++ == 0) gc->trfrom = n;
                else gc->trto = n;
            }
            p = skipblanks(p);
        }
    }
}

namespace {

// Join argument j to argument i by one blank, in place: the texts lie one
// after the other (the copy tvlgg makes), so the joined text fits where
// the two and the empty arguments between them were.  Argument j leaves
// the list; the empty ones between stay, now pointing at an empty text.
// Returns false (nothing done) if the texts do not lie so.
bool joinarg(int* argc, char** argv, int i, int j) {
    std::size_t li = std::strlen(argv[i]);
    std::size_t lj = std::strlen(argv[j]);
    if (argv[j] < argv[i] + li + 1) return false;
    static char empty[1] = {0};
    for (int k = i + 1; k < j; ++k) argv[k] = empty;
    argv[i][li] = ' ';
    std::memmove(argv[i] + li + 1, argv[j], lj + 1);
    for (int k = j; k + 1 < *argc; ++k) argv[k] = argv[k + 1];
    argv[--*argc] = nullptr;
    return true;
}

}  // namespace

// Rejoin a quoted text (or a "*" comment, which the statement separator
// closes) that the shell split into several arguments.  Acts only when
// the arguments span 1 to 528 characters and hold a quote or "*".
// Returns the character still open at the end, or 0; CMV.argcnt gets the
// new argument count.
int redoarg(CMV* c, int argc, char** argv) {
    c->argcnt = argc;
    long span = -1;
    bool any = false;
    for (int i = 1; i < argc; ++i) {
        span += static_cast<long>(std::strlen(argv[i])) + 1;
        any = any || std::strpbrk(argv[i], kDelims);
    }
    if (span < 1 || span > ARG_MAXSPAN || !any) return 0;
    char sep = c->optp && c->optp->sep ? c->optp->sep : '!';
    char open = 0;   // the character that closes the open span, 0 if none
    char opener = 0; // the character that opened it
    int i = 1;
    char* p = argv[1];
    while (i < argc) {
        if (!open) {
            char* q = std::strpbrk(p, kDelims);
            if (!q) {
                if (++i < argc) p = argv[i];
                continue;
            }
            opener = *q;
            open = *q == '*' ? sep : *q;
            p = q + 1;
            continue;
        }
        if (char* q = std::strchr(p, open)) {
            open = opener = 0;
            p = q + 1;
            continue;
        }
        int j = i + 1;
        while (j < argc && !*argv[j]) ++j;
        std::size_t at = static_cast<std::size_t>(p - argv[i]);
        if (j >= argc || !joinarg(&argc, argv, i, j)) break;
        p = argv[i] + at;
    }
    c->argcnt = argc;
    return open ? opener : 0;
}

// Take the value of an option of kind RDCT_* from value: up to the first
// comma, blank or "!".  A kind already given, or an empty value, records
// error 155.  The value is copied to a block tagged "ctl", "lst" or "log"
// and *name points to it.  A log file is opened for writing at once and
// becomes the log; failing that, error 155.  Returns the text after the
// delimiter, blanks and commas skipped, or null when nothing is left.
char* rdct(CMV* c, int kind, const char* value, char** name, int* len) {
    const char* e = value;
    while (*e && *e != ',' && *e != ' ' && *e != '!') ++e;
    int n = static_cast<int>(e - value);
    if (*name || n == 0) {
        seterr(155);
    } else {
        static const char* const kTag[] = {"", "ctl", "lst", "log"};
        char* copy = static_cast<char*>(cblgcore(c->gccb, n + 1, 0, kTag[kind]));
        std::memcpy(copy, value, n);
        *name = copy;
        *len = n;
        if (kind == RDCT_LOG) {
            FILE* f = std::fopen(copy, "w");
            if (!f) {
                seterr(155);
            } else {
                c->logfp = f;
                c->gccb->logfp = f;  // the memory manager's traces follow the log
                c->drvsw |= CM_DRV_LOGFILE;
                ab_logfd(fileno(f));
            }
        }
    }
    while (*e == ' ' || *e == ',') ++e;
    return *e ? const_cast<char*>(e) : nullptr;
}

namespace {

// Where the options scan stands: argument i, which begins at offset off
// of the parameter string.
struct ARGPOS {
    int  i;
    long off;
};

void nextarg(ARGPOS& a, char** argv) {
    a.off += static_cast<long>(std::strlen(argv[a.i])) + 1;
    ++a.i;
}

void addrange(CMV* c, long from, long to) {
    if (c->optrngn >= 16 || from > INT_MAX || to > INT_MAX) return;
    c->optrng[c->optrngn][0] = static_cast<std::int32_t>(from);
    c->optrng[c->optrngn][1] = static_cast<std::int32_t>(to);
    c->optrngn++;
}

// The value of an option: after the option word, blanks and "=" skipped;
// if nothing is left, the next argument (again without leading blanks and
// "=").  Moves a to that argument when it takes it.
char* optvalue(char* p, ARGPOS& a, int argc, char** argv) {
    while (*p == ' ' || *p == '=') ++p;
    if (*p || a.i + 1 >= argc) return p;
    nextarg(a, argv);
    p = argv[a.i];
    while (*p == ' ' || *p == '=') ++p;
    return p;
}

// -nam: a name of 1 to 8 characters, kept; it has no further effect.
void namopt(CMV* c, const char* v) {
    int n = 0;
    while (n < 8 && v[n] && v[n] != ' ' && v[n] != ',') ++n;
    std::memcpy(c->namval, v, n);
    c->namval[n] = 0;
}

// The options of one argument, from p.  Moves a on when a value stood in
// the next argument.
void optarg(CMV* c, ARGPOS& a, int argc, char** argv, char* p) {
    for (;;) {
        unsigned char ch = static_cast<unsigned char>(*p);
        if (ch == static_cast<unsigned char>(c->optp->sep)) return;
        if (ch != '-' && ch != '<' && ch != 0xAE) return;
        long from = a.off + (p - argv[a.i]);
        int kind, skip;
        char** slot = nullptr;
        int len = 0;
        if (begins(p, "-nam")) {
            namopt(c, optvalue(p + 4, a, argc, argv));
            addrange(c, from, a.off + static_cast<long>(std::strlen(argv[a.i])));
            return;
        }
        if (begins(p, "-notr")) {
            const char* r = p + 5;
            if (!*r || (begins(r, "ap") && (!r[2] || r[2] == ' '))) c->drvsw |= CM_DRV_NOTRAP;
            return;
        }
        if (begins(p, "-ctl")) kind = RDCT_CTL, skip = 4, slot = &c->ctlname;
        else if (ch == '<' || ch == 0xAE) kind = RDCT_CTL, skip = 1, slot = &c->ctlname;
        else if (begins(p, "-lst")) kind = RDCT_LST, skip = 4, slot = &c->lstname;
        else if (begins(p, "-log")) kind = RDCT_LOG, skip = 4, slot = &c->logname;
        else return;
        char* v = optvalue(p + skip, a, argc, argv);
        char* rest = rdct(c, kind, v, slot, &len);
        if (kind == RDCT_CTL && *slot) cmsw4 |= SW4_CTLFILE;
        const char* e = v;
        while (*e && *e != ',' && *e != ' ' && *e != '!') ++e;
        addrange(c, from, a.off + (e - argv[a.i]));
        if (!rest) return;
        p = rest;
    }
}

}  // namespace

// Scan every argument for the options -ctl, "<" (and its alias 0xAE),
// -lst, -log, -nam and -notr.  Returns 0.
int optscan(CMV* c, int argc, char** argv) {
    c->optrngn = 0;
    ARGPOS a{1, 0};
    while (a.i < argc) {
        optarg(c, a, argc, argv, argbeg(argv[a.i]));
        nextarg(a, argv);
    }
    return 0;
}

// Join the arguments, from the first to the last non-empty one, into one
// line: one blank between two arguments, except that a quote an argument
// leaves open is closed by that quote in place of the blank.  At most
// size-1 bytes and a NUL are stored.  Returns the length the whole line
// needs (the caller records error 170 when it passes 515).
int cblgcmd(char* buf, int size, int argc, char** argv) {
    int last = argc - 1;
    while (last >= 1 && !*argv[last]) --last;
    long n = 0;
    auto put = [&](char ch) {
        if (n < size - 1) buf[n] = ch;
        if (n < INT_MAX) ++n;
    };
    for (int i = 1; i <= last; ++i) {
        char q = 0;
        for (const char* s = argv[i]; *s; ++s) {
            put(*s);
            if (!q && (*s == '\'' || *s == '"')) q = *s;
            else if (q && *s == q) q = 0;
        }
        if (i < last) put(q ? q : ' ');
    }
    if (size > 0) buf[n < size - 1 ? n : size - 1] = 0;
    return static_cast<int>(n);
}
