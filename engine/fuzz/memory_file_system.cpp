#include "engine/fuzz/memory_file_system.h"

#include <algorithm>
#include <cstring>

#include "engine/family.h"
#include "platform/exceptions.h"
#include "platform/os_error.h"

namespace engine::fuzz {
namespace {

using platform::EInOutError;

class MemoryHandle final : public platform::File {
 public:
  MemoryHandle(std::shared_ptr<MemoryFileSystem::Node> node, bool exclusive, bool writable)
      : node_(std::move(node)), exclusive_(exclusive), writable_(writable) {
    ++node_->opens;
    node_->exclusive = node_->exclusive || exclusive_;
  }
  ~MemoryHandle() override { Release(); }

  std::uint64_t Size() override { return node_->bytes.size(); }
  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
    const std::string& b = node_->bytes;
    if (offset >= b.size()) return 0;
    std::size_t n = std::min<std::size_t>(length, b.size() - static_cast<std::size_t>(offset));
    if (n > 0) std::memcpy(buffer, b.data() + offset, n);
    return n;
  }
  void WriteAt(std::uint64_t offset, const void* data, std::size_t length) override {
    if (!writable_) throw EInOutError(platform::kErrorAccessDenied);
    if (length == 0) return;
    std::string& b = node_->bytes;
    if (offset + length > b.size()) b.resize(static_cast<std::size_t>(offset + length));
    std::memcpy(b.data() + offset, data, length);
  }
  void Truncate(std::uint64_t size) override {
    if (!writable_) throw EInOutError(platform::kErrorAccessDenied);
    node_->bytes.resize(static_cast<std::size_t>(size));
  }
  void Flush() override {}
  void Close() override { Release(); }

 private:
  void Release() {
    if (released_) return;
    released_ = true;
    --node_->opens;
    if (exclusive_) node_->exclusive = false;
  }

  std::shared_ptr<MemoryFileSystem::Node> node_;
  bool exclusive_;
  bool writable_;
  bool released_ = false;
};

}  // namespace

std::string MemoryFileSystem::Key(const std::string& path) { return FoldName(path); }

void MemoryFileSystem::Put(const std::string& path, std::string bytes) {
  auto node = std::make_shared<Node>();
  node->bytes = std::move(bytes);
  files_[Key(path)] = Entry{path, std::move(node)};
  ForceDirectories(FolderOf(path));
}

std::map<std::string, std::string> MemoryFileSystem::Files() const {
  std::map<std::string, std::string> files;
  for (const auto& [key, entry] : files_) files[entry.path] = entry.node->bytes;
  return files;
}

std::shared_ptr<MemoryFileSystem::Node>* MemoryFileSystem::Find(const std::string& path) {
  auto it = files_.find(Key(path));
  return it == files_.end() ? nullptr : &it->second.node;
}

bool MemoryFileSystem::FileExists(const std::string& path) { return Find(path) != nullptr; }

bool MemoryFileSystem::DirectoryExists(const std::string& path) {
  return std::find(folders_.begin(), folders_.end(), Key(path)) != folders_.end();
}

bool MemoryFileSystem::ForceDirectories(const std::string& path) {
  if (Find(path) != nullptr) return false;
  if (!DirectoryExists(path)) folders_.push_back(Key(path));
  return true;
}

bool MemoryFileSystem::CopyFileOver(const std::string& from, const std::string& to) {
  std::shared_ptr<Node>* source = Find(from);
  if (source == nullptr || (*source)->exclusive || !DirectoryExists(FolderOf(to))) return false;
  std::shared_ptr<Node>* target = Find(to);
  if (target != nullptr && (*target)->opens > 0) return false;
  Put(to, (*source)->bytes);
  return true;
}

bool MemoryFileSystem::SetAttributes(const std::string& path, std::uint32_t) { return Find(path) != nullptr; }

std::uint32_t MemoryFileSystem::GetAttributes(const std::string& path) {
  if (DirectoryExists(path)) return platform::kAttributeDirectory;
  if (Find(path) == nullptr) throw EInOutError(platform::kErrorFileNotFound, path);
  return platform::kAttributeArchive;
}

void MemoryFileSystem::RemoveFile(const std::string& path) {
  if (Find(path) == nullptr) throw EInOutError(platform::kErrorFileNotFound, path);
  files_.erase(Key(path));
}

void MemoryFileSystem::RemoveFolder(const std::string& path) {
  auto it = std::find(folders_.begin(), folders_.end(), Key(path));
  if (it == folders_.end()) throw EInOutError(platform::kErrorPathNotFound, path);
  if (!ListFolder(path).empty()) throw EInOutError(platform::kErrorDirNotEmpty, path);
  folders_.erase(it);
}

void MemoryFileSystem::RenameOver(const std::string& from, const std::string& to) {
  std::shared_ptr<Node>* source = Find(from);
  if (source == nullptr) throw EInOutError(platform::kErrorFileNotFound, from);
  if (!DirectoryExists(FolderOf(to))) throw EInOutError(platform::kErrorPathNotFound, to);
  std::shared_ptr<Node>* target = Find(to);
  if (target != nullptr && target != source && (*target)->opens > 0 && !(*target)->exclusive) {
    throw EInOutError(platform::kErrorAccessDenied, to);
  }
  std::shared_ptr<Node> node = *source;
  files_.erase(Key(from));
  files_[Key(to)] = Entry{to, std::move(node)};
}

std::unique_ptr<platform::File> MemoryFileSystem::Open(const std::string& path, platform::Access access,
                                                       platform::Share share,
                                                       platform::Disposition disposition) {
  using platform::Disposition;
  std::shared_ptr<Node>* found = Find(path);
  if (found == nullptr && disposition == Disposition::kOpenExisting) {
    throw EInOutError(DirectoryExists(FolderOf(path)) ? platform::kErrorFileNotFound : platform::kErrorPathNotFound,
                      path);
  }
  if (found != nullptr && disposition == Disposition::kCreateNew) throw EInOutError(platform::kErrorFileExists, path);
  if (found == nullptr && !DirectoryExists(FolderOf(path))) throw EInOutError(platform::kErrorPathNotFound, path);
  bool exclusive = share == platform::Share::kExclusive;
  if (found != nullptr && ((*found)->exclusive || (exclusive && (*found)->opens > 0))) {
    throw EInOutError(platform::kErrorSharingViolation, path);
  }
  if (found == nullptr) {
    Put(path, std::string());
    found = Find(path);
  } else if (disposition == Disposition::kCreateAlways) {
    (*found)->bytes.clear();
  }
  return std::make_unique<MemoryHandle>(*found, exclusive, access == platform::Access::kReadWrite);
}

std::vector<std::string> MemoryFileSystem::ListFolder(const std::string& path) {
  if (!DirectoryExists(path)) throw EInOutError(platform::kErrorPathNotFound, path);
  const std::string folder = Key(path);
  std::vector<std::string> names;
  for (const auto& [key, entry] : files_) {
    if (Key(FolderOf(entry.path)) == folder) names.push_back(NameOf(entry.path));
  }
  return names;
}

}  // namespace engine::fuzz
