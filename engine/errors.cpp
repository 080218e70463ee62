#include "engine/errors.h"

#include "platform/os_error.h"
#include "platform/system_texts.h"

namespace engine {

const std::string& InUseProblem() { return texts::TableInUse(); }

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
    throw ETableInUse(EngineMessage(InUseProblem(), path));
  }
  ThrowEngineError("File operation failed: " + error.Message() + ".", path);
}

}  // namespace engine
