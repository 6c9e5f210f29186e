// Test support for the statement parsers and run preparation: a bare run
// context in which statements are tokenized and analysed one by one, as
// statement input does it, and then prepared.
#pragma once
#include "driver/driver.h"
#include "files/files.h"
#include "frontend/frontend.h"
#include "report/report.h"

#include <cstring>
#include <deque>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tvt {

class StmtRun {
public:
    StmtRun() {
        std::memset(&gc_, 0, sizeof gc_);
        std::memset(&opt_, 0, sizeof opt_);
        std::memset(static_cast<void*>(&c_), 0, sizeof c_);
        c_.gccb = &gc_;
        c_.optp = &opt_;
        c_.logfp = stderr;
        opt_.sep = '!';
        opt_.contmax = 4096;
        opt_.pagedepth = 58;
        opt_.envvar = 1;
        opt_.fill = ' ';
        opt_.blksize = 2048;
        c_.linecnt = 1;
        cm = &c_;
        tkc = nullptr;
        cmsw2 = cmsw4 = 0;
        startsw = 0;
    }
    ~StmtRun() {
        FFCB fc{};
        fc.cmv = &c_;
        cblf_kil(&fc, KIL_FILES);
        aakill(&c_);
        atkillc(&c_);
        tokfree(&c_);
        cm = nullptr;
        tkc = nullptr;
        startsw = 0;
    }
    StmtRun(const StmtRun&) = delete;
    StmtRun& operator=(const StmtRun&) = delete;

    // Analyse one statement; its error, or 45 when words were left unused.
    int stmt(std::string_view text) {
        seterr(0);
        texts_.emplace_back(text);
        texts_.back() += "\n";
        texts_.back() += '\0';
        std::string& s = texts_.back();
        before_ = c_.cncur;
        tvltokn(&c_, s.data(), static_cast<int>(text.size()), '!');
        rc_ = tvlctla(&c_);
        int err = c_.errnum;
        if (!err && tokfu()) err = 45;
        return err;
    }
    // Analyse statements; the first error.
    int stmts(std::initializer_list<std::string_view> list) {
        int first = 0;
        for (std::string_view text : list) {
            int err = stmt(text);
            if (!first) first = err;
        }
        return first;
    }
    // Prepare the run (the record-print heading is not asked for).
    int prepare() {
        seterr(0);
        c_.lstsw &= ~LST_RECPRT;
        return tvlaa(&c_);
    }
    // The nodes the last statement made, in order.
    std::vector<CN*> made() {
        CN* first = before_ ? before_->next : c_.cnhead;
        if (before_ && before_->typ1 == 0) first = before_;
        std::vector<CN*> v;
        for (CN* n = first; n; n = n->next) v.push_back(n);
        return v;
    }
    // Every node of the chain, in order.
    std::vector<CN*> nodes() {
        std::vector<CN*> v;
        for (CN* n = c_.cnhead; n; n = n->next) v.push_back(n);
        return v;
    }
    // The file of the last statement.
    FFREC* file() { return c_.cncur ? c_.cncur->file : nullptr; }
    CMV& c() { return c_; }
    OPTB& opt() { return opt_; }
    // What tvlctla returned for the last statement.
    int rc() const { return rc_; }

private:
    GCCB gc_;
    OPTB opt_;
    CMV c_;
    std::deque<std::string> texts_;
    CN* before_ = nullptr;
    int rc_ = 0;
};

}  // namespace tvt
