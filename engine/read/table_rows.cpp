#include "engine/read/table_rows.h"

#include <memory>

#include "engine/errors.h"
#include "engine/family.h"
#include "engine/format/field_codec.h"
#include "engine/read/memo_file.h"
#include "engine/read/table_file.h"
#include "engine/write/pending_changes.h"

namespace engine {
namespace {

std::unique_ptr<platform::File> OpenShared(platform::FileSystem& fs, const std::string& path) {
  return TranslateFileErrors(path, [&] {
    return fs.Open(path, platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
  });
}

}  // namespace

void ForEachRow(platform::FileSystem& fs, const std::string& db_path, const std::function<void(const Row&)>& visit) {
  Family family = OpenFamily(fs, db_path);
  if (!family.exists()) ThrowNoSuchTable(TablePath(db_path));
  MemberFile db = MemberFile::Load(*OpenShared(fs, family.db), family.db);
  std::unique_ptr<platform::File> mb;
  if (!family.mb.empty()) mb = OpenShared(fs, family.mb);
  Row row;
  for (std::size_t i = 0; i < db.size(); ++i) {
    row.clear();
    for (const format::FieldDescriptor& field : db.header().fields()) {
      const char* data = db.record(i) + field.offset;
      if (!format::IsBlob(field.type)) {
        row.push_back(format::DecodeField(field, data));
      } else if (format::IsBlank(data, field.size)) {
        row.emplace_back();
      } else {
        row.push_back(FieldValue::Text(ReadBlob(mb.get(), family.mb, field, data)));
      }
    }
    visit(row);
  }
}

std::vector<Row> ReadAllRows(platform::FileSystem& fs, const std::string& db_path) {
  std::vector<Row> rows;
  ForEachRow(fs, db_path, [&](const Row& row) { rows.push_back(row); });
  return rows;
}

}  // namespace engine
