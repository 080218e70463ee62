#include "app/alias_store_location.h"

#include <windows.h>
#include <shlobj.h>

#include <optional>

#include "platform/exceptions.h"
#include "platform/win32_text.h"

namespace app {
namespace {

constexpr char kFolderName[] = "HinmeiInstall";
constexpr char kFileName[] = "aliases.cfg";

// A folder's CP932 path; its short form when the long one has characters CP932 lacks.
std::optional<std::string> Cp932Folder(const std::wstring& folder) {
  try {
    return platform::Narrow(folder);
  } catch (const platform::EConvertError&) {
  }
  wchar_t short_path[MAX_PATH];
  DWORD n = GetShortPathNameW(folder.c_str(), short_path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::nullopt;
  try {
    return platform::Narrow(std::wstring(short_path, n));
  } catch (const platform::EConvertError&) {
    return std::nullopt;
  }
}

std::optional<std::string> StoreIn(platform::FileSystem& fs, const std::optional<std::string>& base) {
  if (!base || base->empty()) return std::nullopt;
  std::string folder = *base;
  if (folder.back() != '\\') folder += '\\';
  folder += kFolderName;
  if (!fs.ForceDirectories(folder)) return std::nullopt;
  return folder + '\\' + kFileName;
}

}  // namespace

std::string AliasStorePath(platform::FileSystem& fs) {
  wchar_t app_data[MAX_PATH];
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                 app_data))) {
    if (auto path = StoreIn(fs, Cp932Folder(app_data))) return *path;
  }
  wchar_t temp[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  if (auto path = StoreIn(fs, Cp932Folder(std::wstring(temp, n)))) return *path;
  return kFileName;  // the working folder, as a last resort
}

}  // namespace app
