// Changes that a process left unfinished when it stopped (killed, or the power cut), and
// finishing them.
//
// A change holds its claim and its intent record open until its last step
// (family_write.h); one that nobody holds belongs to a process that stopped. A complete
// record is rolled forward: its remaining steps are taken, the folder is flushed and the
// record goes. A record cut off, or a claim without a record, belongs to a change that
// took no step yet: its files go with it, and the family stays as it was. Files of the
// temporary pattern that no claim or record covers and nobody holds are leftovers and go
// too; a file that a record still pending names never does.
//
// The engine finishes the pending changes of a folder whenever it opens a table there
// for a change or a read, and the install run does so for every folder it is about to
// use; `pdxtool check` only reports them.
#ifndef HINMEI_ENGINE_WRITE_PENDING_CHANGES_H_
#define HINMEI_ENGINE_WRITE_PENDING_CHANGES_H_

#include <string>
#include <vector>

#include "engine/family.h"
#include "engine/write/intent_record.h"
#include "platform/file_system.h"

namespace engine {

struct PendingChange {
  std::string record;  // path of the intent record
  bool complete = false;
  std::vector<IntentStep> steps;  // of a complete record
};

// The unheld intent records of `folder` whose change is no longer under way, read and
// left as they are.
std::vector<PendingChange> FindPendingChanges(platform::FileSystem& fs, const std::string& folder);

// Finishes or discards every pending change of `folder` and removes the leftovers. A
// missing folder has none. Throws the engine's error when a step cannot be taken (a file
// in use by another program): the record then stays for the next try.
void FinishPendingChanges(platform::FileSystem& fs, const std::string& folder);

// The family of the table `db_path` names, found once the pending changes of its folder
// are finished: what every operation that opens a table starts with.
Family OpenFamily(platform::FileSystem& fs, const std::string& db_path);

// Removes the files of the temporary pattern in `folder` that no claim or intent record
// covers and nobody holds.
void SweepLeftovers(platform::FileSystem& fs, const std::string& folder);

// Renames `from` over `to`, trying again for a moment while another program holds `to`
// (on Windows a file that is open cannot be replaced).
void RenameOverWhenFree(platform::FileSystem& fs, const std::string& from, const std::string& to);

}  // namespace engine

#endif  // HINMEI_ENGINE_WRITE_PENDING_CHANGES_H_
