// What a change owes the folder of the table files it writes.
#ifndef HINMEI_ENGINE_TABLE_FILES_H_
#define HINMEI_ENGINE_TABLE_FILES_H_

namespace engine {

enum class TableFiles {
  // Files a program may rely on: the change is durable when it returns (the folder is
  // flushed after its renames).
  kInUse,
  // A table just copied in, which nothing reads yet: the change flushes its files as
  // every change does, and leaves the flush of the folder to the caller, who makes one
  // flush of it after the last table it writes there and before it relies on them.
  kFreshCopy,
  // The files of a scratch table (operations/scratch_table.h), which only the change that
  // builds it sees: nothing is flushed, neither files nor folder nor the intent record,
  // since a stop discards the whole scratch table and the change that moves it into place
  // flushes every member first. The record is still written, so that a change stopped
  // half-way by a failed rename is finished by the next open as any other.
  kScratch,
};

}  // namespace engine

#endif  // HINMEI_ENGINE_TABLE_FILES_H_
