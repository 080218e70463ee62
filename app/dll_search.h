// Where Windows looks for the DLLs the program loads: its system folder only. The program
// is started from install media, USB sticks, network and download folders, where anybody
// may have left a DLL named as one of Windows' own beside it.
#ifndef HINMEI_APP_DLL_SEARCH_H_
#define HINMEI_APP_DLL_SEARCH_H_

namespace app {

// Restricts the search for every DLL loaded from now on, by the program or by Windows'
// own DLLs on its behalf (the folder browser loads many), to the system folder. Where
// Windows lacks the means (Windows 7 without its update KB2533623), at least the working
// folder leaves the search. The DLLs the program imports are restricted the same way
// before it runs, by its load configuration (dll_search.cpp).
//
// Then loads, from the system folder, the DLLs that the windows' themes and the folder
// browser load later on: a system DLL that imports one of them finds the one already
// loaded, whatever search its own imports go through (Wine, for one, resolves the
// imports of the DLLs it loads for its display through the program's folder first).
void RestrictDllSearchToSystemFolder();

// The DLLs loaded from the system folder in advance.
inline constexpr const wchar_t* kPreloadedSystemDlls[] = {L"uxtheme.dll", L"msimg32.dll", L"dwmapi.dll",
                                                          L"propsys.dll", L"cryptbase.dll", L"profapi.dll"};

}  // namespace app

#endif  // HINMEI_APP_DLL_SEARCH_H_
