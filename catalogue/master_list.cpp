#include "catalogue/master_list.h"

#include "platform/exceptions.h"

namespace catalogue {

MasterEntry InMemoryMasterList::Entry(int i) const {
  if (i < 0 || i >= static_cast<int>(rows.size())) throw platform::EListError(i);
  const Row& row = rows[static_cast<std::size_t>(i)];
  for (int sub = 0; sub < 2; ++sub) {
    if (sub >= static_cast<int>(row.sub_items.size())) throw platform::EListError(sub);
  }
  if (i >= static_cast<int>(source_dirs.size())) throw platform::EListError(i);
  return MasterEntry{i + 1, row.sub_items[0], row.sub_items[1], row.ticked,
                     source_dirs[static_cast<std::size_t>(i)]};
}

}  // namespace catalogue
