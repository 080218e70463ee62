#include "install/install_run.h"

#include <cmath>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/data_layout.h"
#include "engine/operations/session.h"
#include "engine/write/family_write.h"
#include "engine/write/pending_changes.h"
#include "install/install_texts.h"
#include "install/master_copy.h"
#include "install/type_table.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"

namespace install {
namespace {

using catalogue::JoinPath;

const std::string kCodeField(catalogue::kFieldCode);
const std::string kPathField(catalogue::kFieldPath);
const std::string kNameField(catalogue::kFieldName);

// What a run has set up, undone exactly once on every way out: the management table is
// closed, the aliases that were added are dropped, the error log is destroyed, the
// cursor, Label1 and the window's input are given back. A set-up that failed half-way
// undoes just what it had done.
class RunState {
 public:
  RunState(InstallWindow& window, EngineComponents& components)
      : window_(window), components_(components) {}

  ~RunState() {
    if (!cleaned_) CleanUp(/*rethrow=*/false);
  }

  void BeginBusy() {
    window_.SetInputEnabled(false);
    window_.SetBusyCursor(true);
    busy_ = true;
  }

  ErrorLog& CreateLog() {
    log_ = window_.CreateErrorLog();
    return *log_;
  }

  void AddAlias(engine::TSession& session, std::string_view alias, const std::string& folder) {
    session.SetNetFileDir(folder);
    engine::AddFolderAlias(session, std::string(alias), folder, std::string(catalogue::kParadoxDriver));
    aliases_.push_back({&session, std::string(alias)});
  }

  // The run appends to the management table, which needs it to itself: a table that the
  // estimating application holds open refuses the run before anything is written.
  void OpenManagementTable() {
    engine::RequireFamilyFree(components_.engine.fs(), components_.TblHik.ResolvedPath());
    components_.TblHik.Open();
    table_open_ = true;
  }

  // The clean-up on the normal way out: every step is attempted, and the first failure
  // among them propagates afterwards.
  void Finish() { CleanUp(/*rethrow=*/true); }

 private:
  struct AddedAlias {
    engine::TSession* session;
    std::string name;
  };

  void CleanUp(bool rethrow) {
    cleaned_ = true;
    std::exception_ptr first;
    auto attempt = [&](auto&& step) {
      try {
        step();
      } catch (...) {
        if (!first) first = std::current_exception();
      }
    };
    if (table_open_) attempt([&] { components_.TblHik.Close(); });
    for (const AddedAlias& alias : aliases_) {
      attempt([&] { engine::DropAlias(*alias.session, alias.name); });
    }
    log_.reset();
    if (busy_) {
      attempt([&] { window_.SetBusyCursor(false); });
      attempt([&] { window_.SetStatusText(texts::Instruction()); });
      attempt([&] { window_.SetInputEnabled(true); });
    }
    if (rethrow && first) std::rethrow_exception(first);
  }

  InstallWindow& window_;
  EngineComponents& components_;
  std::unique_ptr<ErrorLog> log_;
  std::vector<AddedAlias> aliases_;  // in the order added
  bool busy_ = false;
  bool table_open_ = false;
  bool cleaned_ = false;
};

// Ticked rows count whether or not they name a destination.
int CountTicked(InstallWindow& window) {
  int ticked = 0;
  for (int row = 0; row < window.RowCount(); ++row) {
    if (window.RowTicked(row)) ++ticked;
  }
  return ticked;
}

// Visits every ticked row whose destination is not empty, in list order, with the
// destination read afresh from the row: `visit(row, destination)` answers whether to go
// on. Answers false when a visit stopped the walk.
template <typename Visit>
bool ForEachTickedDestination(InstallWindow& window, Visit&& visit) {
  for (int row = 0; row < window.RowCount(); ++row) {
    if (!window.RowTicked(row)) continue;
    std::string destination = window.RowDestination(row);
    if (destination.empty()) continue;
    if (!visit(row, destination)) return false;
  }
  return true;
}

// The management table's last code plus one. A blank code (an empty table, or a last row
// without code) cannot become a number and fails the run.
std::int64_t NextCode(const engine::FieldValue& last_code) {
  if (last_code.IsInteger()) return last_code.integer() + 1;
  if (last_code.IsNumber() && std::isfinite(last_code.number())) {
    return std::llround(last_code.number() + 1);
  }
  throw platform::EConvertError(texts::Format(texts::CodeNotNumericFormat(), kCodeField));
}

// Pass 1: a ticked destination that already holds a master refuses the run before
// anything on disk has changed. Answers false when refused.
bool CheckDestinationsAreFree(InstallWindow& window, platform::FileSystem& fs) {
  return ForEachTickedDestination(window, [&](int row, const std::string& destination) {
    if (!MasterExists(fs, destination)) return true;
    window.Refuse(MessageKind::kWarning, texts::MasterAlreadyPresent() + destination + "\r\n" +
                                             texts::ToInstallAMaster() + texts::GiveAnEmptyFolder());
    window.SelectRow(row);
    return false;
  });
}

// Changes that a stopped run or program left unfinished in the folders this run writes
// to are finished before anything else looks at them (the management table's when it is
// opened): a destination then holds what that change put there.
void FinishPendingChanges(InstallWindow& window, platform::FileSystem& fs, bool replace_type_table,
                          const std::string& type_folder) {
  ForEachTickedDestination(window, [&](int, const std::string& destination) {
    engine::FinishPendingChanges(fs, destination);
    return true;
  });
  if (replace_type_table) engine::FinishPendingChanges(fs, type_folder);
}

// Also before anything on disk changes: the tables the run writes in the destinations,
// and the type table, must not be held by another program; one that is fails the run
// with the in-use message naming it.
void RequireTablesFree(InstallWindow& window, platform::FileSystem& fs, bool replace_type_table,
                       const std::string& type_folder) {
  const catalogue::TableIndexes* tables[] = {&catalogue::ItemTableIndexes(), &catalogue::ClassificationTableIndexes(),
                                             &catalogue::SetItemTableIndexes(), &catalogue::UnitTableIndexes()};
  ForEachTickedDestination(window, [&](int, const std::string& destination) {
    for (const catalogue::TableIndexes* table : tables) {
      engine::RequireFamilyFree(fs, JoinPath(destination, table->table));
    }
    return true;
  });
  if (replace_type_table) engine::RequireFamilyFree(fs, JoinPath(type_folder, catalogue::kTypeTable));
}

// Windows opens no path longer than 259 characters, and the run writes files with names
// of up to 15 characters ("hinload_KB.dat", the engine's "~hm01234567.001" and
// "~hm01234567.JNL") into each
// destination: a longer destination could be created but not filled.
constexpr int kLongestWindowsPath = 259;
constexpr int kLongestNameInDestination = 15;
// The characters a destination may have before its trailing '\'.
constexpr int kLongestDestination = kLongestWindowsPath - kLongestNameInDestination - 1;

bool TooLongForWindows(const std::string& destination) {
  std::string folder = catalogue::WithTrailingDelimiter(destination);
  int characters = 0;
  for (std::size_t at = 0; at < folder.size(); at += platform::CharLengthAt(folder, at)) ++characters;
  return characters - 1 > kLongestDestination;
}

// Before anything on disk changes: a destination too long for the files the run writes
// there refuses the run, saying how long it may be.
bool CheckDestinationLengths(InstallWindow& window) {
  return ForEachTickedDestination(window, [&](int row, const std::string& destination) {
    if (!TooLongForWindows(destination)) return true;
    window.Refuse(MessageKind::kError, texts::DestinationTooLong() + destination + "\r\n" +
                                           texts::Format(texts::LongestDestinationFormat(), kLongestDestination));
    window.SelectRow(row);
    return false;
  });
}

// Pass 2: creates the missing destination folders. A bare folder name or a folder that
// cannot be created refuses the run; folders created for earlier rows stay.
bool CreateDestinationFolders(InstallWindow& window, platform::FileSystem& fs) {
  return ForEachTickedDestination(window, [&](int row, const std::string& destination) {
    if (fs.DirectoryExists(destination)) return true;
    if (catalogue::HasFolderPart(destination) && fs.ForceDirectories(destination)) return true;
    window.Refuse(MessageKind::kError, texts::InvalidFolderName() + destination);
    window.SelectRow(row);
    return false;
  });
}

void RegisterMaster(InstallContext& context, int row, const std::string& destination) {
  engine::TTable& tbl_hik = context.components.TblHik;
  tbl_hik.MoveLast();
  std::int64_t code = NextCode(tbl_hik.ReadField(kCodeField));
  if (code > catalogue::kHighestMasterCode) {
    context.log.AppendLine(texts::CannotAddPrefix() + context.window.RowName(row) +
                           texts::CannotAddSuffix());
    context.log.AppendLine(texts::CodeOver9999());
    return;
  }
  tbl_hik.BeginAppend();
  tbl_hik.WriteField(kCodeField, static_cast<std::int32_t>(code));
  tbl_hik.WriteField(kPathField, catalogue::WithTrailingDelimiter(destination));
  tbl_hik.WriteField(kNameField, context.window.RowName(row));
  tbl_hik.PostRecord();
}

// Pass 3: copies every ticked master and registers those whose copy succeeded.
void InstallAndRegister(InstallContext& context) {
  ForEachTickedDestination(context.window, [&](int row, const std::string& destination) {
    std::string source_subfolder = context.window.SourceDir(row);
    if (InstallMaster(context, destination, source_subfolder)) RegisterMaster(context, row, destination);
    return true;
  });
}

}  // namespace

void Button1Click(InstallWindow& window, EngineComponents& components, platform::FileSystem& fs) {
  if (CountTicked(window) == 0) {
    window.Refuse(MessageKind::kWarning, texts::NoMasterTicked());
    return;
  }
  const std::string management_folder = window.ManagementFolder();
  if (!fs.FileExists(JoinPath(management_folder, catalogue::kManagementTable))) {
    window.Refuse(MessageKind::kError, texts::ManagementTableMissing() +
                                           JoinPath(management_folder, catalogue::kManagementTable));
    return;
  }
  // Read once: the four places that depend on it must agree.
  const bool replace_type_table = window.ReplaceTypeTableTicked();
  const std::string type_folder = window.TypeFolder();
  if (replace_type_table && !fs.DirectoryExists(type_folder)) {
    window.Refuse(MessageKind::kError, texts::TypeFolderMissing() + type_folder);
    return;
  }

  RunState run(window, components);
  run.BeginBusy();
  ErrorLog& log = run.CreateLog();
  run.AddAlias(components.Session1, catalogue::kManagementAlias, management_folder);
  run.AddAlias(components.Session2, catalogue::kDestinationAlias, management_folder);
  components.TblNew.SetDatabaseName(std::string(catalogue::kDestinationAlias));
  components.TblHik.SetDatabaseName(std::string(catalogue::kManagementAlias));
  if (replace_type_table) {
    run.AddAlias(components.Session3, catalogue::kTypeAlias, type_folder);
    components.TblHsy.SetDatabaseName(std::string(catalogue::kTypeAlias));
  }
  run.OpenManagementTable();

  FinishPendingChanges(window, fs, replace_type_table, type_folder);
  if (!CheckDestinationsAreFree(window, fs)) return run.Finish();
  if (!CheckDestinationLengths(window)) return run.Finish();
  RequireTablesFree(window, fs, replace_type_table, type_folder);
  window.SetStatusText(texts::Installing());
  window.ProcessPendingMessages();
  if (!CreateDestinationFolders(window, fs)) return run.Finish();

  InstallContext context{window, components, fs, log};
  InstallAndRegister(context);
  if (replace_type_table) ReplaceTypeTable(context);
  if (!log.Text().empty()) log.ShowModal();
  window.CloseMainWindow();
  run.Finish();
}

}  // namespace install
