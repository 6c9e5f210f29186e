// File blocks for names given by the program: splitting, the special names,
// finding the same file again, and the DD-style name in the error line.
#include "tests/testutil.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace {

struct tvlfn : tvt::RunCtx {
    void SetUp() override { ctx.logfp = std::tmpfile(); }
    void TearDown() override {
        run.release();
        std::fclose(ctx.logfp);
        ctx.logfp = stderr;
    }
};

struct Row {
    const char* name;
    const char* prefix;  // null: none
    const char* fname;
    const char* fext;
    std::uint32_t marks;  // DF_DDNAME, DF_STDSTRM, DF_INSTREAM, DF_DUMMY
    FILE* stream;
};

TEST_F(tvlfn, SplitsGivenNames) {
    const Row rows[] = {
        {"/data/in/sales.txt", "/data/in/", "sales", "txt", 0, nullptr},
        {"/d/customers.txt", "/d/c", "ustomers", "txt", 0, nullptr},  // the name keeps its last 8
        {"notes.json", "no", "tes.json", "", 0, nullptr},             // 4 characters are no extension
        {"abc.", nullptr, "abc.", "", DF_DDNAME, nullptr},   // a bare name without extension
        {"a\\b\\c.d", "a/b/", "c", "d", 0, nullptr},
        {"c:x.txt", "c:", "x", "txt", 0, nullptr},
        {"INPUT", nullptr, "INPUT", "", DF_DDNAME, nullptr},
        {"1abc", nullptr, "1abc", "", 0, nullptr},                    // not a letter first
        {"stdin", nullptr, "stdin", "", DF_STDSTRM, stdin},
        {"SYSIN", nullptr, "SYSIN", "", DF_STDSTRM, stdin},
        {"Stdout", nullptr, "Stdout", "", DF_STDSTRM, stdout},
        {"STDERR", nullptr, "STDERR", "", DF_STDSTRM, stderr},
        {"card", nullptr, "card", "", DF_INSTREAM, nullptr},
        {"DUMMY", nullptr, "DUMMY", "", DF_DUMMY, nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        FFREC* f = ::tvlfn(&ctx, FN_SRC, r.name, 0);
        ASSERT_NE(nullptr, f);
        EXPECT_STREQ(r.prefix ? r.prefix : "(none)", f->prefix ? f->prefix : "(none)");
        EXPECT_STREQ(r.fname, f->fname);
        EXPECT_STREQ(r.fext, f->fext);
        EXPECT_EQ(r.marks, f->dflags & (DF_DDNAME | DF_STDSTRM | DF_INSTREAM | DF_DUMMY));
        EXPECT_EQ(r.stream, f->stream);
        EXPECT_EQ(FM_IN, f->mode);
        EXPECT_FALSE(f->sflags & FS_TRUNC);
        EXPECT_EQ(std::string(r.name).size(), static_cast<std::size_t>(f->dsnlen));
    }
}

TEST_F(tvlfn, FindsTheSameFileByItsExactName) {
    FFREC* a = ::tvlfn(&ctx, FN_SRC, "/data/in/sales.txt", 0);
    EXPECT_EQ(a, ::tvlfn(&ctx, FN_SRC, "/data/in/sales.txt", 0));
    EXPECT_NE(a, ::tvlfn(&ctx, FN_SRC, "/data/in/Sales.txt", 0));  // case makes another file
    EXPECT_EQ(a, ::tvlfn(&ctx, FN_SRC, "sales", 0));                 // a DD-style name finds it
    EXPECT_NE(a, ::tvlfn(&ctx, FN_SRC, "SALES", 0));
    FFREC* l = ::tvlfn(&ctx, FN_LST, "TORV.LST", 0);
    EXPECT_EQ(FM_OUT, l->mode);
    EXPECT_TRUE(l->sflags & FS_TRUNC);
    EXPECT_EQ(nullptr, ::tvlfn(&ctx, FN_SRC, std::string(256, 'a').c_str(), 0));
    EXPECT_EQ(30, ctx.errnum);
}

TEST_F(tvlfn, ErrorLineShowsADdName) {
    {
        tvt::WorkDir wd("tvlfn-dd");
        mkdir("INPUT", 0755);
        FFCB fc{};
        fc.cmv = &ctx;
        fc.ffrec = ::tvlfn(&ctx, FN_SRC, "INPUT", 0);
        EXPECT_EQ(nullptr, ::cblfio(&fc, F_READ, nullptr, 0));
    }
    std::fflush(ctx.logfp);
    std::rewind(ctx.logfp);
    char line[200] = "";
    ASSERT_NE(nullptr, std::fgets(line, sizeof line, ctx.logfp));
    EXPECT_STREQ("cblfio: Is a directory  (Input) DDname=\"INPUT\"\n", line);
}

}  // namespace
