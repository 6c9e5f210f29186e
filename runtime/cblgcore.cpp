// Tagged memory manager: every block of the run comes from here and goes
// back here, under a short tag that the diagnostic trace shows.
//
// Exports: cblgcore (allocate), cblgcorf (release), cblgcorv (chain check),
// c2h (hexadecimal text of a few bytes, also used by dumps).
// Called by every subsystem; the run driver sets the switches from the
// -cor codes before the first allocation, the owner once the run context
// exists and the log stream whenever -log changes the run's log.  Calls
// the heap (the only place malloc/free appear), stdio for the trace, and
// exit for the two fatal ends.
//
// Normal runs (no switch): one heap call, the size rounded up to a multiple
// of 8 below 64,000 bytes, the block filled; release is one free.
//
// Diagnostic runs: M1 traces every allocation, M2 every release, NR keeps
// released blocks (unlinked, not freed), TR toggles NR at two release
// numbers, HT puts a head descriptor in front of the caller's area and an
// identical copy in the last 152 bytes of the block, links the blocks into
// a chain and checks the whole chain before and after every call.
//
// Block layout under HT, for a request of 16 bytes tagged "tk" (the heap
// request is 16 + 2 * 152 = 320 = X'140', already a multiple of 8):
//
//   offset 0    head descriptor (152 bytes, GCDESC below)
//   offset 152  the caller's 16 bytes (the address cblgcore returns)
//   offset 168  tail copy of the descriptor (152 bytes), ends at 320
//
// Descriptor of that block, the first in the chain, at address ...7a10:
//   +0   next      00 00 00 00 00 00 00 00       (none yet)
//   +8   prev      00 00 00 00 00 00 00 00       (first block)
//   +16  reserved  16 bytes of 00
//   +32  seq       01 00 00 00                   (first allocation)
//   +36  desclen   98 00 00 00                   (152)
//   +40  reqlen    10 00 00 00 00 00 00 00       (16)
//   +48  alloclen  40 01 00 00 00 00 00 00       (320)
//   +56  pfx       "48010000 00000000 " NUL ... (48 bytes: the heap says 328)
//   +104 adr       "0c017a10" NUL ...           (16 bytes)
//   +120 id        "tk" NUL ...                 (32 bytes)
//
// An overwrite just past the caller's area lands in the tail copy, so the
// next check reports "Head and Tail differ." with the last good block and
// ends the process with 8301.
#include "runtime/runtime.h"

#include <malloc.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The block descriptor.  Layout is fixed: dumps and the chain check read it.
struct GCDESC {
    GCDESC*       next;          // next block of the chain (its head), or null
    GCDESC*       prev;          // previous block of the chain, or null
    char          reserved[16];  // zero
    std::uint32_t seq;           // sequence number: gotcnt after this allocation
    std::uint32_t desclen;       // 152
    std::int64_t  reqlen;        // bytes the caller asked for
    std::int64_t  alloclen;      // bytes obtained from the heap, descriptors included
    char          pfx[48];       // hex text of the heap's size word for the block
    char          adr[16];       // hex text of the low 4 bytes of the block address
    char          id[32];        // the caller's tag, at most 31 characters and NUL
};
static_assert(std::is_trivially_copyable_v<GCDESC>);
static_assert(sizeof(GCDESC) == 152);
static_assert(offsetof(GCDESC, seq) == 32 && offsetof(GCDESC, reqlen) == 40);
static_assert(offsetof(GCDESC, pfx) == 56 && offsetof(GCDESC, adr) == 104 &&
              offsetof(GCDESC, id) == 120);

constexpr long GC_DESC  = sizeof(GCDESC);  // bytes of one descriptor
constexpr long GC_NOROUND = 64000;         // requests from here on are not rounded
constexpr long GC_MAXREQ = 1L << 47;       // larger than any address space: fails at once
constexpr int  GC_PFXLEN = 19;             // c2h text of 8 bytes: 18 characters and NUL

GCCB gc_spare;  // used when a caller passes no control block

const char* gc_tag(const char* id) { return (id && *id) ? id : "NoDesc"; }

FILE* gc_stream(const GCCB* cb) { return cb->logfp ? cb->logfp : stderr; }

[[noreturn]] void gc_die(const GCCB* cb, long len, const char* id) {
    std::fprintf(gc_stream(cb), "cblgcore err: lenreqd=%ld  \"%s\" \n", len, gc_tag(id));
    std::exit(1);
}

// Where the tail copy of a chained block lives.  It need not be aligned
// (requests of 64,000 bytes and more are not rounded), so it is only
// reached through memcpy.
unsigned char* gc_tailp(GCDESC* b) { return reinterpret_cast<unsigned char*>(b) + b->alloclen - GC_DESC; }
void gc_sync(GCDESC* b) { std::memcpy(gc_tailp(b), b, GC_DESC); }

// The pfx and adr texts of a heap block.  The heap's own bookkeeping in
// front of the block is not ours to read, so pfx shows the heap's size word
// for the block as the heap reports it (8 bytes, low byte first).
void gc_texts(void* blk, char* pfx, char* adr) {
    std::uint64_t size = blk ? malloc_usable_size(blk) : 0;
    unsigned char word[8];
    for (int i = 0; i < 8; i++) word[i] = static_cast<unsigned char>(size >> (8 * i));
    c2h(pfx, GC_PFXLEN, blk ? reinterpret_cast<const char*>(word) : nullptr, 8);
    std::snprintf(adr, 16, "%08x", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(blk)));
}

// The fault lines of the chain check, then the end of the process.
[[noreturn]] void gc_broken(const GCCB* cb, const char* where, const char* fault,
                            const GCDESC* good) {
    FILE* f = gc_stream(cb);
    std::fprintf(f, "** cblgcorv: %s:  %s \n", where ? where : "", fault);
    std::fprintf(f, "             Last good = Got:%03d  id=%.31s \n",
                 good ? static_cast<int>(good->seq) : 0, good ? good->id : "(none)");
    std::fflush(f);
    std::exit(8301);
}

// A head descriptor whose lengths cannot be right: the tail copy would be
// looked for outside the block.  Reported as a head that differs from its
// tail, which is what it is.
bool gc_headbad(GCDESC* b) {
    return b->desclen != GC_DESC || b->alloclen < 2 * GC_DESC ||
           static_cast<std::uint64_t>(b->alloclen) > malloc_usable_size(b);
}

// Build the descriptor of a new block in *d.
void gc_describe(GCDESC* d, void* blk, const GCCB* cb, long len, long alloc, const char* id) {
    std::memset(d, 0, sizeof *d);
    d->seq = cb->gotcnt;
    d->desclen = GC_DESC;
    d->reqlen = len;
    d->alloclen = alloc;
    gc_texts(blk, d->pfx, d->adr);
    std::strncpy(d->id, gc_tag(id), sizeof d->id - 1);
}

// Link a described block at the tail of the chain.
void gc_link(GCCB* cb, GCDESC* b) {
    GCDESC* last = static_cast<GCDESC*>(cb->tail);
    b->prev = last;
    b->next = nullptr;
    gc_sync(b);
    if (last) {
        last->next = b;
        gc_sync(last);
    } else {
        cb->head = b;
    }
    cb->tail = b;
}

// Take a block out of the chain, mending its neighbours' both copies.
void gc_unlink(GCCB* cb, GCDESC* b) {
    if (b->prev) {
        b->prev->next = b->next;
        gc_sync(b->prev);
    } else {
        cb->head = b->next;
    }
    if (b->next) {
        b->next->prev = b->prev;
        gc_sync(b->next);
    } else {
        cb->tail = b->prev;
    }
}

}  // namespace

long cblgcorv(GCCB* cb, void* block, const char* where) {
    if (!cb) return 1;
    // The block whose caller's area begins at block, compared by address
    // only: nothing of it is read unless the walk meets it.
    std::uintptr_t want = block ? reinterpret_cast<std::uintptr_t>(block) - GC_DESC : 0;
    GCDESC* good = nullptr;
    bool found = false;
    for (GCDESC* b = static_cast<GCDESC*>(cb->head); b; b = b->next) {
        if (b->prev != good) gc_broken(cb, where, "prv ptr conflict.", good);
        if (gc_headbad(b) || std::memcmp(b, gc_tailp(b), GC_DESC) != 0)
            gc_broken(cb, where, "Head and Tail differ.", good);
        if (reinterpret_cast<std::uintptr_t>(b) == want) found = true;
        good = b;
    }
    if (want && !found) gc_broken(cb, where, "Tail not found.", good);
    if (good != cb->tail) gc_broken(cb, where, "Last found differs from gcorelst.", good);
    return 1;
}

void* cblgcore(GCCB* cb, long len, int fill, const char* id) {
    if (!cb) cb = &gc_spare;
    if (len <= 0) gc_die(cb, len, id);
    if (cb->head) cblgcorv(cb, nullptr, "g1");
    long d = ((cb->flags & GC_HT) || cb->head) ? GC_DESC : 0;
    if (len > GC_MAXREQ) {  // no heap could give it; len + 2d must not overflow
        if (id) gc_die(cb, len, id);
        return nullptr;
    }
    long alloc = len + 2 * d;
    if (alloc < GC_NOROUND) alloc = (alloc + 7) & ~7L;
    void* blk = std::malloc(static_cast<std::size_t>(alloc));
    if (!blk) {
        if (id) gc_die(cb, len, id);
        return nullptr;
    }
    if (fill >= 0) std::memset(blk, fill, static_cast<std::size_t>(alloc));
    cb->gotcnt++;
    if (!(cb->flags & (GC_M1 | GC_HT)) && d == 0) return blk;

    GCDESC local;
    GCDESC* desc = d ? static_cast<GCDESC*>(blk) : &local;
    gc_describe(desc, blk, cb, len, alloc, id);
    if (d) gc_link(cb, desc);
    if (cb->flags & GC_M1) {
        FILE* f = gc_stream(cb);
        std::fprintf(f, "Got %04d: pfx=%s L=0x%04lx    adr=%s id=%s \n", static_cast<int>(desc->seq),
                     desc->pfx, alloc, desc->adr, gc_tag(id));
        std::fflush(f);
    }
    if (d) cblgcorv(cb, nullptr, "g2");
    return static_cast<char*>(blk) + d;
}

long cblgcorf(GCCB* cb, void** pptr, const char* id) {
    if (!cb) cb = &gc_spare;
    void* ptr = pptr ? *pptr : nullptr;
    long d = cb->head ? GC_DESC : 0;
    cb->relcnt++;
    if ((cb->flags & GC_TR) && (cb->relcnt == cb->trfrom || cb->relcnt == cb->trto))
        cb->flags ^= GC_NR;
    bool keep = (cb->flags & GC_NR) != 0;
    void* blk = ptr ? static_cast<char*>(ptr) - d : nullptr;
    if (ptr && d) cblgcorv(cb, ptr, "r1");  // before the descriptor is trusted
    if (cb->flags & GC_M2) {
        char pfx[GC_PFXLEN], adr[16];
        if (ptr && d) {
            std::memcpy(pfx, static_cast<GCDESC*>(blk)->pfx, sizeof pfx);
            std::memcpy(adr, static_cast<GCDESC*>(blk)->adr, sizeof adr);
        } else {
            gc_texts(blk, pfx, adr);
        }
        const char* state = !ptr ? "NULL ptr" : keep ? " (Kept) " : "";
        FILE* f = gc_stream(cb);
        std::fprintf(f, "Rel %04d: pfx=%s  %-10s adr=%s id=%s \n", static_cast<int>(cb->relcnt), pfx,
                     state, adr, gc_tag(id));
        std::fflush(f);
    }
    if (ptr && d) gc_unlink(cb, static_cast<GCDESC*>(blk));
    if (ptr && !keep) std::free(blk);
    if (pptr) *pptr = nullptr;
    if (cb->head) cblgcorv(cb, nullptr, "r2");
    return 1;
}

// Hexadecimal text of n bytes: two lower-case digits a byte, a blank after
// every 4 bytes and after the last, a line feed after every 16, then NUL.
// "abc" gives "616263 ".  The text needs 2n + (n+3)/4 + n/16 bytes and one
// for the NUL (a multiple of 16 bytes ends with both a line feed and NUL).
char* c2h(char* dst, int dstlen, const char* src, int n) {
    static char small[] = "c2h: Destn too small for source.";
    static constexpr char hex[] = "0123456789abcdef";
    if (!dst || dstlen < 1) return small;
    std::memset(dst, ' ', static_cast<std::size_t>(dstlen));
    dst[dstlen - 1] = '\0';
    if (!src || n < 0) return dst;
    long need = 2L * n + (n + 3) / 4 + n / 16 + 1;
    if (dstlen < need) return small;
    char* o = dst;
    for (int i = 0; i < n; i++) {
        unsigned char b = static_cast<unsigned char>(src[i]);
        *o++ = hex[b >> 4];
        *o++ = hex[b & 15];
        if ((i + 1) % 4 == 0 || i + 1 == n) *o++ = ' ';
        if ((i + 1) % 16 == 0) *o++ = '\n';
    }
    *o = '\0';
    return dst;
}
