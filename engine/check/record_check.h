// Whether the bytes of a record are values its fields can hold, as the original engine
// writes them: a record that is not was read from damaged bytes and is set aside by a
// repair rather than written back into the table.
//
// The test is of what every written value obeys, and no more: alpha text padded with
// zeros, logical 80 or 81, dates from 0001-01-01 to 9999-12-31, times within a day,
// finite numbers, a BCD field that is marked as not blank and carries its field's
// decimals. Blank fields always pass; so do blob fields, whose descriptors are checked
// against the .MB (blob_salvage.h).
#ifndef HINMEI_ENGINE_CHECK_RECORD_CHECK_H_
#define HINMEI_ENGINE_CHECK_RECORD_CHECK_H_

#include "engine/format/header.h"

namespace engine {

// Whether the field's bytes hold a value of its type.
bool FieldHoldsValue(const format::FieldDescriptor& field, const char* data);

// The first field of the record that holds no value of its type; -1 when all do.
int FirstUnreadableField(const format::Header& header, const char* record);

}  // namespace engine

#endif  // HINMEI_ENGINE_CHECK_RECORD_CHECK_H_
