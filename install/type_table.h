// The replacement of the type table in the type-settings folder.
#ifndef HINMEI_INSTALL_TYPE_TABLE_H_
#define HINMEI_INSTALL_TYPE_TABLE_H_

#include "install/master_copy.h"

namespace install {

// Replaces the type-settings folder's type table with the medium's and gives it its
// primary index. The old table is kept until the medium's copy is in place and indexed:
// the copy is made and indexed under a temporary name beside it and its family is then
// swapped in whole, so a failure at any step leaves the old table usable. A missing
// source is logged (message, then the path) and nothing is touched; a type-settings
// folder without a type table is an engine error before anything is copied.
void ReplaceTypeTable(InstallContext& context);

}  // namespace install

#endif  // HINMEI_INSTALL_TYPE_TABLE_H_
