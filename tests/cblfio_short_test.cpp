// Text lines through the record path and the general read alike: lines
// whose ends fall at every offset around the 1 MiB block edge and around
// the last LRECL + 2 bytes of a block, CR LF split across refills, lone
// CRs, a last line without LF.  A copy must give each line once, ended by
// LF, with the short paths on and off (TVLNOSHORT).
#include "tests/testutil.h"

#include <cstdlib>
#include <string>

namespace {

// The lines of text, split at LF, CR LF and a lone CR, each ended by LF.
std::string relined(const std::string& in) {
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\r') {
            if (i + 1 < in.size() && in[i + 1] == '\n') ++i;
            out += '\n';
        } else {
            out += in[i];
        }
    }
    if (!out.empty() && out.back() != '\n') out += '\n';
    return out;
}

// Copy in with the short paths on and off: each time the lines of in.
void copies(const std::string& dir, const std::string& in) {
    tvt::spit(dir + "/in.txt", in);
    tvt::spit(dir + "/ctl", "READ in.txt\nWRITE out.txt NOTRUNC\n");
    const std::string want = relined(in);
    for (bool off : {false, true}) {
        SCOPED_TRACE(off ? "short paths off" : "short paths on");
        if (off) setenv("TVLNOSHORT", "1", 1);
        tvt::Run r = tvt::run({"-ctl", "ctl"}, dir);
        unsetenv("TVLNOSHORT");
        EXPECT_EQ(0, r.status) << r.err;
        std::string got = tvt::slurp(dir + "/out.txt");
        EXPECT_EQ(want.size(), got.size());
        EXPECT_TRUE(want == got);
    }
}

}  // namespace

TEST(cblfio_short, LinesAroundBlockEdges) {
    const long kBlock = 1L << 20;
    std::string dir = tvt::tempdir("short-lines");
    // The first read is one whole block: a CR LF split by its edge, a CR
    // LF whose LF is the block's last byte, a lone CR as its last byte.
    for (const char* tail : {"\r\nnext\n", "x\r\nnext\n", "\rnext\n"}) {
        SCOPED_TRACE(tail);
        std::string in;
        while (static_cast<long>(in.size()) < kBlock - 200) in += std::string(99, 'f') + "\n";
        const long stop = kBlock - 1 - (tail[0] == 'x' ? 1 : 0);
        in += std::string(static_cast<std::size_t>(stop - static_cast<long>(in.size())), 'g');
        copies(dir, in + tail);
    }
    // Filler lines of 100 bytes up to a little before each edge, then
    // lines of growing length so that line ends step over the edge; the
    // delimiters cycle through LF, CR LF and CR.
    std::string in;
    const char* ends[] = {"\n", "\r\n", "\r"};
    int k = 0;
    for (long edge : {kBlock - 32762, kBlock, 2 * kBlock - 32762, 2 * kBlock}) {
        while (static_cast<long>(in.size()) < edge - 300) in += std::string(99, 'f') + "\n";
        for (int len = 1; static_cast<long>(in.size()) < edge + 200; ++len) {
            in += std::string(static_cast<std::size_t>(len % 40), static_cast<char>('a' + len % 26));
            in += ends[k++ % 3];
        }
    }
    in += "last line without LF";
    copies(dir, in);
    tvt::rmtree(dir);
}
