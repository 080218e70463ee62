// A FileSystem for tests that forwards to another one and fails, or stops, at a chosen
// operation.
//
// Every call counts as one operation: the FileSystem's own calls and those of the files
// it opened (Size, ReadAt, WriteAt, Truncate, BeginFlush, Flush, Close). The operation
// numbered FailAt's `n` (counted from 1 after the last Reset) fails as the disk would:
// calls that throw get EInOutError(code), calls that answer bool answer false. With
// `persistent`, every later operation fails too, as on a disk that was pulled out.
//
// Operations that change the disk (an open that creates or truncates, WriteAt,
// Truncate, Flush, FlushFolder, RenameOver, RemoveFile, RemoveFolder, CopyFileOver,
// SetAttributes, ForceDirectories) are counted on their own as well: StopBeforeChange
// runs a handler before the nth of them, which ends the process (a kill) or captures
// what a power cut would leave. Once it has run, every operation fails.
//
// A test loops n = 1, 2, ... over a whole action, checks what is left after each
// failure, and stops at the first n that the action no longer reaches.
#ifndef HINMEI_PLATFORM_TESTING_FAULT_INJECTING_FILE_SYSTEM_H_
#define HINMEI_PLATFORM_TESTING_FAULT_INJECTING_FILE_SYSTEM_H_

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/os_error.h"

namespace platform::testing {

class FaultInjectingFileSystem final : public FileSystem {
 public:
  explicit FaultInjectingFileSystem(FileSystem& target) : target_(target) {}

  // Fails operation `n` (1-based); 0 fails nothing.
  void FailAt(long n, int code = kErrorDiskFull, bool persistent = false);
  // Runs `stop` before the `n`th operation that changes the disk (1-based).
  void StopBeforeChange(long n, std::function<void()> stop);
  // Runs `observe` before every operation that changes the disk, which then goes on.
  void ObserveChanges(std::function<void()> observe) { observe_ = std::move(observe); }
  // Counts from zero again and fails nothing.
  void Reset();
  // Operations counted since the last Reset or FailAt.
  long Operations() const { return count_; }
  // Operations that changed the disk since the last Reset, FailAt or StopBeforeChange.
  long Changes() const { return changes_; }
  // Whether the chosen operation has been reached.
  bool Triggered() const { return triggered_; }
  // The operations counted, one line each ("WriteAt C:\x\T.DB"), for failure messages.
  const std::vector<std::string>& Trace() const { return trace_; }
  // The path a RenameOver line of the trace renamed its file to; empty for other lines.
  std::string RenamedTo(std::size_t line) const;

  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool ForceDirectories(const std::string& path) override;
  bool CopyFileOver(const std::string& from, const std::string& to) override;
  bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
  std::uint32_t GetAttributes(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  void RemoveFolder(const std::string& path) override;
  void RenameOver(const std::string& from, const std::string& to) override;
  void FlushFolder(const std::string& path) override;
  std::unique_ptr<File> Open(const std::string& path, Access access, Share share,
                             Disposition disposition) override;
  std::vector<std::string> ListFolder(const std::string& path) override;

  // Counts one operation; true when it is to fail. Used by the files this opened, which
  // the engine may read from two threads at once.
  bool Step(const char* operation, const std::string& path, bool changes = false);
  int Code() const { return code_; }

 private:
  void StepOrThrow(const char* operation, const std::string& path, bool changes = false);
  // The step of a rename, noting its target beside its line of the trace.
  void RenameStep(const std::string& from, const std::string& to);

  FileSystem& target_;
  std::recursive_mutex step_mutex_;
  long fail_at_ = 0;      // operation to fail, 0 for none
  int code_ = kErrorDiskFull;
  bool persistent_ = false;
  bool triggered_ = false;
  long count_ = 0;
  long stop_at_ = 0;  // change to stop before, 0 for none
  std::function<void()> stop_;
  std::function<void()> observe_;
  long changes_ = 0;
  std::vector<std::string> trace_;
  std::map<std::size_t, std::string> renamed_to_;  // by line of the trace
};

}  // namespace platform::testing

#endif  // HINMEI_PLATFORM_TESTING_FAULT_INJECTING_FILE_SYSTEM_H_
