#include "engine/errors.h"

#include "platform/os_error.h"

namespace engine {

std::string EngineMessage(const std::string& problem, const std::string& path, const std::string& remedy) {
  std::string message = problem;
  if (!path.empty()) message += "\r\n" + path;
  if (!remedy.empty()) message += "\r\n" + remedy;
  return message;
}

void ThrowEngineError(const std::string& problem, const std::string& path, const std::string& remedy) {
  throw platform::EDBEngineError(EngineMessage(problem, path, remedy));
}

void ThrowCorrupt(const std::string& detail, const std::string& path) {
  throw ECorruptFile(EngineMessage(texts::Format(texts::CorruptFormat(), detail), path, texts::RepairOrNewMedium()));
}

std::string InUseMessage(const std::string& path) {
  return EngineMessage(texts::TableInUse(), path, texts::CloseTheApplication());
}

void ThrowFileError(const platform::EInOutError& error, const std::string& path) {
  const int code = error.ErrorCode();
  if (code == platform::kErrorSharingViolation || code == platform::kErrorLockViolation) {
    throw ETableInUse(InUseMessage(path));
  }
  std::string remedy;
  if (platform::IsDiskFull(code)) remedy = texts::FreeDiskSpace();
  if (platform::IsWriteRefused(code)) remedy = texts::AllowWriting();
  ThrowEngineError(texts::Format(texts::FileOperationFailedFormat(), error.Message()), path, remedy);
}

void ThrowNoSuchTable(const std::string& db_path) { ThrowEngineError(texts::TableNotFound(), db_path); }

}  // namespace engine
