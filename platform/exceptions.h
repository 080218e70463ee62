// The failures the system raises. Every message is CP932 text; what() returns it as
// those bytes, so the window converts it with code page 932 before showing it.
#ifndef HINMEI_PLATFORM_EXCEPTIONS_H_
#define HINMEI_PLATFORM_EXCEPTIONS_H_

#include <stdexcept>
#include <string>

namespace platform {

// Base of every failure of the system. Carries a CP932 message and nothing else.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& cp932_message) : std::runtime_error(cp932_message) {}
  std::string Message() const { return what(); }
};

// A failure of the table engine, with its message (which names the file concerned).
class EDBEngineError : public Exception {
 public:
  using Exception::Exception;
};

// A file failure: an operating-system error code and its fixed message. The code is a
// Windows error code (the POSIX implementation translates errno), or one of the
// runtime's own I/O codes (100 and up).
class EInOutError : public Exception {
 public:
  explicit EInOutError(int code);
  EInOutError(int code, std::string path);
  int ErrorCode() const { return code_; }
  // The file or folder the failed operation named; empty when unknown.
  const std::string& Path() const { return path_; }

 private:
  int code_;          // Windows error code or runtime I/O code
  std::string path_;  // CP932 path of the operation, for callers that add context
};

// An index outside a list: "リストのインデックスが範囲を超えています (%d)".
class EListError : public Exception {
 public:
  explicit EListError(int index);
  int Index() const { return index_; }

 private:
  int index_;
};

// A text or value that cannot be converted (code page, number, null value).
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace platform

#endif  // HINMEI_PLATFORM_EXCEPTIONS_H_
