// The run: builds the run context, reads the command line, sets the run's
// defaults, and runs the phases in order; its result is the exit status.
//
// Exports: tvlgg (the run), cmvinit (a fresh run context with the run's
// defaults), exitcode (exit status of a return code), the
// globals beside the context (cm, tkc, the switch words, the signal
// counters) and the test seam tvlgg_hook.  Called by main.  Calls the
// command-line helpers (tvlarg.cpp, tvlparm.cpp), the signal trap
// (tvlab.cpp), the memory manager, cbldate, atmake, tvlerr and the phases
// tvlaa, tvlss and tvlff.
//
// Steps of a run, with the progress letter in character 2 of the marker:
// memory-trace pre-scan; context and defaults; arguments and options;
// signal trap; date; the command line's say on the defaults; RETCD 52;
// options file (N, n); parameter string (P); log line (B); statements
// (I, L, E); final checks and phases (C); close.
//
// The block "beg" (3,800 bytes) holds, from its first 32-byte boundary,
// the context, the options block, the 528-byte statement work line and
// the 112-byte date-time area (BEGB, driver.h), all zeroed at start;
// cmvinit fills them, and tests and benchmarks use it on their own BEGB.
#include "driver/driver.h"
#include "files/files.h"
#include "engine/engine.h"
#include "frontend/frontend.h"
#include "report/report.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

CMV*          cm = nullptr;
TK*           tkc = nullptr;
std::uint32_t cmsw2 = 0, cmsw3 = 0, cmsw4 = 0;
int           startsw = 0;
int           savsiz = 4096;
volatile int  cmsigtot = 0, cmsig_id = 0;
void (*tvlgg_hook)(CMV* c, int step) = nullptr;

namespace {

constexpr char kRelease[] = "3.50.022 2021/07/07 16:17";
constexpr char kProduct[] = "TORVALE/L64 ";  // then the release's first four characters
constexpr char kPrompt[] = "\n  Enter TORVALE Ctl Cards...  (Use /* to end.)\n";
constexpr char kBuild1[] = "\n          Build Level=";
constexpr char kBuild2[] = " (Latest change).\n";
constexpr int  kBegLen = 3800;
constexpr int  kHeadCols = 61;  // heading columns in the log line
constexpr int  kDateCols = 16;  // "yyyy/mm/dd hh:mm"
constexpr int  kRcStart = 52;   // RETCD while statements are analysed

static_assert(sizeof(BEGB) + 31 <= kBegLen, "the context and work areas fit in beg");

bool tracing(const CMV* c) { return (c->gccb->flags & (GC_M1 | GC_M2)) != 0; }

// Phase line on the log under M1 or M2.
void phase(CMV* c, const char* line) {
    if (tracing(c)) std::fputs(line, c->logfp);
}

// Record the driver's step in the progress marker, then the check that
// ends the run when a SIGTERM is pending.
void step(CMV* c, char s) {
    c->trace[1] = s;
    if (tvlgg_hook) tvlgg_hook(c, s);
    ab_poll(c);
}

// The context: the block "beg" and the context in it, with the run's defaults
// (cmvinit); the memory manager's traces go to the context's log from
// here on.
CMV* begin(GCCB* gc) {
    void* raw = cblgcore(gc, kBegLen, 0, "beg");
    auto at = (reinterpret_cast<std::uintptr_t>(raw) + 31) & ~static_cast<std::uintptr_t>(31);
    CMV* c = cmvinit(reinterpret_cast<BEGB*>(at), gc);
    c->begblk = raw;
    gc->owner = c;
    cm = c;
    ab_logfd(2);
    return c;
}

// The run's own copy of the arguments, texts one after the other, so that
// redoarg can rejoin them in place.
void argcopy(CMV* c, int argc, char** argv) {
    std::size_t text = 0;
    for (int i = 0; i < argc; ++i) text += std::strlen(argv[i]) + 1;
    std::size_t ptrs = (static_cast<std::size_t>(argc) + 1) * sizeof(char*);
    char* b = static_cast<char*>(cblgcore(c->gccb, static_cast<long>(ptrs + text), 0, "arg"));
    char** v = reinterpret_cast<char**>(b);
    char* t = b + ptrs;
    for (int i = 0; i < argc; ++i) {
        std::size_t n = std::strlen(argv[i]) + 1;
        std::memcpy(t, argv[i], n);
        v[i] = t;
        t += n;
    }
    v[argc] = nullptr;
    c->argvp = v;
    c->argcnt = argc;
}

// The command line's say on the defaults: -notr turns the
// signal trap off.
void defaults(CMV* c) {
    if (c->drvsw & CM_DRV_NOTRAP) c->optp->trap = 0;
}

// The options file: the site options file "torvale.nam" (statement input reads
// it; an absent file is not read).
void optfile(CMV* c) {
    step(c, 'N');
    optnam(c);
    step(c, 'n');
}

// The log line: the heading's 61 columns, the date and time, the prompt.
void logline(CMV* c) {
    step(c, 'B');
    char* l = c->logline;
    std::memcpy(l, c->heading + 2, kHeadCols);
    std::memcpy(l + kHeadCols, c->datep + CBLDATE_TEXT, kDateCols);
    std::memcpy(l + kHeadCols + kDateCols, kPrompt, sizeof kPrompt);
}

// The log line without its prompt: cut after the prompt's line feed.
void cutprompt(CMV* c) { c->logline[kHeadCols + kDateCols + 1] = 0; }

void putlogline(CMV* c) {
    if ((c->drvsw & CM_DRV_LOGDONE) || !c->optp->banner) return;
    std::fputs(c->logline, c->logfp);
    c->drvsw |= CM_DRV_LOGDONE;
}

// The version, -V: the heading and date, then the build level.  The prompt is
// left out, since no statements are read.
void version(CMV* c) {
    char* l = c->logline + kHeadCols + kDateCols;
    std::size_t n = sizeof kBuild1 - 1;
    std::memcpy(l, kBuild1, n);
    std::memcpy(l + n, c->relp + 5, std::strlen(c->relp + 5));
    n += std::strlen(c->relp + 5);
    std::memcpy(l + n, kBuild2, sizeof kBuild2);
    std::fputs(c->logline, c->logfp);
}

// The statements.  The parameter-string statements are closed
// first, so that the prompt is shown only when statements come from a
// terminal on standard input and neither -ctl nor an END or "/*" in the
// parameter string provides them; the log line then keeps the heading
// and date alone.
void statements(CMV* c) {
    step(c, 'I');
    int plen = tvlinparm(c);
    bool prompt = !(cmsw4 & (SW4_CTLFILE | SW4_PARMEND | SW4_PARMSTAR)) && !c->ctlname &&
                  (c->termsw & CM_TERM_STDIN);
    if (prompt) {
        putlogline(c);
        std::fflush(c->logfp);
    }
    cutprompt(c);
    step(c, 'L');
    tvlin(c, plen);
    step(c, 'E');
}

// READ CARD: the CARD input, opened by preparation, starts with the data
// statement input kept (cardtext) and reads on from the statement
// source's descriptor, or finds the end there when there is none.
void cardattach(CMV* c) {
    FFREC* f = c->ffhead;
    while (f && !((f->dflags & DF_INSTREAM) && (f->sflags & FS_OPEN) && f->buf)) f = f->next;
    bool fd = (c->stmtsw & CM_STMT_CARDFD) != 0;
    c->stmtsw &= ~CM_STMT_CARDFD;
    if (!f) {
        if (fd) close(c->cardfd);
        return;
    }
    f->fd = fd ? c->cardfd : -1;
    if (!fd) f->sflags |= FS_SYSEOF;
    std::int64_t n = c->cardlen < f->iosize ? c->cardlen : f->iosize;
    if (n > 0) std::memcpy(f->buf, c->cardtext, static_cast<std::size_t>(n));
    f->bufoff = 0;
    f->unread = n;
}

// The final checks, then the phases.
void finals(CMV* c) {
    step(c, 'C');
    if ((c->stmtsw & CM_STMT_SUSP) && startsw == 0) {
        seterr(36);
        tvlerr(c);
    }
    if (c->errcnt == 0) {
        // The listing is readied for the run: its first heading, and a
        // spacing line when more than three lines are left on the page.
        if (!(c->lstsw & LST_NOSTMT) && (c->prt.linesleft > 3 || !(c->prt.flags & PR_OPEN)))
            tvlprt(nullptr, 0, PT_SPACE, 1);
        putlogline(c);
        c->optp->pagewidth = c->pagewidth;
        c->optp->pagedepth = c->pagedepth;
        phase(c, "\n** AA **\n");
        int rc = tvlaa(c);
        ab_poll(c);
        if (rc == 0) {
            cardattach(c);
            phase(c, "\n** SS **\n");
            tvlss(c);
            ab_poll(c);
        }
    }
    if (c->cncur && c->cncur->typ1 == 0) c->cncur->typ1 = CN_END;
    phase(c, "\n** FF **\n");
    tvlff(c);  // also frees the compiled statements and what preparation made
    // The listing is closed, then every file of the run.
    tvlprt(nullptr, 0, PT_CLOSE, 0);
    FFCB all{};
    all.cmv = c;
    cblf_kil(&all, KIL_FILES);
}

// Release every block of the run, the context last, and close the log.
// The context's copy on the stack keeps the memory manager's traces going
// to the log while "beg" itself is released.
long long finish(CMV* c, long long rc) {
    ab_set(0);
    GCCB* gc = c->gccb;
    tokfree(c);
    stmtfree(c);
    cnkill(c);
    parmfree(c);
    atkillc(c);
    dclfree(c);
    cblgcorf(gc, &c->ctlname, "ctl");
    cblgcorf(gc, &c->lstname, "lst");
    cblgcorf(gc, &c->logname, "log");
    cblgcorf(gc, &c->ssnp, "ssn");
    cblgcorf(gc, &c->argvp, "arg");
    optfree(c);
    c->calllib = nullptr;
    CMV last;
    std::memcpy(static_cast<void*>(&last), c, sizeof last);
    gc->owner = &last;
    cm = nullptr;
    void* raw = last.begblk;
    cblgcorf(gc, &raw, "beg");
    if (last.drvsw & CM_DRV_LOGFILE) std::fclose(last.logfp);
    else std::fflush(last.logfp);
    gc->owner = nullptr;
    gc->logfp = nullptr;
    ab_logfd(2);
    return rc;
}

// The globals of one run start from nothing.
void globals() {
    cmsw2 = cmsw3 = cmsw4 = 0;
    startsw = 0;
    tkc = nullptr;
    cmsigtot = 0;
    cmsig_id = 0;
    cmsigterm = 0;
    shortoff = std::getenv("TVLNOSHORT") != nullptr;  // tests: every record the general way
}

// The run's defaults and the product heading (in options block and
// context alike).
void rundefs(CMV* c) {
    OPTB* o = c->optp;
    o->sep = '!';
    std::memcpy(o->pfx, "./", 3);
    o->fill = ' ';
    o->trap = 1;
    o->rdw = 0;
    o->dirsub = -1;
    o->dirsort = -1;
    o->banner = 1;
    o->contmax = 4096;
    o->prtsum = 2;
    o->pagewidth = 132;
    o->datawidth = 100;
    o->pagedepth = 58;
    o->errlim = 10;
    o->blksize = 2048;
    o->envvar = 1;
    o->reclen = 1;
    std::memcpy(o->dumpenc, "|:", 2);
    std::memcpy(o->keyenc, "[]", 2);
    o->lstsw = LST_SUM2;
    c->lstsw = LST_SUM2;
    c->pagewidth = 132;
    c->pagedepth = 58;
    c->errmax = 10;
    savsiz = 4096;
    c->calllib = "libtorv.so";
    // LF CR, then the product heading, blank to the page width; its
    // underline is as long as the product heading.
    std::memset(c->heading, ' ', 2 + c->pagewidth);
    std::memcpy(c->heading, "\n\r", 2);
    std::memcpy(c->heading + 2, kProduct, sizeof kProduct - 1);
    std::memcpy(c->heading + 2 + sizeof kProduct - 1, kRelease, 4);
    c->heading[2 + c->pagewidth] = 0;
    int len = static_cast<int>(sizeof kProduct - 1) + 4;
    std::memset(c->underline, ' ', c->pagewidth);
    std::memset(c->underline, '-', len);
    c->underline[c->pagewidth] = 0;
}

}  // namespace

// A fresh run context in b with the run's defaults.  The driver's start
// and every test or benchmark that needs a context use this one routine,
// so the defaults live here alone.
CMV* cmvinit(BEGB* b, GCCB* gc) {
    std::memset(static_cast<void*>(b), 0, sizeof *b);
    CMV* c = &b->cmv;
    std::memcpy(c->eyecatch, "*CM*", 4);
    c->optp = &b->opt;
    c->gccb = gc;
    c->logfp = stderr;
    c->relp = kRelease;
    c->datep = b->date;
    c->wline = b->wline;
    c->gcore_fn = reinterpret_cast<void*>(&cblgcore);
    c->gcorf_fn = reinterpret_cast<void*>(static_cast<long (*)(GCCB*, void**, const char*)>(&cblgcorf));
    std::memcpy(c->trace, "G..............", 16);
    rundefs(c);
    return c;
}

// A return code as the process's exit status: 0 to 255 as it is; any
// other value 255, so that no failure can read as success to a shell.
int exitcode(long long retcd) { return retcd < 0 || retcd > 255 ? 255 : static_cast<int>(retcd); }

int tvlgg(int argc, char** argv) {
    if (helpword(argc, argv)) {
        usage(stdout);
        return 0;
    }
    globals();
    GCCB gc;
    std::memset(&gc, 0, sizeof gc);
    corscan(&gc, argc, argv);
    CMV* c = begin(&gc);
    argcopy(c, argc, argv);
    if (c->argcnt > 1) {
        redoarg(c, c->argcnt, c->argvp);
        optscan(c, c->argcnt, c->argvp);
    }
    if (!(c->drvsw & CM_DRV_NOTRAP)) ab_set(1);
    c->ssnp = static_cast<char*>(cblgcore(&gc, 72, 0, "ssn"));
    cbldate(c->datep, nullptr, 0);
    defaults(c);
    atmake("LRECL", 0);
    atupdv(atmake("RETCD", 0), kRcStart);
    if (isatty(0)) c->termsw |= CM_TERM_STDIN;
    optfile(c);
    phase(c, "\n** eon **\n");
    step(c, 'P');
    parmstr(c, c->argcnt, c->argvp);
    logline(c);
    if (c->drvsw & CM_DRV_VERSION) {
        version(c);
        return exitcode(finish(c, 0));
    }
    statements(c);
    finals(c);
    return exitcode(finish(c, c->at_retcd->value));
}
