// The property table of the operation codes: what its compile-time check
// (row n holds code n) cannot see.
#include "frontend/frontend.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

// No word selects two codes; every code that words select has a class
// that executes it, but row 0, which holds the words that are known and
// not supported; and each code has the name the summary shows, from the
// list of operation names, whose first name (READ) is code 23 and each
// next name the next code ("-", "o" and "xx" are unassigned codes), with
// four "#" for the codes below 23.
TEST(optab, WordsClassesAndNames) {
    constexpr std::string_view kNames =
        "READ,WR,UPD,INS,DEL,FLSH,EXIT,CALL,DB2,ODBC,OPEN,CLOS,FINI,UTIM,-,o,o,@z=,@k=,-,gen,moda,add,sub,"
        "mult,div,move,mod,adj,cmprs,xpnd,tran,cvxx,cvdate,chop,change,do,ret,bof,goto,gg,flag,marc,load,"
        "sort,space,line,sleep,dump,pdump,susp,start,eoj,call,xx,xx,xx,xx,xx,-,cancel,xv,cp,sys,stack,jecl,"
        "pr,plog,log,ckpt,dummy,dummr,quit";
    std::vector<std::string> names(23, "####");
    for (std::size_t p = 0, q; p <= kNames.size(); p = q + 1) {
        q = kNames.find(',', p);
        if (q == std::string_view::npos) q = kNames.size();
        names.emplace_back(kNames.substr(p, q - p));
    }
    ASSERT_EQ(names.size(), kOptab.size());
    std::map<std::string, int> seen;  // word: the code it selects
    for (const OPROW& r : kOptab) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(names[static_cast<std::size_t>(r.code)], r.name);
        OPWORD w{};
        for (const char* p = opwnext(r.words, &w); p; p = opwnext(p, &w)) {
            auto [at, fresh] = seen.emplace(std::string(w.word, static_cast<std::size_t>(w.len)), r.code);
            EXPECT_TRUE(fresh) << at->first << " selects " << at->second << " too";
            if (r.code != 0) {
                EXPECT_NE(OC_NONE, r.cls) << w.word;
            }
        }
    }
}
