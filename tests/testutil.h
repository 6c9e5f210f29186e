// Shared test support, all in one header: temporary directories, whole
// files, child runs of the built program, guarded areas, the listing read
// back, and ready run contexts (Ctx and the fixtures built on it: RunCtx,
// OpFix, StmtRun, PrtRun), every one filled by the driver's cmvinit.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/driver.h"
#include "files/files.h"
#include "frontend/frontend.h"
#include "report/report.h"
#include "runtime/runtime.h"

namespace tvt {

// Result of one run of the program.
struct Run {
    int status;       // exit status (low byte as a shell sees it); 128+n for signal n; -1 on timeout
    std::string out;  // standard output
    std::string err;  // standard error
};

// A fresh, empty directory for one test (removed first if a crashed test
// left it behind).
std::string tempdir(std::string_view name);
void        rmtree(const std::string& path);
std::string slurp(const std::string& path);                 // whole file, "" if absent
void        spit(const std::string& path, std::string_view bytes);  // write whole file
bool        exists(const std::string& path);

// A fresh directory (tempdir) that is the current directory while this
// lives; the old one comes back and the directory goes after.
struct WorkDir {
    explicit WorkDir(std::string_view name);
    ~WorkDir();
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;
    std::string dir, old;
};

// Run the program (or another executable) with args in directory dir,
// standard input from stdin_path, killing it after timeout_s seconds.
Run run(const std::vector<std::string>& args, const std::string& dir,
        const std::string& stdin_path = "/dev/null", int timeout_s = 30,
        const std::string& exe = TORVALE_BIN);

// Bytes as hex text, "C1 F0 0A": two digits a byte, a blank between.
std::string hex(std::string_view bytes);

// Run f on an area of n bytes lying between 16 guard bytes on each side;
// the area itself starts filled with the guard byte too.  Records a test
// failure when a guard byte changed; returns the area, f's result in *rc.
std::string guarded(int n, char guard, const std::function<int(char*, int)>& f, int* rc);

// The lines of the listing dir/TORV.LST after its page heading (heading,
// underline and empty line), trailing blanks cut.
std::vector<std::string> listing(const std::string& dir);

// The whole file at path, one string per line (line ends cut).
std::vector<std::string> lines(const std::string& path);

// One whole run of an action: the statements stmt (lines) between a READ
// of in.dat and a WRITE of out.dat, the record file in, and what must come
// out: the output file's bytes, the exit code, and a listing line the run
// must print ("" none).  The listing must echo stmt's first line as
// statement 2.  A run that ends at 52 must leave no output file.
struct ActRow {
    const char* name;
    std::string stmt;
    std::string in;
    std::string out;
    int rc;
    std::string line;
};
// Each row in a fresh directory; read and write are the READ and WRITE
// statements (the default: 10-byte fixed records both).
void actrows(const char* dirname, const std::vector<ActRow>& rows,
             const std::string& read = "READ in.dat RECFM F LRECL 10",
             const std::string& write = "WRITE out.dat RECFM F LRECL 10");
// The summary line of statement 2 that acted once, with its operation name.
inline std::string sum2(const std::string& op) { return "    2             1 " + op; }

// The first lines of got must be want, line by line.
void starts(const std::vector<std::string>& got, const std::vector<std::string>& want);

// The master side of a fresh pseudo-terminal (its slave is ptsname(fd)),
// -1 if none could be had.
int ptmaster();

// ---------------------------------------------------------------------------
// Run contexts
// ---------------------------------------------------------------------------

// A ready run context: the run's defaults as the driver sets them
// (cmvinit), a memory manager of its own, the log on standard error, the
// date area holding 2026/12/07 01:45:09.3.  While it lives cm points to
// it and the run's globals start from nothing; at the end it gives back
// what a run holds (tokens, statement input, parameter string, files,
// listing, @-names) and cm comes back to the enclosing context.
class Ctx {
public:
    Ctx();
    ~Ctx();
    Ctx(const Ctx&) = delete;
    Ctx& operator=(const Ctx&) = delete;
    void listto(std::string& path);        // the listing goes to path (kept alive by the caller)
    void release();                        // give back what the run holds
    void givenback();  // check: every block taken so far was given back (null releases count)

    GCCB  gc;    // the context's own memory manager
    BEGB  beg;   // the context and its work areas, as the block "beg" holds them
    CMV&  cmv;   // beg.cmv
    OPTB& opt;   // beg.opt
    CMV*  c;     // &cmv
private:
    CMV* before_;  // cm when the context was made
};

// A gtest fixture with a ready run context (ctx) and its parts.
class RunCtx : public ::testing::Test {
protected:
    Ctx   run;
    GCCB& gc = run.gc;
    OPTB& opt = run.opt;
    CMV&  ctx = run.cmv;
};

// The operand parsers' fixture: a ready context whose current node is
// node, statement text cut into tokens, and every block given back.
class OpFix : public RunCtx {
protected:
    CMV* c = run.c;
    CN   node{};
    char text[1200];
    FLD* f = nullptr;  // the operand under test, released at the end
    void SetUp() override;
    void TearDown() override;
    void tokens(std::string_view s);  // cut s into the token chain
    int  unused();                    // data tokens still unused
    static std::string hex(const unsigned char* p, long n) {
        return tvt::hex({reinterpret_cast<const char*>(p), static_cast<std::size_t>(n)});
    }
};

// Statements tokenized and analysed one by one, as statement input does
// it, and then prepared; the statements and what preparation made are
// given back at the end.
class StmtRun {
public:
    StmtRun();
    ~StmtRun();
    StmtRun(const StmtRun&) = delete;
    StmtRun& operator=(const StmtRun&) = delete;
    int stmt(std::string_view text);  // its error, or 45 when words were left unused
    int stmts(std::initializer_list<std::string_view> list);  // the first error
    int prepare();                    // tvlaa (the record-print heading not asked for)
    std::vector<CN*> made();          // the nodes the last statement made
    std::vector<CN*> nodes();         // every node of the chain
    FFREC* file() { return c_.cncur ? c_.cncur->file : nullptr; }
    CMV&  c() { return c_; }
    OPTB& opt() { return run_.opt; }
    int   rc() const { return rc_; }  // what tvlctla returned for the last statement
    Ctx&  run() { return run_; }

private:
    Ctx  run_;
    CMV& c_ = run_.cmv;
    std::deque<std::string> texts_;
    CN*  before_ = nullptr;
    int  rc_ = 0;
};

// The listing and the messages: a ready context (the product heading as
// the driver makes it) whose listing is dir/TORV.LST in a fresh
// directory and whose log is /dev/null.
struct PrtRun {
    explicit PrtRun(const std::string& name);
    ~PrtRun();
    std::vector<std::string> lines();  // close the listing; its lines
    std::string dir, lst;
    Ctx         run;
    CMV&        cmv = run.cmv;
    OPTB&       opt = run.opt;
    GCCB&       gc = run.gc;
};

inline std::string sp(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

// The first 20 columns of a record line of a fresh run: input record
// number 0 ("000000009": blanks and 0 at column 9), selection count 0 at
// 15, statement number id at 19, a blank.
inline std::string recpfx(char id = '0') { return sp(8) + "0" + sp(5) + "0" + sp(3) + id + " "; }

// The page heading for heading width 132 on page `page`: the product text,
// blanks up to column 105, then date, time and page number; line 2 dashes
// under the product text and under the date (16), blank under "   ", 8
// dashes under "PAGE   n".
inline std::string head1(int page) {
    std::string pg = std::to_string(page);
    return "TORVALE/L64 3.50" + sp(132 - 16 - 27) + "2026/12/07 01:45   PAGE" + sp(4 - static_cast<int>(pg.size())) + pg;
}
inline std::string head2() {
    return std::string(16, '-') + sp(132 - 16 - 27) + std::string(16, '-') + "   " + std::string(8, '-');
}

}  // namespace tvt
