#include "platform/testing/temp_folder.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/file_system.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32_text.h"
#else
#include <unistd.h>
#endif

namespace platform::testing {
namespace {

std::string TempRoot() {
#ifdef _WIN32
  wchar_t buffer[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  std::string root = Narrow(std::wstring(buffer, n));
  while (!root.empty() && root.back() == '\\') root.pop_back();
  return root;
#else
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
#endif
}

long ProcessId() {
#ifdef _WIN32
  return static_cast<long>(GetCurrentProcessId());
#else
  return static_cast<long>(getpid());
#endif
}

}  // namespace

TempFolder::TempFolder() {
  static std::atomic<int> serial{0};
  FileSystem& fs = OsFileSystem();
  // Wine repeats process ids across fresh servers, so a clock reading joins the id.
  auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0;; ++attempt) {
    path_ = TempRoot() + "\\hinmei-test-" + std::to_string(ProcessId()) + "-" +
            std::to_string(ticks % 1000000007) + "-" + std::to_string(serial++);
    if (!fs.DirectoryExists(path_) && fs.ForceDirectories(path_)) return;
    if (attempt > 100) std::abort();
  }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void RemoveTree(const std::string& path) {
  FileSystem& fs = OsFileSystem();
  if (!fs.DirectoryExists(path)) return;
  for (const std::string& name : fs.ListFolder(path)) {
    std::string child = path + '\\' + name;
    if (fs.DirectoryExists(child)) {
      RemoveTree(child);
    } else {
      fs.SetAttributes(child, kAttributeArchive);
      try {
        fs.RemoveFile(child);
      } catch (...) {
      }
    }
  }
  try {
    fs.RemoveFolder(path);
  } catch (...) {
  }
}

}  // namespace platform::testing
