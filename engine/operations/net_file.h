// The engine's shared-access control file in a session's NetFileDir.
//
// The original engine keeps PDOXUSRS.NET there; we must not, since a second .NET file
// in the application's data folders makes the original engine refuse them ("Multiple
// .NET files in use"). Ours is HINMEI.NET: every active session of ours holds it open
// for shared use, and the last one to let go removes it.
#ifndef HINMEI_ENGINE_OPERATIONS_NET_FILE_H_
#define HINMEI_ENGINE_OPERATIONS_NET_FILE_H_

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace engine {

inline constexpr char kNetFileName[] = "HINMEI.NET";

class NetFileHold {
 public:
  // Opens (creating when missing) the control file in `folder`.
  NetFileHold(platform::FileSystem& fs, const std::string& folder);
  // Lets go, and removes the file when no other holder is left.
  ~NetFileHold();
  NetFileHold(const NetFileHold&) = delete;
  NetFileHold& operator=(const NetFileHold&) = delete;

  const std::string& path() const { return path_; }

 private:
  platform::FileSystem& fs_;
  std::string path_;
  std::unique_ptr<platform::File> file_;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_OPERATIONS_NET_FILE_H_
