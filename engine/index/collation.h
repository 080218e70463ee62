// How alpha keys of a table compare, and how case-insensitive keys are folded.
//
// Keys are compared as the bytes they are stored as: numbers sort by their bytes (see
// field_codec.h), and alpha fields sort by their bytes for the `ascii` drivers and for
// `japan` (code page 932). For any other driver the order of alpha keys is the
// driver's own weight table, which we do not have: building such an index is refused.
#ifndef HINMEI_ENGINE_INDEX_COLLATION_H_
#define HINMEI_ENGINE_INDEX_COLLATION_H_

#include <string>

#include "engine/format/header.h"

namespace engine {

struct Collation {
  bool bytewise = false;  // alpha keys compare as bytes
  bool dbcs = false;      // texts are CP932: a fold never touches a trail byte
  std::string name;       // the sort-order id, for messages
};

// The collation of a DB (or X) header: from its sort-order id, or from the sort byte of a
// level 3 table, which has no id.
Collation CollationOf(const format::Header& header);

// Folds single-byte ASCII letters a-z to upper case; with `dbcs`, the byte after a CP932
// lead byte is left alone.
void FoldToUpper(char* data, int size, bool dbcs);

// Writes `size` bytes of `from` to `to` folded as FoldToUpper folds them. Reading each
// byte where it is instead of where it was just copied to spares the processor a store
// it would have to wait for.
void CopyFoldedToUpper(const char* from, char* to, int size, bool dbcs);

}  // namespace engine

#endif  // HINMEI_ENGINE_INDEX_COLLATION_H_
