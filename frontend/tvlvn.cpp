// Value names and positions: the @-name records AT of the run.
//
// Exports: atmake (find or make an @-name), atupdv (give it a value),
// atkillc (release every @-name at the end of the run).  The run driver
// calls atmake for the automatic variables LRECL and RETCD and reads RETCD
// for the return code; the parsers of positions call atmake for the names
// of statements.  Calls the memory manager.
//
// Built so far: the special names and names beginning with "@", kept in
// the run's list with their value.  The words of the exit interface block
// that mirror the special names, and the bounded check of LRECL, come with
// the record's run-time positions.
#include "frontend/frontend.h"
#include "driver/driver.h"

#include <cstring>

namespace {

// The special names: groups of synonyms, each ended by ",,"; the last name
// of a group is the canonical one.
constexpr const char kSpecial[] =
    ",DIFF,,L,RECSIZE,LRECL,,RETCODE,RC,RETCD,,RETCMS,CMSRETCD,RETXV,RETSYS,,REASCD,,RETVSAM,,REPLYL,,";

// Properties of a canonical special name: kind bits, interface word offset.
struct SPEC {
    const char*  name;
    std::uint8_t kind;
    std::int64_t link;
};
constexpr SPEC kSpecProps[] = {
    {"DIFF", 0, 56},          {"LRECL", AT_KIND_BOUNDED, 32}, {"RETCD", AT_KIND_WORD4, 92},
    {"RETSYS", AT_KIND_WORD4, 80}, {"REASCD", AT_KIND_WORD4, 84}, {"RETVSAM", AT_KIND_WORD4, 88},
    {"REPLYL", AT_KIND_WORD4, 76},
};

// The canonical name of a special name (upper-cased name of len bytes),
// copied into out; false when it is none.
bool canonical(const char* name, int len, char* out) {
    const char* g = kSpecial + 1;  // first entry of the first group
    while (*g) {
        const char* end = std::strstr(g, ",,");
        if (!end) return false;
        const char* canon = end;
        while (canon > g && canon[-1] != ',') --canon;
        bool hit = false;
        for (const char* e = g; e <= canon; ) {
            const char* comma = std::strchr(e, ',');
            if (comma - e == len && std::memcmp(e, name, len) == 0) hit = true;
            e = comma + 1;
        }
        if (hit) {
            std::memcpy(out, canon, end - canon);
            out[end - canon] = 0;
            return true;
        }
        g = end + 2;
    }
    return false;
}

bool sameci(const char* a, const char* b, int len) {
    for (int i = 0; i < len; ++i)
        if (ttab_uc[static_cast<unsigned char>(a[i])] != ttab_uc[static_cast<unsigned char>(b[i])]) return false;
    return true;
}

// The special name's properties and run-context slot.
void special(CMV* c, AT* at) {
    for (const SPEC& s : kSpecProps)
        if (std::strcmp(s.name, at->name) == 0) {
            at->kind |= AT_KIND_SPECIAL | s.kind;
            at->state |= AT_STATE_SET;
            at->link = s.link;
        }
    if (std::strcmp(at->name, "LRECL") == 0) c->at_lrecl = at;
    if (std::strcmp(at->name, "RETCD") == 0) c->at_retcd = at;
}

}  // namespace

// Find or make the @-name name (len bytes; 0: NUL-terminated).  A name not
// beginning with "@" must be a special name and is taken by its canonical
// name.  Returns null when the name is no @-name.
AT* atmake(const char* name, int len) {
    CMV* c = cm;
    if (len == 0) len = static_cast<int>(std::strlen(name));
    if (len < 1 || len > 125) return nullptr;
    char canon[126];
    if (name[0] != '@') {
        char up[126];
        for (int i = 0; i < len; ++i) up[i] = static_cast<char>(ttab_uc[static_cast<unsigned char>(name[i])]);
        if (!canonical(up, len, canon)) return nullptr;
    } else {
        std::memcpy(canon, name, len);
        canon[len] = 0;
    }
    int n = static_cast<int>(std::strlen(canon));
    AT** tail = &c->athead;
    int seq = 0;
    for (AT* a = c->athead; a; a = a->next, ++seq) {
        if (a->namelen == n && sameci(a->name, canon, n)) return a;
        tail = &a->next;
    }
    AT* at = static_cast<AT*>(cblgcore(c->gccb, sizeof(AT), 0, canon));
    at->seq = seq;
    at->state = AT_STATE_NOVAL;
    at->kind = AT_KIND_BASE;
    at->namelen = n;
    std::memcpy(at->name, canon, n + 1);
    if (canon[0] != '@') special(c, at);
    *tail = at;
    return at;
}

// Give the @-name a value.  Returns 0.
int atupdv(AT* at, long long value) {
    at->state = AT_STATE_NOVAL | AT_STATE_SET;
    at->value = value;
    return 0;
}

// Release every @-name.  Returns the number released plus 1.
int atkillc(CMV* c) {
    int n = 1;
    for (AT* a = c->athead; a;) {
        AT* next = a->next;
        cblgcorf(c->gccb, &a, "atc");
        a = next;
        ++n;
    }
    c->athead = c->at_lrecl = c->at_retcd = nullptr;
    return n;
}
