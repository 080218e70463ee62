// Copying a medium file into a data folder so that a failure is told, not found later.
#ifndef HINMEI_INSTALL_CHECKED_COPY_H_
#define HINMEI_INSTALL_CHECKED_COPY_H_

#include <string>

#include "platform/file_system.h"

namespace install {

// Copies `from` over `to` as CopyFileOver does (attributes carried over), under a
// temporary name first: `to` is the old file or the whole copy, its data on disk, never
// part of it. The folder is not flushed: the caller flushes it once it has written all it
// writes there. A missing source copies nothing and is no failure: the callers test the
// sources that must be there and let the others miss silently. Any other failure of the
// copy (a full or read-only disk) throws EInOutError with the operating system's code,
// found by copying once more through the file interface; a file that another program
// holds is the engine's "in use" error.
void CopyFileChecked(platform::FileSystem& fs, const std::string& from, const std::string& to);

}  // namespace install

#endif  // HINMEI_INSTALL_CHECKED_COPY_H_
