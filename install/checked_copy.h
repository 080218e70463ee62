// Copying a medium file into a data folder so that a failure is told, not found later.
#ifndef HINMEI_INSTALL_CHECKED_COPY_H_
#define HINMEI_INSTALL_CHECKED_COPY_H_

#include <string>

#include "platform/file_system.h"

namespace install {

// Copies `from` over `to` as CopyFileOver does (attributes carried over). A missing source
// copies nothing and is no failure: the callers test the sources that must be there and
// let the others miss silently. Any other failure (a full or read-only disk, a file that
// another program holds) throws EInOutError with the operating system's code, found by
// copying once more through the file interface, and leaves no partial copy at `to`.
void CopyFileChecked(platform::FileSystem& fs, const std::string& from, const std::string& to);

}  // namespace install

#endif  // HINMEI_INSTALL_CHECKED_COPY_H_
