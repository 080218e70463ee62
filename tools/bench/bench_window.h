// The main window as the benchmark's install step needs it: the medium's folder and the
// management folder, and an error log that keeps its lines. The run's other window
// operations are not reached by InstallMaster.
#ifndef HINMEI_TOOLS_BENCH_BENCH_WINDOW_H_
#define HINMEI_TOOLS_BENCH_BENCH_WINDOW_H_

#include <memory>
#include <string>

#include "install/install_window.h"

namespace bench {

class BenchLog final : public install::ErrorLog {
 public:
  void AppendLine(const std::string& line) override { text_ += line + "\r\n"; }
  std::string Text() override { return text_; }
  void ShowModal() override {}

 private:
  std::string text_;
};

class BenchWindow final : public install::InstallWindow {
 public:
  BenchWindow(std::string exe_dir, std::string management_folder)
      : exe_dir_(std::move(exe_dir)), management_folder_(std::move(management_folder)) {}

  int RowCount() override { return 0; }
  bool RowTicked(int) override { return false; }
  std::string RowName(int) override { return {}; }
  std::string RowDestination(int) override { return {}; }
  std::string SourceDir(int) override { return {}; }
  void SelectRow(int) override {}
  std::string ManagementFolder() override { return management_folder_; }
  std::string TypeFolder() override { return {}; }
  bool ReplaceTypeTableTicked() override { return false; }
  std::string ExeDir() override { return exe_dir_; }
  void SetStatusText(const std::string&) override {}
  void SetBusyCursor(bool) override {}
  void ProcessPendingMessages() override {}
  void SetInputEnabled(bool) override {}
  void Refuse(install::MessageKind, const std::string&) override {}
  std::unique_ptr<install::ErrorLog> CreateErrorLog() override { return std::make_unique<BenchLog>(); }
  void CloseMainWindow() override {}

 private:
  std::string exe_dir_;
  std::string management_folder_;
};

}  // namespace bench

#endif  // HINMEI_TOOLS_BENCH_BENCH_WINDOW_H_
