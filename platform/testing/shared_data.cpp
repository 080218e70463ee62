#include "platform/testing/shared_data.h"

#include <cstdlib>

#include "platform/file_system.h"

namespace platform::testing {

std::optional<std::string> SharedDir() {
  const char* from_env = std::getenv("HINMEI_SHARED_DIR");
  std::string dir = from_env && *from_env ? from_env : HINMEI_SHARED_DIR_DEFAULT;
#ifdef _WIN32
  // Wine sees the Unix root as drive Z:.
  if (!dir.empty() && dir[0] == '/') {
    for (char& c : dir) {
      if (c == '/') c = '\\';
    }
    dir = "Z:" + dir;
  }
#endif
  if (dir.empty() || !OsFileSystem().DirectoryExists(dir + "\\fixtures\\paradox")) {
    return std::nullopt;
  }
  return dir;
}

}  // namespace platform::testing
