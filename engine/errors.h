// How the engine reports failures: an EDBEngineError whose message is a sentence saying
// what is wrong, then "\r\n" and the path of the file concerned.
#ifndef HINMEI_ENGINE_ERRORS_H_
#define HINMEI_ENGINE_ERRORS_H_

#include <string>

#include "platform/exceptions.h"

namespace engine {

// "problem\r\npath" (just the problem when the path is empty).
std::string EngineMessage(const std::string& problem, const std::string& path);
[[noreturn]] void ThrowEngineError(const std::string& problem, const std::string& path);

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

// A damaged or foreign file: "Corrupt table file: <detail>."
[[noreturn]] void ThrowCorrupt(const std::string& detail, const std::string& path);

// The engine error for a failed file operation: a file that another program holds is
// "in use"; anything else names the operating system's message.
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

// A file of the table that another program holds (the estimating application has the
// table open): what the user can do about it, in the users' language.
const std::string& InUseProblem();
inline constexpr char kKeyViolation[] = "Key violation.";

}  // namespace engine

#endif  // HINMEI_ENGINE_ERRORS_H_
