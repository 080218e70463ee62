// The field lists of index definitions ("fCD;fGyo"), as BuildIndex takes them.
#ifndef HINMEI_ENGINE_OPERATIONS_INDEX_FIELDS_H_
#define HINMEI_ENGINE_OPERATIONS_INDEX_FIELDS_H_

#include <string>
#include <vector>

#include "engine/format/header.h"

namespace engine {

// The text without its leading and trailing blanks.
std::string Trimmed(const std::string& s);

// The positions in the DB of the fields named in `list`, separated by ";": an engine
// error for a field the table lacks, one named twice, a blob field or an empty list.
std::vector<int> FieldPositions(const format::Header& db, const std::string& list, const std::string& path);

// Whether the fields are the table's first ones, in their order: a primary key's.
bool LeadingFields(const std::vector<int>& positions);

}  // namespace engine

#endif  // HINMEI_ENGINE_OPERATIONS_INDEX_FIELDS_H_
