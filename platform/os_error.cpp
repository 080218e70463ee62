#include "platform/os_error.h"

#include "platform/system_texts.h"

namespace platform {

std::string OsErrorMessage(int code) {
  switch (code) {
    case kErrorFileNotFound: return texts::FileNotFound();
    case kErrorPathNotFound: return texts::PathNotFound();
    case kErrorTooManyOpenFiles: return texts::TooManyOpenFiles();
    case kErrorAccessDenied: return texts::AccessDenied();
    case kIoReadPastEnd: return texts::ReadPastEnd();
    // A full disk reads the same whether the runtime or Windows noticed it.
    case kIoDiskFull:
    case kErrorHandleDiskFull:
    case kErrorDiskFull: return texts::DiskFull();
    case kIoNotNumeric: return texts::NotNumeric();
    default: return texts::Format(texts::IoErrorFormat(), code);
  }
}

}  // namespace platform
