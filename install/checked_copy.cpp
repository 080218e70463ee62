#include "install/checked_copy.h"

#include "engine/operations/table_operations.h"

namespace install {

void CopyFileChecked(platform::FileSystem& fs, const std::string& from, const std::string& to) {
  engine::CopyIntoPlace(fs, from, to, engine::TableFiles::kFreshCopy);
}

}  // namespace install
