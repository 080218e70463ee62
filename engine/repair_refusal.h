// Why a repair cannot be done. Nothing of the family has changed then; the reason tells
// what mends it, the message what was found.
#ifndef HINMEI_ENGINE_REPAIR_REFUSAL_H_
#define HINMEI_ENGINE_REPAIR_REFUSAL_H_

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

}  // namespace engine

#endif  // HINMEI_ENGINE_REPAIR_REFUSAL_H_
