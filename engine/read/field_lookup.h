// Finding a field of a table by its name, as the original engine does.
#ifndef HINMEI_ENGINE_READ_FIELD_LOOKUP_H_
#define HINMEI_ENGINE_READ_FIELD_LOOKUP_H_

#include <string>

#include "engine/format/header.h"

namespace engine {

// The position of field `name` in a DB or X header: the field of exactly that name,
// else one whose name differs only in the case of ASCII letters; -1 when there is none.
int FindField(const format::Header& header, const std::string& name);

}  // namespace engine

#endif  // HINMEI_ENGINE_READ_FIELD_LOOKUP_H_
