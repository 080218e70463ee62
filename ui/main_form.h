// TForm1, the main window: the two data folders, the master list with its row editor,
// and the Install and Cancel buttons.
//
// The window carries the master list for LoadCatalogue and the window side of the
// install run. Every handler runs behind the application's default failure handler: a
// failure leaving it is shown in the failure box and the window goes on.
#ifndef HINMEI_UI_MAIN_FORM_H_
#define HINMEI_UI_MAIN_FORM_H_

#include <windows.h>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "catalogue/master_list.h"
#include "engine/operations/engine.h"
#include "install/engine_components.h"
#include "install/install_window.h"
#include "platform/file_system.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui/form_window.h"
#include "ui/master_list_view.h"

namespace ui {

// The folder of the running program file, ending with '\'.
std::string ProgramFolderOfThisProcess();

// What the main window works with besides its own controls.
struct FormDependencies {
  Application& application;
  platform::FileSystem& fs;
  Dialogs& dialogs;
  engine::Engine& engine;
};

class TForm1 final : public FormWindow,
                     public install::InstallWindow,
                     public catalogue::MasterList {
 public:
  // The controls of the design, in the order of the design table.
  enum class Control {
    Panel2, Label2, EdData0, Button3, CbHsy, Label7, EdData1, Button8,
    Panel1, ListView1, Label4, Label5, Label6, LbNo1, EdMei1, EdInst1, Button6, Button7,
    BtSelect1, Button4, Button5, Bevel1, Label1, Label3, Button1, Button2,
  };

  // Creates the window, hidden, and runs FormCreate.
  explicit TForm1(const FormDependencies& dependencies);
  ~TForm1() override;

  // Shows the window at the centre of the desktop.
  void Show();

  using FormWindow::Handle;
  HWND Handle(Control control) const { return ControlHandle(static_cast<int>(control)); }

  // install::InstallWindow
  int RowCount() override;
  bool RowTicked(int row) override;
  std::string RowName(int row) override;
  std::string RowDestination(int row) override;
  std::string SourceDir(int row) override;
  void SelectRow(int row) override;
  std::string ManagementFolder() override;
  std::string TypeFolder() override;
  bool ReplaceTypeTableTicked() override;
  std::string ExeDir() override;
  void SetStatusText(const std::string& cp932_text) override;
  void SetBusyCursor(bool busy) override;
  void ProcessPendingMessages() override;
  void SetInputEnabled(bool enabled) override;
  void Refuse(install::MessageKind kind, const std::string& cp932_text) override;
  std::unique_ptr<install::ErrorLog> CreateErrorLog() override;
  void CloseMainWindow() override;

  // catalogue::MasterList, filled by LoadCatalogue
  void ClearSourceDirs() override;
  void AppendRow(const std::string& caption) override;
  void AppendSubItem(const std::string& text) override;
  void AppendSourceDir(const std::string& text) override;

 private:
  struct ListColumn {
    TextFunction caption;
    int width;  // at 96 DPI
  };
  static const FormDesign& WindowDesign();
  static std::span<const ControlDesign<TForm1>> Design();
  static std::span<const ListColumn> ListView1Columns();
  const ControlDesign<TForm1>& DesignOf(Control control) const;

  // FormWindow
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnClick(int id) override;
  bool HandlesKeyPress(int id) const override;
  void OnKeyPress(int id, wchar_t& key) override;
  LRESULT OnNotify(int id, NMHDR& header) override;
  void OnControlsCreated() override;
  void OnLayout(UINT dpi) override;
  void OnCloseRequest() override;
  void OnDestroy() override;

  // Closes the window: FormClose, then the window goes, which ends the program.
  void Close();
  void Focus(Control control) { FocusControl(Handle(control)); }
  void SetText(Control control, const std::string& cp932) {
    FormWindow::SetText(static_cast<int>(control), cp932);
  }
  bool Ticked(Control check_box) const;
  // The folder browser; the chosen folder's path, or nothing.
  std::optional<std::string> BrowseForFolder();
  // Writes an edit box's text into a sub-item of the row.
  void StoreEditor(int row, int sub_item, Control edit);

  // Handlers.
  void FormCreate();
  void FormClose();
  void ListView1SelectItem(int item, bool selected);
  void ShowSelectedEntry();
  void ListView1DblClick(Control sender);
  void ListView1KeyPress(Control sender, wchar_t& key);
  void EdMei1KeyPress(Control sender, wchar_t& key);
  void EdInst1KeyPress(Control sender, wchar_t& key);
  void Button6Click(Control sender);
  void Button7Click(Control sender);
  void BtSelect1Click(Control sender);
  void Button4Click(Control sender);
  void Button5Click(Control sender);
  void CbHsyClick(Control sender);
  void Button3Click(Control sender);
  // Install: the install run on this window, the engine components and the file system.
  void Button1Click(Control sender);
  void Button2Click(Control sender);

  platform::FileSystem& fs_;
  Dialogs& dialogs_;
  install::EngineComponents components_;  // Session1..3, TblHik, TblNew, TblHsy
  std::unique_ptr<MasterListView> list_;  // ListView1
  bool input_enabled_ = true;
  bool busy_ = false;
  HWND focus_before_run_ = nullptr;

  std::string FExeDir;  // the program file's folder, ending with '\'
  std::unique_ptr<std::vector<std::string>> FSourceDirs;
};

}  // namespace ui

#endif  // HINMEI_UI_MAIN_FORM_H_
