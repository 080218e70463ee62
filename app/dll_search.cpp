#include "app/dll_search.h"

#include <windows.h>

// The program's load configuration. Its DependentLoadFlags tell the loader (Windows 10
// 1607 and later) to look for the DLLs the program imports in the system folder only,
// before any code of the program runs. The linker of this toolchain has no option for
// it, so the structure is the program's own, and cmake/set-load-config.py enters it in
// the program's headers after the link.
// The loader reads it from the file, so it is constant-initialised.
namespace {
constexpr IMAGE_LOAD_CONFIG_DIRECTORY64 LoadConfiguration() {
  IMAGE_LOAD_CONFIG_DIRECTORY64 config{};
  config.Size = sizeof config;
  config.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32;  // DependentLoadFlags, at 0x4E
  return config;
}
}  // namespace
extern "C" constinit const IMAGE_LOAD_CONFIG_DIRECTORY64 _load_config_used = LoadConfiguration();

namespace app {

void RestrictDllSearchToSystemFolder() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  // Looked up, not imported: the program also starts where the function is missing.
  auto set_default_directories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (!set_default_directories || !set_default_directories(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
  // A DLL this Windows does not have is no failure: nothing will ask for it either.
  for (const wchar_t* name : kPreloadedSystemDlls) LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace app
