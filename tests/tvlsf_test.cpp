// File actions: the date template of UTIME, its local time, and whole
// runs of UTIME, OPEN and CLOSE.
#include "engine/engine.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

namespace {

// The local time of a calendar date, as the system makes it.
long long local(int y, int mo, int d, int h, int mi) {
    struct tm tm;
    std::memset(&tm, 0, sizeof tm);
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_isdst = -1;
    return static_cast<long long>(mktime(&tm));
}

}  // namespace

// Digits fill "0000/00/00 00:00:00" in order; separators "/:-,. " are
// skipped; the year must be 1900 to 2099.
TEST(datechar, FillsTheTemplate) {
    struct Row { std::string_view in, tmpl; int year; };
    const Row kRows[] = {
        {"2024-02-29 13:05", "2024/02/29 13:05:00", 2024},
        {"20240229130500", "2024/02/29 13:05:00", 2024},
        {"2099,1.2", "2099/12/00 00:00:00", 2099},    // digits in order, whatever the separators
        {"1899/12/31", "1899/12/31 00:00:00", 0},      // year before 1900
        {"2100/01/01", "2100/01/01 00:00:00", 0},      // year after 2099
        {"", "0000/00/00 00:00:00", 0},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.in);
        char out[20];
        EXPECT_EQ(r.year, datechar(out, r.in.data(), static_cast<std::int64_t>(r.in.size())));
        EXPECT_EQ(r.tmpl, std::string_view(out, 19));
    }
    char out[20];
    EXPECT_EQ(0, datechar(out, "2024x", 5));             // not a digit or separator
    EXPECT_EQ(0, datechar(out, "202402291305001", 15));  // a fifteenth digit
}

// The template as local time; a day past the month's end is carried into
// the next month (2024 is a leap year: 30 February is 1 March).
TEST(date2dos, NormalisesThroughTheCalendar) {
    struct Row { const char* tmpl; int y, mo, d, h, mi; };
    const Row kRows[] = {
        {"2024/02/29 13:05:00", 2024, 2, 29, 13, 5},
        {"2024/02/30 12:00:00", 2024, 3, 1, 12, 0},
        {"2023/02/30 12:00:00", 2023, 3, 2, 12, 0},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.tmpl);
        long long t = 0;
        EXPECT_EQ(local(r.y, r.mo, r.d, r.h, r.mi), date2dos(&t, r.tmpl));
        EXPECT_EQ(t, local(r.y, r.mo, r.d, r.h, r.mi));
    }
}

// UTIME sets the file's modification time; a bad date or a file that does
// not exist raises return code 8 and the run goes on.  Each run also
// writes one record, so that it does not end 16 for having output nothing.
TEST(tvlsf, UtimeSetsTheFileTime) {
    struct Row { const char* ctl; long long mtime; int rc; };
    const Row kRows[] = {
        {"UTIME t.txt '2024-02-29 13:05'\nNOW WRITE w.txt\n", local(2024, 2, 29, 13, 5), 0},
        {"UTIME t.txt '1899/12/31'\nNOW WRITE w.txt\n", 0, 8},
        {"UTIME nothere.txt '2024-02-29 13:05'\nNOW WRITE w.txt\n", 0, 8},
    };
    std::string dir = tvt::tempdir("tvlsf_utime");
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.ctl);
        tvt::spit(dir + "/t.txt", "x\n");
        tvt::spit(dir + "/ctl", r.ctl);
        tvt::Run run = tvt::run({"-ctl", "ctl"}, dir);
        EXPECT_EQ(r.rc, run.status) << run.err;
        struct stat st;
        ASSERT_EQ(0, stat((dir + "/t.txt").c_str(), &st));
        if (r.mtime) { EXPECT_EQ(r.mtime, static_cast<long long>(st.st_mtime)); }
    }
    tvt::rmtree(dir);
}

// OPEN of a deferred output starts it again (emptied); CLOSE writes it out.
TEST(tvlsf, OpenAndCloseOfAnOutput) {
    std::string dir = tvt::tempdir("tvlsf_open");
    tvt::spit(dir + "/in.txt", "AB\nCD\n");
    tvt::spit(dir + "/ctl", "READ in.txt\nOPEN out.txt\nWRITE out.txt\nCLOSE out.txt\n");
    tvt::Run run = tvt::run({"-ctl", "ctl"}, dir);
    EXPECT_EQ(0, run.status) << run.err;
    // Each cycle opens the file anew (emptied), writes one record, closes it:
    // the last record remains.
    EXPECT_EQ("CD\n", tvt::slurp(dir + "/out.txt"));
    tvt::rmtree(dir);
}
