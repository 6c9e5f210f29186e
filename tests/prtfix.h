// Test support for the listing and the messages: a run context of its
// own, with a fixed date, the product heading and the listing in a fresh
// directory, and the listing read back as lines.
#pragma once
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "files/files.h"
#include "report/report.h"
#include "runtime/runtime.h"
#include "tests/testutil.h"

namespace tvt {

// The listing fields of a run context: the fixed date, the product
// heading and its underline, the listing named lst (kept alive by the
// caller).
inline void prtctx(CMV& c, char (&date)[CBLDATE_LEN], std::string& lst) {
    std::memcpy(c.eyecatch, "*CM*", 4);
    std::memset(date, ' ', sizeof date);
    std::memcpy(date + CBLDATE_TEXT, "2026/12/07 01:45:09.3", 21);
    c.datep = date;
    std::strcpy(c.heading, "\n\rTORVALE/L64 3.50");
    std::memset(c.underline, '-', 16);
    c.lstname = lst.data();
}

struct PrtRun {
    GCCB        gc{};
    OPTB        opt{};
    CMV         cmv{};
    char        date[CBLDATE_LEN]{};
    std::string dir, lst;
    CMV*        before = cm;  // the context of an enclosing run, given back at the end

    explicit PrtRun(const std::string& name) {
        dir = tempdir(name);
        lst = dir + "/TORV.LST";
        prtctx(cmv, date, lst);
        cmv.gccb = &gc;
        cmv.optp = &opt;
        opt.reclen = 1;
        cmv.logfp = std::fopen("/dev/null", "w");
        cm = &cmv;
    }
    ~PrtRun() {
        cm = &cmv;
        tvlprt(nullptr, 0, PT_CLOSE, 0);  // gives back the listing's blocks
        FFCB all{};
        all.cmv = &cmv;
        cblf_kil(&all, KIL_FILES);        // and the file blocks
        if (cmv.logfp) std::fclose(cmv.logfp);
        cm = before;
        rmtree(dir);
    }
    // Close the listing and read it back, one string per line.
    std::vector<std::string> lines() {
        tvlprt(nullptr, 0, PT_CLOSE, 0);
        std::vector<std::string> v;
        std::istringstream in(slurp(lst));
        for (std::string l; std::getline(in, l);) v.push_back(l);
        return v;
    }
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
    return "TORVALE/L64 3.50" + std::string(132 - 16 - 27, ' ') + "2026/12/07 01:45   PAGE" +
           std::string(4 - pg.size(), ' ') + pg;
}
inline std::string head2() {
    return std::string(16, '-') + std::string(132 - 16 - 27, ' ') + std::string(16, '-') + "   " +
           std::string(8, '-');
}

}  // namespace tvt
