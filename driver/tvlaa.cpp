// Run preparation: runs once after the statements were analysed without
// errors.  Releases the tokens (and, unless kept for the summary, the saved
// statement lines), closes the statement chain with an end node, links
// the chain into true, false and alternate successors and branch targets,
// checks that the run can do anything, lays out the work area, settles
// every file's geometry and opens the files.
//
// Exports: tvlaa (prepare the run), geomset (geometry defaults of one
// file), err523 (a file-state test or FLAG has a usable file), aalink
// (the successor links, also for tests), aakill (release at the end).
// Called by: the run driver (tvlaa at preparation, aakill at the end).
// Calls: tokfree, ctlkill, atupdv, cblfio (open), cblgcore, tvlprt, cnkill,
// fldkill
// (record-print header lines), seterr.
//
// Links of IF A THEN B ELSE C (nodes 1 to 4, 4 the end node), worked by
// walking backwards with F = T = S = end:
//   node 3 ELSE C   true 4, false 4; F = 3, T = S = 4, ELSE pushed
//   node 2 THEN B   true 4, false 3; T = A = 2
//   node 1 IF A     true 2, false 3; its next is a THEN and the stack
//                   holds 3: false successor 3 (popped); S = F = T = 1
// so a true A runs B and skips C, a false A runs C.
//
// Work area (tag "wrec"), W bytes of the fill character, then the guard:
//   W = 528:  bytes 0-527 fill, 528-542 "<<WORKLEN end<<", 543 NUL;
//             block 528 + 16 rounded up to 16 = 544, plus 16 = 560 bytes.
#include "driver/driver.h"
#include "engine/engine.h"
#include "files/files.h"
#include "frontend/frontend.h"
#include "report/report.h"
#include "runtime/runtime.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void aalink(CMV* c);

// The saved statement lines belong to statement input, which releases
// them with ctlkill; a build without statement input has none.
[[gnu::weak]] void ctlkill(CMV* c);

namespace {

constexpr std::int64_t kWorkMin = 528;     // the work record is at least this long
constexpr std::int64_t kWorkDef = 80;      // default record length
constexpr std::int64_t kWorkLong = 32768;  // for a primary input of long records
constexpr char kWorkGuard[16] = "<<WORKLEN end<<";

// One entry of the ELSE stack (tag "uml").
struct UML {
    UML* next;  // entry below
    CN*  node;  // the ELSE or ELSE IF
};
static_assert(sizeof(UML) == 16);

// ---------------------------------------------------------------------------
// The chain
// ---------------------------------------------------------------------------

// Append the end node (kind 9, no links, selection number 0); a last
// node that no statement used becomes it.
CN* endnode(CMV* c) {
    CN* last = c->cnhead;
    while (last && last->next) last = last->next;
    if (last && last->typ1 == 0) {
        last->typ1 = CN_END;
        last->selid = 0;
        return last;
    }
    CN* e = static_cast<CN*>(cblgcore(c->gccb, sizeof(CN), 0, "CN"));
    e->typ1 = CN_END;
    e->prev = last;
    if (last) last->next = e;
    else c->cnhead = e;
    c->cncur = e;
    return e;
}

// ELSE stack operations.
void push(CMV* c, UML** top, CN* n) {
    UML* u = static_cast<UML*>(cblgcore(c->gccb, sizeof(UML), 0, "uml"));
    u->next = *top;
    u->node = n;
    *top = u;
}

CN* pop(CMV* c, UML** top) {
    UML* u = *top;
    if (!u) return nullptr;
    CN* n = u->node;
    *top = u->next;
    cblgcorf(c->gccb, &u, "umlw");
    return n;
}

// ---------------------------------------------------------------------------
// START
// ---------------------------------------------------------------------------

// Alternate successors for a pending START, and the first-pass node put
// in front of the chain.
int startlinks(CMV* c) {
    CN* fp = c->firstpass;
    if (!fp || (fp->fld1 && (fp->fld1->pkind != PK_REC || (fp->fld1->pflags & FP_MORE)))) return seterr(50);
    CN* target = c->cnend;
    for (CN* x = c->cnend->prev; x;) {
        x->asucc = target;
        if (x->typ2 != OP_START || x->typ1 > CN_ELSE) {
            x = x->prev;
            continue;
        }
        bool own = false;  // past the first ELSE, ELSE IF or OR of the group
        CN* y = x;
        for (; y; y = y->prev) {
            if (y->typ1 == CN_ELSE || y->typ1 == CN_ELSEIF || y->typ1 == CN_OR) own = true;
            y->asucc = own ? y->fsucc : target;
            if (y->typ1 == CN_IF || y->typ1 == CN_NOW) break;
        }
        if (!y) break;
        target = y;
        x = y->prev;
    }
    CN* copy = static_cast<CN*>(cblgcore(c->gccb, sizeof(CN), 0, "CN"));
    std::memcpy(static_cast<void*>(copy), fp, sizeof(CN));
    copy->tsucc = copy->fsucc = copy->asucc = target;
    copy->selid = 0;
    copy->nflags |= CNF_COPY;  // its operands belong to the recorded node
    copy->prev = nullptr;
    copy->next = c->cnhead;
    c->cnhead->prev = copy;
    c->cnhead = copy;
    c->cnstart = copy;
    return 0;
}

// ---------------------------------------------------------------------------
// Checks
// ---------------------------------------------------------------------------

// Whether an action has an effect outside the record: files, data bases,
// system commands, printing, logging, tracing.  READ alone does not count.
bool productive(const CN* n) { return isaction(n) && opflag(n->typ2, OPF_PROD); }

// Error 524, 523, 522 over the chain; GOTO, GOSUB, GOTO GET targets.
void checks(CMV* c) {
    int prod = 0;
    for (CN* n = c->cnhead; n && n != c->cnend; n = n->next) {
        if (productive(n)) prod++;
        bool cond = iscond(n);
        if ((cond && ((n->typ2 >= CC_DIR && n->typ2 <= CC_EOF) || (n->fld1 && n->fld1->pkind == PK_IN))) ||
            (!cond && n->typ2 == OP_FLAG))
            err523(c, n);
        if (cond) continue;
        if (n->typ2 == OP_GOGET) {
            n->btarget = c->cnend;
        } else if (n->typ2 == OP_GOTO || n->typ2 == OP_GOSUB) {
            n->btarget = n->label ? n->label->node : nullptr;
            if (!n->btarget && !c->errnum) {
                c->prt.selid = n->selid;
                seterr(522);
            }
        }
    }
    if (prod == 0) seterr(524);
}

// ---------------------------------------------------------------------------
// Work area and files
// ---------------------------------------------------------------------------

// The work record: the work length of fill characters and the guard.
void workarea(CMV* c) {
    std::int64_t w = c->optp->worklen;
    if (w <= 0) w = (c->stmtsw & CM_STMT_LONGW) && c->primary ? kWorkLong : kWorkDef;
    if (w < kWorkDef) w = kWorkDef;
    if (w < c->workmin) w = c->workmin;
    if (w < kWorkMin) w = kWorkMin;
    std::int64_t blk = ((w + 16 + 15) / 16) * 16 + 16;
    c->worka = static_cast<unsigned char*>(cblgcore(c->gccb, blk, 0, "wrec"));
    std::memset(c->worka, static_cast<unsigned char>(c->optp->fill), static_cast<std::size_t>(w));
    std::memcpy(c->worka + w, kWorkGuard, sizeof kWorkGuard);
    c->worklen = w;
    c->workblk = blk;
    c->currec = c->worka;
    c->curlen = w;
}

// Open one file; a failure is error 571, the buffer released.  The file
// stays the current data file, so that the message names it and shows
// the file layer's text ("F=<name> - <text>").
int openone(CMV* c, FFREC* f) {
    FFCB* fc = c->datfcb;
    fc->ffrec = f;
    cblfio(fc, F_OPEN, nullptr, 0);
    if (!(f->sflags & FS_OPENFAIL)) return 0;
    if (f->buf) cblgcorf(c->gccb, &f->buf, "ffbfof");
    return seterr(571);
}

// Whether the run opens the file itself in preparation.
bool openshere(const FFREC* f) {
    if (f->dflags & DF_DUMMY) return false;
    if (f->sflags & FS_OPEN) return false;  // the listing and log, open since the start
    if (f->fdflags & (FDF_OPENED | FDF_NOOPEN | FDF_DEFER | FDF_CATMEM)) return false;
    return f->ftype != FT_CLIP;
}

// Steps 11 and 12: the primary input, then every other file.
int files(CMV* c) {
    if (!c->datfcb) c->datfcb = cblf_fcb(c);
    FFREC* p = c->primary;
    if (p) {
        c->datfcb->ffrec = p;
        geomset(c, p);
        if (c->errnum) return c->errnum;
        if (p->dsn && openshere(p) && openone(c, p)) return c->errnum;
        if (p->recfm == RF_FIXED && c->at_lrecl) atupdv(c->at_lrecl, p->lrecl);
    }
    for (FFREC* f = c->ffhead; f; f = f->next) {
        if (f->dflags & DF_DUMMY) continue;
        // A file only inserted into or deleted from is opened for update.
        if ((f->mode & (FM_INS | FM_DEL)) && !(f->mode & (FM_IN | FM_OUT | FM_UPD))) f->mode |= FM_UPD;
        if (f != p) geomset(c, f);
        if (!(f->fdflags & FDF_NOOPEN)) c->filetot++;
    }
    if (c->errnum) return c->errnum;
    for (FFREC* f = c->ffhead; f; f = f->next)
        if (f != p && f->mode && openshere(f) && openone(c, f)) return c->errnum;
    return 0;
}

}  // namespace

// The successor links of the chain, walking backwards from the
// end node; the first node becomes the start of the selection.
void aalink(CMV* c) {
    CN* end = c->cnend;
    CN *F = end, *T = end, *S = end, *A = end;
    UML* stack = nullptr;
    for (CN* x = end->prev; x; x = x->prev) {
        x->tsucc = T;
        x->fsucc = F;
        if (x->typ1 >= CN_IF && x->next && (x->next->typ1 == CN_THEN || x->next->typ1 == CN_THENIF) && stack)
            x->fsucc = pop(c, &stack);
        switch (x->typ1) {
        case CN_NOW:
        case CN_IF:
            if (stack) {
                c->prt.selid = x->selid;
                seterr(521);
                while (stack) pop(c, &stack);
            }
            S = F = T = x;
            break;
        case CN_AND: T = x; break;
        case CN_OR:
            F = x;
            T = A;
            break;
        case CN_ELSE:
        case CN_ELSEIF:
            F = x;
            T = S;
            push(c, &stack, x);
            break;
        case CN_THENIF:
            F = stack ? stack->node : S;
            T = A = x;
            break;
        case CN_THEN: T = A = x; break;
        default:
            std::fputs("Inval cntyp1.\n", c->logfp ? c->logfp : stderr);
            std::fflush(nullptr);
            std::_Exit(4);
        }
    }
    while (stack) pop(c, &stack);
    c->cnstart = c->cnhead;
}

// Prepare the run; returns the current error number (0: ready).
int tvlaa(CMV* c) {
    c->trace[0] = 'A';
    tokfree(c);
    if (!(c->lstsw & 0xC00) && ctlkill) ctlkill(c);
    c->cnend = endnode(c);
    aalink(c);
    if (startsw) startlinks(c);
    checks(c);
    if (c->errnum) return c->errnum;
    if (c->at_retcd) atupdv(c->at_retcd, 48);
    workarea(c);
    if (dclprep(c)) return c->errnum;
    shortmarks(c);
    if (files(c)) return c->errnum;
    if (c->lstsw & LST_RECPRT) tvlprt(nullptr, 0, PT_PREC, 0);
    return c->errnum;
}

// The file of a file-state test, counter test or FLAG statement: a node
// without one takes the primary input (marked CNF_PRIMARY).  Error 523
// when there is still none, when the file has no open mode, or, for FLAG
// and the DIR and DATA tests, when it is not a directory.  An EOF test
// marks its file.
int err523(CMV* c, CN* n) {
    if (!n->file && n->typ2 == OP_FLAG && n->typ1 <= CN_ELSE) return 0;
    if (!n->file && c->primary) {
        n->file = c->primary;
        n->nflags |= CNF_PRIMARY;
    }
    FFREC* f = n->file;
    bool cond = n->typ1 >= CN_IF;
    bool needdir = (!cond && n->typ2 == OP_FLAG) || (cond && (n->typ2 == CC_DIR || n->typ2 == CC_DATA));
    if (!f || f->mode == 0 || (needdir && f->ftype != FT_DIR)) {
        c->prt.selid = n->selid;
        return seterr(523);
    }
    if (cond && n->typ2 == CC_EOF) f->fdflags |= FDF_EOFTEST;
    return 0;
}

// Geometry defaults of one file.  A file without record format is a line
// file when it has no record length (or takes its geometry from the
// input; an output then copies the primary input's format), else fixed.
// The block size comes from its marker, the primary input or the
// options' default.  A line input given neither length nor block size is
// left to the file layer, which sizes its buffer for long lines.
void geomset(CMV* c, FFREC* f) {
    FFREC* p = c->primary && c->primary != f ? c->primary : nullptr;
    bool out = (f->mode & (FM_OUT | FM_INS)) && !(f->mode & FM_IN);
    std::int64_t defblk = c->optp && c->optp->blksize > 0 ? c->optp->blksize : 2048;
    if (f->recfm == 0) {
        if (f->lrecl == 0 || (f->fdflags & FDF_GEOMIN)) {
            f->recfm = RF_LINE;
            if (out && p) {
                f->recfm = p->recfm;
                f->dwlen = p->dwlen;
                f->dflags |= p->dflags & (DF_RDW | DF_NORDW | DF_BDW | DF_NOBDW | DF_BLOCKED | DF_SPANNED);
            }
        } else {
            f->recfm = RF_FIXED;
            f->dwlen = 0;
        }
    }
    if (out && f->recfm == RF_LINE && (f->dflags & DF_LRECL) && c->optp->worklen == 0) seterr(578);
    std::int64_t mark = f->bufsize >= BLK_UNB ? (f->bufsize >> 24) & 0xFF : 0;
    if (mark == 189) f->bufsize = f->lrecl;
    else if (mark == 191) f->bufsize = 8368;
    else if (mark) f->bufsize = p && p->bufsize > 0 ? p->bufsize : 4000;
    bool lineless = f->recfm == RF_LINE && !(f->mode & FM_OUT) && f->lrecl == 0 && f->bufsize == 0;
    if (f->bufsize == 0 && !lineless) f->bufsize = p && p->bufsize > 0 ? p->bufsize : defblk;
    if (f->lrecl == 0 && p && p->lrecl > 0) f->lrecl = p->lrecl + (f->dwlen - p->dwlen);
    if (f->recfm == RF_LINE && !lineless && f->bufsize < defblk) {
        f->bufsize = defblk;
        if (!(f->dflags & DF_LRECL)) f->lrecl = 0;
    }
    if (mark == 191 && f->recfm == RF_FIXED && (f->dflags & DF_BLOCKED) && f->lrecl > 0 && f->lrecl < 8368)
        f->bufsize = (8368 / f->lrecl) * f->lrecl;
    if (f->lrecl > 0 && f->recfm != RF_LINE && f->bufsize > 0 && f->bufsize < f->lrecl + f->dwlen)
        f->bufsize = f->lrecl + f->dwlen;
    if (!(f->dflags & (DF_RDW | DF_NORDW))) f->dflags |= DF_NORDW;  // RDW came with the definition
}

// Release what preparation and the condition and file parsers made for
// the run, after the summary: the operands the nodes own, the work area,
// the field-list work area of WRITE, the data files' control block, then
// the statement chain.
void aakill(CMV* c) {
    for (CN* n = c->cnhead; n; n = n->next) {
        if (n->nflags & CNF_COPY) continue;
        if (!(n->nflags & CNF_SHARED1)) fldkill(c, &n->fld1);
        fldkill(c, &n->fld2);
        fldkill(c, &n->fmlen);
        fldkill(c, &n->fld3);
        fldkill(c, &n->fld4);
        fldkill(c, &n->fldopt);
    }
    if (c->worka) cblgcorf(c->gccb, &c->worka, "wrec");
    if (c->dyna) cblgcorf(c->gccb, &c->dyna, "wdyn");
    if (c->flwa) cblgcorf(c->gccb, &c->flwa, "flwa");
    c->flwalen = 0;
    c->currec = nullptr;
    c->worklen = c->curlen = 0;
    if (c->datfcb) cblgcorf(c->gccb, &c->datfcb, "ffc");
    cnkill(c);
}
