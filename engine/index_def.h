// Index definitions as BuildIndex takes them and RefreshIndexDefs reads them back.
#ifndef HINMEI_ENGINE_INDEX_DEF_H_
#define HINMEI_ENGINE_INDEX_DEF_H_

#include <string>

namespace engine {

// Index options, as a set of bits.
using IndexOptions = unsigned;
inline constexpr IndexOptions ixPrimary = 0x01;
inline constexpr IndexOptions ixUnique = 0x02;
inline constexpr IndexOptions ixDescending = 0x04;
inline constexpr IndexOptions ixCaseInsensitive = 0x08;

// One index to build: BuildIndex's arguments, for TTable::BuildIndexes.
struct IndexRequest {
  std::string name;
  std::string fields;
  IndexOptions options = 0;
};

// One index of a table as read back from its files.
struct IndexDef {
  std::string name;    // empty for the primary index
  std::string fields;  // field names separated by ';', in key order
  IndexOptions options = 0;
  bool operator==(const IndexDef&) const = default;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_INDEX_DEF_H_
