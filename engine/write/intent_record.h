// The intent record of a change of a table family: every rename and removal the change
// makes, in order, written whole and flushed before its first step is taken, and removed
// after its last. A process that stops in between leaves it behind, and whoever next
// opens a table of that folder takes the steps that are left (pending_changes.h).
//
// CP932 text, CRLF lines, file names of the record's own folder:
//   HINMEI-INTENT 1
//   R <from>\t<to>       rename `from` to `to`, replacing `to`
//   D <name>             delete `name`
//   E <steps> <crc>      the step count, and the CRC-32 of every byte before this line
//                        in eight hexadecimal digits
// A record without its E line, or whose count or CRC does not match, was cut off while it
// was written: no step of its change was taken yet.
//
// Every step can be taken again: a rename whose `from` is gone was taken, a removal of a
// file that is gone was taken. For that, no name a change renames from is a name it
// renames to or removes.
#ifndef HINMEI_ENGINE_WRITE_INTENT_RECORD_H_
#define HINMEI_ENGINE_WRITE_INTENT_RECORD_H_

#include <optional>
#include <string>
#include <vector>

namespace engine {

struct IntentStep {
  enum class Kind { kRename, kRemove };
  Kind kind = Kind::kRename;
  std::string from;  // the file renamed or removed
  std::string to;    // the name it takes; empty for a removal
};

// The record's bytes. Throws std::invalid_argument for a name a record cannot hold (one
// with a control character, or a path).
std::string EncodeIntent(const std::vector<IntentStep>& steps);
// The steps of a complete record; nothing for an incomplete or foreign one.
std::optional<std::vector<IntentStep>> DecodeIntent(const std::string& bytes);

}  // namespace engine

#endif  // HINMEI_ENGINE_WRITE_INTENT_RECORD_H_
