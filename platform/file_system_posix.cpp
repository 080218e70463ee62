// The POSIX file system: CP932 paths become UTF-8 with '/' delimiters, errno becomes the
// Windows error code of the same failure, Windows share modes are emulated with flock(2)
// and the hidden, system and archive attributes are kept where Wine keeps them (the
// "user.DOSATTRIB" extended attribute), so that files written here read the same under
// Wine.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/background_flush_posix.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/file_system.h"
#include "platform/os_error.h"

namespace platform {
namespace {

constexpr char kDosAttributeName[] = "user.DOSATTRIB";
constexpr std::uint32_t kXattrBits = kAttributeHidden | kAttributeSystem | kAttributeArchive;

int WindowsCode(int error) {
  switch (error) {
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return kErrorAccessDenied;
    case EROFS: return kErrorWriteProtect;
    case EMFILE:
    case ENFILE: return kErrorTooManyOpenFiles;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return kErrorDiskFull;
    case EEXIST: return kErrorFileExists;
    case ENAMETOOLONG: return kErrorFilenameTooLong;
    case EWOULDBLOCK: return kErrorSharingViolation;
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case EINVAL: return kErrorInvalidParameter;
    case ENOMEM: return kErrorNotEnoughMemory;
    default: return 1117;  // ERROR_IO_DEVICE
  }
}

// A path that is not valid CP932 names nothing on Windows either.
bool TryNativePath(const std::string& path, std::string* native) {
  try {
    *native = Cp932ToUtf8(path);
  } catch (const EConvertError&) {
    return false;
  }
  for (char& c : *native) {
    if (c == '\\') c = '/';
  }
  return !native->empty();
}

std::string NativePath(const std::string& path) {
  std::string native;
  if (!TryNativePath(path, &native)) throw EInOutError(kErrorInvalidName, path);
  return native;
}

[[noreturn]] void ThrowErrno(const std::string& path) {
  throw EInOutError(WindowsCode(errno), path);
}

std::string ParentOf(const std::string& native) {
  std::size_t end = native.find_last_not_of('/');
  if (end == std::string::npos) return {};
  std::size_t slash = native.rfind('/', end);
  if (slash == std::string::npos) return {};
  std::size_t parent_end = native.find_last_not_of('/', slash);
  return parent_end == std::string::npos ? "/" : native.substr(0, parent_end + 1);
}

bool IsFolder(const std::string& native) {
  struct stat st;
  return stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Windows answers "path not found" when a parent folder is missing.
int MissingCode(const std::string& native) {
  std::string parent = ParentOf(native);
  return parent.empty() || IsFolder(parent) ? kErrorFileNotFound : kErrorPathNotFound;
}

std::uint32_t ReadXattrBits(const std::string& native) {
  char value[32] = {};
  ssize_t n = getxattr(native.c_str(), kDosAttributeName, value, sizeof value - 1);
  if (n <= 0) return 0;
  value[n] = '\0';
  return static_cast<std::uint32_t>(std::strtoul(value, nullptr, 0)) & kXattrBits;
}

bool WriteXattrBits(const std::string& native, std::uint32_t bits) {
  if (bits == 0) {
    return removexattr(native.c_str(), kDosAttributeName) == 0 || errno == ENODATA ||
           errno == ENOTSUP;
  }
  char value[16];
  int n = std::snprintf(value, sizeof value, "0x%x", bits);
  return setxattr(native.c_str(), kDosAttributeName, value, static_cast<std::size_t>(n), 0) == 0 ||
         errno == ENOTSUP;
}

class PosixFile final : public File {
 public:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  std::uint64_t Size() override {
    struct stat st;
    if (fstat(fd_, &st) != 0) ThrowErrno(path_);
    return static_cast<std::uint64_t>(st.st_size);
  }

  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
    std::size_t done = 0;
    while (done < length) {
      ssize_t n = pread(fd_, static_cast<char*>(buffer) + done, length - done,
                        static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ThrowErrno(path_);
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return done;
  }

  void WriteAt(std::uint64_t offset, const void* data, std::size_t length) override {
    std::size_t done = 0;
    while (done < length) {
      ssize_t n = pwrite(fd_, static_cast<const char*>(data) + done, length - done,
                         static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ThrowErrno(path_);
      done += static_cast<std::size_t>(n);
    }
  }

  void Truncate(std::uint64_t size) override {
    if (ftruncate(fd_, static_cast<off_t>(size)) != 0) ThrowErrno(path_);
  }

  void BeginFlush() override { StartBackgroundFlush(fd_); }

  void Flush() override {
    if (int error = FinishBackgroundFlushes(fd_)) {
      errno = error;
      ThrowErrno(path_);
    }
    if (fdatasync(fd_) != 0) ThrowErrno(path_);
  }

  void Close() override {
    int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0) ThrowErrno(path_);
  }

 private:
  int fd_;
  std::string path_;  // CP932, for messages
};

class PosixFileSystem final : public FileSystem {
 public:
  bool FileExists(const std::string& path) override {
    std::string native;
    struct stat st;
    return TryNativePath(path, &native) && stat(native.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  }

  bool DirectoryExists(const std::string& path) override {
    std::string native;
    return TryNativePath(path, &native) && IsFolder(native);
  }

  bool ForceDirectories(const std::string& path) override {
    std::string native;
    return TryNativePath(path, &native) && MakeFolders(native);
  }

  bool CopyFileOver(const std::string& from, const std::string& to) override {
    std::string source, target;
    if (!TryNativePath(from, &source) || !TryNativePath(to, &target)) return false;
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st;
    bool ok = fstat(in, &st) == 0 && S_ISREG(st.st_mode);
    int out = ok ? ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    ok = out >= 0 && CopyContents(in, out, static_cast<std::uint64_t>(st.st_size));
    if (out >= 0) {
      // Windows' CopyFile carries the attributes and the last-write time over.
      struct timespec times[2] = {st.st_atim, st.st_mtim};
      ok = ok && fchmod(out, st.st_mode & 07777) == 0 && futimens(out, times) == 0;
      ok = ::close(out) == 0 && ok;
    }
    ::close(in);
    return ok && WriteXattrBits(target, ReadXattrBits(source));
  }

  bool SetAttributes(const std::string& path, std::uint32_t attributes) override {
    std::string native;
    struct stat st;
    if (!TryNativePath(path, &native) || stat(native.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & kAttributeReadOnly) ? (mode & ~0222) : (mode | S_IWUSR);
    return chmod(native.c_str(), mode) == 0 && WriteXattrBits(native, attributes & kXattrBits);
  }

  std::uint32_t GetAttributes(const std::string& path) override {
    std::string native = NativePath(path);
    struct stat st;
    if (stat(native.c_str(), &st) != 0) {
      throw EInOutError(errno == ENOENT ? MissingCode(native) : WindowsCode(errno), path);
    }
    std::uint32_t bits = ReadXattrBits(native);
    if (S_ISDIR(st.st_mode)) bits |= kAttributeDirectory;
    if (!(st.st_mode & S_IWUSR)) bits |= kAttributeReadOnly;
    return bits;
  }

  void RemoveFile(const std::string& path) override {
    std::string native = NativePath(path);
    if (IsFolder(native)) throw EInOutError(kErrorAccessDenied, path);
    if (unlink(native.c_str()) != 0) Fail(native, path);
  }

  void RemoveFolder(const std::string& path) override {
    std::string native = NativePath(path);
    if (rmdir(native.c_str()) != 0) Fail(native, path);
  }

  void RenameOver(const std::string& from, const std::string& to) override {
    std::string source = NativePath(from);
    std::string target = NativePath(to);
    if (rename(source.c_str(), target.c_str()) != 0) Fail(source, from);
  }

  void FlushFolder(const std::string& path) override {
    std::string native = NativePath(path);
    int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) Fail(native, path);
    int result = fsync(fd);
    int error = errno;
    ::close(fd);
    // Some file systems cannot flush a folder on its own and keep their entries in order
    // anyway; only a failure to write counts.
    if (result != 0 && error != EINVAL && error != ENOTSUP) {
      errno = error;
      ThrowErrno(path);
    }
  }

  std::unique_ptr<File> Open(const std::string& path, Access access, Share share,
                             Disposition disposition) override {
    std::string native = NativePath(path);
    int flags = O_CLOEXEC | (access == Access::kRead ? O_RDONLY : O_RDWR);
    if (disposition == Disposition::kCreateAlways) flags |= O_CREAT;
    if (disposition == Disposition::kCreateNew) flags |= O_CREAT | O_EXCL;
    if (IsFolder(native)) throw EInOutError(kErrorAccessDenied, path);
    int fd = ::open(native.c_str(), flags, 0644);
    if (fd < 0) Fail(native, path);
    auto file = std::make_unique<PosixFile>(fd, path);
    // Any open conflicts with an exclusive one, as on Windows.
    int lock = share == Share::kExclusive ? LOCK_EX : LOCK_SH;
    if (flock(fd, lock | LOCK_NB) != 0) {
      throw EInOutError(errno == EWOULDBLOCK ? kErrorSharingViolation : WindowsCode(errno), path);
    }
    // Truncate only once the lock is held: a file another program holds stays as it was.
    if (disposition == Disposition::kCreateAlways) file->Truncate(0);
    return file;
  }

  std::vector<std::string> ListFolder(const std::string& path) override {
    std::string native = NativePath(path);
    DIR* dir = opendir(native.c_str());
    // A missing folder is a path not found, as FindFirstFile reports it.
    if (dir == nullptr && errno == ENOENT) throw EInOutError(kErrorPathNotFound, path);
    if (dir == nullptr) Fail(native, path);
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      try {
        names.push_back(Utf8ToCp932(name));
      } catch (const EConvertError&) {
      }
    }
    closedir(dir);
    return names;
  }

 private:
  [[noreturn]] static void Fail(const std::string& native, const std::string& path) {
    int error = errno;
    throw EInOutError(error == ENOENT ? MissingCode(native) : WindowsCode(error), path);
  }

  static bool MakeFolders(const std::string& native) {
    if (IsFolder(native)) return true;
    std::string parent = ParentOf(native);
    if (!parent.empty() && !MakeFolders(parent)) return false;
    return mkdir(native.c_str(), 0777) == 0 || (errno == EEXIST && IsFolder(native));
  }

  // Copies in pieces and starts the disk writing each piece as soon as it is copied, so
  // that a flush of the copy later finds most of it written.
  static bool CopyContents(int in, int out, std::uint64_t size) {
    constexpr std::uint64_t kWritebackChunk = 4 << 20;
    std::uint64_t left = size;
    while (left > 0) {
      ssize_t n = copy_file_range(in, nullptr, out, nullptr, std::min(left, kWritebackChunk), 0);
      if (n <= 0) break;
      sync_file_range(out, static_cast<off_t>(size - left), n, SYNC_FILE_RANGE_WRITE);
      left -= static_cast<std::uint64_t>(n);
    }
    if (left == 0) return true;
    // copy_file_range is refused across some file systems: copy the rest by hand.
    std::vector<char> buffer(1 << 20);
    off_t offset = static_cast<off_t>(size - left);
    for (;;) {
      ssize_t n = pread(in, buffer.data(), buffer.size(), offset);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) return true;
      for (ssize_t done = 0; done < n;) {
        ssize_t w = pwrite(out, buffer.data() + done, static_cast<std::size_t>(n - done), offset + done);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) return false;
        done += w;
      }
      offset += n;
    }
  }
};

}  // namespace

FileSystem& OsFileSystem() {
  static PosixFileSystem instance;
  return instance;
}

std::string SystemTemporaryFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = tmp && *tmp ? tmp : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  try {
    return Utf8ToCp932(folder);
  } catch (const EConvertError&) {
    return "/tmp";
  }
}

}  // namespace platform
