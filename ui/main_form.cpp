#include "ui/main_form.h"

#include <commctrl.h>

#include <utility>

#include "catalogue/catalogue_reader.h"
#include "platform/exceptions.h"
#include "platform/os_error.h"
#include "platform/win32_text.h"
#include "ui/control_text.h"
#include "ui/dpi.h"
#include "ui/error_log_form.h"
#include "ui/ui_texts.h"

namespace ui {
namespace {

// Posted by CloseMainWindow: the window closes once the running handler has returned.
constexpr UINT kCloseRequest = WM_APP + 1;

RECT PrimaryWorkArea() {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

}  // namespace

// The full path of the running program file up to and including its last '\'.
std::string ProgramFolderOfThisProcess() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      throw platform::Exception(platform::OsErrorMessage(static_cast<int>(GetLastError())));
    }
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  std::size_t last_delimiter = path.find_last_of(L'\\');
  path.resize(last_delimiter == std::wstring::npos ? 0 : last_delimiter + 1);
  return platform::Narrow(path);
}

TForm1::TForm1(const FormDependencies& dependencies)
    : FormWindow(dependencies.application),
      fs_(dependencies.fs),
      dialogs_(dependencies.dialogs),
      components_(dependencies.engine) {
  std::vector<ControlLayout> layouts;
  for (const ControlDesign<TForm1>& control : Design()) layouts.push_back(control.Layout());
  RECT work = PrimaryWorkArea();
  CreateForm(WindowDesign(), std::move(layouts), application().Handle(),
             POINT{(work.left + work.right) / 2, (work.top + work.bottom) / 2});
  application().Guard(Handle(), [this] { FormCreate(); });
}

TForm1::~TForm1() { DestroyForm(); }

void TForm1::Show() {
  CenterOn(PrimaryWorkArea());
  ShowWindow(Handle(), SW_SHOW);
  UpdateWindow(Handle());
}

const ControlDesign<TForm1>& TForm1::DesignOf(Control control) const {
  return Design()[static_cast<std::size_t>(control)];
}

void TForm1::OnControlsCreated() {
  list_ = std::make_unique<MasterListView>(Handle(Control::ListView1));
  int index = 0;
  for (const ListColumn& column : ListView1Columns()) {
    std::wstring caption = ShownText(column.caption());
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    header.pszText = caption.data();
    header.cx = column.width;
    header.iSubItem = index;
    SendMessageW(list_->Handle(), LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&header));
    ++index;
  }
}

void TForm1::OnLayout(UINT dpi) {
  int index = 0;
  for (const ListColumn& column : ListView1Columns()) {
    SendMessageW(list_->Handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index++),
                 MAKELPARAM(ScaleToDpi(column.width, dpi), 0));
  }
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SETCURSOR:
      if (busy_ && LOWORD(lparam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case kCloseRequest:
      Close();
      return 0;
  }
  return FormWindow::HandleMessage(message, wparam, lparam);
}

void TForm1::OnClick(int id) {
  if (!input_enabled_) return;
  Control control = static_cast<Control>(id);
  if (auto handler = DesignOf(control).on_click) (this->*handler)(control);
}

bool TForm1::HandlesKeyPress(int id) const {
  return DesignOf(static_cast<Control>(id)).on_key_press != nullptr;
}

void TForm1::OnKeyPress(int id, wchar_t& key) {
  Control control = static_cast<Control>(id);
  if (auto handler = DesignOf(control).on_key_press) (this->*handler)(control, key);
}

LRESULT TForm1::OnNotify(int id, NMHDR& header) {
  if (static_cast<Control>(id) != Control::ListView1 || !list_) return 0;
  switch (header.code) {
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      if ((change.uChanged & LVIF_STATE) && ((change.uOldState ^ change.uNewState) & LVIS_SELECTED)) {
        ListView1SelectItem(change.iItem, (change.uNewState & LVIS_SELECTED) != 0);
      }
      return 0;
    }
    case NM_DBLCLK:
      if (input_enabled_) ListView1DblClick(Control::ListView1);
      return 0;
  }
  return 0;
}

void TForm1::OnCloseRequest() {
  if (input_enabled_) Close();
}

void TForm1::OnDestroy() { application().MainWindowDestroyed(Handle()); }

void TForm1::Close() {
  if (!Handle()) return;
  FormClose();
  DestroyForm();
}

bool TForm1::Ticked(Control check_box) const {
  return SendMessageW(Handle(check_box), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TForm1::StoreEditor(int row, int sub_item, Control edit) {
  list_->SetSubItem(row, sub_item, EditedText(Handle(edit), list_->SubItem(row, sub_item)));
}

// install::InstallWindow

int TForm1::RowCount() { return list_->Count(); }
bool TForm1::RowTicked(int row) { return list_->Ticked(row); }
std::string TForm1::RowName(int row) { return list_->SubItem(row, 0); }
std::string TForm1::RowDestination(int row) { return list_->SubItem(row, 1); }

std::string TForm1::SourceDir(int row) {
  if (!FSourceDirs || row < 0 || row >= static_cast<int>(FSourceDirs->size())) {
    throw platform::EListError(row);
  }
  return (*FSourceDirs)[static_cast<std::size_t>(row)];
}

void TForm1::SelectRow(int row) { list_->Select(row); }
std::string TForm1::ManagementFolder() { return ControlText(Handle(Control::EdData0)); }
std::string TForm1::TypeFolder() { return ControlText(Handle(Control::EdData1)); }
bool TForm1::ReplaceTypeTableTicked() { return Ticked(Control::CbHsy); }
std::string TForm1::ExeDir() { return FExeDir; }
void TForm1::SetStatusText(const std::string& cp932_text) { SetText(Control::Label1, cp932_text); }

void TForm1::SetBusyCursor(bool busy) {
  busy_ = busy;
  SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void TForm1::ProcessPendingMessages() { application().ProcessMessages(); }

// The panels are disabled, which keeps the mouse from every control without greying
// them, and the focus is parked on the window itself; clicks and close requests that
// reach the window meanwhile are ignored.
void TForm1::SetInputEnabled(bool enabled) {
  if (enabled == input_enabled_) return;
  input_enabled_ = enabled;
  HWND panels[] = {Handle(Control::Panel1), Handle(Control::Panel2)};
  if (!enabled) {
    HWND focus = GetFocus();
    focus_before_run_ = focus && IsChild(Handle(), focus) ? focus : nullptr;
    for (HWND panel : panels) EnableWindow(panel, FALSE);
    if (focus_before_run_) SetFocus(Handle());
    return;
  }
  for (HWND panel : panels) EnableWindow(panel, TRUE);
  if (focus_before_run_ && IsWindow(focus_before_run_) && IsWindowEnabled(focus_before_run_)) {
    SetFocus(focus_before_run_);
  }
  focus_before_run_ = nullptr;
}

void TForm1::Refuse(install::MessageKind kind, const std::string& cp932_text) {
  bool warning = kind == install::MessageKind::kWarning;
  dialogs_.SoundBeep(MB_ICONASTERISK);
  dialogs_.ShowMessageBox(Handle(), cp932_text, warning ? texts::WarningCaption() : texts::ErrorCaption(),
                          MB_OK | (warning ? MB_ICONWARNING : MB_ICONERROR));
}

std::unique_ptr<install::ErrorLog> TForm1::CreateErrorLog() {
  return std::make_unique<TFrLog>(application(), Handle());
}

void TForm1::CloseMainWindow() { PostMessageW(Handle(), kCloseRequest, 0, 0); }

// catalogue::MasterList

void TForm1::ClearSourceDirs() {
  if (FSourceDirs) FSourceDirs->clear();
}

void TForm1::AppendRow(const std::string& caption) { list_->AppendRow(caption); }
void TForm1::AppendSubItem(const std::string& text) { list_->AppendSubItem(text); }

void TForm1::AppendSourceDir(const std::string& text) {
  if (!FSourceDirs) throw platform::EListError(0);
  FSourceDirs->push_back(text);
}

}  // namespace ui
