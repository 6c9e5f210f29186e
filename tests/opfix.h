// Test support for the operand parsers: a run context of its own, a
// statement node, statement text cut into tokens, and a check at the end
// that every block the parsers took was given back.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

#include "driver/driver.h"
#include "frontend/frontend.h"
#include "runtime/runtime.h"

class OpFix : public ::testing::Test {
protected:
    GCCB gc{};
    OPTB opt{};
    CN   node{};
    CMV* c = nullptr;
    char text[1200];
    CMV* savecm = nullptr;
    FLD* f = nullptr;     // the operand under test, released before each parse and at the end

    void SetUp() override {
        savecm = cm;
        c = static_cast<CMV*>(cblgcore(&gc, sizeof(CMV), 0, "beg"));
        std::memcpy(c->eyecatch, "*CM*", 4);
        c->gccb = &gc;
        c->optp = &opt;
        c->logfp = stderr;
        opt.sep = '!';
        opt.contmax = 4096;
        c->cncur = &node;
        cm = c;
    }
    void TearDown() override {
        fldkill(c, &f);
        tokfree(c);
        atkillc(c);
        cblgcorf(&gc, &c, "beg");
        cm = savecm;
        EXPECT_EQ(gc.gotcnt, gc.relcnt) << "blocks not given back";
    }
    // Cut the statement text s into the token chain.
    void tokens(std::string_view s) {
        std::memcpy(text, s.data(), s.size());
        text[s.size()] = '\n';
        text[s.size() + 1] = 0;
        c->errnum = 0;
        tvltokn(c, text, static_cast<int>(s.size()), '!');
    }
    // The data tokens still unused.
    int unused() {
        int n = 0;
        for (TK* t = c->tkhead; t && !(t->flags & TK_END); t = t->next)
            if (!(t->flags & (TK_USED | TK_DELIM)) && t->len > 0) ++n;
        return n;
    }
    static std::string hex(const unsigned char* p, long n) {
        static const char d[] = "0123456789ABCDEF";
        std::string s;
        for (long i = 0; i < n; ++i) {
            if (i) s += ' ';
            s += d[p[i] >> 4];
            s += d[p[i] & 15];
        }
        return s;
    }
};
