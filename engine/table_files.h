// What a change owes the table files it replaces.
#ifndef HINMEI_ENGINE_TABLE_FILES_H_
#define HINMEI_ENGINE_TABLE_FILES_H_

namespace engine {

enum class TableFiles {
  // Files a program may rely on: a change that takes one away puts its new files on disk
  // first, so that a crash leaves the old table or the new one.
  kInUse,
  // A table just copied from elsewhere, which nothing reads yet. The copy itself is only
  // in the system's cache, so a crash can spoil it whatever the change does: the change
  // leaves its new files there too, and a crash means copying the table again.
  kFreshCopy,
};

}  // namespace engine

#endif  // HINMEI_ENGINE_TABLE_FILES_H_
