#include "engine/operations/net_file.h"

#include "engine/errors.h"
#include "engine/family.h"
#include "platform/os_error.h"

namespace engine {
namespace {

using platform::Access;
using platform::Disposition;
using platform::Share;

}  // namespace

NetFileHold::NetFileHold(platform::FileSystem& fs, const std::string& folder)
    : fs_(fs), path_(JoinFolder(folder, kNetFileName)) {
  for (int attempt = 0; attempt < 3 && !file_; ++attempt) {
    try {
      file_ = fs_.Open(path_, Access::kReadWrite, Share::kReadWrite, Disposition::kOpenExisting);
    } catch (const platform::EInOutError& e) {
      if (e.ErrorCode() != platform::kErrorFileNotFound) {
        ThrowEngineError(texts::Format(texts::NetFileUnusableFormat(), e.Message()), path_);
      }
      try {
        file_ = fs_.Open(path_, Access::kReadWrite, Share::kReadWrite, Disposition::kCreateNew);
      } catch (const platform::EInOutError& c) {
        // Another session may have created it meanwhile: open that one.
        if (c.ErrorCode() != platform::kErrorFileExists && c.ErrorCode() != platform::kErrorAlreadyExists) {
          ThrowEngineError(texts::Format(texts::NetFileNotCreatedFormat(), c.Message()), path_);
        }
      }
    }
  }
  if (!file_) ThrowEngineError(texts::NetFileNotOpened(), path_);
}

NetFileHold::~NetFileHold() {
  file_.reset();
  try {
    // Only a file nobody else holds opens exclusively; then it is ours to remove.
    auto last = fs_.Open(path_, Access::kRead, Share::kExclusive, Disposition::kOpenExisting);
    fs_.RemoveFile(path_);
  } catch (const platform::EInOutError&) {
    // Still in use by another session, or already gone.
  }
}

}  // namespace engine
