// File actions: READ, WRITE, UPDATE, INSERT, DELETE, FLUSH, OPEN, CLOSE
// and UTIME of the current statement node, each turned into one cblfio
// request on the statement's file.  A record read becomes the current
// record; its result code tells the selection loop to go on (0), to end
// the run in error (1, a message was printed) or that the file ended (-1).
//
// Exports: tvlsf (the action), sferr (record and print a selection-time
// message), datechar (date text into its template), date2dos (template to
// local time).
// Called by: the selection loop (do_then) for the codes of class OC_FILE.
// Calls: cblfio, tvlsc (record, INTO and time operands), setcir, setret,
// atupdv (the default-length variable), seterr and tvlerr, fname_of (the
// path UTIME touches), utime, mktime, catflds and cblgcore (field lists).
//
// READ INTO a field: the field is resolved in the work area, which becomes
// the current record; the record read is copied there and the current
// record runs to the end of the copy.  Example: READ A INTO P 1 then READ B
// INTO P 81 with records "AAAA" and "BB" leave the work record
// "AAAA" + 76 fill bytes + "BB", current length 82.
//
// WRITE of a field list (WRITE f 'X' POS 1 LEN 3): the record is built by
// catflds in the 528-byte common area; a longer list gets the run's
// field-list work area of the size it asks for, once, and a list longer
// than that area later is message 618.
//
// Date template of UTIME, digits filled in order, separators skipped:
//   "2024-02-29 13:05" -> "2024/02/29 13:05:00", year 2024.
#include "engine/engine.h"
#include "driver/driver.h"
#include "files/files.h"
#include "frontend/frontend.h"
#include "report/report.h"
#include "runtime/runtime.h"

#include <utime.h>

#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>

namespace {

constexpr char kTemplate[] = "0000/00/00 00:00:00";
constexpr int kTmplLen = 19;

// Characters of a date text: 1 digit, 2 separator.  ORDER byte
constexpr std::array<unsigned char, 256> kDateCls = [] {
    std::array<unsigned char, 256> t{};
    for (int i = '0'; i <= '9'; ++i) t[i] = 1;
    for (char s : std::string_view("/:-,. ")) t[static_cast<unsigned char>(s)] = 2;
    return t;
}();

bool failed(const FFCB* fc, const FFREC* f) {
    return (fc->errm && fc->errm[0]) || (f->errm && f->errm[0]);
}

// The record operand of a write-type statement: its FROM field, or null
// for the current record.
FLD* recop(const CN* n) { return n->operands ? n->operands : nullptr; }

// READ: the record becomes current, or is copied into the INTO field.
int sfread(CMV* c, CN* n, FFREC* f, FFCB* fc) {
    c->trace[3] = 'r';
    c->lastread = f;
    unsigned char* area = nullptr;
    std::int64_t alen = 0;
    if (c->recarea) {
        setcir(c->recarea);
        c->curlen = c->recalen;
        area = c->recarea;
        alen = c->recalen;
    }
    if (n->fld1) {
        if (!c->recarea && c->currec != c->worka) {
            setcir(c->worka);
            c->curlen = c->worklen;
        }
        area = tvlsc(n->fld1);
        if (!area) return sferr(542);
        alen = n->fld1->litlen;
    }
    char* p = cblfio(fc, F_READ, reinterpret_cast<char*>(area), alen);
    if (!p) {
        if (!failed(fc, f)) return ACT_EOF;
        if (sigcaught()) return ACT_GO;  // the loop stops at its signal check
        return sferr(537);
    }
    std::int64_t len = f->reclen;
    auto got = reinterpret_cast<unsigned char*>(p);
    if (area && got == area) {
        if (alen > len)  // the rest of the field is cleared to the file's fill byte
            std::memset(area + len, static_cast<unsigned char>(f->fill), static_cast<std::size_t>(alen - len));
        if (area == c->recarea) c->curlen = len <= c->recalen ? c->recalen : len;
        else c->curlen = (area - c->currec) + len;
    } else {
        setcir(got);
        c->curlen = len;
    }
    setdl(c, len);
    return ACT_GO;
}

constexpr int kComLen = 528;  // bytes of the common area a field list is first built in

// The record of a field list, in the run's field-list work area, or in
// com (kComLen bytes) while the run has none.  A list that does not fit
// the common area gets a work area of the size it asks for, kept for the
// rest of the run, and is built again there; one that does not fit that
// area either is -1 (message 618).  0 when a field does not resolve,
// else the record's length, its address in *rec.
std::int64_t listrec(CMV* c, FLD* list, unsigned char* com, unsigned char** rec) {
    const bool had = c->flwa != nullptr;
    unsigned char* area = had ? c->flwa : com;
    int got = catflds(c, list, reinterpret_cast<char*>(area), had ? static_cast<int>(c->flwalen) : kComLen);
    if (got < 0 && !had) {
        c->flwalen = c->flwask;
        c->flwa = static_cast<unsigned char*>(cblgcore(c->gccb, c->flwalen, 0, "flwa"));
        area = c->flwa;
        got = catflds(c, list, reinterpret_cast<char*>(area), static_cast<int>(c->flwalen));
    }
    *rec = area;
    return got;
}

// WRITE, UPDATE, INSERT, DELETE.  A warning of the file layer about the
// record (cut, or an insert or delete it cannot do) raises return code 5,
// 8 for INSERT and DELETE.  A record built from a field list is written
// as built, with no write offset.
int sfwrite(CMV* c, CN* n, FFREC* f, FFCB* fc) {
    c->trace[3] = 'w';
    int fn = n->typ2 == OP_WRITE ? F_WRITE : n->typ2 == OP_REPL ? F_UPDATE : n->typ2 == OP_INSERT ? F_INSERT : F_DELETE;
    unsigned char com[kComLen];
    unsigned char* a = c->currec;
    std::int64_t len = c->curlen;
    if (n->opflags & CN_OPF_MULTI) {
        if (fn != F_DELETE) {
            len = listrec(c, n->operands, com, &a);
            if (len < 0) return sferr(618);
            if (len == 0) return ACT_GO;
        }
    } else if (FLD* op = recop(n); op && fn != F_DELETE) {
        a = tvlsc(op);
        if (!a || op->litlen < 0) return ACT_GO;
        len = op->litlen;
        if (c->woff > 0 && !(op->pflags & FP_LIT400) && c->woff <= len) {
            a += c->woff;
            len -= c->woff;
        }
    }
    if (fn == F_WRITE && (n->nflags & CNF_NEWBLK)) {
        cblfio(fc, F_FLUSH, nullptr, 0);
        if (failed(fc, f)) return sferr(538);
    }
    if (!cblfio(fc, fn, reinterpret_cast<char*>(a), len)) return sferr(538);
    if (f->dflags & DF_LASTTRNC) {
        f->dflags &= ~DF_LASTTRNC;
        setret(fn == F_INSERT || fn == F_DELETE ? RC_ACTION : RC_WARN5);
    }
    return ACT_GO;
}

// FLUSH: the file's buffer written out.  A write-out that fails loses
// records, so it ends the run as a failed write does.
int sfflush(FFREC* f, FFCB* fc) {
    if (!(f->sflags & FS_OPEN)) return ACT_GO;
    cblfio(fc, F_FLUSH, nullptr, 0);
    return failed(fc, f) ? sferr(538) : ACT_GO;
}

// OPEN: closed first, then opened again.
int sfopen(FFREC* f, FFCB* fc) {
    if (!(f->fdflags & FDF_DEFER)) errlogic(26002);
    cblfio(fc, F_CLOSE, nullptr, 0);
    f->sflags &= ~(FS_OPEN | FS_CLOSED | FS_WASOPEN | FS_EOD | FS_OPENFAIL);
    if (!cblfio(fc, F_OPEN, nullptr, 0) || (f->sflags & FS_OPENFAIL)) return sferr(538);
    return ACT_GO;
}

// CLOSE: a record that lay in the file's buffer is replaced by the work
// record of fill bytes.  A failed write-out of the last buffer ends the
// run (the records in it are lost).
int sfclose(CMV* c, FFREC* f, FFCB* fc) {
    bool inbuf = f->buf && c->currec >= f->buf && c->currec < f->buf + f->iosize;
    if (!(f->sflags & FS_OPEN)) return ACT_GO;
    cblfio(fc, F_CLOSE, nullptr, 0);
    bool bad = failed(fc, f);
    if (inbuf && !c->recarea) workrec(c, f->fill);
    return bad ? sferr(538) : ACT_GO;
}

// UTIME: the file's access and modification times from the time operand.
int sftouch(CN* n, FFREC* f) {
    FLD* op = n->fld2 ? n->fld2 : n->fld1;
    unsigned char* a = op ? tvlsc(op) : nullptr;
    if (!a) return ACT_GO;
    char tmpl[kTmplLen + 1];
    if (datechar(tmpl, reinterpret_cast<const char*>(a), op->litlen) == 0) {
        setret(RC_ACTION);
        return ACT_GO;
    }
    long long t = 0;
    date2dos(&t, tmpl);
    char name[4096];  // the path the file is opened by
    int len = fname_of(f, FNM_PATH, name, sizeof name);
    struct utimbuf ub;
    ub.actime = ub.modtime = static_cast<time_t>(t);
    bool named = len >= 0 && static_cast<std::size_t>(len) < sizeof name;
    if (t < 0 || !named || utime(name, &ub) != 0) setret(RC_ACTION);
    return ACT_GO;
}

}  // namespace

int sferr(int number) {
    seterr(number);
    if (cm) tvlerr(cm);
    return ACT_ERROR;
}

int datechar(char* out, const char* text, std::int64_t len) {
    std::memcpy(out, kTemplate, sizeof kTemplate);
    int at = 0;
    for (std::int64_t i = 0; i < len; ++i) {
        unsigned char ch = static_cast<unsigned char>(text[i]);
        if (kDateCls[ch] == 2) continue;
        if (kDateCls[ch] != 1) return 0;
        while (at < kTmplLen && out[at] != '0') ++at;
        if (at >= kTmplLen) return 0;
        out[at++] = static_cast<char>(ch);
    }
    int year = 0;
    std::from_chars(out, out + 4, year);
    return year >= 1900 && year <= 2099 ? year : 0;
}

long long date2dos(long long* result, const char* tmpl) {
    auto num = [&](int at, int n) {
        int v = 0;
        std::from_chars(tmpl + at, tmpl + at + n, v);
        return v;
    };
    struct tm tm;
    std::memset(&tm, 0, sizeof tm);
    tm.tm_year = num(0, 4) - 1900;
    tm.tm_mon = num(5, 2) - 1;
    tm.tm_mday = num(8, 2);
    tm.tm_hour = num(11, 2);
    tm.tm_min = num(14, 2);
    tm.tm_sec = num(17, 2);
    tm.tm_isdst = -1;
    *result = static_cast<long long>(mktime(&tm));
    return *result;
}

int tvlsf(CMV* c) {
    CN* n = c->cncur;
    FFREC* f = n->file;
    c->trace[2] = 'f';
    std::memset(c->trace + 3, '.', 12);
    if (!f) errlogic(26003);
    if (!c->datfcb) c->datfcb = cblf_fcb(c);
    FFCB* fc = c->datfcb;
    fc->ffrec = f;
    switch (n->typ2) {
    case OP_READ:   return sfread(c, n, f, fc);
    case OP_WRITE:
    case OP_REPL:
    case OP_INSERT:
    case OP_DELETE: return sfwrite(c, n, f, fc);
    case OP_FLUSH:  return sfflush(f, fc);
    case OP_OPEN:   return sfopen(f, fc);
    case OP_CLOSE:  return sfclose(c, f, fc);
    case OP_TOUCH:  return sftouch(n, f);
    default:        errlogic(26001);
    }
}

// A READ or WRITE marked CNF_SHORT at preparation (no INTO or FROM
// operand, no field list, no NEWBLK, no record area of the run): the
// record request goes straight to the record layer, leaving what tvlsf,
// sfread and sfwrite leave.
int sfshort(CMV* c, CN* n) {
    FFREC* f = n->file;
    FFCB* fc = c->datfcb;
    c->trace[2] = 'f';
    std::memset(c->trace + 3, '.', 12);
    fc->ffrec = f;
    if (n->typ2 == OP_READ) {
        c->trace[3] = 'r';
        c->lastread = f;
        char* p = cblfio(fc, F_READ, nullptr, 0);
        if (!p) {
            if (!failed(fc, f)) return ACT_EOF;
            if (sigcaught()) return ACT_GO;
            return sferr(537);
        }
        setcir(reinterpret_cast<unsigned char*>(p));
        c->curlen = f->reclen;
        setdl(c, f->reclen);
        return ACT_GO;
    }
    c->trace[3] = 'w';
    if (!cblfio(fc, F_WRITE, reinterpret_cast<char*>(c->currec), c->curlen)) return sferr(538);
    if (f->dflags & DF_LASTTRNC) {
        f->dflags &= ~DF_LASTTRNC;
        setret(RC_WARN5);
    }
    return ACT_GO;
}
