// pxlib, an independent reader of Paradox tables, in the native tree: the rows it reads
// from a table, and whether it accepts the table's primary index. Trees without pxlib
// build none of this (HINMEI_HAVE_PXLIB undefined).
#ifndef HINMEI_ENGINE_TESTS_PXLIB_READER_H_
#define HINMEI_ENGINE_TESTS_PXLIB_READER_H_

#include <string>
#include <vector>

#include "engine/field_value.h"

namespace engine::testing {

// The rows as pxlib reads them, every value as our FieldValue would hold it: alpha
// fields as text, N and $ as numbers, the others as integers. Blob fields are not read
// (the pxlib at hand crashes on every .MB).
std::vector<std::vector<FieldValue>> PxlibRows(const std::string& db);

// Whether pxlib reads the table's .PX and takes it as the table's primary index.
bool PxlibAcceptsPrimaryIndex(const std::string& db, const std::string& px);

}  // namespace engine::testing

#endif  // HINMEI_ENGINE_TESTS_PXLIB_READER_H_
