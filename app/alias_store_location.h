// Where the engine keeps its persistent alias configuration for the user running us.
#ifndef HINMEI_APP_ALIAS_STORE_LOCATION_H_
#define HINMEI_APP_ALIAS_STORE_LOCATION_H_

#include <string>

#include "platform/file_system.h"

namespace app {

// "<application data>\HinmeiInstall\aliases.cfg" of the current user, its folder created.
// Where that folder has no CP932 form or cannot be created, the same name under the
// user's temporary folder.
std::string AliasStorePath(platform::FileSystem& fs);

}  // namespace app

#endif  // HINMEI_APP_ALIAS_STORE_LOCATION_H_
