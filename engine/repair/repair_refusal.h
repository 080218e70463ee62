// Why a repair cannot be done, or stopped. A refused repair changed nothing; the reason
// tells what mends it, the message what was found.
#ifndef HINMEI_ENGINE_REPAIR_REPAIR_REFUSAL_H_
#define HINMEI_ENGINE_REPAIR_REPAIR_REFUSAL_H_

#include <string>

#include "platform/exceptions.h"

namespace engine {

enum class RefusalReason {
  kNoSuchTable,
  kHeaderUnreadable,  // a table of the same structure is needed to borrow from
  kBorrowDoesNotFit,  // the table given to borrow from is of another structure
  kSortOrder,         // an index or the key needs a collation this engine does not have
};

class ERepairRefused : public platform::EDBEngineError {
 public:
  ERepairRefused(RefusalReason reason, const std::string& message)
      : platform::EDBEngineError(message), reason_(reason) {}
  RefusalReason reason() const { return reason_; }

 private:
  RefusalReason reason_;
};

// The repair stopped on a failure after it had copied the family into its backup folder:
// the family is as it was, or its change is finished by the next open of a table in its
// folder (family_write.h). The copy stays where it is.
class ERepairStopped : public platform::EDBEngineError {
 public:
  ERepairStopped(const std::string& message, std::string backup_folder)
      : platform::EDBEngineError(message), backup_folder_(std::move(backup_folder)) {}
  const std::string& backup_folder() const { return backup_folder_; }

 private:
  std::string backup_folder_;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_REPAIR_REPAIR_REFUSAL_H_
