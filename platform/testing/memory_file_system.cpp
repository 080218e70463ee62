#include "platform/testing/memory_file_system.h"

#include <algorithm>
#include <cstring>

#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/os_error.h"

namespace platform::testing {
namespace {

// Position of the last path delimiter, stepping over CP932 trail bytes.
std::size_t LastDelimiter(const std::string& path) {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < path.size(); i += CharLengthAt(path, i)) {
    if (path[i] == '\\' || path[i] == '/') last = i;
  }
  return last;
}

std::string FolderOf(const std::string& path) {
  std::size_t at = LastDelimiter(path);
  return at == std::string::npos ? "." : path.substr(0, at);
}

std::string NameOf(const std::string& path) {
  std::size_t at = LastDelimiter(path);
  return at == std::string::npos ? path : path.substr(at + 1);
}

// The path without delimiters at its end ("C:\x\" names the folder "C:\x").
std::string Trimmed(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && EndsWithPathDelimiter(trimmed)) trimmed.pop_back();
  return trimmed;
}

bool IsValidName(const std::string& path) {
  if (path.empty() || CutsDoubleByteChar(path, path.size())) return false;
  try {
    Cp932ToUtf16(path);
  } catch (const EConvertError&) {
    return false;
  }
  return true;
}

class MemoryHandle final : public File {
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
    if (!writable_) throw EInOutError(kErrorAccessDenied);
    if (length == 0) return;
    std::string& b = node_->bytes;
    if (offset + length > b.size()) b.resize(static_cast<std::size_t>(offset + length));
    std::memcpy(b.data() + offset, data, length);
  }
  void Truncate(std::uint64_t size) override {
    if (!writable_) throw EInOutError(kErrorAccessDenied);
    node_->bytes.resize(static_cast<std::size_t>(size));
  }
  void Flush() override {
    if (!writable_) throw EInOutError(kErrorAccessDenied);
    node_->durable = node_->bytes;
    node_->ever_flushed = true;
  }
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

std::string MemoryFileSystem::Key(const std::string& path) {
  std::string key = path;
  for (std::size_t i = 0; i < key.size(); i += CharLengthAt(key, i)) {
    if (key[i] >= 'a' && key[i] <= 'z') key[i] = static_cast<char>(key[i] - 'a' + 'A');
    if (key[i] == '/') key[i] = '\\';
  }
  return key;
}

void MemoryFileSystem::Put(const std::string& path, std::string bytes) {
  auto node = std::make_shared<Node>();
  node->bytes = std::move(bytes);
  node->durable = node->bytes;
  node->ever_flushed = true;
  files_[Key(path)] = Entry{path, node};
  durable_files_[Key(path)] = Entry{path, node};
  ForceDirectories(FolderOf(path));
}

std::map<std::string, std::string> MemoryFileSystem::Files() const {
  std::map<std::string, std::string> files;
  for (const auto& [key, entry] : files_) files[entry.path] = entry.node->bytes;
  return files;
}

std::string MemoryFileSystem::Bytes(const std::string& path) const {
  auto it = files_.find(Key(path));
  return it == files_.end() ? std::string() : it->second.node->bytes;
}

void MemoryFileSystem::Apply(Entries& entries, const EntryChange& change) {
  for (const Entry& e : change.entries) {
    if (e.node) {
      entries[Key(e.path)] = e;
    } else {
      entries.erase(Key(e.path));
    }
  }
}

void MemoryFileSystem::Change(EntryChange change) {
  Apply(files_, change);
  journal_.push_back(std::move(change));
}

std::unique_ptr<MemoryFileSystem> MemoryFileSystem::AfterPowerCut(std::size_t kept) const {
  Entries entries = durable_files_;
  for (std::size_t i = 0; i < kept && i < journal_.size(); ++i) Apply(entries, journal_[i]);
  auto after = std::make_unique<MemoryFileSystem>();
  after->folders_ = folders_;
  std::map<const Node*, std::shared_ptr<Node>> copies;  // one copy per node, as names share them
  for (const auto& [key, entry] : entries) {
    std::shared_ptr<Node>& copy = copies[entry.node.get()];
    if (!copy) {
      copy = std::make_shared<Node>();
      copy->bytes = entry.node->ever_flushed ? entry.node->durable : std::string(entry.node->bytes.size(), '\0');
      copy->durable = copy->bytes;
      copy->ever_flushed = true;
      copy->attributes = entry.node->attributes;
    }
    after->files_[key] = Entry{entry.path, copy};
  }
  after->durable_files_ = after->files_;
  return after;
}

std::shared_ptr<MemoryFileSystem::Node>* MemoryFileSystem::Find(const std::string& path) {
  auto it = files_.find(Key(path));
  return it == files_.end() ? nullptr : &it->second.node;
}

bool MemoryFileSystem::FileExists(const std::string& path) { return Find(path) != nullptr; }

bool MemoryFileSystem::DirectoryExists(const std::string& path) {
  return std::find(folders_.begin(), folders_.end(), Key(Trimmed(path))) != folders_.end();
}

bool MemoryFileSystem::ForceDirectories(const std::string& path) {
  const std::string folder = Trimmed(path);
  if (!IsValidName(folder) || Find(folder) != nullptr) return false;
  if (DirectoryExists(folder)) return true;
  const std::string parent = FolderOf(folder);
  if (parent != "." && parent != folder && !parent.empty() && !ForceDirectories(parent)) return false;
  folders_.push_back(Key(folder));
  return true;
}

bool MemoryFileSystem::CopyFileOver(const std::string& from, const std::string& to) {
  std::shared_ptr<Node>* source = Find(from);
  if (source == nullptr || (*source)->exclusive || !DirectoryExists(FolderOf(to))) return false;
  std::shared_ptr<Node>* target = Find(to);
  if (target != nullptr && (*target)->opens > 0) return false;
  std::string bytes = (*source)->bytes;
  std::uint32_t attributes = (*source)->attributes;
  if (target != nullptr) {
    // Copied into the existing file, whose entry stays.
    (*target)->bytes = std::move(bytes);
    (*target)->attributes = attributes;
    return true;
  }
  auto node = std::make_shared<Node>();
  node->bytes = std::move(bytes);
  node->attributes = attributes;
  Change(EntryChange{{Entry{to, node}}});
  return true;
}

bool MemoryFileSystem::SetAttributes(const std::string& path, std::uint32_t attributes) {
  std::shared_ptr<Node>* node = Find(path);
  if (node == nullptr) return false;
  (*node)->attributes = attributes & ~static_cast<std::uint32_t>(kAttributeDirectory);
  return true;
}

std::uint32_t MemoryFileSystem::GetAttributes(const std::string& path) {
  if (DirectoryExists(path)) return kAttributeDirectory;
  std::shared_ptr<Node>* node = Find(path);
  if (node == nullptr) throw EInOutError(kErrorFileNotFound, path);
  return (*node)->attributes;
}

void MemoryFileSystem::RemoveFile(const std::string& path) {
  std::shared_ptr<Node>* node = Find(path);
  if (node == nullptr) throw EInOutError(kErrorFileNotFound, path);
  // As on Windows, only the handle of an exclusive open shares deletion.
  if ((*node)->opens > 0 && !(*node)->exclusive) throw EInOutError(kErrorSharingViolation, path);
  Change(EntryChange{{Entry{path, nullptr}}});
}

void MemoryFileSystem::RemoveFolder(const std::string& path) {
  auto it = std::find(folders_.begin(), folders_.end(), Key(path));
  if (it == folders_.end()) throw EInOutError(kErrorPathNotFound, path);
  if (!ListFolder(path).empty()) throw EInOutError(kErrorDirNotEmpty, path);
  folders_.erase(it);
}

void MemoryFileSystem::RenameOver(const std::string& from, const std::string& to) {
  std::shared_ptr<Node>* source = Find(from);
  if (source == nullptr) throw EInOutError(kErrorFileNotFound, from);
  if (!DirectoryExists(FolderOf(to))) throw EInOutError(kErrorPathNotFound, to);
  std::shared_ptr<Node>* target = Find(to);
  if (target != nullptr && target != source && (*target)->opens > 0) throw EInOutError(kErrorAccessDenied, to);
  std::shared_ptr<Node> node = *source;
  if (Key(from) == Key(to)) {
    Change(EntryChange{{Entry{to, node}}});
  } else {
    Change(EntryChange{{Entry{from, nullptr}, Entry{to, node}}});
  }
}

void MemoryFileSystem::FlushFolder(const std::string& path) {
  if (!DirectoryExists(path)) throw EInOutError(kErrorPathNotFound, path);
  durable_files_ = files_;
  journal_.clear();
}

std::unique_ptr<File> MemoryFileSystem::Open(const std::string& path, Access access, Share share,
                                             Disposition disposition) {
  std::shared_ptr<Node>* found = Find(path);
  if (found == nullptr && disposition == Disposition::kOpenExisting) {
    throw EInOutError(DirectoryExists(FolderOf(path)) ? kErrorFileNotFound : kErrorPathNotFound, path);
  }
  if (found != nullptr && disposition == Disposition::kCreateNew) throw EInOutError(kErrorFileExists, path);
  if (found == nullptr && !DirectoryExists(FolderOf(path))) throw EInOutError(kErrorPathNotFound, path);
  bool exclusive = share == Share::kExclusive;
  if (found != nullptr && ((*found)->exclusive || (exclusive && (*found)->opens > 0))) {
    throw EInOutError(kErrorSharingViolation, path);
  }
  if (found == nullptr) {
    Change(EntryChange{{Entry{path, std::make_shared<Node>()}}});
    found = Find(path);
  } else if (disposition == Disposition::kCreateAlways) {
    (*found)->bytes.clear();
  }
  return std::make_unique<MemoryHandle>(*found, exclusive, access == Access::kReadWrite);
}

std::vector<std::string> MemoryFileSystem::ListFolder(const std::string& path) {
  if (!DirectoryExists(path)) throw EInOutError(kErrorPathNotFound, path);
  const std::string folder = Key(Trimmed(path));
  std::vector<std::string> names;
  for (const auto& [key, entry] : files_) {
    if (Key(FolderOf(entry.path)) == folder) names.push_back(NameOf(entry.path));
  }
  for (const std::string& sub : folders_) {
    if (sub != folder && FolderOf(sub) == folder) names.push_back(NameOf(sub));
  }
  return names;
}

}  // namespace platform::testing
