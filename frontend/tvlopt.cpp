// Options: the small routines that statement analysis needs from the
// OPTION statement's parser, and the stand-in for that parser.
//
// Exports: valnnn (the next token as a number), onoff (ON/OFF/YES/NO),
// opt_rtn (OPTION and REPORT statements), prt_geom (listing geometry of a
// PRINT statement).  Called by statement analysis.  Calls the tokenizer
// (tokdata, tokt, tokdel, tokbad) and seterr.
//
// Keywords not taken are left for the unused-token check (error 45).
#include "frontend/frontend.h"
#include "driver/driver.h"
#include "files/files.h"
#include "report/report.h"

#include <cstring>

// The next value as a number, read as a length expression of value names
// (so 0x50 and 60+20 are numbers too).  Anything but a constant (a name,
// an @-name, a quoted text, nothing) records error 7 on the value's first
// token and gives -999.
long valnnn(CMV* c) {
    TK* t = tokdata();
    if (!t) {
        if (!c->errnum) seterr(7);
        return -999;
    }
    bool quoted = (t->flags & (TK_APOS | TK_QUOT)) && !(t->flags & TK_HEX);
    char ch = t->len > 0 ? t->text[0] : 0;
    // A value that cannot begin a constant is refused before the parse, so
    // that a word is not made into an @-name on the way.
    bool lead = (t->flags & TK_HEX) || (ch >= '0' && ch <= '9') || ch == '+' || ch == '-';
    long v = -999;
    if (!quoted && lead) {
        std::int16_t before = c->errnum;
        TK* blamed = c->tkerr;
        FLD* f = nullptr;
        tkc = t;
        int rc = tvlvn(c, &f, VN_LEN);
        bool ok = rc == 0 && f && f->lkind == PK_REC && !f->next && !f->lat && !(f->lflags & FL_DCL);
        if (ok) v = static_cast<long>(f->len);
        fldkill(c, &f);
        if (ok) return v;
        if (c->errnum != before) {  // the parse's own number gives way to 7
            c->errnum = before;
            c->tkerr = blamed;
        }
    }
    tkc = t;
    tokbad(7);
    return -999;
}

// The next token as ON or YES (1), OFF or NO (0); -1 when none follows.
int onoff() {
    char* k = tokt("OFF,ON,YES,NO");
    if (!k) return -1;
    return (k[0] == 'O' && k[1] == 'N') || k[0] == 'Y' ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Run options: work length, trapping, credentials, the external file
// handler, key-not-found code, separator, continuation buffer, log
// heading, substitution, EOF, SQL log, call type, library, error limit
// ---------------------------------------------------------------------------

namespace {

// Record error e on token t (or on the current token when t is null).
void badon(TK* t, int e) {
    if (t) tkc = t;
    tokbad(e);
}

// The value token after a keyword that tokf just consumed, or null.
TK* nextval() { return tkc ? tokdata() : nullptr; }

// Consume t, the value of a keyword.
void take(TK* t) {
    tkc = t;
    tokdel();
}

// W: the work length (only when none is set; below 22, error 66).
void optwork(CMV*, bool) { workval(0); }

// ASA0, NOASA0, Y2, Y4: accepted, no effect.
void optaccept(CMV*, bool) {
    while (tokf("ASA0,NOASA0,Y2,Y4")) {
    }
}

// ABTRAP or TRAP [ON|OFF|YES|NO]: trapping on (also with no value) or
// off; NOTRAP, NOTR: off.  The handler is installed or removed at once.
void opttrap(CMV* c, bool) {
    int on = -1;
    if (tokf("ABTRAP,TRAP")) on = onoff() == 0 ? 0 : 1;
    if (tokf("NOTRAP,NOTR")) on = 0;
    if (on < 0) return;
    c->optp->trap = static_cast<std::uint8_t>(on);
    ab_set(on);
}

// The data-base credentials, each a value of at most 15 characters kept
// NUL-ended in its slot of the run's subsystem-name block: SSN (the
// subsystem), USER, and the password (ODBCPASS or OPASS).
void optcred(CMV* c, bool) {
    struct CRED {
        const char* words;
        int         slot;
    };
    static constexpr CRED kCred[] = {
        {"ODBCPASS", SSN_PASS}, {"OPASS", SSN_PASS}, {"USER", SSN_USER}, {"SSN", SSN_NAME}};
    for (const CRED& k : kCred) {
        if (!tokf(k.words)) continue;
        TK* v = nextval();
        if (!v || v->len == 0) {
            badon(v ? v : c->tkcur, 5);
            continue;
        }
        if (v->len >= SSN_SLOT) {
            badon(v, 149);
            continue;
        }
        take(v);
        if (!c->ssnp) continue;
        char* s = c->ssnp + k.slot;
        std::memset(s, 0, SSN_SLOT);
        std::memcpy(s, v->text, static_cast<std::size_t>(v->len));
    }
}

// MFC: files go through the external file handler.
void optmfc(CMV*, bool) {
    if (tokf("MFC")) cmsw3 |= SW3_MFC;
}

// The value after a number keyword: through valnnn (its error 7 stands),
// then within lo to hi, else error e on the value.  A written -999 is a
// number like any other, so it is the error valnnn records, not its
// result, that tells a value that is no number.
bool optnum(CMV* c, long lo, long hi, int e, long* n) {
    TK* v = nextval();
    std::int16_t before = c->errnum;
    *n = valnnn(c);
    if (c->errnum != before) return false;
    if (*n < lo || *n > hi) {
        badon(v, e);
        return false;
    }
    return true;
}

// RC_KEYNF n: the return code of a key not found, 0 to 255 (error 7).
void optkeynf(CMV* c, bool) {
    long n;
    if (tokf("RC_KEYNF") && optnum(c, 0, 255, 7, &n)) c->optp->rckeynf = static_cast<std::int32_t>(n);
}

// Characters the tokenizer gives a meaning of its own; none of them can
// separate statements.
constexpr const char kNoSep[] = "'\"*()[]{}=,%+-/ ";

// SEP c: the statement separator, read from the next line on; NO or OFF:
// none.  A value that is not one character, or one of kNoSep, is 117.
void optsep(CMV* c, bool) {
    if (!tokf("SEP")) return;
    if (tokt("NO,OFF")) {
        c->optp->sep = 0;
        return;
    }
    TK* v = nextval();
    if (!v || v->len != 1 || (v->flags & TK_HEX) || std::strchr(kNoSep, v->text[0])) {
        badon(v ? v : c->tkcur, 117);
        return;
    }
    take(v);
    c->optp->sep = v->text[0];
}

// CONTMAX n: the continuation buffer, raised to n (4,096 to 1,048,576,
// else error 6), never lowered.  Once the buffer exists its size is fixed:
// error 154.
void optcont(CMV* c, bool) {
    if (!tokf("CONTMAX")) return;
    if (c->contbuf) {
        badon(c->tkcur, 154);
        return;
    }
    long n;
    if (optnum(c, 4096, 1048576, 6, &n) && n > c->optp->contmax) c->optp->contmax = static_cast<std::int32_t>(n);
}

// NOBANNER, NOBAN: no heading line on the log; BANNER, BAN: the line
// again.  The last one written counts.
void optbanner(CMV* c, bool) {
    while (char* k = tokfk("NOBANNER,NOBAN,BANNER,BAN")) c->optp->banner = k[0] == 'N' ? 0 : 1;
}

// NOENVVAR, NOENV: no substitution of %n and %name% (nor splitting at
// "%"); ENVVAR: substitution with missing values left as written; ENVFAIL
// SAME | NUL | NULL | CANCEL | 'text': what a missing value gives (error
// 161 for anything else).  The text is kept with tag "env".
void optenv(CMV* c, bool) {
    OPTB* o = c->optp;
    if (tokf("NOENVVAR,NOENV")) o->envvar = 0;
    if (tokf("ENVVAR")) {
        o->envvar = 1;
        o->envfail = ENVF_SAME;
    }
    if (!tokf("ENVFAIL")) return;
    if (char* k = tokt("SAME,NUL,NULL,CANCEL")) {
        o->envfail = k[0] == 'S' ? ENVF_SAME : k[0] == 'N' ? ENVF_NUL : ENVF_CANCEL;
        return;
    }
    TK* v = nextval();
    if (!v || !(v->flags & (TK_APOS | TK_QUOT)) || (v->flags & TK_HEX)) {
        badon(v ? v : c->tkcur, 161);
        return;
    }
    take(v);
    cblgcorf(c->gccb, &o->envtext, "env");
    o->envtext = static_cast<char*>(cblgcore(c->gccb, v->len + 1, 0, "env"));
    std::memcpy(o->envtext, v->text, static_cast<std::size_t>(v->len));
    o->envlen = v->len;
    o->envfail = ENVF_TEXT;
}

// EOF xx: a value of two characters (error 67), no further effect.
void opteof(CMV* c, bool) {
    if (!tokf("EOF")) return;
    TK* v = nextval();
    if (!v || v->len != 2) {
        badon(v ? v : c->tkcur, 67);
        return;
    }
    take(v);
}

// SQLLOG, LOGSQL, CBLSQLOG ['name']: the SQL log file of the data-base
// link, the quoted name or "torvSQL.log" (tag "sql").
void optsqllog(CMV* c, bool) {
    if (!tokf("SQLLOG,LOGSQL,CBLSQLOG")) return;
    static constexpr char kDefault[] = "torvSQL.log";
    const char* name = kDefault;
    int len = sizeof kDefault - 1;
    TK* v = nextval();
    if (v && (v->flags & (TK_APOS | TK_QUOT)) && !(v->flags & TK_HEX) && v->len > 0) {
        take(v);
        name = v->text;
        len = v->len;
    }
    OPTB* o = c->optp;
    cblgcorf(c->gccb, &o->sqllog, "sql");
    o->sqllog = static_cast<char*>(cblgcore(c->gccb, len + 1, 0, "sql"));
    std::memcpy(o->sqllog, name, static_cast<std::size_t>(len));
}

// CALLTYPE DIRECT | VIA_TVLCALL: how user routines are called (error 190
// without one of the words).
void optcalltype(CMV* c, bool) {
    if (!tokf("CALLTYPE")) return;
    char* k = tokt("DIRECT,VIA_TVLCALL");
    if (!k) {
        badon(nextval() ? nextval() : c->tkcur, 190);
        return;
    }
    if (k[0] == 'V') cmsw3 |= SW3_VIATVLCALL;
    else cmsw3 &= ~SW3_VIATVLCALL;
}

// Whether a CALL has loaded the routine library already.
bool libloaded(CMV* c) {
    for (FFREC* f = c->ffhead; f; f = f->next)
        if (f->libh) return true;
    return false;
}

// LIBNAME 'name': the user-routine library, quoted, 1 to 79 characters
// (error 188); once it is loaded it cannot change (error 189).  The name
// is kept with tag "libn".
void optlibname(CMV* c, bool) {
    if (!tokf("LIBNAME")) return;
    TK* v = nextval();
    if (!v || !(v->flags & (TK_APOS | TK_QUOT)) || (v->flags & TK_HEX) || v->len < 1 || v->len > 79) {
        badon(v ? v : c->tkcur, 188);
        return;
    }
    if (libloaded(c)) {
        badon(v, 189);
        return;
    }
    take(v);
    OPTB* o = c->optp;
    cblgcorf(c->gccb, &o->libname, "libn");
    o->libname = static_cast<char*>(cblgcore(c->gccb, v->len + 1, 0, "libn"));
    std::memcpy(o->libname, v->text, static_cast<std::size_t>(v->len));
    c->calllib = o->libname;
}

// ERRLIM, ERRMAX n: the messages after which statement reading stops, 1
// to 32,767 (a 16-bit count; error 7 outside).
void opterrlim(CMV* c, bool) {
    long n;
    if (!tokf("ERRLIM,ERRMAX") || !optnum(c, 1, 32767, 7, &n)) return;
    c->optp->errlim = static_cast<std::int32_t>(n);
    c->errmax = static_cast<std::int16_t>(n);
}

}  // namespace

// ---------------------------------------------------------------------------
// Listing options: PRTCTL, summary level, report mode, geometry, printable
// bytes, heading, data-set prefix
// ---------------------------------------------------------------------------

namespace {

// PRTCTL: the statements are listed again (after NOPCTL).
void optprtctl(CMV* c, bool) {
    if (tokf("PRTCTL")) c->lstsw &= ~LST_NOSTMT;
}

// The listing switch of each summary level, 0 to 3.
constexpr std::uint32_t kSumBit[4] = {LST_SUM0, LST_SUM1, LST_SUM2, LST_SUM3};

// PRTSUM, SUMPRT [0|1|2|3]: the summary level, 1 when no digit follows;
// the digit is consumed.  One level switch is on at a time.
void optprtsum(CMV* c, bool) {
    if (!tokf("PRTSUM,SUMPRT")) return;
    int level = 1;
    if (char* k = tokt("0,1,2,3")) level = k[0] - '0';
    c->lstsw = (c->lstsw & ~(LST_SUM0 | LST_SUMBITS)) | kSumBit[level];
    c->optp->lstsw = (c->optp->lstsw & ~(LST_SUM0 | LST_SUMBITS)) | kSumBit[level];
    c->optp->prtsum = level;
}

// REPORT, R (or the REPORT statement itself): report mode.  Print
// statements read after it print plain lines (type 12), and the listing
// starts a new page once the statements are read.
void optreport(CMV* c, bool, int how) {
    if (!tokf("REPORT,R") && how != 'R') return;
    c->lstsw |= LST_REPORT;
    c->optp->lstsw |= LST_REPORT;
    c->optp->report = 1;
}

// PRINTABLE, UNPRINTABLE X'..' (repeatable): the literal's bytes print as
// themselves, or as "." and hexadecimal, in dumps and record prints from
// now on.  Anything but a hexadecimal literal is 217.
void optprintable(CMV* c, bool) {
    while (char* k = tokfk("PRINTABLE,UNPRINTABLE")) {
        const int type = k[0] == 'P' ? PT_PRTABLE : PT_UNPRTBL;
        TK* v = nextval();
        if (!v || !(v->flags & TK_HEX)) {
            badon(v ? v : c->tkcur, 217);
            continue;
        }
        take(v);
        tvlprt(v->text, v->len, type, 0);
    }
}

constexpr int kHeadMax = 56;  // longest heading text: the page's last 27 columns hold date and page

// HEAD, HD, H 'text' | NO: the page heading replaces the product heading,
// underlined by as many "-"; NO leaves it blank.  A text of more than 56
// characters (or none) is 6.  It shows from the next page on.
void opthead(CMV* c, bool) {
    if (!tokf("HEAD,HD,H")) return;
    OPTB* o = c->optp;
    int len = 0;
    const char* text = "";
    TK* v = nextval();
    bool quoted = v && (v->flags & (TK_APOS | TK_QUOT)) && !(v->flags & TK_HEX);
    if (!quoted && tokt("NO")) {
        len = 0;
    } else if (!v || v->len > kHeadMax) {
        badon(v ? v : c->tkcur, 6);
        return;
    } else {
        take(v);
        text = v->text;
        len = v->len;
    }
    o->headsw = 1;
    o->headlen = static_cast<std::uint8_t>(len);
    std::memset(o->head, 0, sizeof o->head);
    std::memcpy(o->head, text, static_cast<std::size_t>(len));
    std::memset(c->heading, 0, sizeof c->heading);
    std::memcpy(c->heading, "\n\r", 2);
    std::memcpy(c->heading + 2, text, static_cast<std::size_t>(len));
    std::memset(c->underline, ' ', sizeof c->underline - 1);
    std::memset(c->underline, '-', static_cast<std::size_t>(len));
    c->underline[sizeof c->underline - 1] = 0;
    prtlay(c);
}

// DSNPFX, USERID, UID [YES|NO] and their NO forms: data-set names take
// the user-id prefix, or not.
void optpfx(CMV* c, bool) {
    int bit = chk_pfx(c);
    if (bit > 0) c->linesw |= CM_LINE_DSNPFX;
    else if (bit == 0) c->linesw &= ~CM_LINE_DSNPFX;
}

// One range-checked geometry value after its keyword (error 6 outside
// lo..hi); -1 when there is none to take.
long geomval(CMV* c, long lo, long hi) {
    TK* v = nextval();
    long n = valnnn(c);
    if (n == -999) return -1;
    if (n < lo || n > hi) {
        badon(v, 6);
        return -1;
    }
    return n;
}

// DUMPENC c | cc: the marker character of ordinary dump lines, or both
// (the second for "=same=" lines); anything else is 167.  Returns the
// pair, first high, the second taken from `keep` when one is given.
int dumpenc(CMV* c, std::uint16_t keep) {
    TK* v = nextval();
    if (!v || v->len < 1 || v->len > 2) {
        badon(v ? v : c->tkcur, 167);
        return -1;
    }
    take(v);
    auto b = [&](int i) { return static_cast<unsigned char>(v->text[i]); };
    return v->len == 2 ? (b(0) << 8 | b(1)) : (b(0) << 8 | (keep & 0xFF));
}

}  // namespace

// Listing geometry: PW, DW (repeatable), PD, the record-length column and
// the dump keywords.  With a PRINT statement's node, DUMPENC and DUMPALL
// are that statement's own (node dumpall 0 the run's, 1 off, 2 on;
// dumpenc 0 the run's); the rest is the run's.  A listing already begun
// takes the new values from its next line (prtlay).
void prt_geom(CMV* c, CN* node) {
    OPTB* o = c->optp;
    bool changed = false;
    while (char* k = tokfk("PW,PAGEWIDTH,DW,DATAWIDTH")) {
        const bool pw = k[0] == 'P';
        long n = pw ? geomval(c, 66, 156) : geomval(c, 10, 4096);
        if (n < 0) continue;
        if (pw) {
            o->pagewidth = static_cast<std::int32_t>(n);
            c->pagewidth = static_cast<std::int16_t>(n);
        } else {
            o->datawidth = static_cast<std::int32_t>(n);
        }
        changed = true;
    }
    if (tokf("PD,PAGEDEPTH")) {
        long n = geomval(c, 10, 32767);
        if (n > 0) {
            o->pagedepth = static_cast<std::int32_t>(n);
            c->pagedepth = static_cast<std::int16_t>(n);
            changed = true;
        }
    }
    if (tokf("NORECLEN")) {
        o->reclen = 0;
        changed = true;
    }
    if (tokf("PRRECLEN,RECLEN")) {
        o->reclen = onoff() == 0 ? 0 : 1;
        changed = true;
    }
    const std::uint16_t run = static_cast<std::uint16_t>(static_cast<unsigned char>(o->dumpenc[0]) << 8 |
                                                         static_cast<unsigned char>(o->dumpenc[1]));
    while (char* k = tokfk("DUMPENC,DUMPALL")) {
        if (k[4] == 'A') {
            const bool on = onoff() != 0;
            if (node) node->dumpall = on ? 2 : 1;
            else o->dumpall = on ? 1 : 0;
        } else {
            int pair = dumpenc(c, node && node->dumpenc ? node->dumpenc : run);
            if (pair < 0) continue;
            if (node) {
                node->dumpenc = static_cast<std::uint16_t>(pair);
                continue;
            }
            o->dumpenc[0] = static_cast<char>(pair >> 8);
            o->dumpenc[1] = static_cast<char>(pair & 0xFF);
        }
        if (!node) changed = true;
    }
    if (changed) prtlay(c);
}

// ---------------------------------------------------------------------------
// File defaults: fill, directory lists, descriptor words, tabs, default
// directory, default float format
// ---------------------------------------------------------------------------

namespace {

// FILL or PAD c: the run's fill character, for the work area and as the
// default of the files defined later; read from the site options file it
// also turns filling on for every data file.  NOFILL: filling off.
void optfill(CMV* c, bool site) {
    char ch = c->optp->fill;
    std::int16_t before = c->errnum;
    if (chkfill(&ch) && c->errnum == before) {
        c->optp->fill = ch;
        if (site) cmsw3 |= SW3_FILL;
    }
    if (tokf("NOFILL")) cmsw3 &= ~SW3_FILL;
}

// Entry-type letters of a directory and their bits.  ORDER letter
struct DIRTYP {
    char          letter;
    std::uint32_t bit;
};
constexpr DIRTYP kDirTyp[] = {{'.', 0x400000}, {'A', 0x200000}, {'D', 0x100000},  {'H', 0x20000}, {'N', 0x1000000},
                              {'R', 0x10000},  {'S', 0x40000},  {'V', 0x80000},   {'Y', 0x800000}};

// The entry-type bits of a word of letters ("ALL": every type; blanks and
// commas are skipped); 0 after error 200.
std::uint32_t dirtypes(TK* v) {
    if (inlist("ALL", v->text, v->len, nullptr)) {
        std::uint32_t all = 0;
        for (const DIRTYP& d : kDirTyp) all |= d.bit;
        return all;
    }
    std::uint32_t bits = 0;
    for (int i = 0; i < v->len; ++i) {
        char ch = static_cast<char>(ttab_uc[static_cast<unsigned char>(v->text[i])]);
        if (ch == ' ' || ch == ',') continue;
        std::uint32_t b = 0;
        for (const DIRTYP& d : kDirTyp)
            if (d.letter == ch) b = d.bit;
        if (!b) {
            badon(v, 200);
            return 0;
        }
        bits |= b;
    }
    return bits;
}

// The run's defaults for directory files (the file's own keywords win):
// TYPEDIR, DIRTYPE letters | ALL; RAW; SUB, SUBDIR, SUBDIRS [depth]
// (256 when none follows); NOSUB; SORT, SORTDIR, DIRSORT NO | 0 | one of
// the sort letters (error 166); NOSORT.  Repeatable, anywhere.
void optdir(CMV* c, bool) {
    OPTB* o = c->optp;
    while (char* k = tokfk("TYPEDIR,DIRTYPE,RAW,SORT,SORTDIR,DIRSORT,NOSORT,SUB,SUBDIR,SUBDIRS,NOSUB")) {
        char k0 = k[0], k3 = k[3];
        if (k0 == 'T' || (k0 == 'D' && k3 == 'T')) {  // TYPEDIR, DIRTYPE
            TK* v = nextval();
            if (!v || v->len == 0) {
                badon(v ? v : c->tkcur, 200);
                return;
            }
            take(v);
            if (std::uint32_t bits = dirtypes(v)) o->dirtype = bits;
        } else if (k0 == 'R') {
            o->dirraw = 1;
        } else if (k0 == 'N') {  // NOSORT, NOSUB
            if (k[2] == 'S' && k[3] == 'O') o->dirsort = 0;
            else o->dirsub = 0;
        } else if (k0 == 'S' && k[1] == 'U') {  // SUB, SUBDIR, SUBDIRS
            TK* v = nextval();
            long n = 256;
            if (v && !(v->flags & (TK_APOS | TK_QUOT)) && v->len > 0 && v->text[0] >= '0' && v->text[0] <= '9') {
                n = valnnn(c);
                if (n == -999) return;
                if (n > 256) n = 256;
            }
            o->dirsub = static_cast<std::int32_t>(n);
        } else {  // SORT, SORTDIR, DIRSORT
            if (tokt("NO,0")) {
                o->dirsort = 0;
                continue;
            }
            TK* v = nextval();
            char ch = v && v->len == 1 ? static_cast<char>(ttab_uc[static_cast<unsigned char>(v->text[0])]) : 0;
            if (!ch || !std::strchr("SPENDZHXMT", ch)) {
                badon(v ? v : c->tkcur, 166);
                return;
            }
            take(v);
            o->dirsort = ch;
        }
    }
}

// NORDW, RDW: whether the files defined later keep their record
// descriptor words; the last one written counts.
void optrdw(CMV* c, bool) {
    while (char* k = tokfk("NORDW,RDW")) c->optp->rdw = k[0] == 'R' ? 1 : 0;
}

// TABSIN, TABSOUT n (repeatable): the tab width of the input files, and
// of the output files, defined later; 0 to 255 (error 7 outside).  The
// output width is kept for the files but nothing is expanded on output.
void opttabs(CMV* c, bool) {
    while (char* k = tokfk("TABSIN,TABSOUT")) {
        long n;
        if (!optnum(c, 0, 255, 7, &n)) return;
        if (k[4] == 'I') c->optp->tabsin = static_cast<std::int32_t>(n);
        else c->optp->tabsout = static_cast<std::int32_t>(n);
    }
}

// Whether a data file has been defined (the run's own files, the
// statement sources, the message file and the listing, do not count).
bool datafiles(CMV* c) {
    for (FFREC* f = c->ffhead; f; f = f->next)
        if (!(f->fdflags & FDF_RUNFILE)) return true;
    return false;
}

// DEFDIR, DFLTDIR, DEFAULTDIR path: the directory that every relative
// data-file name goes under (tag "dfd"); once a data file is defined,
// error 169.  A path that is missing is error 5.
void optdefdir(CMV* c, bool) {
    if (!tokf("DEFDIR,DFLTDIR,DEFAULTDIR")) return;
    TK* v = nextval();
    if (!v || v->len <= 0 || (v->flags & TK_HEX)) {
        badon(v ? v : c->tkcur, 5);
        return;
    }
    if (datafiles(c)) {
        badon(v, 169);
        return;
    }
    take(v);
    const char* s = v->text;
    int n = v->len;
    // An unquoted path keeps the case it was written in, and a word split
    // at "+" or "-" its whole source (its later pieces are taken too).
    if (!(v->flags & (TK_APOS | TK_QUOT | TK_EQV1 | TK_EQV2 | TK_EQCOPY)) && v->src && v->srclen >= v->len) {
        s = v->src;
        n = v->srclen;
        if (v->flags & TK_SPLIT)
            for (TK* p = v->next; p && !(p->flags & TK_END) && (p->flags & TK_PIECE) && !(p->flags & TK_SPLIT) &&
                                  p->src >= v->src && p->src < v->src + v->srclen;
                 p = p->next)
                if (!(p->flags & TK_USED)) take(p);
    }
    if (n >= 200) {
        badon(v, 30);
        return;
    }
    OPTB* o = c->optp;
    if (o->defdir) cblgcorf(c->gccb, &o->defdir, "dfd");
    o->defdir = static_cast<char*>(cblgcore(c->gccb, n + 2, 0, "dfd"));
    std::memcpy(o->defdir, s, static_cast<std::size_t>(n));
    if (o->defdir[n - 1] != '/') o->defdir[n] = '/';
}

// DEFFP, DFLTFP, DEFAULTFP BIN | BFP | HEX | HFP | NAT | NATIVE: the float
// style of float operands and variables written later without one: HEX
// and HFP the hexadecimal style, the others the binary one (error 191
// without a word).
void optdeffp(CMV* c, bool) {
    if (!tokf("DEFFP,DFLTFP,DEFAULTFP")) return;
    char* k = tokt("BIN,BFP,HEX,HFP,NAT,NATIVE");
    if (!k) {
        badon(nextval() ? nextval() : c->tkcur, 191);
        return;
    }
    c->optp->deffp = k[0] == 'H' ? FD_STYL_HFP : FD_STYL_BFP;
}

}  // namespace

// ---------------------------------------------------------------------------
// The statement
// ---------------------------------------------------------------------------

// Release the texts the options keep: the ENVFAIL text, the SQL log
// name, the default directory and the routine library's name.
void optfree(CMV* c) {
    OPTB* o = c->optp;
    if (!o) return;
    if (o->envtext) cblgcorf(c->gccb, &o->envtext, "env");
    if (o->sqllog) cblgcorf(c->gccb, &o->sqllog, "sql");
    if (o->defdir) cblgcorf(c->gccb, &o->defdir, "dfd");
    if (c->calllib == o->libname) c->calllib = nullptr;
    if (o->libname) cblgcorf(c->gccb, &o->libname, "libn");
}

// OPTION (how 'O') and REPORT (how 'R') statements: every keyword is
// looked for anywhere in the statement, in this order.  Read from the site
// options file ("site"), HEAD and the data-set prefix are not taken.
void opt_rtn(CMV* c, int how) {
    bool site = (c->drvsw & CM_DRV_SITE) != 0;
    optwork(c, site);        // W
    optfill(c, site);        // FILL, PAD, NOFILL
    optaccept(c, site);      // ASA0, NOASA0, Y2, Y4
    opttrap(c, site);        // ABTRAP, TRAP, NOTRAP
    optcred(c, site);        // data-base credentials
    optmfc(c, site);         // MFC
    optdir(c, site);         // directory-list defaults
    optkeynf(c, site);       // RC_KEYNF
    optrdw(c, site);         // NORDW, RDW
    optsep(c, site);         // SEP
    opttabs(c, site);        // TABSIN, TABSOUT
    optcont(c, site);        // CONTMAX
    optbanner(c, site);      // BANNER, NOBANNER
    optprtctl(c, site);      // PRTCTL
    optprtsum(c, site);      // PRTSUM
    optenv(c, site);         // NOENVVAR, ENVVAR, ENVFAIL
    optreport(c, site, how); // REPORT
    prt_geom(c, nullptr);    // PW, DW, PD, NORECLEN, DUMPENC, DUMPALL
    opteof(c, site);         // EOF
    optdefdir(c, site);      // DEFDIR
    optdeffp(c, site);       // DEFFP
    optsqllog(c, site);      // SQLLOG
    optcalltype(c, site);    // CALLTYPE
    optlibname(c, site);     // LIBNAME
    opterrlim(c, site);      // ERRLIM
    optprintable(c, site);   // PRINTABLE, UNPRINTABLE
    kencrtn(c, 'G');         // KEYENC, KEYENCERR
    if (!site) {
        opthead(c, site);    // HEAD
        optpfx(c, site);     // DSNPFX, USERID
    }
}
