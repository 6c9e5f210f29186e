// Translation tables, set-to-set translation and whole-area translation.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/runtime.h"

using namespace std::literals;

TEST(ttab, ChosenBytes) {
    struct Row {
        const char*                      name;
        const TTAB*                      table;
        std::vector<std::pair<int, int>> bytes;  // byte in, byte out
    };
    const Row rows[] = {
        // ASCII to EBCDIC: row + column of the published table: A row 40
        // col 1, blank 20/0, 0 30/0, LF 00/A, DEL 70/F, 80 80/0, C3 C0/3,
        // FF F0/F; then 1C, 1E, [, ], ^: the five places off code page 037.
        {"ae", &ttab_ae, {{0x41, 0xC1}, {0x20, 0x40}, {0x30, 0xF0}, {0x0A, 0x25}, {0x7F, 0x07}, {0x80, 0x9F},
                          {0xC3, 0x0A}, {0xFF, 0xFF}, {0x1C, 0x22}, {0x1E, 0x35}, {0x5B, 0xAD}, {0x5D, 0xBD},
                          {0x5E, 0x5F}}},
        // The inverse reads the table backwards: the cell holding the EBCDIC
        // byte gives the ASCII: C1 at row 40 col 1, 40 at 20/0, 25 at 00/A,
        // 5F at 50/E, E0 at 50/C, 4F at 70/C, FE at A0/7, 15 at B0/4, 9F at 80/0.
        {"ea", &ttab_ea, {{0xC1, 0x41}, {0x40, 0x20}, {0x25, 0x0A}, {0x5F, 0x5E}, {0xE0, 0x5C}, {0x4F, 0x7C},
                          {0xFE, 0xA7}, {0x15, 0xB4}, {0x9F, 0x80}}},
        // ASCII letters only: the bytes just outside a-z and A-Z, and a
        // letter with the high bit, stay.
        {"uc", &ttab_uc, {{'a', 'A'}, {'z', 'Z'}, {0x60, 0x60}, {0x7B, 0x7B}, {0xE1, 0xE1}, {'A', 'A'}}},
        {"lc", &ttab_lc, {{'A', 'a'}, {'Z', 'z'}, {0x40, 0x40}, {0x5B, 0x5B}, {0xC1, 0xC1}}},
        {"tc", &ttab_tc, {{0x00, '.'}, {0x1F, '.'}, {0x20, 0x20}, {0x7E, 0x7E}, {0x7F, '.'}, {0x80, 0x80},
                          {0x81, '.'}, {0xA3, 0xA3}, {0xA4, '.'}, {0xA6, 0xA6}, {0xAC, 0xAC}, {0xFF, '.'}}},
        {"tb", &ttab_tb, {{0x00, ' '}, {0x7F, ' '}, {0xA3, 0xA3}, {0x41, 0x41}}},
        {"hz", &ttab_hz, {{0x00, '0'}, {0x9F, '9'}, {0xA0, 'A'}, {0xFF, 'F'}, {0x41, '4'}}},
        {"hn", &ttab_hn, {{0x0A, 'A'}, {0x5C, 'C'}, {0xF9, '9'}}},
        {"mz", &ttab_mz, {{'A', 'A'}, {0x0A, '0'}, {0xC1, 'C'}, {0xAC, 0xAC}}},
        {"mn", &ttab_mn, {{'A', ' '}, {0x0A, 'A'}, {0xC1, '1'}, {0x80, ' '}, {0x7F, 'F'}}},
    };
    for (const Row& r : rows) {
        for (auto [in, want] : r.bytes) {
            SCOPED_TRACE(std::string(r.name) + " " + std::to_string(in));
            EXPECT_EQ(want, (*r.table)[static_cast<std::size_t>(in)]);
        }
    }
}

TEST(ttab, EbcdicAsciiRoundTrip) {
    // Each table undoes the other over every byte (that the ASCII to EBCDIC
    // table is a permutation is checked where it is built).
    unsigned char all[256], there[256], back[256];
    for (int i = 0; i < 256; i++) all[i] = static_cast<unsigned char>(i);
    cbltrtab(there, all, 256, ttab_ae.data());
    cbltrtab(back, there, 256, ttab_ea.data());
    EXPECT_EQ(0, std::memcmp(all, back, 256));
    cbltrtab(there, all, 256, ttab_ea.data());
    cbltrtab(back, there, 256, ttab_ae.data());
    EXPECT_EQ(0, std::memcmp(all, back, 256));
}

TEST(cbltrtab, TranslatesAreas) {
    struct Row { const char* name; const TTAB* table; std::string_view in, want; };
    const Row rows[] = {
        // H e l l o , blank W o r l d blank 0 9, one byte at a time from the table.
        {"text to EBCDIC", &ttab_ae, "Hello, World 09"sv,
         "\xC8\x85\x93\x93\x96\x6B\x40\xE6\x96\x99\x93\x84\x40\xF0\xF9"sv},
        {"EBCDIC to text", &ttab_ea,
         "\xC8\x85\x93\x93\x96\x6B\x40\xE6\x96\x99\x93\x84\x40\xF0\xF9"sv, "Hello, World 09"sv},
        // PRINT: X'00' to ".", X'A3' stays, X'7F' to ".", X'80' stays.
        {"print mask", &ttab_tc, "\x00\x41\xA3\x7F\x80"sv, ".A\xA3.\x80"sv},
        {"nothing", &ttab_ae, ""sv, ""sv},
        {"upper case, 17 bytes", &ttab_uc, "abcdefgh ijklmnop"sv, "ABCDEFGH IJKLMNOP"sv},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        unsigned char out[64];
        std::memset(out, 0x5a, sizeof out);
        auto in = reinterpret_cast<const unsigned char*>(r.in.data());
        cbltrtab(out, in, static_cast<long>(r.in.size()), r.table->data());
        EXPECT_EQ(r.want, std::string_view(reinterpret_cast<char*>(out), r.want.size()));
        for (std::size_t i = r.in.size(); i < sizeof out; i++) EXPECT_EQ(0x5a, out[i]) << "byte " << i;
        // The same in place.
        std::memcpy(out, r.in.data(), r.in.size());
        cbltrtab(out, out, static_cast<long>(r.in.size()), r.table->data());
        EXPECT_EQ(r.want, std::string_view(reinterpret_cast<char*>(out), r.want.size()));
    }
}

TEST(cbltran, ReplacesAndCounts) {
    struct Row {
        const char*      name;
        std::string_view text;
        int              length;  // < 1: text is NUL-terminated
        std::string_view from;
        int              setlen;  // < 1: from is NUL-terminated
        std::string_view to;      // data() null: to is the same as from
        std::string_view want;
        int              count;
    };
    const std::string_view same(nullptr, 0);
    const Row rows[] = {
        {"digits counted", "A1B2"sv, 4, "0123456789"sv, 10, same, "A1B2"sv, 2},
        {"digits and point", "12.5"sv, 0, "1234567890."sv, 0, same, "12.5"sv, 4},
        {"letters replaced", "abcabc"sv, 0, "ab"sv, 0, "XY"sv, "XYcXYc"sv, 4},
        {"others left", "hello"sv, 5, "lo"sv, 2, "LO"sv, "heLLO"sv, 3},
        {"first position wins", "a"sv, 1, "aa"sv, 2, "12"sv, "1"sv, 1},
        {"text length limits", "abcd"sv, 2, "abcd"sv, 4, "ABCD"sv, "ABcd"sv, 2},
        {"set length limits", "abc"sv, 3, "abc"sv, 1, "XYZ"sv, "Xbc"sv, 1},
        {"zero and high bytes", "\x00\xC1\xFF"sv, 3, "\x00\xFF"sv, 2, "\x20\x21"sv,
         "\x20\xC1\x21"sv, 2},
        {"nothing found", "xyz"sv, 0, "abc"sv, 0, "ABC"sv, "xyz"sv, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string text(r.text);
        std::string from(r.from), to(r.to.data() ? r.to : r.from);
        const char* top = r.to.data() ? to.c_str() : from.c_str();
        int got = cbltran(text.data(), r.length, r.setlen, from.c_str(), top);
        EXPECT_EQ(r.count, got);
        EXPECT_EQ(r.want, text);
    }
    EXPECT_EQ(0, cbltran(nullptr, 4, 2, "ab", "cd"));
    // The set may be the text itself: the set is read before any byte changes.
    char buf[] = "abc";
    EXPECT_EQ(3, cbltran(buf, 3, 3, buf, "xyz"));
    EXPECT_STREQ("xyz", buf);
}
