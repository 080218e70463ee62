#include "install/table_indexes.h"

#include <string>

namespace install {

void BuildIndexes(engine::TTable& table, const catalogue::TableIndexes& indexes) {
  for (const catalogue::IndexDefinition& index : indexes.indexes) {
    engine::IndexOptions options = 0;
    if (index.primary) options |= engine::ixPrimary;
    if (index.case_insensitive) options |= engine::ixCaseInsensitive;
    table.BuildIndex(std::string(index.name), std::string(index.fields), options);
  }
  table.RefreshIndexDefs();
}

}  // namespace install
