#include "tools/pdxtool/check_command.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "engine/check/family_check.h"
#include "engine/family.h"
#include "engine/repair/family_backup.h"
#include "engine/write/temporary_names.h"
#include "tools/pdxtool/report_texts.h"
#include "tools/pdxtool/value_text.h"

namespace pdxtool {
namespace {

// A table's .DB; the engine's scratch tables and files under temporary names are none.
bool IsTableName(const std::string& name) {
  if (engine::IsTemporaryName(name)) return false;
  std::size_t dot = name.rfind('.');
  return dot != std::string::npos && dot > 0 && engine::FoldName(name.substr(dot + 1)) == "DB";
}

bool IsBackupFolder(const std::string& name) {
  const std::string prefix = engine::FoldName(engine::kBackupPrefix);
  return engine::FoldName(name).compare(0, prefix.size(), prefix) == 0;
}

class FolderCheck {
 public:
  FolderCheck(platform::FileSystem& fs, bool recursive, std::ostream& out) : fs_(fs), recursive_(recursive), out_(out) {}

  int Run(const std::string& folder) {
    Walk(folder, "");
    if (ok_ + with_notes_ + failed_ == 0) out_ << texts::NoTables(Utf8(folder));
    out_ << texts::FolderSummary(ok_, with_notes_, failed_);
    out_ << texts::SortOrderHeading();
    for (const auto& [order, families] : sort_orders_) {
      out_ << texts::SortOrderLine(order.first, order.second, families);
    }
    out_ << texts::CollationHeading(collation_.size());
    for (const auto& [table, finding] : collation_) out_ << finding;
    return failed_ > 0 ? 1 : 0;
  }

 private:
  void Walk(const std::string& folder, const std::string& shown) {
    std::vector<std::string> names = fs_.ListFolder(folder);
    std::sort(names.begin(), names.end());
    std::vector<std::string> folders;
    for (const std::string& name : names) {
      const std::string path = engine::JoinFolder(folder, name);
      if (fs_.DirectoryExists(path)) {
        folders.push_back(name);
      } else if (IsTableName(name)) {
        Family(path, Utf8(shown + name));
      }
    }
    if (!recursive_) return;
    for (const std::string& name : folders) {
      if (IsBackupFolder(name)) {
        out_ << texts::SkippedBackup(Utf8(shown + name));
      } else {
        Walk(engine::JoinFolder(folder, name), shown + name + "\\");
      }
    }
  }

  void Family(const std::string& path, const std::string& shown) {
    engine::CheckReport report = engine::CheckFamily(fs_, path);
    if (!report.sort_order.empty()) ++sort_orders_[{report.sort_order, report.code_page}];
    for (const engine::Finding& f : report.findings) {
      if (f.kind == engine::FindingKind::kCollation) {
        collation_.emplace_back(shown, texts::CollationLine(shown, Utf8(f.file) + ": " + Utf8(f.detail)));
      }
    }
    if (!report.ok()) {
      ++failed_;
      const engine::Finding* first = nullptr;
      for (const engine::Finding& f : report.findings) {
        if (f.problem && first == nullptr) first = &f;
      }
      out_ << texts::FamilyFailed(shown, Utf8(report.problems.front()), report.problems.size() - 1,
                                  texts::Remedy(first->kind, Utf8(path)));
    } else if (!report.notes.empty()) {
      ++with_notes_;
      out_ << texts::FamilyWithNotes(shown, report.notes.size());
    } else {
      ++ok_;
      out_ << texts::FamilyOk(shown);
    }
  }

  platform::FileSystem& fs_;
  bool recursive_;
  std::ostream& out_;
  std::size_t ok_ = 0, with_notes_ = 0, failed_ = 0;
  std::map<std::pair<std::string, unsigned>, std::size_t> sort_orders_;
  std::vector<std::pair<std::string, std::string>> collation_;
};

}  // namespace

int CheckTable(platform::FileSystem& fs, const std::string& table, std::ostream& out) {
  const std::string path = engine::TablePath(table);
  engine::CheckReport report = engine::CheckFamily(fs, path);
  const std::string shown = Utf8(path);
  for (const engine::Finding& f : report.findings) {
    const std::string text = Utf8(f.file + ": " + f.detail);
    if (!f.problem) {
      out << texts::NoteLine(text);
      continue;
    }
    out << texts::ProblemLine(text) << texts::ConsequenceLine(f.kind) << texts::RemedyLine(f.kind, shown);
  }
  out << texts::CheckSummary(shown, report.ok(), report.problems.size(), report.notes.size());
  return report.ok() ? 0 : 1;
}

int CheckFolder(platform::FileSystem& fs, const std::string& folder, bool recursive, std::ostream& out) {
  return FolderCheck(fs, recursive, out).Run(folder);
}

}  // namespace pdxtool
