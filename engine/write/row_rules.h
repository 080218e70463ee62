// What every new row gets before it is written, whoever writes it.
#ifndef HINMEI_ENGINE_WRITE_ROW_RULES_H_
#define HINMEI_ENGINE_WRITE_ROW_RULES_H_

#include "engine/format/header.h"

namespace engine {

// Gives every blank autoincrement (+) field of the record the next value and keeps the
// header's last given value (0x49) up to date; a value given explicitly counts too.
void NumberAutoIncrement(format::Header& db, char* record);

}  // namespace engine

#endif  // HINMEI_ENGINE_WRITE_ROW_RULES_H_
