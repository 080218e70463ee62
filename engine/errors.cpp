#include "engine/errors.h"

#include "platform/os_error.h"

namespace engine {

std::string EngineMessage(const std::string& problem, const std::string& path) {
  return path.empty() ? problem : problem + "\r\n" + path;
}

void ThrowEngineError(const std::string& problem, const std::string& path) {
  throw platform::EDBEngineError(EngineMessage(problem, path));
}

void ThrowCorrupt(const std::string& detail, const std::string& path) {
  throw ECorruptFile(EngineMessage("Corrupt table file: " + detail + ".", path));
}

void ThrowFileError(const platform::EInOutError& error, const std::string& path) {
  if (error.ErrorCode() == platform::kErrorSharingViolation ||
      error.ErrorCode() == platform::kErrorLockViolation) {
    ThrowEngineError(kInUseProblem, path);
  }
  ThrowEngineError("File operation failed: " + error.Message() + ".", path);
}

}  // namespace engine
