// The Windows file system: CP932 paths converted with code page 932, W functions only.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/exceptions.h"
#include "platform/file_system.h"
#include "platform/os_error.h"
#include "platform/win32_text.h"

namespace platform {
namespace {

bool TryWidePath(const std::string& path, std::wstring* wide) {
  try {
    *wide = Wide(path);
  } catch (const EConvertError&) {
    return false;
  }
  return !wide->empty();
}

std::wstring WidePath(const std::string& path) {
  std::wstring wide;
  if (!TryWidePath(path, &wide)) throw EInOutError(kErrorInvalidName, path);
  return wide;
}

[[noreturn]] void ThrowLastError(const std::string& path) {
  throw EInOutError(static_cast<int>(GetLastError()), path);
}

DWORD Attributes(const std::wstring& wide) { return GetFileAttributesW(wide.c_str()); }

bool IsFolder(const std::wstring& wide) {
  DWORD attributes = Attributes(wide);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The parent of a folder path, or empty at a root ("C:", "C:\", "\\server\share").
std::wstring ParentOf(const std::wstring& wide) {
  std::size_t end = wide.find_last_not_of(L"\\/");
  if (end == std::wstring::npos) return {};
  std::size_t slash = wide.find_last_of(L"\\/", end);
  if (slash == std::wstring::npos) return {};
  std::size_t parent_end = wide.find_last_not_of(L"\\/", slash);
  if (parent_end == std::wstring::npos) return {};
  std::wstring parent = wide.substr(0, parent_end + 1);
  if (parent.size() == 2 && parent[1] == L':') return {};
  return parent;
}

bool MakeFolders(const std::wstring& wide) {
  if (IsFolder(wide)) return true;
  std::wstring parent = ParentOf(wide);
  if (!parent.empty() && !MakeFolders(parent)) return false;
  return CreateDirectoryW(wide.c_str(), nullptr) ||
         (GetLastError() == ERROR_ALREADY_EXISTS && IsFolder(wide));
}

class Win32File final : public File {
 public:
  Win32File(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  ~Win32File() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }

  std::uint64_t Size() override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) ThrowLastError(path_);
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
    std::size_t done = 0;
    while (done < length) {
      OVERLAPPED at = Position(offset + done);
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(length - done, 1u << 30));
      DWORD read = 0;
      if (!ReadFile(handle_, static_cast<char*>(buffer) + done, chunk, &read, &at)) {
        if (GetLastError() == ERROR_HANDLE_EOF) break;
        ThrowLastError(path_);
      }
      if (read == 0) break;
      done += read;
    }
    return done;
  }

  void WriteAt(std::uint64_t offset, const void* data, std::size_t length) override {
    std::size_t done = 0;
    while (done < length) {
      OVERLAPPED at = Position(offset + done);
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(length - done, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(handle_, static_cast<const char*>(data) + done, chunk, &written, &at)) {
        ThrowLastError(path_);
      }
      if (written == 0) throw EInOutError(kErrorDiskFull, path_);
      done += written;
    }
  }

  void Truncate(std::uint64_t size) override {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_)) {
      ThrowLastError(path_);
    }
  }

  void Flush() override {
    if (!FlushFileBuffers(handle_)) ThrowLastError(path_);
  }

  void Close() override {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    if (handle != INVALID_HANDLE_VALUE && !CloseHandle(handle)) ThrowLastError(path_);
  }

 private:
  static OVERLAPPED Position(std::uint64_t offset) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
  }

  HANDLE handle_;
  std::string path_;  // CP932, for messages
};

class Win32FileSystem final : public FileSystem {
 public:
  bool FileExists(const std::string& path) override {
    std::wstring wide;
    if (!TryWidePath(path, &wide)) return false;
    DWORD attributes = Attributes(wide);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool DirectoryExists(const std::string& path) override {
    std::wstring wide;
    return TryWidePath(path, &wide) && IsFolder(wide);
  }

  bool ForceDirectories(const std::string& path) override {
    std::wstring wide;
    return TryWidePath(path, &wide) && MakeFolders(wide);
  }

  bool CopyFileOver(const std::string& from, const std::string& to) override {
    std::wstring source, target;
    return TryWidePath(from, &source) && TryWidePath(to, &target) &&
           CopyFileW(source.c_str(), target.c_str(), FALSE);
  }

  bool SetAttributes(const std::string& path, std::uint32_t attributes) override {
    std::wstring wide;
    return TryWidePath(path, &wide) && SetFileAttributesW(wide.c_str(), attributes);
  }

  std::uint32_t GetAttributes(const std::string& path) override {
    DWORD attributes = Attributes(WidePath(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) ThrowLastError(path);
    return attributes;
  }

  void RemoveFile(const std::string& path) override {
    if (!DeleteFileW(WidePath(path).c_str())) ThrowLastError(path);
  }

  void RemoveFolder(const std::string& path) override {
    if (!RemoveDirectoryW(WidePath(path).c_str())) ThrowLastError(path);
  }

  // With MOVEFILE_WRITE_THROUGH the rename is on disk when the call returns.
  void RenameOver(const std::string& from, const std::string& to) override {
    if (!MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      ThrowLastError(from);
    }
  }

  // NTFS flushes a folder opened for writing as a folder handle, and with it the
  // volume's log of entry changes. File systems that cannot (FAT, most network shares)
  // refuse with one of the codes passed over here; renames are written through on their
  // own, so what is left is a new file's entry, which such a file system orders anyway.
  void FlushFolder(const std::string& path) override {
    HANDLE folder = CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      if (error == ERROR_ACCESS_DENIED) return;
      throw EInOutError(static_cast<int>(error), path);
    }
    BOOL flushed = FlushFileBuffers(folder);
    DWORD error = GetLastError();
    CloseHandle(folder);
    if (!flushed && error != ERROR_ACCESS_DENIED && error != ERROR_INVALID_FUNCTION &&
        error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED) {
      throw EInOutError(static_cast<int>(error), path);
    }
  }

  std::unique_ptr<File> Open(const std::string& path, Access access, Share share,
                             Disposition disposition) override {
    DWORD desired = access == Access::kRead ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    DWORD share_mode = share == Share::kReadWrite ? FILE_SHARE_READ | FILE_SHARE_WRITE
                       : share == Share::kRead    ? FILE_SHARE_READ
                                                  : FILE_SHARE_DELETE;
    DWORD creation = disposition == Disposition::kOpenExisting  ? OPEN_EXISTING
                     : disposition == Disposition::kCreateNew ? CREATE_NEW
                                                              : CREATE_ALWAYS;
    HANDLE handle = CreateFileW(WidePath(path).c_str(), desired, share_mode, nullptr, creation,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) ThrowLastError(path);
    return std::make_unique<Win32File>(handle, path);
  }

  std::vector<std::string> ListFolder(const std::string& path) override {
    std::wstring pattern = WidePath(path);
    if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_NOT_FOUND) return {};
      ThrowLastError(path);
    }
    std::vector<std::string> names;
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      try {
        names.push_back(Narrow(name));
      } catch (const EConvertError&) {
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
  }
};

}  // namespace

FileSystem& OsFileSystem() {
  static Win32FileSystem instance;
  return instance;
}

std::string SystemTemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  std::wstring folder(buffer, n > MAX_PATH ? 0 : n);
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  try {
    return Narrow(folder);
  } catch (const EConvertError&) {
    // A user folder CP932 cannot hold: its short form can.
    wchar_t short_path[MAX_PATH];
    DWORD length = GetShortPathNameW(folder.c_str(), short_path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? Narrow(std::wstring(short_path, length)) : "C:\\Windows\\Temp";
  }
}

}  // namespace platform
