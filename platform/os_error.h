// Fixed messages for operating-system and runtime I/O error codes.
#ifndef HINMEI_PLATFORM_OS_ERROR_H_
#define HINMEI_PLATFORM_OS_ERROR_H_

#include <string>

namespace platform {

// Windows error codes the file layer reports (POSIX errno values are translated to them).
inline constexpr int kErrorFileNotFound = 2;
inline constexpr int kErrorPathNotFound = 3;
inline constexpr int kErrorTooManyOpenFiles = 4;
inline constexpr int kErrorAccessDenied = 5;
inline constexpr int kErrorInvalidHandle = 6;
inline constexpr int kErrorNotEnoughMemory = 8;
inline constexpr int kErrorWriteProtect = 19;
inline constexpr int kErrorSharingViolation = 32;
inline constexpr int kErrorLockViolation = 33;
inline constexpr int kErrorHandleDiskFull = 39;
inline constexpr int kErrorFileExists = 80;
inline constexpr int kErrorInvalidParameter = 87;
inline constexpr int kErrorDiskFull = 112;
inline constexpr int kErrorInvalidName = 123;
inline constexpr int kErrorDirNotEmpty = 145;
inline constexpr int kErrorAlreadyExists = 183;
inline constexpr int kErrorFilenameTooLong = 206;
inline constexpr int kErrorDirectory = 267;
// The runtime's own I/O codes.
inline constexpr int kIoReadPastEnd = 100;
inline constexpr int kIoDiskFull = 101;
inline constexpr int kIoNotNumeric = 106;

// The CP932 message for an error code: a fixed text for the codes that have one
// (2, 3, 4, 5, 100, 101, 106; the Windows disk-full codes read as 101), else
// "I/O エラー (code)".
std::string OsErrorMessage(int code);

// The codes of a full disk: the runtime's 101 and Windows' 39 and 112.
bool IsDiskFull(int code);
// The codes of a file or medium that may not be written: access denied, write-protected.
bool IsWriteRefused(int code);

}  // namespace platform

#endif  // HINMEI_PLATFORM_OS_ERROR_H_
