// Translation tables, set-to-set translation and whole-area translation.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

#include "runtime/runtime.h"

using namespace std::literals;

TEST(ttab, ChosenBytes) {
    struct Row {
        const char*  name;
        const TTAB*  table;
        int          in;
        int          want;
    };
    // ASCII to EBCDIC: row + column of the published table.  The inverse
    // reads it backwards: the cell holding the EBCDIC byte gives the ASCII.
    const Row rows[] = {
        {"ae A", &ttab_ae, 0x41, 0xC1},        // row 40 col 1
        {"ae blank", &ttab_ae, 0x20, 0x40},    // row 20 col 0
        {"ae 0", &ttab_ae, 0x30, 0xF0},        // row 30 col 0
        {"ae LF", &ttab_ae, 0x0A, 0x25},       // row 00 col A
        {"ae DEL", &ttab_ae, 0x7F, 0x07},      // row 70 col F
        {"ae 1C", &ttab_ae, 0x1C, 0x22},       // the five places off code page 037
        {"ae 1E", &ttab_ae, 0x1E, 0x35},
        {"ae [", &ttab_ae, 0x5B, 0xAD},
        {"ae ]", &ttab_ae, 0x5D, 0xBD},
        {"ae ^", &ttab_ae, 0x5E, 0x5F},
        {"ae 80", &ttab_ae, 0x80, 0x9F},       // row 80 col 0
        {"ae C3", &ttab_ae, 0xC3, 0x0A},       // row C0 col 3
        {"ae FF", &ttab_ae, 0xFF, 0xFF},       // row F0 col F
        {"ea C1", &ttab_ea, 0xC1, 0x41},       // row 40 col 1 holds C1
        {"ea 40", &ttab_ea, 0x40, 0x20},       // row 20 col 0 holds 40
        {"ea 25", &ttab_ea, 0x25, 0x0A},       // row 00 col A holds 25
        {"ea 5F", &ttab_ea, 0x5F, 0x5E},       // row 50 col E holds 5F
        {"ea E0", &ttab_ea, 0xE0, 0x5C},       // row 50 col C holds E0
        {"ea 4F", &ttab_ea, 0x4F, 0x7C},       // row 70 col C holds 4F
        {"ea FE", &ttab_ea, 0xFE, 0xA7},       // row A0 col 7 holds FE
        {"ea 15", &ttab_ea, 0x15, 0xB4},       // row B0 col 4 holds 15
        {"ea 9F", &ttab_ea, 0x9F, 0x80},       // row 80 col 0 holds 9F
        {"uc a", &ttab_uc, 'a', 'A'},
        {"uc z", &ttab_uc, 'z', 'Z'},
        {"uc `", &ttab_uc, 0x60, 0x60},        // just below a
        {"uc {", &ttab_uc, 0x7B, 0x7B},        // just above z
        {"uc E1", &ttab_uc, 0xE1, 0xE1},       // a with the high bit: not a letter
        {"uc A", &ttab_uc, 'A', 'A'},
        {"lc A", &ttab_lc, 'A', 'a'},
        {"lc Z", &ttab_lc, 'Z', 'z'},
        {"lc @", &ttab_lc, 0x40, 0x40},        // just below A
        {"lc [", &ttab_lc, 0x5B, 0x5B},        // just above Z
        {"lc C1", &ttab_lc, 0xC1, 0xC1},
        {"tc 00", &ttab_tc, 0x00, '.'},
        {"tc 1F", &ttab_tc, 0x1F, '.'},
        {"tc 20", &ttab_tc, 0x20, 0x20},
        {"tc 7E", &ttab_tc, 0x7E, 0x7E},
        {"tc 7F", &ttab_tc, 0x7F, '.'},
        {"tc 80", &ttab_tc, 0x80, 0x80},
        {"tc 81", &ttab_tc, 0x81, '.'},
        {"tc A3", &ttab_tc, 0xA3, 0xA3},
        {"tc A4", &ttab_tc, 0xA4, '.'},
        {"tc A6", &ttab_tc, 0xA6, 0xA6},
        {"tc AC", &ttab_tc, 0xAC, 0xAC},
        {"tc FF", &ttab_tc, 0xFF, '.'},
        {"tb 00", &ttab_tb, 0x00, ' '},
        {"tb 7F", &ttab_tb, 0x7F, ' '},
        {"tb A3", &ttab_tb, 0xA3, 0xA3},
        {"tb 41", &ttab_tb, 0x41, 0x41},
        {"hz 00", &ttab_hz, 0x00, '0'},
        {"hz 9F", &ttab_hz, 0x9F, '9'},
        {"hz A0", &ttab_hz, 0xA0, 'A'},
        {"hz FF", &ttab_hz, 0xFF, 'F'},
        {"hz 41", &ttab_hz, 0x41, '4'},
        {"hn 0A", &ttab_hn, 0x0A, 'A'},
        {"hn 5C", &ttab_hn, 0x5C, 'C'},
        {"hn F9", &ttab_hn, 0xF9, '9'},
        {"mz A", &ttab_mz, 'A', 'A'},
        {"mz 0A", &ttab_mz, 0x0A, '0'},
        {"mz C1", &ttab_mz, 0xC1, 'C'},
        {"mz AC", &ttab_mz, 0xAC, 0xAC},
        {"mn A", &ttab_mn, 'A', ' '},
        {"mn 0A", &ttab_mn, 0x0A, 'A'},
        {"mn C1", &ttab_mn, 0xC1, '1'},
        {"mn 80", &ttab_mn, 0x80, ' '},
        {"mn 7F", &ttab_mn, 0x7F, 'F'},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.want, (*r.table)[static_cast<std::size_t>(r.in)]);
    }
}

TEST(ttab, EbcdicAsciiRoundTrip) {
    // Both tables are permutations, and each undoes the other over every byte.
    unsigned char all[256], there[256], back[256];
    for (int i = 0; i < 256; i++) all[i] = static_cast<unsigned char>(i);
    cbltrtab(there, all, 256, ttab_ae.data());
    cbltrtab(back, there, 256, ttab_ea.data());
    EXPECT_EQ(0, std::memcmp(all, back, 256));
    bool seen[256] = {};
    for (unsigned char b : there) {
        EXPECT_FALSE(seen[b]) << "byte " << int(b) << " given twice";
        seen[b] = true;
    }
    cbltrtab(there, all, 256, ttab_ea.data());
    cbltrtab(back, there, 256, ttab_ae.data());
    EXPECT_EQ(0, std::memcmp(all, back, 256));
}

TEST(cbltrtab, TranslatesAreas) {
    struct Row {
        const char*      name;
        const TTAB*      table;
        std::string_view in, want;
    };
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
