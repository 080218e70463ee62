#include "platform/testing/temp_folder.h"

#include "platform/file_system.h"

namespace platform::testing {

TempFolder::TempFolder() : path_(MakeTemporaryFolder(OsFileSystem(), "hinmei-test")) {}

TempFolder::~TempFolder() { RemoveTree(path_); }

void RemoveTree(const std::string& path) { RemoveFolderTree(OsFileSystem(), path); }

}  // namespace platform::testing
