// A main window for the install run's tests: rows, folder texts and CbHsy set by the
// test, and a record of everything the run did to the window, in order.
#ifndef HINMEI_INSTALL_TESTS_FAKE_INSTALL_WINDOW_H_
#define HINMEI_INSTALL_TESTS_FAKE_INSTALL_WINDOW_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "install/install_window.h"
#include "platform/exceptions.h"

namespace install::testing {

class FakeInstallWindow final : public InstallWindow {
 public:
  struct Row {
    std::vector<std::string> sub_items;  // name, destination; fewer after a short line
    bool ticked = false;
  };

  // Adds a complete row with its source subfolder.
  void AddRow(const std::string& name, const std::string& destination, const std::string& source,
              bool ticked = true) {
    rows.push_back(Row{{name, destination}, ticked});
    source_dirs.push_back(source);
  }

  int RowCount() override { return static_cast<int>(rows.size()); }
  bool RowTicked(int row) override { return rows.at(static_cast<std::size_t>(row)).ticked; }
  std::string RowName(int row) override { return SubItem(row, 0); }
  std::string RowDestination(int row) override { return SubItem(row, 1); }
  std::string SourceDir(int row) override {
    if (row >= static_cast<int>(source_dirs.size())) throw platform::EListError(row);
    return source_dirs[static_cast<std::size_t>(row)];
  }
  void SelectRow(int row) override {
    selected_row = row;
    events.push_back("select " + std::to_string(row));
  }

  std::string ManagementFolder() override { return management_folder; }
  std::string TypeFolder() override { return type_folder; }
  bool ReplaceTypeTableTicked() override {
    ++cb_hsy_reads;
    return replace_type_table;
  }
  std::string ExeDir() override { return exe_dir; }

  void SetStatusText(const std::string& text) override {
    status_text = text;
    events.push_back("status " + text);
  }
  void SetBusyCursor(bool busy) override {
    this->busy = busy;
    events.push_back(busy ? "cursor hourglass" : "cursor default");
  }
  void ProcessPendingMessages() override {
    events.push_back("process messages");
    if (on_process_messages) on_process_messages();
  }
  void SetInputEnabled(bool enabled) override {
    input_enabled = enabled;
    events.push_back(enabled ? "input enabled" : "input disabled");
  }
  void Refuse(MessageKind kind, const std::string& text) override {
    refusals.push_back({kind, text});
    events.push_back(kind == MessageKind::kWarning ? "refuse warning" : "refuse error");
  }
  std::unique_ptr<ErrorLog> CreateErrorLog() override;
  void CloseMainWindow() override {
    ++close_requests;
    events.push_back("close");
  }

  struct Refusal {
    MessageKind kind;
    std::string text;
  };

  // Set by the test.
  std::vector<Row> rows;
  std::vector<std::string> source_dirs;
  std::string management_folder;
  std::string type_folder;
  bool replace_type_table = false;
  std::string exe_dir;
  std::function<void()> on_process_messages;

  // Recorded.
  std::vector<std::string> events;
  std::vector<Refusal> refusals;
  int selected_row = -1;
  std::string status_text;
  bool busy = false;
  bool input_enabled = true;
  int close_requests = 0;
  int cb_hsy_reads = 0;
  int logs_created = 0;
  int logs_alive = 0;
  std::vector<std::string> shown_logs;  // the log's text at each modal display
  std::string last_log_text;            // the last log's text when it was destroyed

 private:
  std::string SubItem(int row, int index) {
    const Row& r = rows.at(static_cast<std::size_t>(row));
    if (index >= static_cast<int>(r.sub_items.size())) throw platform::EListError(index);
    return r.sub_items[static_cast<std::size_t>(index)];
  }
};

class FakeErrorLog final : public ErrorLog {
 public:
  explicit FakeErrorLog(FakeInstallWindow& window) : window_(window) {
    ++window_.logs_created;
    ++window_.logs_alive;
  }
  ~FakeErrorLog() override {
    --window_.logs_alive;
    window_.last_log_text = text_;
    window_.events.push_back("log destroyed");
  }
  void AppendLine(const std::string& line) override { text_ += line + "\r\n"; }
  std::string Text() override { return text_; }
  void ShowModal() override {
    window_.shown_logs.push_back(text_);
    window_.events.push_back("log shown");
  }

 private:
  FakeInstallWindow& window_;
  std::string text_;
};

inline std::unique_ptr<ErrorLog> FakeInstallWindow::CreateErrorLog() {
  events.push_back("log created");
  return std::make_unique<FakeErrorLog>(*this);
}

}  // namespace install::testing

#endif  // HINMEI_INSTALL_TESTS_FAKE_INSTALL_WINDOW_H_
