#include "install/tests/install_fixture.h"

#include <algorithm>

#include "engine/alias_store.h"
#include "engine/family_check.h"
#include "engine/table_creator.h"
#include "engine/family.h"
#include "engine/format/field_codec.h"
#include "engine/memo_file.h"
#include "engine/table_file.h"
#include "install/install_run.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"

namespace install::testing {
namespace {

using engine::FieldSpec;
using engine::FieldValue;
using engine::TableCreator;
using engine::TableSpec;

FieldValue Text(const std::string& utf8) { return FieldValue::Text(platform::Utf8ToCp932(utf8)); }
FieldValue Int(std::int64_t value) { return FieldValue::Integer(value); }

std::string Code(int value) {
  std::string digits = std::to_string(value);
  return std::string(digits.size() < 7 ? 7 - digits.size() : 0, '0') + digits;
}

void Create(platform::FileSystem& fs, const std::string& path, TableSpec spec, const Rows& rows) {
  TableCreator creator(fs, path, std::move(spec));
  for (const auto& row : rows) creator.AddRow(row);
  creator.Finish();
}

}  // namespace

InstallFixture::InstallFixture() {
  os_fs_.ForceDirectories(Medium());
  os_fs_.ForceDirectories(ManagementFolder());
  os_fs_.ForceDirectories(TypeFolder());
  alias_store_ = temp_ / "aliases.cfg";
  engine_ = std::make_unique<engine::Engine>(fs_, alias_store_);
  components_ = std::make_unique<EngineComponents>(*engine_);
  window_.exe_dir = Medium() + "\\";
  window_.management_folder = ManagementFolder();
  window_.type_folder = TypeFolder();
}

void InstallFixture::WriteMaster(const std::string& subfolder, int number, int items) {
  std::string folder = Medium() + "\\" + subfolder;
  os_fs_.ForceDirectories(folder);

  TableSpec item{{{"fCD", 'A', 10}, {"fHinban", 'A', 20}, {"fHinmei", 'A', 40}, {"fMemo", 'M', 20}}, 1};
  Rows item_rows;
  for (int i = 1; i <= items; ++i) {
    // Mixed-case item numbers: the case-insensitive index stores them folded.
    item_rows.push_back({FieldValue::Text(Code(number * 1000 + i)), FieldValue::Text("hb-" + std::to_string(i % 3) + (i % 2 ? "a" : "A")),
                         Text("品名 " + std::to_string(number) + "-" + std::to_string(i) + " 表示"),
                         i % 2 ? Text(std::string(i * 40, 'm') + "の備考") : FieldValue()});
  }
  Create(os_fs_, folder + "\\M8HINMEI.DB", item, item_rows);
  // A medium carries its tables without their index files.
  os_fs_.RemoveFile(folder + "\\M8HINMEI.PX");

  TableSpec classification{{{"fCD", 'A', 6}, {"fMei", 'A', 30}}, 0};
  Create(os_fs_, folder + "\\M7HIMST.DB", classification,
         {{FieldValue::Text("B02"), Text("設備")}, {FieldValue::Text("A01"), Text("建築")},
          {FieldValue::Text("C03"), Text("電気")}});

  TableSpec set_items{{{"fCD", 'A', 10}, {"fGyo", 'S', 0}, {"fHinCD", 'A', 10}}, 2};
  Create(os_fs_, folder + "\\M6HINSET.DB", set_items,
         {{FieldValue::Text(Code(number * 1000 + 1)), Int(2), FieldValue::Text(Code(number * 1000 + 3))},
          {FieldValue::Text(Code(number * 1000 + 1)), Int(1), FieldValue::Text(Code(number * 1000 + 2))}});
  os_fs_.RemoveFile(folder + "\\M6HINSET.PX");

  platform::WriteWholeFile(os_fs_, folder + "\\hinload_KB.dat", "KB load definition " + std::to_string(number));
  platform::WriteWholeFile(os_fs_, folder + "\\hinload_SK.dat", "SK load definition " + std::to_string(number));
}

void InstallFixture::WriteManagementTable(int last_code) {
  TableSpec spec{{{"fCD", 'I', 0}, {"fPath", 'A', 255}, {"fMei", 'A', 60}}, 1};
  Rows rows;
  for (int code = std::max(1, last_code - 2); code <= last_code; ++code) {
    rows.push_back({Int(code), FieldValue::Text("C:\\kelo_v6\\old" + std::to_string(code) + "\\"), Text("既存マスタ")});
  }
  Create(os_fs_, ManagementFolder() + "\\M6hink.DB", spec, rows);
}

void InstallFixture::WriteUnitTable() {
  TableSpec spec{{{"fCD", 'A', 4}, {"fMei", 'A', 10}}, 0};
  Create(os_fs_, ManagementFolder() + "\\TANITBL.DB", spec,
         {{FieldValue::Text("M"), Text("メートル")}, {FieldValue::Text("KG"), Text("キロ")}, {FieldValue::Text("EA"), Text("個")}});
}

void InstallFixture::WriteTypeTable(const std::string& path, int rows, bool secondary) {
  TableSpec spec{{{"fCD", 'A', 4}, {"fMei", 'A', 20}}, 1};
  Rows values;
  for (int i = rows; i >= 1; --i) values.push_back({FieldValue::Text("T" + std::to_string(i)), Text("品種" + std::to_string(i))});
  Create(os_fs_, path, spec, values);
  if (secondary) {
    engine::TTable table(*engine_);
    table.SetTableName(path);
    table.BuildIndex("fMei", "fMei", 0);
  }
}

void InstallFixture::Run() { Button1Click(window_, *components_, fs_); }

std::string InstallFixture::RunExpectingFailure() {
  try {
    Run();
  } catch (const platform::Exception& e) {
    return e.Message();
  }
  return {};
}

Rows InstallFixture::ReadRows(const std::string& db_path) {
  engine::Family family = engine::FindFamily(os_fs_, db_path);
  auto db_file = os_fs_.Open(family.db, platform::Access::kRead, platform::Share::kReadWrite,
                             platform::Disposition::kOpenExisting);
  engine::MemberFile db = engine::MemberFile::Load(*db_file, family.db);
  std::unique_ptr<platform::File> mb;
  if (!family.mb.empty()) {
    mb = os_fs_.Open(family.mb, platform::Access::kRead, platform::Share::kReadWrite,
                     platform::Disposition::kOpenExisting);
  }
  Rows rows;
  for (std::size_t i = 0; i < db.size(); ++i) {
    std::vector<FieldValue> row;
    for (const auto& field : db.header().fields()) {
      const char* data = db.record(i) + field.offset;
      if (!engine::format::IsBlob(field.type)) {
        row.push_back(engine::format::DecodeField(field, data));
      } else if (engine::format::IsBlank(data, field.size)) {
        row.emplace_back();
      } else {
        row.push_back(FieldValue::Text(engine::ReadBlob(mb.get(), family.mb, field, data)));
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

void InstallFixture::ExpectFamilyOk(const std::string& db_path) {
  engine::CheckReport report = engine::CheckFamily(os_fs_, db_path);
  std::string problems;
  for (const auto& p : report.problems) problems += p + "\n";
  EXPECT_TRUE(report.ok()) << db_path << ":\n" << problems;
}

std::vector<std::string> InstallFixture::FilesIn(const std::string& folder) {
  if (!os_fs_.DirectoryExists(folder)) return {};
  std::vector<std::string> names = os_fs_.ListFolder(folder);
  std::sort(names.begin(), names.end());
  return names;
}

bool InstallFixture::AliasDefined(const std::string& alias) {
  return engine::AliasStore(os_fs_, alias_store_).Params(alias).has_value();
}

}  // namespace install::testing
