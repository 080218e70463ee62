// A FileSystem for tests that forwards to another one, with one folder on a disk of its
// own: a disk that is read-only, or one that has only so many bytes free and is full
// after that, as far as this file system's own writes into the folder go.
#ifndef HINMEI_INSTALL_TESTS_CONSTRAINED_FOLDER_H_
#define HINMEI_INSTALL_TESTS_CONSTRAINED_FOLDER_H_

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace install::testing {

class ConstrainedFolder final : public platform::FileSystem {
 public:
  ConstrainedFolder(platform::FileSystem& target, std::string folder) : target_(target), folder_(std::move(folder)) {}

  void MakeReadOnly() { read_only_ = true; }
  void LeaveFree(std::uint64_t bytes) { free_ = bytes; }

  bool FileExists(const std::string& path) override { return target_.FileExists(path); }
  bool DirectoryExists(const std::string& path) override { return target_.DirectoryExists(path); }
  bool ForceDirectories(const std::string& path) override {
    return (!Inside(path) || !read_only_ || target_.DirectoryExists(path)) && target_.ForceDirectories(path);
  }
  bool CopyFileOver(const std::string& from, const std::string& to) override;
  bool SetAttributes(const std::string& path, std::uint32_t attributes) override {
    return (!Inside(path) || !read_only_) && target_.SetAttributes(path, attributes);
  }
  std::uint32_t GetAttributes(const std::string& path) override { return target_.GetAttributes(path); }
  void RemoveFile(const std::string& path) override {
    RequireWritable(path);
    target_.RemoveFile(path);
  }
  void RemoveFolder(const std::string& path) override {
    RequireWritable(path);
    target_.RemoveFolder(path);
  }
  void RenameOver(const std::string& from, const std::string& to) override {
    RequireWritable(from);
    RequireWritable(to);
    target_.RenameOver(from, to);
  }
  void FlushFolder(const std::string& path) override { target_.FlushFolder(path); }
  std::unique_ptr<platform::File> Open(const std::string& path, platform::Access access, platform::Share share,
                                       platform::Disposition disposition) override;
  std::vector<std::string> ListFolder(const std::string& path) override { return target_.ListFolder(path); }

  // Takes `bytes` of the free space; false when the disk is full.
  bool Take(std::uint64_t bytes);

 private:
  bool Inside(const std::string& path) const;
  void RequireWritable(const std::string& path) const;

  platform::FileSystem& target_;
  std::string folder_;
  bool read_only_ = false;
  std::uint64_t free_ = ~std::uint64_t{0};
};

}  // namespace install::testing

#endif  // HINMEI_INSTALL_TESTS_CONSTRAINED_FOLDER_H_
