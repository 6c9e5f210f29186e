// Shared test support: temporary directories, whole files, child runs,
// and the ready run contexts.
#include "tests/testutil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace tvt {

std::string tempdir(std::string_view name) {
    std::string p = "/tmp/torvale-tests-" + std::to_string(getuid()) + "/" +
                    std::to_string(getpid()) + "-" + std::string(name);
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    return p;
}

WorkDir::WorkDir(std::string_view name) : dir(tempdir(name)), old(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
}

WorkDir::~WorkDir() {
    std::filesystem::current_path(old);
    rmtree(dir);
}

void rmtree(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void spit(const std::string& path, std::string_view bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

Run run(const std::vector<std::string>& args, const std::string& dir,
        const std::string& stdin_path, int timeout_s, const std::string& exe) {
    std::string outp = dir + "/.stdout", errp = dir + "/.stderr";
    pid_t pid = fork();
    if (pid == 0) {
        int in = open(stdin_path.c_str(), O_RDONLY);
        int out = open(outp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || chdir(dir.c_str()) != 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(exe.c_str()));
        for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    Run r{-1, "", ""};
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
    int st = 0;
    for (;;) {
        pid_t w = waitpid(pid, &st, WNOHANG);
        if (w == pid) break;
        if (std::chrono::steady_clock::now() > until) {
            kill(pid, SIGKILL);
            waitpid(pid, &st, 0);
            r.out = slurp(outp);
            r.err = slurp(errp);
            return r;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (WIFEXITED(st)) r.status = WEXITSTATUS(st);
    else if (WIFSIGNALED(st)) r.status = 128 + WTERMSIG(st);
    r.out = slurp(outp);
    r.err = slurp(errp);
    unlink(outp.c_str());
    unlink(errp.c_str());
    return r;
}

std::string hex(std::string_view bytes) {
    static const char d[] = "0123456789ABCDEF";
    std::string s;
    for (unsigned char b : bytes) {
        if (!s.empty()) s += ' ';
        s += d[b >> 4];
        s += d[b & 15];
    }
    return s;
}

std::string guarded(int n, char guard, const std::function<int(char*, int)>& f, int* rc) {
    std::string buf(static_cast<std::size_t>(n) + 32, guard);
    *rc = f(buf.data() + 16, n);
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(guard, buf[i]) << "guard before, byte " << i;
        EXPECT_EQ(guard, buf[16 + static_cast<std::size_t>(n) + i]) << "guard after, byte " << i;
    }
    return buf.substr(16, static_cast<std::size_t>(n));
}

std::vector<std::string> listing(const std::string& dir) {
    std::vector<std::string> v;
    std::istringstream in(slurp(dir + "/TORV.LST"));
    std::string l;
    for (int n = 0; std::getline(in, l); ++n) {
        while (!l.empty() && l.back() == ' ') l.pop_back();
        if (n >= 3) v.push_back(l);
    }
    return v;
}

std::vector<std::string> lines(const std::string& path) {
    std::vector<std::string> v;
    std::istringstream in(slurp(path));
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

void starts(const std::vector<std::string>& got, const std::vector<std::string>& want) {
    ASSERT_GE(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(want[i], got[i]);
    }
}

int ptmaster() {
    int m = posix_openpt(O_RDWR | O_NOCTTY);
    if (m >= 0 && (grantpt(m) != 0 || unlockpt(m) != 0)) {
        close(m);
        m = -1;
    }
    return m;
}

// ---------------------------------------------------------------------------
// Run contexts
// ---------------------------------------------------------------------------

Ctx::Ctx() : gc{}, cmv(*cmvinit(&beg, &gc)), opt(beg.opt), c(&cmv), before_(cm) {
    std::memset(beg.date, ' ', sizeof beg.date);
    std::memcpy(beg.date + CBLDATE_TEXT, "2026/12/07 01:45:09.3", 21);
    cm = c;
    tkc = nullptr;
    cmsw2 = cmsw3 = cmsw4 = 0;
    startsw = 0;
}

Ctx::~Ctx() {
    release();
    cm = before_;
    tkc = nullptr;
    startsw = 0;
}

void Ctx::givenback() { EXPECT_EQ(gc.gotcnt, gc.relcnt) << "blocks not given back"; }

void Ctx::listto(std::string& path) { cmv.lstname = path.data(); }

void Ctx::release() {
    cm = c;
    tvlprt(nullptr, 0, PT_CLOSE, 0);  // the listing's blocks
    FFCB all{};
    all.cmv = c;
    cblf_kil(&all, KIL_FILES);        // the file blocks
    atkillc(c);
    dclfree(c);
    tokfree(c);
    stmtfree(c);
    parmfree(c);
    optfree(c);
}

void OpFix::SetUp() { c->cncur = &node; }

void OpFix::TearDown() {
    fldkill(c, &f);
    tokfree(c);
    atkillc(c);
    run.givenback();
}

void OpFix::tokens(std::string_view s) {
    std::memcpy(text, s.data(), s.size());
    text[s.size()] = '\n';
    text[s.size() + 1] = 0;
    c->errnum = 0;
    tvltokn(c, text, static_cast<int>(s.size()), '!');
}

int OpFix::unused() {
    int n = 0;
    for (TK* t = c->tkhead; t && !(t->flags & TK_END); t = t->next)
        if (!(t->flags & (TK_USED | TK_DELIM)) && t->len > 0) ++n;
    return n;
}

StmtRun::StmtRun() { c_.linecnt = 1; }

StmtRun::~StmtRun() {
    FFCB all{};
    all.cmv = &c_;
    cblf_kil(&all, KIL_FILES);
    aakill(&c_);  // the statements and what preparation made
    optfree(&c_);
}

int StmtRun::stmt(std::string_view text) {
    seterr(0);
    texts_.emplace_back(text);
    texts_.back() += "\n";
    texts_.back() += '\0';
    std::string& s = texts_.back();
    // An unused node at the end is reused by the next statement: what the
    // statement makes then starts at it, so the node before it is kept.
    before_ = c_.cncur;
    if (before_ && before_->typ1 == 0) before_ = before_->prev;
    tvltokn(&c_, s.data(), static_cast<int>(text.size()), '!');
    rc_ = tvlctla(&c_);
    int err = c_.errnum;
    if (!err && tokfu()) err = 45;
    return err;
}

int StmtRun::stmts(std::initializer_list<std::string_view> list) {
    int first = 0;
    for (std::string_view text : list) {
        int err = stmt(text);
        if (!first) first = err;
    }
    return first;
}

int StmtRun::prepare() {
    seterr(0);
    c_.lstsw &= ~LST_RECPRT;
    return tvlaa(&c_);
}

std::vector<CN*> StmtRun::made() {
    CN* first = before_ ? before_->next : c_.cnhead;
    std::vector<CN*> v;
    for (CN* n = first; n; n = n->next) v.push_back(n);
    return v;
}

std::vector<CN*> StmtRun::nodes() {
    std::vector<CN*> v;
    for (CN* n = c_.cnhead; n; n = n->next) v.push_back(n);
    return v;
}

PrtRun::PrtRun(const std::string& name) : dir(tempdir(name)), lst(dir + "/TORV.LST") {
    run.listto(lst);
    cmv.logfp = std::fopen("/dev/null", "w");
}

PrtRun::~PrtRun() {
    run.release();
    if (cmv.logfp) std::fclose(cmv.logfp);
    cmv.logfp = stderr;
    rmtree(dir);
}

std::vector<std::string> PrtRun::lines() {
    CMV* was = cm;
    cm = run.c;
    tvlprt(nullptr, 0, PT_CLOSE, 0);
    cm = was;
    return tvt::lines(lst);
}

void actrows(const char* dirname, const std::vector<ActRow>& rows, const std::string& read,
             const std::string& write) {
    for (const ActRow& r : rows) {
        SCOPED_TRACE(r.name);
        std::string dir = tempdir(dirname);
        spit(dir + "/in.dat", r.in);
        spit(dir + "/ctl", read + "\n" + r.stmt + "\n" + write + "\n");
        Run got = run({"-ctl", "ctl"}, dir);
        EXPECT_EQ(r.rc, got.status) << got.err;
        EXPECT_EQ(r.rc != 52, exists(dir + "/out.dat"));
        EXPECT_EQ(hex(r.out), hex(slurp(dir + "/out.dat")));
        std::vector<std::string> lst = listing(dir);
        std::string first = r.stmt.substr(0, r.stmt.find('\n'));
        EXPECT_NE(lst.end(), std::find(lst.begin(), lst.end(), "     2.  " + first));
        if (!r.line.empty()) {
            EXPECT_NE(lst.end(), std::find(lst.begin(), lst.end(), r.line)) << r.line;
        }
        rmtree(dir);
    }
}

}  // namespace tvt
