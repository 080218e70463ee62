// The copy of one master from the medium into its destination folder.
#ifndef HINMEI_INSTALL_MASTER_COPY_H_
#define HINMEI_INSTALL_MASTER_COPY_H_

#include <string>

#include "install/engine_components.h"
#include "install/install_window.h"
#include "platform/file_system.h"

namespace install {

// What the copy of a master and of the type table work with during a run.
struct InstallContext {
  InstallWindow& window;
  EngineComponents& components;
  platform::FileSystem& fs;
  ErrorLog& log;
};

// Copies `from` over `to` as CopyFileChecked does. A failure is told as the engine tells
// a failed file operation: the operating system's message, the file written, and what
// to do (free disk space, allow writing, close the estimating application).
void CopyFileTold(platform::FileSystem& fs, const std::string& from, const std::string& to);

// True when the folder already holds a master: one of its item, classification or set
// item-number tables exists in it (tested in that order).
bool MasterExists(platform::FileSystem& fs, const std::string& destination);

// Copies the master's three tables from the medium's `source_subfolder` into the existing
// folder `destination` and has their indexes built; a missing source table is logged
// (message, then the path looked for) and skips only its own table. When the run's log is
// still empty afterwards, also copies the unit table from the management folder (indexed)
// and the two load-definition files, and answers true: the master may be registered.
// Otherwise logs why the unit table was not copied and answers false. Engine failures
// propagate.
bool InstallMaster(InstallContext& context, const std::string& destination,
                   const std::string& source_subfolder);

}  // namespace install

#endif  // HINMEI_INSTALL_MASTER_COPY_H_
