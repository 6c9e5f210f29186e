// The bundled examples: each control-statement file of examples/ is run on
// its data file in a fresh directory; the output bytes, the exit status and
// the listing lines that matter are checked.
#include "testutil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const kFiles[] = {"customers.txt", "orders.vb",  "cards.dat",     "select.ctl",
                              "vb2text.ctl",   "fixed.ctl",  "first2.ctl",    "hexprint.ctl"};

// NAME.ctl, the exit status, the output file (or null) and its bytes, the
// listing lines that must appear, in order.
struct Example { const char* name; int status; const char* out; std::string bytes; std::vector<std::string> lines; };

TEST(examples, RunAsDocumented) {
    const std::string A1 = "A0001 ALPHA TRADING      LONDON\n";
    const std::string B2 = "B0002 BETA SUPPLIES      PARIS\n";
    const std::string A3 = "A0003 ATLAS FREIGHT      OSLO\n";
    const Example kRows[] = {
        {"select", 0, "selected.txt", A1 + A3,
         {"     1.  READ customers.txt", "         IF POS 1 EQ 'A'", "     2.  THEN WRITE selected.txt"}},
        // One block: BDW 0x003C, then records with RDWs 0x0013, 0x0012,
        // 0x0013 (4 + 15, 4 + 14, 4 + 15 bytes): the text after each RDW
        // becomes a line.
        {"vb2text", 0, "orders.txt", "ORD001 3 WIDGET\nORD002 12 GEAR\nORD003 1 SPRING\n",
         {"     1.  READ orders.vb RECFM VB", "     2.  WRITE orders.txt EOL LF"}},
        // 20-byte records; the blanks that pad each one are dropped.
        {"fixed", 0, "cards.txt", "A0001 ALPHA\nB0002 BETA\nC0003 CEDAR WORKS\n",
         {"     1.  READ cards.dat RECFM F LRECL 20"}},
        // Two records written, the third and fourth never read: 4.
        {"first2", 4, "first2.txt", A1 + B2, {"     2.  WRITE first2.txt STOP 2"}},
        // The second record, "B0002 BETA SUPPLIES      PARIS" (30 bytes),
        // printed with the high and low half of each byte under each
        // other: B = X'42', 0 = X'30', blank = X'20', S = X'53'.
        // Input record 2, taken once, by statement 2; length 30.
        {"hexprint", 0, nullptr, "",
         {"        2     1   2 433332445425555444522222254545" + std::string(75, ' ') + "30",
          "                    200020254103500C95300000001293"}},
    };
    const std::string src = TORVALE_SRC "/examples/";
    for (const Example& r : kRows) {
        SCOPED_TRACE(r.name);
        std::string d = tvt::tempdir(std::string("example-") + r.name);
        for (const char* f : kFiles) tvt::spit(d + "/" + f, tvt::slurp(src + f));
        tvt::Run run = tvt::run({"-ctl", std::string(r.name) + ".ctl"}, d);
        EXPECT_EQ(r.status, run.status) << run.err;
        if (r.out) { EXPECT_EQ(r.bytes, tvt::slurp(d + "/" + r.out)); }
        std::string lst = tvt::slurp(d + "/TORV.LST");
        std::size_t at = 0;
        for (const std::string& l : r.lines) {
            std::string want = "\n";
            want += l;
            want += '\n';
            std::size_t p = lst.find(want, at);
            EXPECT_NE(std::string::npos, p) << l << "\n" << lst;
            if (p != std::string::npos) at = p + 1;
        }
        tvt::rmtree(d);
    }
}

}  // namespace
