// Signal trap: turns an interrupt or a crash into an orderly end of the
// run with its summary.
//
// Exports: ab_set (install or remove the handler), ab_rtn (the handler),
// ab_logfd (the descriptor the handler writes to), ab_poll (the run's
// check for a pending SIGTERM), ab_end (the orderly end after SIGTERM).
// tvlgg installs the trap and polls at every step; the selection loop
// polls before every node; the file layer retries a read or write that a
// signal interrupted unless cmsigterm is set.  Calls tvlff, tvlprt,
// cblf_kil and atupdv.
//
// The handler does only what is safe in a handler for the signals after
// which the run goes on: SIGINT and SIGTERM are counted, noted and their
// line is written with write(2); the handler returns, and the run's own
// flow does the rest at its next check (SIGTERM: summary, close, exit 88).
// SIGSEGV and SIGILL cannot return: the line, a best-effort summary and
// _exit(88).  A fifth signal ends the process at once with 99.
//
// The line, name in a 4-character slot, number in two digits at least:
//   "##ERROR## TERM signal (15) intercepted.  GC.............\n"
#include "driver/driver.h"
#include "files/files.h"
#include "frontend/frontend.h"
#include "report/report.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr int kMaxSignals = 4;   // one more ends the process with 99
constexpr int kExitSignal = 88;  // the run ended after an intercepted signal
constexpr int kExitStorm = 99;   // the fifth signal
constexpr int kTrapped[] = {SIGINT, SIGILL, SIGSEGV, SIGTERM};

// Names in four-character slots.  ORDER ABNAME
constexpr char kNames[] = "UNKNABRT FPEILLG INTSEGVTERM BRK BUS";

int                   trapon = 0;   // the state ab_set keeps
int                   logfd = 2;    // where the handler writes its line
volatile sig_atomic_t infault = 0;  // a fault is being handled

int nameslot(int signo) {  // ORDER ABNAME
    switch (signo) {
    case SIGABRT: return 1;
    case SIGFPE:  return 2;
    case SIGILL:  return 3;
    case SIGINT:  return 4;
    case SIGSEGV: return 5;
    case SIGTERM: return 6;
    default:      return 0;
    }
}

void putall(const char* s, std::size_t n) {
    while (n > 0) {
        ssize_t w = write(logfd, s, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;
        s += w;
        n -= static_cast<std::size_t>(w);
    }
}

// "##ERROR## %s signal (%02d) intercepted.  %s.\n", built without stdio.
void sigline(int signo) {
    char line[96];
    std::size_t n = 0;
    auto add = [&](const char* s, std::size_t len) {
        std::memcpy(line + n, s, len);
        n += len;
    };
    add("##ERROR## ", 10);
    add(kNames + 4 * nameslot(signo), 4);
    add(" signal (", 9);
    char num[12];
    int k = 0;
    unsigned v = signo < 0 ? 0u : static_cast<unsigned>(signo);
    do num[k++] = static_cast<char>('0' + v % 10); while ((v /= 10) != 0);
    if (k < 2) num[k++] = '0';
    while (k > 0) line[n++] = num[--k];
    add(") intercepted.  ", 16);
    const char* mark = cm ? cm->trace : "...............";
    add(mark, 15);
    add(".\n", 2);
    putall(line, n);
}

void setrc88(CMV* c) {
    if (c && c->at_retcd) atupdv(c->at_retcd, kExitSignal);
}

// SIGSEGV, SIGILL (and any other trapped signal that cannot be resumed):
// a best-effort summary, then the end.  A fault inside that summary ends
// the process at once.
[[noreturn]] void abfault() {
    if (infault) _exit(kExitSignal);
    infault = 1;
    if (cm) {
        setrc88(cm);
        // The dump heading and the file-entry dumps go to the listing.
        tvlff(cm);
        if (cm->logfp) std::fflush(cm->logfp);
    }
    _exit(kExitSignal);
}

}  // namespace

volatile int cmsigterm = 0;

void ab_logfd(int fd) { logfd = fd; }

// Install (on non-zero) or remove the handler of SIGINT, SIGILL, SIGSEGV
// and SIGTERM.  Returns 0 when that state was already in force, else 1.
// No SA_RESTART: a read or write that a signal interrupts returns EINTR,
// so that the reader can see a pending SIGTERM.  SA_NODEFER: a fault in
// the handler itself reaches it again and ends the process.
int ab_set(int on) {
    on = on ? 1 : 0;
    if (on == trapon) return 0;
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = on ? ab_rtn : SIG_DFL;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = on ? SA_NODEFER : 0;
    for (int s : kTrapped) sigaction(s, &sa, nullptr);
    trapon = on;
    return 1;
}

void ab_rtn(int signo) {
    int saved = errno;
    int tot = cmsigtot + 1;
    cmsigtot = tot;
    if (tot > kMaxSignals) _exit(kExitStorm);
    cmsig_id = signo;
    sigline(signo);
    // The line also goes to the listing, with its signal switch, once the
    // listing exists.
    switch (signo) {
    case SIGINT:
        break;
    case SIGTERM:
        cmsigterm = 1;
        break;
    default:
        abfault();
    }
    errno = saved;
}

void ab_poll(CMV* c) {
    if (cmsigterm) ab_end(c);
}

// The end of a run after SIGTERM: RETCD 88, the summary, the listing and
// the data files closed (outputs written out), the log closed, exit 88.
// (The signal line, dump heading and file-entry dumps in the listing join
// here as those parts come.)
void ab_end(CMV* c) {
    ab_set(0);
    setrc88(c);
    tvlff(c);
    // Whatever the summary left open is written out and closed: the
    // listing, then the data files.
    tvlprt(nullptr, 0, PT_CLOSE, 0);
    FFCB all{};
    all.cmv = c;
    cblf_kil(&all, KIL_FILES);
    if (c->drvsw & CM_DRV_LOGFILE) std::fclose(c->logfp);
    else std::fflush(c->logfp);
    c->logfp = stderr;
    if (c->gccb) c->gccb->logfp = nullptr;
    std::exit(exitcode(kExitSignal));
}
