#include "platform/testing/fault_injecting_file_system.h"

#include "platform/exceptions.h"

namespace platform::testing {
namespace {

class FaultInjectingFile final : public File {
 public:
  FaultInjectingFile(FaultInjectingFileSystem& fs, std::unique_ptr<File> target, std::string path)
      : fs_(fs), target_(std::move(target)), path_(std::move(path)) {}

  std::uint64_t Size() override {
    Check("Size");
    return target_->Size();
  }
  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
    Check("ReadAt");
    return target_->ReadAt(offset, buffer, length);
  }
  void WriteAt(std::uint64_t offset, const void* data, std::size_t length) override {
    Check("WriteAt", true);
    target_->WriteAt(offset, data, length);
  }
  void Truncate(std::uint64_t size) override {
    Check("Truncate", true);
    target_->Truncate(size);
  }
  void BeginFlush() override {
    Check("BeginFlush");
    target_->BeginFlush();
  }
  void Flush() override {
    Check("Flush", true);
    target_->Flush();
  }
  void Close() override {
    // The handle is released even when the close reports a failure, as on Windows.
    bool fail = fs_.Step("Close", path_);
    target_->Close();
    if (fail) throw EInOutError(fs_.Code(), path_);
  }

 private:
  void Check(const char* operation, bool changes = false) {
    if (fs_.Step(operation, path_, changes)) throw EInOutError(fs_.Code(), path_);
  }

  FaultInjectingFileSystem& fs_;
  std::unique_ptr<File> target_;
  std::string path_;
};

}  // namespace

void FaultInjectingFileSystem::FailAt(long n, int code, bool persistent) {
  Reset();
  fail_at_ = n;
  code_ = code;
  persistent_ = persistent;
}

void FaultInjectingFileSystem::StopBeforeChange(long n, std::function<void()> stop) {
  Reset();
  stop_at_ = n;
  stop_ = std::move(stop);
}

void FaultInjectingFileSystem::Reset() {
  fail_at_ = 0;
  stop_at_ = 0;
  stop_ = nullptr;
  triggered_ = false;
  count_ = 0;
  changes_ = 0;
  trace_.clear();
  renamed_to_.clear();
}

bool FaultInjectingFileSystem::Step(const char* operation, const std::string& path, bool changes) {
  std::lock_guard<std::recursive_mutex> lock(step_mutex_);
  if (stop_at_ > 0 && triggered_) return true;  // stopped: nothing reaches the disk any more
  ++count_;
  trace_.push_back(std::string(operation) + " " + path);
  if (changes && observe_) observe_();
  if (changes && ++changes_ == stop_at_) {
    triggered_ = true;
    stop_();
    return true;
  }
  bool fail = fail_at_ > 0 && (count_ == fail_at_ || (persistent_ && count_ > fail_at_));
  if (fail) triggered_ = true;
  return fail;
}

void FaultInjectingFileSystem::StepOrThrow(const char* operation, const std::string& path, bool changes) {
  if (Step(operation, path, changes)) throw EInOutError(code_, path);
}

// Existence tests have no way to report a failure, so they are not counted: a failing
// disk makes the operations after them fail, not the tests lie.
bool FaultInjectingFileSystem::FileExists(const std::string& path) {
  return target_.FileExists(path);
}

bool FaultInjectingFileSystem::DirectoryExists(const std::string& path) {
  return target_.DirectoryExists(path);
}

bool FaultInjectingFileSystem::ForceDirectories(const std::string& path) {
  return !Step("ForceDirectories", path, true) && target_.ForceDirectories(path);
}

bool FaultInjectingFileSystem::CopyFileOver(const std::string& from, const std::string& to) {
  return !Step("CopyFileOver", to, true) && target_.CopyFileOver(from, to);
}

bool FaultInjectingFileSystem::SetAttributes(const std::string& path, std::uint32_t attributes) {
  return !Step("SetAttributes", path, true) && target_.SetAttributes(path, attributes);
}

std::uint32_t FaultInjectingFileSystem::GetAttributes(const std::string& path) {
  StepOrThrow("GetAttributes", path);
  return target_.GetAttributes(path);
}

void FaultInjectingFileSystem::RemoveFile(const std::string& path) {
  StepOrThrow("RemoveFile", path, true);
  target_.RemoveFile(path);
}

void FaultInjectingFileSystem::RemoveFolder(const std::string& path) {
  StepOrThrow("RemoveFolder", path, true);
  target_.RemoveFolder(path);
}

void FaultInjectingFileSystem::RenameStep(const std::string& from, const std::string& to) {
  std::lock_guard<std::recursive_mutex> lock(step_mutex_);
  StepOrThrow("RenameOver", from, true);
  renamed_to_[trace_.size() - 1] = to;
}

std::string FaultInjectingFileSystem::RenamedTo(std::size_t line) const {
  auto it = renamed_to_.find(line);
  return it == renamed_to_.end() ? std::string() : it->second;
}

void FaultInjectingFileSystem::RenameOver(const std::string& from, const std::string& to) {
  RenameStep(from, to);
  target_.RenameOver(from, to);
}

void FaultInjectingFileSystem::FlushFolder(const std::string& path) {
  StepOrThrow("FlushFolder", path, true);
  target_.FlushFolder(path);
}

std::unique_ptr<File> FaultInjectingFileSystem::Open(const std::string& path, Access access,
                                                     Share share, Disposition disposition) {
  StepOrThrow("Open", path, disposition != Disposition::kOpenExisting);
  return std::make_unique<FaultInjectingFile>(*this, target_.Open(path, access, share, disposition),
                                              path);
}

std::vector<std::string> FaultInjectingFileSystem::ListFolder(const std::string& path) {
  StepOrThrow("ListFolder", path);
  return target_.ListFolder(path);
}

}  // namespace platform::testing
