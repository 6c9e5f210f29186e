// Control, print and log actions: tvlsp executes the actions of the
// classes other than file actions (optab.h) that steer the walk (GOTO, GOTO
// GET, START, SUSP, EOJ, CANCEL) and that print (PRINT, PLOG, LOG, SPACE,
// LINE), and tells the selection loop how the walk goes on through its
// result code (ACT_* in engine.h).
//
// Exports: tvlsp (engine.h).
// Called by: the selection loop, for the current node (CMV.cncur) of an
// action whose code is of a class other than OC_FILE.
// Calls: tvlsc (operands), tvlprt (the listing and the log), seterr and
// tvlerr (message 513), errlogic (an operation code this module does not
// execute: 27009).
//
// Divisions: printing (destinations, operands, field lists, the print
// call); the walk (START and SUSP); the dispatcher.
//
// Print destinations, the listing control word of the statement:
//   PRINT  listing               (PD_LIST)
//   PLOG   listing and log       (PD_LIST | PD_LOG)
//   LOG    log only              (PD_LOG)
// Without an operand the whole current record is printed; an operand is
// resolved for every execution, and one that does not resolve prints
// nothing (the operand layer has counted the failure on the statement).
// An operand that reaches past the end of the record is clipped to the
// bytes that exist, unlike the operands of other actions, which fail.
//
// Field list (several operands, PRINT A B C): the fields are resolved in
// order and laid end to end in a 528-byte area on the stack; what does not
// fit is cut and return code 5 raised.  For 'AB' and POS 3 LEN 2 of the
// record "WXYZ" the area holds 41 42 59 5A ("ABYZ"), 4 bytes printed.
#include "engine/engine.h"
#include "driver/driver.h"
#include "files/files.h"
#include "frontend/frontend.h"
#include "report/report.h"

#include <climits>
#include <cstring>

namespace {

constexpr int kComLen = 528;  // bytes of the area a field list is built in
constexpr int kAsaMax = 133;  // longest line an ASA print takes by default

// ---------------------------------------------------------------------------
// Printing
// ---------------------------------------------------------------------------

// The destinations of a print operation.
std::uint16_t prtdest(int op) {
    switch (op) {
        case OP_PLOG: return PD_LIST | PD_LOG;
        case OP_LOG: return PD_LOG;
        default: return PD_LIST;  // OP_PRINT
    }
}

// Records read so far from the input the selection columns count: the
// file of the last record read, else the primary input.
long long inrecs(const CMV* c) {
    const FFREC* f = c->lastread ? c->lastread : c->primary;
    return f ? f->reccnt : 0;
}

// The last term of the field that begins at f: position and length terms
// of one field are chained while they say that more follow.
FLD* fldlast(FLD* f) {
    while (f->next && ((f->pflags & FP_MORE) || (f->lflags & FL_MORE))) f = f->next;
    return f;
}

// Lay the fields of the list from f end to end in area (kComLen bytes).
// Returns the bytes laid, or -1 when a field does not resolve.  A list
// longer than the area is cut to it with return code 5.
long catflds(FLD* f, unsigned char* area) {
    long used = 0;
    bool cut = false;
    for (; f; f = fldlast(f)->next) {
        const unsigned char* a = tvlsc(f);
        if (!a || f->litlen < 0) return -1;
        long n = f->litlen;
        if (n > kComLen - used) {
            n = kComLen - used;
            cut = true;
        }
        std::memcpy(area + used, a, static_cast<size_t>(n));
        used += n;
    }
    if (cut) setret(5);
    return used;
}

// PRINT, PLOG, LOG: print the operand (the whole current record when there
// is none) as the statement's print type.  ACT_ERROR when the listing
// recorded an error, else ACT_GO.
int prtrtn(CMV* c, CN* n) {
    unsigned char area[kComLen];
    const unsigned char* data;
    long long len;
    bool dflt = true;  // the length is not one the statement wrote
    FLD* f = n->operands;
    if (!f) {
        data = c->currec;
        len = c->currec ? c->curlen : 0;
    } else if (fldlast(f)->next) {
        len = catflds(f, area);
        data = area;
        dflt = false;
    } else {
        data = tvlsc(f);
        len = data ? f->litlen : -1;
        dflt = f->lkind == PK_END;
    }
    if (len < 0) return ACT_GO;  // nothing to print; the failure is counted
    const int type = n->sub;
    if (type == PT_ASA && dflt && len > kAsaMax) len = kAsaMax;
    if (len > INT_MAX) len = INT_MAX;
    PRTS* p = &c->prt;
    p->selid = n->selid;
    p->selcnt = n->cnt;
    p->inrecs = inrecs(c);
    if (type >= PT_DUMP && type <= PT_DUMPE) {
        p->stmtenc = n->dumpenc;
        p->stmtdall = n->dumpall ? 2 : 1;
    }
    p->dest = prtdest(n->typ2);
    const int before = c->errnum;
    tvlprt(reinterpret_cast<const char*>(data), static_cast<int>(len), type, n->selid);
    return c->errnum && !before ? ACT_ERROR : ACT_GO;
}

// ---------------------------------------------------------------------------
// The walk
// ---------------------------------------------------------------------------

// START: a pending START is over and the walk goes on from here.  Without
// one the statement did nothing and is not counted.  A run that is ending
// (start switch -1) stays ending.
int startrtn(CN* n) {
    if (startsw > 0) startsw = 0;
    else if (n->cnt > 0) n->cnt--;
    return ACT_GO;
}

// SUSP: the actions are skipped again until the START is reached; the walk
// resumes there through the alternate successor.  Without a START, or
// when the run is already ending, the run ends normally: reviving an
// ending run would walk it again after its input is gone.
int susprtn(const CMV* c) {
    if (startsw < 0 || !c->cnstnode) return ACT_END;
    startsw = 1;
    return ACT_ALT;
}

// CANCEL: message 513 under the statement; the run ends in error.
int cancel(CMV* c, const CN* n) {
    c->prt.selid = n->selid;
    seterr(513);
    tvlerr(c);
    return ACT_ERROR;
}

}  // namespace

// ---------------------------------------------------------------------------
// Dispatcher
// ---------------------------------------------------------------------------

int tvlsp(CMV* c) {
    CN* n = c->cncur;
    if (!n) errlogic(27009);
    switch (n->typ2) {
        case OP_GOTO:
        case OP_GOGET: return ACT_BRANCH;
        case OP_SPACE:
        case OP_LINE:
            tvlprt(nullptr, 0, n->sub, n->arg);
            return ACT_GO;
        case OP_SUSP: return susprtn(c);
        case OP_START: return startrtn(n);
        case OP_EOJ: return ACT_END;
        case OP_CANCEL: return cancel(c, n);
        case OP_PRINT:
        case OP_PLOG:
        case OP_LOG: return prtrtn(c, n);
        default: break;
    }
    c->prt.selid = n->selid;
    errlogic(27009);
}
