// The resources of the built HinmeiInstall.exe: the version block, the icon and the
// manifest; and its load configuration, which keeps the loader from taking the DLLs it
// imports from anywhere but the system folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32_text.h"
#include "ui/ui_texts.h"

namespace {

// The program as the test sees it under Wine: its Unix path on drive Z:.
std::wstring ProgramPath() {
  std::wstring path = L"Z:" + platform::Wide(HINMEI_INSTALL_EXE);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::wstring VersionString(const std::vector<char>& block, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  std::wstring query = std::wstring(L"\\StringFileInfo\\041103A4\\") + name;
  if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0) return L"";
  return static_cast<const wchar_t*>(value);
}

TEST(ProgramResources, VersionBlockIsJapaneseWithVersion1010) {
  std::wstring program = ProgramPath();
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00010000u);  // .1.0
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00010000u);

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(translation[0], 0x0411);
  EXPECT_EQ(translation[1], 932);

  EXPECT_EQ(VersionString(block, L"FileVersion"), L"1.0.1.0");
  EXPECT_EQ(VersionString(block, L"ProductVersion"), L"1.0.1.0");
  EXPECT_EQ(VersionString(block, L"FileDescription"), platform::Wide(ui::texts::ApplicationTitle()));
}

TEST(ProgramResources, CarriesItsIconAndTheCommonControlsManifest) {
  HMODULE program = LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr);
  EXPECT_NE(FindResourceW(program, MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
  HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_NE(found, nullptr);
  const char* data = static_cast<const char*>(LockResource(LoadResource(program, found)));
  std::string manifest(data, SizeofResource(program, found));
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
  EXPECT_NE(manifest.find("asInvoker"), std::string::npos);
  FreeLibrary(program);
}

// The program's load configuration, found through its PE headers in the file.
TEST(ProgramResources, ItsImportsAreSearchedForInTheSystemFolderOnly) {
  std::ifstream in(HINMEI_INSTALL_EXE, std::ios::binary);
  const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(file.size(), 0x400u);
  auto at = [&](std::size_t offset, auto value) {
    std::memcpy(&value, file.data() + offset, sizeof value);
    return value;
  };
  const auto nt = static_cast<std::size_t>(at(offsetof(IMAGE_DOS_HEADER, e_lfanew), LONG{}));
  const auto headers = at(nt, IMAGE_NT_HEADERS64{});
  ASSERT_EQ(headers.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
  const IMAGE_DATA_DIRECTORY directory = headers.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG];
  ASSERT_NE(directory.VirtualAddress, 0u) << "the program has no load configuration";
  // The file offset of the directory's address, through the section that holds it.
  const std::size_t sections = nt + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + headers.FileHeader.SizeOfOptionalHeader;
  std::size_t offset = 0;
  for (int i = 0; i < headers.FileHeader.NumberOfSections; ++i) {
    const auto section = at(sections + i * sizeof(IMAGE_SECTION_HEADER), IMAGE_SECTION_HEADER{});
    if (directory.VirtualAddress >= section.VirtualAddress &&
        directory.VirtualAddress < section.VirtualAddress + section.Misc.VirtualSize) {
      offset = directory.VirtualAddress - section.VirtualAddress + section.PointerToRawData;
    }
  }
  ASSERT_NE(offset, 0u);
  const auto config = at(offset, IMAGE_LOAD_CONFIG_DIRECTORY64{});
  EXPECT_GE(config.Size, offsetof(IMAGE_LOAD_CONFIG_DIRECTORY64, Reserved1) + sizeof config.Reserved1);
  EXPECT_EQ(config.Reserved1, LOAD_LIBRARY_SEARCH_SYSTEM32) << "DependentLoadFlags";
}

}  // namespace
