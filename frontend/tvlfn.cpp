// File names given by the program itself (the options file, statement
// sources, the message file, the listing): tvlfn splits the name into
// directory prefix, file name and extension, recognises the names of the
// standard streams, the in-stream data and the dummy file, and finds the
// run's file block of that name or makes a new one.  A data file's name
// (a statement's) finds only data files, and the name of one of the run's
// own files only the run's own files (FDF_RUNFILE).
//
// Exports: tvlfn for kinds FN_NAM, FN_MSG, FN_SRC and FN_LST.  Names taken
//          from statements (kinds 0 and 1) come with the file definitions
//          and record error 1 until then.
// Called by: the run driver, statement input, messages, the listing.
// Calls:     cblf_mak, dsn_set, cblgcore, seterr.
//
// Split of a name (the name part keeps its last 8 characters; what comes
// before them joins the directory prefix, so that prefix, name, a point and
// the extension give the name back):
//   "/data/in/sales.txt"  prefix "/data/in/", name "sales", ext "txt"
//   "/d/customers.txt"    prefix "/d/c", name "ustomers", ext "txt"
//   "INPUT"               no prefix, name "INPUT", a DD-style name
//   "notes.json"          extension of 4 characters: name "tes.json", prefix "no"
#include "frontend/frontend.h"
#include "driver/driver.h"
#include "files/files.h"
#include "report/report.h"
#include "runtime/runtime.h"

#include <cstdio>
#include <cstring>


// Record error e on the current token; returns e.
static int tokbadn(int e) {
    tokbad(e);
    return e;
}

namespace {

bool isletter(unsigned char ch) { return ttab_uc[ch] >= 'A' && ttab_uc[ch] <= 'Z'; }

// The special names: their flags and the standard stream they stand for.
struct Special {
    const char* name;
    std::uint32_t dflags;
    int stream;  // 0 stdin, 1 stdout, 2 stderr, -1 none
};
constexpr Special kSpecial[] = {
    {"CARD", DF_INSTREAM, -1}, {"SYSIN", DF_STDSTRM, 0},  {"DUMMY", DF_DUMMY, -1},
    {"STDIN", DF_STDSTRM, 0},  {"STDOUT", DF_STDSTRM, 1}, {"STDERR", DF_STDSTRM, 2},
};

const Special* special(const char* s, int n) {
    if (n > 6) return nullptr;
    char up[8] = {};
    for (int i = 0; i < n; i++) up[i] = static_cast<char>(ttab_uc[static_cast<unsigned char>(s[i])]);
    for (const Special& sp : kSpecial)
        if (std::strcmp(up, sp.name) == 0) return &sp;
    return nullptr;
}

// The parts of a name.
struct Parts {
    char prefix[260];   // directory prefix ("" for none)
    char fname[9];      // file name, at most 8 characters
    char fext[4];       // extension, at most 3 characters
    bool dd;            // DD-style bare name
};

void split(const char* s, int n, Parts& p) {
    std::memset(&p, 0, sizeof p);
    if (n < 0 || n >= static_cast<int>(sizeof p.prefix)) n = 0;  // callers give at most 255
    int cut = n;
    while (cut > 0 && s[cut - 1] != '/') cut--;
    if (cut == 0)
        for (int i = n; i > 0; i--)
            if (s[i - 1] == ':') { cut = i; break; }
    const char* nm = s + cut;
    int nl = n - cut;
    int dot = -1;
    for (int i = nl - 1; i > 0; i--)
        if (nm[i] == '.') { dot = i; break; }
    int el = dot > 0 ? nl - dot - 1 : 0;
    if (dot > 0 && el >= 1 && el <= 3) {
        std::memcpy(p.fext, nm + dot + 1, static_cast<std::size_t>(el));
        nl = dot;
    }
    int keep = nl > 8 ? nl - 8 : 0;  // characters before the last 8 join the prefix
    std::memcpy(p.prefix, s, static_cast<std::size_t>(cut + keep));
    std::memcpy(p.fname, nm + keep, static_cast<std::size_t>(nl - keep));
    p.dd = cut == 0 && !p.fext[0] && nl <= 8 && nl > 0 && isletter(static_cast<unsigned char>(nm[0]));
}

bool same(const FFREC* f, const Parts& p, std::uint32_t marks) {
    if ((f->dflags & (DF_STDSTRM | DF_DUMMY | DF_INSTREAM)) != marks) return false;
    if (std::strcmp(f->fname, p.fname) != 0) return false;
    if (p.dd) return true;  // a DD-style name stands for the file of that name
    return std::strcmp(f->fext, p.fext) == 0 && std::strcmp(f->prefix ? f->prefix : "", p.prefix) == 0;
}

// ---------------------------------------------------------------------------
// Names written in statements
// ---------------------------------------------------------------------------

// Whether t is an unquoted word.
bool plainword(const TK* t) { return t && !(t->flags & (TK_APOS | TK_QUOT | TK_HEX)); }

// The name of token t as written: a quoted name is its value, an unquoted
// one its source text in the case it was written (a word split at "+" or
// "-" keeps its whole source), a substituted one its value.  The tokens
// taken are consumed.  Returns the length, or -1 when too long (error 30).
int nametext(CMV* c, TK* t, char* out) {
    const char* s = t->text;
    int n = t->len;
    bool subst = (t->flags & (TK_EQV1 | TK_EQV2 | TK_EQCOPY)) != 0;
    if (plainword(t) && !subst && t->src && t->srclen >= t->len) {
        s = t->src;
        n = t->srclen;
    }
    tkc = t;
    tokdel();
    if (t->flags & TK_SPLIT)  // the later pieces of the word
        for (TK* p = t->next; p && !(p->flags & TK_END) && (p->flags & TK_PIECE) && !(p->flags & TK_SPLIT) &&
                              p->src >= t->src && p->src < t->src + t->srclen;
             p = p->next)
            if (!(p->flags & TK_USED)) {
                tkc = p;
                tokdel();
            }
    if (n >= 256) {
        tkc = t;
        tokbadn(30);
        return -1;
    }
    std::memcpy(out, s, static_cast<std::size_t>(n));
    (void)c;
    return n;
}

// The form keywords that introduce or follow a name.  DB2 and ODBC
// statements accept FR and FROM too.
constexpr const char* kForms = "DSN,LST,LIST,SQL,TAB,TABLE,WIN,CLIP,CLIPBD,CLIPBOARD";
constexpr const char* kFormsDb = "DSN,LST,LIST,SQL,TAB,TABLE,WIN,CLIP,CLIPBD,CLIPBOARD,FR,FROM";

// The first unused word of the statement after t that is a form keyword.
TK* formafter(TK* t, const char* list) {
    for (TK* p = t ? t->next : nullptr; p && !(p->flags & TK_END); p = p->next)
        if (!(p->flags & (TK_USED | TK_DELIM)) && plainword(p) && inlist(list, p->text, p->len, nullptr))
            return p;
    return nullptr;
}

// Pick the file name of the statement: the next data token, or the word
// before a form keyword.  The name syntax words CMS, BFS, HFS, UNX and the
// word DUMMY are taken from anywhere.  Only the data-set form (name DSN
// 'path', the path a quoted literal, given in dsn and *dsnlen) is built;
// the list, table, query, clipboard and window forms are error 1.  Returns
// the length of the name in out, 0 or less after an error.
int fnpick(CMV* c, char* out, char* dsn, int* dsnlen) {
    CN* node = c->cncur;
    int op = node ? node->typ2 : 0;
    bool db = op == OP_DB2 || op == OP_ODBC;
    const char* forms = db ? kFormsDb : kForms;
    if (char* k = tokf("CMS,BFS,HFS,UNX")) {
        if ((k[0] | 0x20) == 'c') return -tokbadn(1);
    }
    TK* t = tokdata();
    if (!t) {
        if (op == OP_TOUCH) return static_cast<int>(std::strlen(std::strcpy(out, "UTIME")));
        if (db) return -tokbadn(1);
        return -seterr(5);
    }
    if (plainword(t) && inlist(forms, t->text, t->len, nullptr)) {
        tkc = t;
        return -tokbadn(1);  // DEFAULTF with a name resolved when the statement runs
    }
    TK* form = formafter(t, forms);
    int n = nametext(c, t, out);
    if (n <= 0) return n;
    if (form) {
        tkc = form;
        if (!inlist("DSN", form->text, form->len, nullptr)) return -tokbadn(1);
        if (n > 8) {
            tkc = t;
            return -tokbadn(30);
        }
        tokdel();
        TK* v = tokdata();
        if (!v || !(v->flags & (TK_APOS | TK_QUOT)) || v->len <= 0 || v->len >= 256) {
            tkc = v ? v : form;
            return -tokbadn(v && (v->flags & (TK_APOS | TK_QUOT)) ? 30 : 138);
        }
        std::memcpy(dsn, v->text, static_cast<std::size_t>(v->len));
        *dsnlen = v->len;
        tkc = v;
        tokdel();
    }
    if (tokf("DUMMY")) c->stmtsw |= CM_STMT_DUMMY;
    return n;
}

// A file block that a statement made: mode and record format are left for
// the file definition and run preparation; DUMMY written in the statement
// has marked it as the dummy file; the identifier is upper case.  The
// run's options in force give its defaults: the fill character (filling
// on when the site options file asked for it) and the descriptor words.
void stmtfile(FFREC* f) {
    CMV* c = cm;
    for (char& ch : f->fileid) ch = static_cast<char>(ttab_uc[static_cast<unsigned char>(ch)]);
    if (f->dflags & DF_INSTREAM) c->stmtsw |= CM_STMT_CARD;
    if (const OPTB* o = c->optp) {
        f->fill = o->fill;
        if (o->rdw) f->dflags |= DF_RDW;
    }
    if (cmsw3 & SW3_FILL) f->dflags |= DF_FILL;
}

// Whether the data-file name s (n bytes) goes under the default
// directory: one is set, and the name is neither absolute nor given
// with a drive letter.
const char* defdirof(const CMV* c, const char* s, int n) {
    const char* d = c->optp ? c->optp->defdir : nullptr;
    if (!d || n < 1 || s[0] == '/' || (n >= 2 && s[1] == ':')) return nullptr;
    return d;
}

// The data-set name written after DSN: the path the file is opened by,
// under the default directory when it is relative (too long: error 30).
FFREC* setdsn(FFREC* f, const char* dsn, int len) {
    char joined[512];
    if (const char* d = defdirof(cm, dsn, len)) {
        int n = std::snprintf(joined, sizeof joined, "%s%.*s", d, len, dsn);
        if (n < 0 || n >= 256) {
            seterr(30);
            return f;
        }
        dsn = joined;
        len = n;
    }
    dsn_set(f, dsn, len);
    f->sflags |= FS_DSNPATH;
    return f;
}

// A relative data-file name's prefix goes under the default directory;
// false (error 30) when the two do not fit.
bool defjoin(const CMV* c, const char* s, int n, Parts& p) {
    const char* d = defdirof(c, s, n);
    if (!d) return true;
    char had[sizeof p.prefix];
    std::memcpy(had, p.prefix, sizeof had);
    int k = std::snprintf(p.prefix, sizeof p.prefix, "%s%s", d, had);
    if (k < 0 || static_cast<std::size_t>(k) >= sizeof p.prefix) {
        seterr(30);
        return false;
    }
    return true;
}

}  // namespace

FFREC* tvlfn(CMV* c, int how, const char* name, int len) {
    char picked[256], dsn[256];
    int dsnlen = 0;
    if (how == FN_STMT || how == FN_DEF) {
        len = fnpick(c, picked, dsn, &dsnlen);
        if (len <= 0) return nullptr;
        name = picked;
    }
    int n = len ? len : static_cast<int>(std::strlen(name));
    if (n >= 256) {
        seterr(30);
        return nullptr;
    }
    char s[256];
    for (int i = 0; i < n; i++) s[i] = name[i] == '\\' ? '/' : name[i];
    while (n > 0 && s[n - 1] == ' ') n--;
    s[n] = 0;
    if (n == 0) {
        seterr(30);
        return nullptr;
    }
    const Special* sp = special(s, n);
    Parts p;
    split(s, sp ? 0 : n, p);
    if (sp) std::memcpy(p.fname, s, static_cast<std::size_t>(n));
    bool data = how == FN_STMT || how == FN_DEF;
    if (data && !sp && !defjoin(c, s, n, p)) return nullptr;
    std::uint32_t marks = sp ? sp->dflags : 0;
    if (c->stmtsw & CM_STMT_DUMMY) {  // DUMMY written beside a statement's name
        marks |= DF_DUMMY;
        c->stmtsw &= ~CM_STMT_DUMMY;
    }
    // Data files and the run's own files are apart: a name finds only a
    // file of its own side, so a statement's WRITE SEL never reaches the
    // statement file SEL.CTL.
    bool own = !data;
    for (FFREC* f = c->ffhead; f; f = f->next)
        if (own == ((f->fdflags & FDF_RUNFILE) != 0) && same(f, p, marks))
            return dsnlen ? setdsn(f, dsn, dsnlen) : f;
    FFCB tmp{};
    tmp.cmv = c;
    FFREC* f = cblf_mak(&tmp);
    std::memcpy(f->fname, p.fname, sizeof f->fname);
    std::memcpy(f->fext, p.fext, sizeof p.fext);
    std::memcpy(f->fileid, p.fname, std::strlen(p.fname));
    if (p.prefix[0]) {
        std::size_t pl = std::strlen(p.prefix);
        f->prefix = static_cast<char*>(cblgcore(c->gccb, static_cast<long>(pl < 64 ? 64 : pl + 1), 0, "pth"));
        std::memcpy(f->prefix, p.prefix, pl + 1);
    }
    dsn_set(f, s, n);
    f->dflags |= marks | (p.dd ? DF_DDNAME : 0);
    if (sp && sp->stream >= 0) f->stream = sp->stream == 0 ? stdin : sp->stream == 1 ? stdout : stderr;
    if (how == FN_STMT || how == FN_DEF) {
        stmtfile(f);  // the statement's file definition settles mode and format
        if (dsnlen) setdsn(f, dsn, dsnlen);
    } else if (how == FN_LST) {
        f->mode = FM_OUT;
    } else {
        f->mode = FM_IN;
        f->sflags &= ~FS_TRUNC;
    }
    if (how == FN_MSG) f->dflags |= DF_PATHSRCH;
    if (own) {
        f->fdflags |= FDF_RUNFILE;
        f->recfm = RF_LINE;
    }
    return f;
}
