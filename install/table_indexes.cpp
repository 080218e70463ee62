#include "install/table_indexes.h"

#include <string>
#include <vector>

namespace install {

void BuildIndexes(engine::TTable& table, const catalogue::TableIndexes& indexes, engine::TableFiles files) {
  std::vector<engine::IndexRequest> requests;
  for (const catalogue::IndexDefinition& index : indexes.indexes) {
    engine::IndexOptions options = 0;
    if (index.primary) options |= engine::ixPrimary;
    if (index.case_insensitive) options |= engine::ixCaseInsensitive;
    requests.push_back({std::string(index.name), std::string(index.fields), options});
  }
  table.BuildIndexes(requests, files);
  table.RefreshIndexDefs();
}

}  // namespace install
