// The install run: what the Install button does, from its three checks to the last
// step of its clean-up.
#ifndef HINMEI_INSTALL_INSTALL_RUN_H_
#define HINMEI_INSTALL_INSTALL_RUN_H_

#include "install/engine_components.h"
#include "install/install_window.h"
#include "platform/file_system.h"

namespace install {

// Runs the whole install on the window's state: refuses when nothing is ticked, when the
// management table is missing, or when the type-settings folder is missing although the
// type table is to be replaced; sets up the engine; refuses when a ticked destination
// already holds a master; creates the missing destination folders; copies and registers
// every ticked master; replaces the type table when CbHsy is ticked; shows the error log
// when anything was logged; closes the main window. Failures propagate after the run's
// clean-up.
void Button1Click(InstallWindow& window, EngineComponents& components, platform::FileSystem& fs);

}  // namespace install

#endif  // HINMEI_INSTALL_INSTALL_RUN_H_
