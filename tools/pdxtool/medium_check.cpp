#include "tools/pdxtool/medium_check.h"

#include <map>
#include <string_view>
#include <vector>

#include "catalogue/catalogue_reader.h"
#include "catalogue/data_layout.h"
#include "engine/check/family_check.h"
#include "engine/family.h"
#include "engine/operations/engine.h"
#include "engine/operations/table.h"
#include "engine/read/table_rows.h"
#include "install/table_indexes.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "tools/pdxtool/value_text.h"

namespace pdxtool {
namespace {

using catalogue::JoinPath;

// The memo file beside a .DB file.
std::string MemoPathOf(const std::string& db_path) { return db_path.substr(0, db_path.size() - 2) + "MB"; }

class MediumCheck {
 public:
  MediumCheck(platform::FileSystem& fs, std::string medium, std::ostream& out)
      : fs_(fs), medium_(std::move(medium)), out_(out) {}

  int Run() {
    out_ << "medium: " << Utf8(medium_) << "\n";
    if (!fs_.DirectoryExists(medium_)) {
      Problem("the folder does not exist");
      return Finish();
    }
    scratch_ = platform::MakeTemporaryFolder(fs_, "pdxtool-medium");
    catalogue::InMemoryMasterList list = ReadCatalogue();
    for (std::size_t row = 0; row < list.source_dirs.size(); ++row) CheckMaster(list, row);
    CheckDestinations(list);
    out_ << "type table:\n";
    CheckTable(catalogue::TypeTableSourcePath(WithDelimiter()), catalogue::TypeTableIndexes(), "  ");
    platform::RemoveFolderTree(fs_, scratch_);
    return Finish();
  }

 private:
  std::string WithDelimiter() const { return catalogue::WithTrailingDelimiter(medium_); }

  void Problem(const std::string& text, const std::string& indent = "") {
    out_ << indent << "PROBLEM: " << text << "\n";
    ++problems_;
  }

  int Finish() {
    out_ << "medium: " << (problems_ == 0 ? "OK" : "FAILED") << " (" << problems_ << " problems)\n";
    return problems_ == 0 ? 0 : 1;
  }

  catalogue::InMemoryMasterList ReadCatalogue() {
    catalogue::InMemoryMasterList list;
    std::string path = JoinPath(medium_, catalogue::CatalogueFileName(1));
    std::string failure;
    try {
      catalogue::LoadCatalogueFrom(fs_, path, list);
    } catch (const platform::Exception& e) {
      failure = e.Message();
    }
    out_ << "catalogue: " << list.rows.size() << " rows\n";
    for (std::size_t i = 0; i < list.rows.size(); ++i) {
      const auto& row = list.rows[i];
      out_ << "  " << row.caption << ":";
      for (const std::string& sub_item : row.sub_items) out_ << " [" << Utf8(sub_item) << "]";
      if (i < list.source_dirs.size()) out_ << " from [" << Utf8(list.source_dirs[i]) << "]";
      out_ << "\n";
    }
    if (!failure.empty()) {
      Problem("the catalogue " + Utf8(path) + " cannot be read to its end: " + Utf8(failure) +
              (list.rows.empty() ? "" : " (after row " + list.rows.back().caption + ")"));
    } else if (list.rows.empty()) {
      Problem("the catalogue " + Utf8(path) + " lists no master");
    }
    return list;
  }

  void CheckMaster(const catalogue::InMemoryMasterList& list, std::size_t row) {
    const std::string& subfolder = list.source_dirs[row];
    out_ << "master " << list.rows[row].caption << " [" << Utf8(subfolder) << "]:\n";
    std::string folder = catalogue::MasterSourcePath(WithDelimiter(), subfolder, "");
    folder.pop_back();  // the '\' before the file name
    if (!fs_.DirectoryExists(folder)) {
      Problem("the source folder " + Utf8(folder) + " does not exist", "  ");
      return;
    }
    const catalogue::TableIndexes* tables[] = {&catalogue::ItemTableIndexes(), &catalogue::ClassificationTableIndexes(),
                                               &catalogue::SetItemTableIndexes()};
    for (const catalogue::TableIndexes* table : tables) {
      CheckTable(catalogue::MasterSourcePath(WithDelimiter(), subfolder, table->table), *table, "  ");
    }
    for (std::string_view name : {catalogue::kItemMemo, catalogue::kLoadDefinitionKb, catalogue::kLoadDefinitionSk}) {
      std::string path = catalogue::MasterSourcePath(WithDelimiter(), subfolder, name);
      if (fs_.FileExists(path)) {
        out_ << "  " << name << ": present\n";
      } else {
        Problem(std::string(name) + " is missing: " + Utf8(path), "  ");
      }
    }
  }

  // Copies the table (and its memo file) into the scratch folder, builds the indexes the
  // install builds, and checks the family that results.
  void CheckTable(const std::string& source, const catalogue::TableIndexes& indexes, const std::string& indent) {
    out_ << indent << indexes.table << ": ";
    if (!fs_.FileExists(source)) {
      Problem("missing: " + Utf8(source));
      return;
    }
    std::string copy = JoinPath(scratch_, std::to_string(++copies_) + "_" + std::string(indexes.table));
    fs_.CopyFileOver(source, copy);
    if (fs_.FileExists(MemoPathOf(source))) fs_.CopyFileOver(MemoPathOf(source), MemoPathOf(copy));
    fs_.SetAttributes(copy, platform::kAttributeArchive);
    try {
      engine::Engine engine(fs_, JoinPath(scratch_, "aliases.cfg"));
      engine::TTable table(engine);
      table.SetTableName(copy);
      install::BuildIndexes(table, indexes);
      engine::CheckReport report = engine::CheckFamily(fs_, copy);
      out_ << engine::ReadAllRows(fs_, copy).size() << " rows, "
           << (report.ok() ? "indexes build, family OK" : "indexes build, family check FAILED") << "\n";
      for (const std::string& problem : report.problems) Problem(Utf8(problem), indent + "  ");
    } catch (const platform::Exception& e) {
      // The engine names the copy; the support engineer needs the medium's file.
      std::string message = e.Message();
      for (std::size_t at; (at = message.find(copy)) != std::string::npos;) message.replace(at, copy.size(), source);
      for (std::size_t at; (at = message.find("\r\n")) != std::string::npos;) message.replace(at, 2, " ");
      Problem("the install cannot index it: " + Utf8(message));
    }
  }

  // Two masters of one run installed into one folder: both are registered, but the
  // folder holds only the later one's files.
  void CheckDestinations(const catalogue::InMemoryMasterList& list) {
    std::map<std::string, std::string> seen;
    for (const auto& row : list.rows) {
      if (row.sub_items.size() < 2 || row.sub_items[1].empty()) continue;
      std::string key = engine::FoldName(catalogue::WithTrailingDelimiter(row.sub_items[1]));
      auto [at, fresh] = seen.emplace(key, row.caption);
      if (!fresh) {
        out_ << "note: rows " << at->second << " and " << row.caption << " install into the same folder "
             << Utf8(row.sub_items[1]) << "; the later one's files replace the earlier one's\n";
      }
    }
  }

  platform::FileSystem& fs_;
  std::string medium_;
  std::ostream& out_;
  std::string scratch_;
  int copies_ = 0;
  int problems_ = 0;
};

}  // namespace

int CheckMedium(platform::FileSystem& fs, const std::string& medium_folder, std::ostream& out) {
  return MediumCheck(fs, medium_folder, out).Run();
}

}  // namespace pdxtool
