// Loads each DLL named on the command line as a program does that leaves the search order
// as Windows sets it, and prints where each came from: the control of the planting test,
// showing that a DLL planted beside a program is loaded unless the program prevents it.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) {
    wchar_t path[MAX_PATH] = L"";
    if (HMODULE module = LoadLibraryW(argv[i])) GetModuleFileNameW(module, path, MAX_PATH);
    std::wprintf(L"%ls: %ls\n", argv[i], path);
  }
  return 0;
}
