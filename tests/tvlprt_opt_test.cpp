// Listing options in whole runs: page width and heading, page depth, data
// width, the record-length column, dump markers, printable bytes, DUMPALL
// of one PRINT, summary levels, report mode and the site options file.
// Every expected line is worked out from the listing's layout rules.
#include "tests/testutil.h"

#include <regex>
#include <string>
#include <vector>

namespace {

const std::string kDate = "yyyy/mm/dd hh:mm";

// The listing's lines, trailing blanks cut and the heading's date and
// time (which change from run to run) replaced by kDate.
std::vector<std::string> lst(const std::string& dir) {
    static const std::regex dt("[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}");
    std::vector<std::string> v;
    for (std::string l : tvt::lines(dir + "/TORV.LST")) {
        l.erase(l.find_last_not_of(' ') + 1);
        v.push_back(std::regex_replace(l, dt, kDate));
    }
    return v;
}

// One run in a fresh directory: the site file ("" none), the statements,
// the input; the exit code must be 0.
std::vector<std::string> runlst(const char* name, const std::string& site, const std::string& ctl,
                                const std::string& in) {
    std::string d = tvt::tempdir(name);
    tvt::spit(d + "/torvale.msg", tvt::slurp(TORVALE_SRC "/torvale.msg"));
    if (!site.empty()) tvt::spit(d + "/torvale.nam", site);
    tvt::spit(d + "/in.ctl", ctl);
    tvt::spit(d + "/in.dat", in);
    EXPECT_EQ(tvt::run({"-ctl", "in.ctl"}, d).status, 0);
    return lst(d);
}

// The lines from the first that begins with `from` to the end.
std::vector<std::string> after(const std::vector<std::string>& v, const std::string& from) {
    for (std::size_t i = 0; i < v.size(); ++i)
        if (v[i].rfind(from, 0) == 0) return {v.begin() + static_cast<long>(i), v.end()};
    return {};
}

using tvt::sp;
using namespace std::string_literals;
std::string rep(const std::string& s, int n) {
    std::string r;
    while (n-- > 0) r += s;
    return r;
}

}  // namespace

// Page width 80: the date in columns 54-69 and "   PAGE   n" after it;
// the HEAD text underlined by as many "-".  Page depth 13: the column
// headers count with the lines a record or dump needs, so a page that
// cannot hold them with the record is thrown first (pages 1 and 2).
// Dumps at width 80: 5 groups, 20 bytes a line, markers at 57 and 78.
TEST(tvlprt_opt, GeometryHeadingAndDumpMarkers) {
    const std::string ctl =
        "OPTION PW 80 DW 20 PD 13 NORECLEN HEAD 'Stock list' DUMPENC '#='\n"
        "OPTION PRINTABLE X'01' UNPRINTABLE X'41'\n"
        "READ in.dat RECFM F LRECL 100\nPRINT TYPE C\nPRINT TYPE D DUMPALL\nPRINT TYPE D\n";
    const std::string z20(20, 'z'), first = ".\x01" + z20.substr(2), hz = rep("7A7A7A7A ", 5);
    auto head = [&](int page) {
        return std::vector<std::string>{(page > 1 ? "\f" : "") + "Stock list"s + sp(43) + kDate + "   PAGE   " +
                                            std::to_string(page),
                                        std::string(10, '-') + sp(43) + std::string(16, '-') + sp(3) + std::string(8, '-')};
    };
    const std::vector<std::string> rh = {"    INPUT   SEL SEL", "    RECNO   TOT ID.          1         2",
                                         "    -----   --- --- ....,....0....,....0"};
    const std::vector<std::string> dh = {"    INPUT   SEL SEL", "    RECNO   TOT ID.", "    -----   --- ---"};
    const std::string scale = sp(20) + "....,....1....,....2";
    auto dl = [&](const char* off, const std::string& hex, const std::string& chars) {
        return "  "s + off + "  " + hex + sp(4) + "#" + chars + "#";
    };
    std::vector<std::string> want;
    auto add = [&](const std::vector<std::string>& v) { want.insert(want.end(), v.begin(), v.end()); };
    add(head(1));
    add({"", "         OPTION PW 80 DW 20 PD 13 NORECLEN HEAD 'Stock list' DUMPENC '#='",
         "         OPTION PRINTABLE X'01' UNPRINTABLE X'41'", "     1.  READ in.dat RECFM F LRECL 100",
         "     2.  PRINT TYPE C", "     3.  PRINT TYPE D DUMPALL", "     4.  PRINT TYPE D", ""});
    add(head(2));
    add(rh);
    add({"        1     1   2 " + first, sp(10) + "+20" + sp(7) + z20, sp(10) + "+40" + sp(7) + z20,
         sp(10) + "+60" + sp(7) + z20, sp(10) + "+80" + sp(7) + z20, scale});
    add(head(3));
    add(dh);
    add({"        1     1   3" + sp(11) + "100", dl("0000", "41017A7A " + rep("7A7A7A7A ", 4), first),
         dl("0014", hz, z20), dl("0028", hz, z20), dl("003C", hz, z20), dl("0050", hz, z20),
         "        1     1   4" + sp(11) + "100", dl("0000", "41017A7A " + rep("7A7A7A7A ", 4), first)});
    add(head(4));
    add(dh);
    add({dl("0014", hz, z20), "  0028-0063  =same=" + sp(10) + "(3 lines)" + sp(19) + "=" + sp(20) + "="});
    add(head(5));
    std::vector<std::string> got = runlst("prtopt_geom", "", ctl, "A\x01" + std::string(98, 'z'));
    ASSERT_GE(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(want[i], got[i]) << "line " << i + 1;
}

// The summary of one run at each level: 0 none; 1 file statements only
// with their operation; 2 every operation; 3 every statement and
// condition, file columns 6 to the right, THEN marked "  t ".
TEST(tvlprt_opt, SummaryLevels) {
    const std::string ctl = "READ in.dat\nIF P 1 EQ 'A'\nTHEN WRITE out.dat\nMOVE 'x' TO P 1\n";
    const std::string hd = " SEL-ID      SELTOT      FILE     BLKSIZE  LRECL           FSIZE   CI    DSN";
    const std::string ul = " ------      ------      ----     -------  -----           -----   --    ---";
    const std::string in = " 65536     2 U               2       in.dat", out = " 65536     2 U               1       out.dat";
    const std::vector<std::vector<std::string>> want = {
        {},
        {"SUMMARY..", hd, ul, "    1             2 READ IN       " + in, "    2             1 WR   OUT      " + out,
         "    3             2", ""},
        {"SUMMARY..", hd, ul, "    1             2 READ IN       " + in, "    2             1 WR   OUT      " + out,
         "    3             2 mod", ""},
        {"SUMMARY..", " SEL-ID      SELTOT      " + sp(6) + hd.substr(25), " ------      ------      " + sp(6) + ul.substr(25),
         "    1             2   READ     IN       " + in, sp(22) + "if",
         "    2             1     t WR   OUT      " + out, "    3             2   mod", ""},
    };
    for (int level = 0; level < 4; ++level) {
        SCOPED_TRACE(level);
        auto got = runlst("prtopt_sum", "", "OPTION PRTSUM " + std::to_string(level) + "\n" + ctl, "AB\nCD\n");
        EXPECT_EQ(want[level], after(got, "SUMMARY.."));
    }
}
