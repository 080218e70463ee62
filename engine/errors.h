// How the engine reports failures: an EDBEngineError whose message says what is wrong,
// then, each on a line of its own, the path of the file concerned and what the user can
// do about it. The texts are the engine's own (engine_texts.h).
#ifndef HINMEI_ENGINE_ERRORS_H_
#define HINMEI_ENGINE_ERRORS_H_

#include <string>

#include "engine/engine_texts.h"
#include "platform/exceptions.h"

namespace engine {

// "problem\r\npath\r\nremedy"; the path's and the remedy's line only where they are given.
std::string EngineMessage(const std::string& problem, const std::string& path, const std::string& remedy = {});
[[noreturn]] void ThrowEngineError(const std::string& problem, const std::string& path,
                                   const std::string& remedy = {});

// The engine error for a damaged or foreign file, told apart from failures of the file
// operations themselves.
class ECorruptFile : public platform::EDBEngineError {
 public:
  using platform::EDBEngineError::EDBEngineError;
};

// A file of the table that another program holds: nothing was read or written.
class ETableInUse : public platform::EDBEngineError {
 public:
  using platform::EDBEngineError::EDBEngineError;
};

// The table-not-found engine error for a path that names no table.
[[noreturn]] void ThrowNoSuchTable(const std::string& db_path);

// A damaged or foreign file: "テーブルのファイルが壊れています（detail）。", the path, and
// the way to a repaired table or a new medium.
[[noreturn]] void ThrowCorrupt(const std::string& detail, const std::string& path);

// The engine error for a failed file operation: a file that another program holds is
// "in use" (close the estimating application); anything else names the operating
// system's message, with what to do for a full disk or a file that may not be written.
[[noreturn]] void ThrowFileError(const platform::EInOutError& error, const std::string& path);

// Runs `action`; a file failure it raises becomes the engine error of ThrowFileError.
template <typename Action>
auto TranslateFileErrors(const std::string& path, Action&& action) -> decltype(action()) {
  try {
    return action();
  } catch (const platform::EInOutError& e) {
    ThrowFileError(e, e.Path().empty() ? path : e.Path());
  }
}

// The message of a file of the table that another program holds (the estimating
// application has the table open), naming the file.
std::string InUseMessage(const std::string& path);

}  // namespace engine

#endif  // HINMEI_ENGINE_ERRORS_H_
