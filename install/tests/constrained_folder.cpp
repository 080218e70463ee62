#include "install/tests/constrained_folder.h"

#include "platform/exceptions.h"
#include "platform/os_error.h"

namespace install::testing {
namespace {

// A file in the folder: every byte written past its end takes free space.
class ConstrainedFile final : public platform::File {
 public:
  ConstrainedFile(ConstrainedFolder& disk, std::unique_ptr<platform::File> file, std::string path, bool writable)
      : disk_(disk), file_(std::move(file)), path_(std::move(path)), writable_(writable) {}

  std::uint64_t Size() override { return file_->Size(); }
  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
    return file_->ReadAt(offset, buffer, length);
  }
  void WriteAt(std::uint64_t offset, const void* data, std::size_t length) override {
    if (!writable_) throw platform::EInOutError(platform::kErrorAccessDenied, path_);
    std::uint64_t size = file_->Size();
    if (offset + length > size && !disk_.Take(offset + length - size)) {
      throw platform::EInOutError(platform::kErrorDiskFull, path_);
    }
    file_->WriteAt(offset, data, length);
  }
  void Truncate(std::uint64_t size) override { file_->Truncate(size); }
  void Flush() override { file_->Flush(); }
  void Close() override { file_->Close(); }

 private:
  ConstrainedFolder& disk_;
  std::unique_ptr<platform::File> file_;
  std::string path_;
  bool writable_;
};

}  // namespace

bool ConstrainedFolder::Inside(const std::string& path) const {
  return path.size() > folder_.size() && path.compare(0, folder_.size(), folder_) == 0 &&
         (path[folder_.size()] == '\\' || path[folder_.size()] == '/');
}

void ConstrainedFolder::RequireWritable(const std::string& path) const {
  if (read_only_ && Inside(path)) throw platform::EInOutError(platform::kErrorAccessDenied, path);
}

bool ConstrainedFolder::Take(std::uint64_t bytes) {
  if (bytes > free_) return false;
  free_ -= bytes;
  return true;
}

bool ConstrainedFolder::CopyFileOver(const std::string& from, const std::string& to) {
  if (!Inside(to)) return target_.CopyFileOver(from, to);
  if (read_only_ || !target_.FileExists(from)) return false;
  std::uint64_t size = target_.Open(from, platform::Access::kRead, platform::Share::kRead,
                                    platform::Disposition::kOpenExisting)->Size();
  // Windows' copy takes the space first and leaves nothing when it does not get it.
  return Take(size) && target_.CopyFileOver(from, to);
}

std::unique_ptr<platform::File> ConstrainedFolder::Open(const std::string& path, platform::Access access,
                                                         platform::Share share,
                                                         platform::Disposition disposition) {
  bool writes = access == platform::Access::kReadWrite || disposition != platform::Disposition::kOpenExisting;
  if (!Inside(path)) return target_.Open(path, access, share, disposition);
  if (writes) RequireWritable(path);
  return std::make_unique<ConstrainedFile>(*this, target_.Open(path, access, share, disposition), path,
                                           access == platform::Access::kReadWrite);
}

}  // namespace install::testing
