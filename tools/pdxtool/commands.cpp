#include "tools/pdxtool/commands.h"

#include <cstdio>
#include <memory>

#include "engine/errors.h"
#include "engine/family.h"
#include "engine/format/field_codec.h"
#include "engine/index/collation.h"
#include "engine/operations/engine.h"
#include "engine/operations/table.h"
#include "engine/operations/table_operations.h"
#include "engine/read/field_lookup.h"
#include "engine/read/table_file.h"
#include "engine/read/table_rows.h"
#include "engine/repair/repair_refusal.h"
#include "engine/write/pending_changes.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "tools/pdxtool/check_command.h"
#include "tools/pdxtool/medium_check.h"
#include "tools/pdxtool/repair_command.h"
#include "tools/pdxtool/report_texts.h"
#include "tools/pdxtool/value_text.h"

namespace pdxtool {
namespace {

using engine::format::FieldDescriptor;
using engine::format::Header;

constexpr char kUsage[] =
    "usage: pdxtool dump TABLE\n"
    "       pdxtool check TABLE\n"
    "       pdxtool check FOLDER [--recursive]\n"
    "       pdxtool repair TABLE [--borrow OTHER.DB]\n"
    "       pdxtool index TABLE [--primary F1;F2] [--secondary NAME F1;F2 [--case-insensitive] [--unique] "
    "[--descending]]...\n"
    "       pdxtool append TABLE FIELD=VALUE...\n"
    "       pdxtool medium DIR\n";

struct UsageError {
  std::string message;
};

// An engine or file failure for the console: its path on a line of its own.
std::string Message(const platform::Exception& e) {
  std::string message = Utf8(e.Message());
  for (std::size_t at; (at = message.find("\r\n")) != std::string::npos;) message.replace(at, 2, "\n  ");
  return message;
}

std::unique_ptr<platform::File> OpenShared(platform::FileSystem& fs, const std::string& path) {
  return engine::TranslateFileErrors(path, [&] {
    return fs.Open(path, platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
  });
}

std::string TypeName(const Header& h) {
  switch (h.type()) {
    case engine::format::FileType::kKeyedData:
      return "keyed table, " + std::to_string(h.key_fields()) + " key field(s)";
    case engine::format::FileType::kUnkeyedData:
      return "unkeyed table";
    default:
      return "index file (type " + std::to_string(static_cast<int>(h.type())) + ")";
  }
}

int Dump(platform::FileSystem& fs, const std::string& table, std::ostream& out) {
  engine::Family family = engine::OpenFamily(fs, table);
  if (!family.exists()) engine::ThrowNoSuchTable(engine::TablePath(table));
  auto file = OpenShared(fs, family.db);
  engine::MemberFile db = engine::MemberFile::Load(*file, family.db);
  const Header& h = db.header();
  const bool cp932 = engine::CollationOf(h).dbcs;
  char line[160];
  out << "table: " << Utf8(family.db) << "\n";
  out << "type: " << TypeName(h) << "\n";
  std::snprintf(line, sizeof line, "version: 0x%02X, block size %d, header size %d\n", h.version(), h.block_size(),
                h.header_size());
  out << line;
  out << "records: " << h.records() << " in " << h.used_blocks() << " blocks (" << h.total_blocks() << " in the file)\n";
  std::snprintf(line, sizeof line, "sort order: 0x%02X '%s', code page %u\n", h.sort_order(),
                DisplayText(h.sort_id(), false).c_str(), h.code_page());
  out << line;
  std::snprintf(line, sizeof line, "stamps: 2D=0x%02X 2E=0x%02X; autoincrement %u\n", h.U8(0x2D), h.U8(0x2E), h.U32(0x49));
  out << line;
  out << "fields:";
  for (const FieldDescriptor& f : h.fields()) {
    out << " " << DisplayText(f.name, cp932) << ":" << engine::format::TypeLetter(f.type);
    if (f.type == engine::format::FieldType::kAlpha || f.type == engine::format::FieldType::kBytes ||
        f.type == engine::format::FieldType::kBcd) {
      out << f.descriptor_size;
    } else if (engine::format::IsBlob(f.type)) {
      out << f.descriptor_size - engine::format::kBlobDescriptorSize;
    }
  }
  out << "\n";
  for (const engine::IndexDef& def : engine::ReadIndexDefs(fs, family.db)) {
    out << "index: " << (def.name.empty() ? "(primary)" : DisplayText(def.name, cp932)) << " on "
        << DisplayText(def.fields, cp932);
    if (def.options & engine::ixCaseInsensitive) out << ", case-insensitive";
    if (def.options & engine::ixDescending) out << ", descending";
    if ((def.options & engine::ixUnique) && !(def.options & engine::ixPrimary)) out << ", unique";
    out << "\n";
  }
  std::size_t number = 0;
  engine::ForEachRow(fs, family.db, [&](const engine::Row& row) {
    out << ++number << ":";
    for (std::size_t f = 0; f < h.fields().size(); ++f) {
      const FieldDescriptor& field = h.fields()[f];
      out << (f == 0 ? " " : " | ") << DisplayText(field.name, cp932) << "=" << DisplayValue(field, row[f], cp932);
    }
    out << "\n";
  });
  return 0;
}

int Check(platform::FileSystem& fs, const std::string& target, const std::vector<std::string>& args, std::ostream& out) {
  bool recursive = false;
  for (const std::string& a : args) {
    if (a != "--recursive") throw UsageError{"unexpected argument '" + Utf8(a) + "'"};
    recursive = true;
  }
  if (fs.DirectoryExists(target)) return CheckFolder(fs, target, recursive, out);
  if (recursive) throw UsageError{"--recursive goes with a folder"};
  return CheckTable(fs, target, out);
}

// Failures of the repair itself answer 1: it changed nothing.
int Repair(platform::FileSystem& fs, const std::string& table, const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err) {
  std::string borrow;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--borrow" && i + 1 < args.size() && borrow.empty()) {
      borrow = args[++i];
    } else {
      throw UsageError{"unexpected argument '" + Utf8(args[i]) + "'"};
    }
  }
  try {
    return RepairTable(fs, table, borrow, BackupStamp(), out);
  } catch (const engine::ETableInUse&) {
    throw;
  } catch (const engine::ERepairStopped& e) {
    err << "pdxtool: " << Message(e) << "\n" << texts::RepairStopped(Utf8(e.backup_folder()));
    return kExitProblem;
  } catch (const engine::ERepairRefused& e) {
    err << "pdxtool: " << Message(e) << "\n" << texts::RepairRefused(e.reason(), Utf8(engine::TablePath(table)));
    return kExitProblem;
  } catch (const platform::Exception& e) {
    err << "pdxtool: " << Message(e) << "\n";
    return kExitProblem;
  }
}

struct IndexRequest {
  std::string name;
  std::string fields;
  engine::IndexOptions options = 0;
};

int Index(platform::FileSystem& fs, const std::string& table, const std::vector<std::string>& args) {
  std::vector<IndexRequest> requests;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--primary" && i + 1 < args.size()) {
      requests.push_back(IndexRequest{"", args[++i], engine::ixPrimary});
    } else if (a == "--secondary" && i + 2 < args.size()) {
      requests.push_back(IndexRequest{args[i + 1], args[i + 2], 0});
      i += 2;
    } else if ((a == "--case-insensitive" || a == "--unique" || a == "--descending") && !requests.empty() &&
               !(requests.back().options & engine::ixPrimary)) {
      requests.back().options |= a == "--unique"      ? engine::ixUnique
                                 : a == "--descending" ? engine::ixDescending
                                                       : engine::ixCaseInsensitive;
    } else {
      throw UsageError{"unexpected argument '" + Utf8(a) + "'"};
    }
  }
  if (requests.empty()) throw UsageError{"no index given"};
  for (const IndexRequest& r : requests) engine::BuildIndex(fs, engine::TablePath(table), r.name, r.fields, r.options);
  return 0;
}

int Append(platform::FileSystem& fs, const std::string& table, const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError{"no FIELD=VALUE given"};
  std::string path = engine::TablePath(table);
  engine::Family family = engine::OpenFamily(fs, path);
  if (!family.exists()) engine::ThrowNoSuchTable(path);
  Header h = engine::ReadHeader(*OpenShared(fs, family.db), family.db);
  // The alias store is never touched: the table is named by its path.
  engine::Engine engine(fs, path + ".aliases");
  engine::TTable t(engine);
  t.SetTableName(path);
  t.Open();
  t.BeginAppend();
  for (const std::string& a : args) {
    std::size_t eq = a.find('=');
    if (eq == std::string::npos) throw UsageError{"'" + Utf8(a) + "' is not FIELD=VALUE"};
    std::string name = a.substr(0, eq);
    int field = engine::FindField(h, name);
    if (field < 0) {
      t.WriteField(name, engine::FieldValue());  // raises the engine's "field not found"
    } else {
      t.WriteField(name, ParseValue(h.fields()[static_cast<std::size_t>(field)], a.substr(eq + 1)));
    }
  }
  t.PostRecord();
  return 0;
}

}  // namespace

int Run(platform::FileSystem& fs, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    if (args.size() < 2) throw UsageError{"a command and a table are needed"};
    const std::string& command = args[0];
    const std::string& table = args[1];
    std::vector<std::string> rest(args.begin() + 2, args.end());
    if (command == "dump" && rest.empty()) return Dump(fs, table, out);
    if (command == "check") return Check(fs, table, rest, out);
    if (command == "repair") return Repair(fs, table, rest, out, err);
    if (command == "index") return Index(fs, table, rest);
    if (command == "append") return Append(fs, table, rest);
    if (command == "medium" && rest.empty()) return CheckMedium(fs, table, out);
    throw UsageError{"unknown command or arguments"};
  } catch (const UsageError& e) {
    err << "pdxtool: " << e.message << "\n" << kUsage;
  } catch (const platform::Exception& e) {
    err << "pdxtool: " << Message(e) << "\n";
  }
  return kExitFailure;
}

}  // namespace pdxtool
