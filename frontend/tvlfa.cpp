// File definitions, stand-in: takes the file-name token of a statement
// that names a file and makes or finds the file entry of that name, so
// that statement kinds, their order and the files they name can be
// checked before file definitions (kinds, attributes, open modes) are
// built.  It records no error of its own.
//
// Exports: tvlfa.  Called by statement analysis.  Calls the tokenizer
// (tokdata, tokdel) and tvlfn for a given name.
#include "frontend/frontend.h"
#include "driver/driver.h"

// The file of the current statement: its name token is taken and the
// file entry of that name made or found (a READ's as an input, any
// other's as an output); null when no name follows.
FFREC* tvlfa(CMV* c) {
    TK* t = tokdata();
    if (!t || (t->flags & TK_HEX)) return nullptr;
    tkc = t;
    tokdel();
    // The name as written: a quoted name's value, a word's text in the
    // statement (words are upper-cased in their token).
    const char* name = t->text;
    int len = t->len;
    if (!(t->flags & (TK_APOS | TK_QUOT | TK_EQCOPY)) && t->src && t->srclen >= len) {
        name = t->src;
        len = t->srclen;
    }
    if (len <= 0) return nullptr;
    bool input = c->cncur && c->cncur->typ2 == OP_READ;
    return tvlfn(c, input ? FN_SRC : FN_LST, name, len);
}
