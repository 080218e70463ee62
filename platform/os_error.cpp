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
    // Windows' own disk-full codes read as the runtime's: "I/O エラー (112)" would tell the
    // user nothing, and the remedy is the same.
    case kIoDiskFull:
    case kErrorHandleDiskFull:
    case kErrorDiskFull: return texts::DiskFull();
    case kIoNotNumeric: return texts::NotNumeric();
    default: return Format(texts::IoErrorFormat(), code);
  }
}

bool IsDiskFull(int code) { return code == kIoDiskFull || code == kErrorHandleDiskFull || code == kErrorDiskFull; }

bool IsWriteRefused(int code) { return code == kErrorAccessDenied || code == kErrorWriteProtect; }

}  // namespace platform
