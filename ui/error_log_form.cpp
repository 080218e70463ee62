#include "ui/error_log_form.h"

#include <utility>
#include <vector>

#include "ui/control_text.h"
#include "ui/ui_texts.h"

namespace ui {
namespace {

// Button1's modal result, the one of a cancel button.
constexpr int kButton1ModalResult = IDCANCEL;

}  // namespace

std::span<const ControlDesign<TFrLog>> TFrLog::Design() {
  using C = Control;
  using K = ControlKind;
  static const ControlDesign<TFrLog> kDesign[] = {
      {C::Panel1, K::kPanel, {}, {0, 267, 459, 41}, 0, nullptr, 0},
      {C::Button1, K::kButton, C::Panel1, {368, 8, 75, 25}, 0, texts::LogCloseButton, BS_DEFPUSHBUTTON},
      {C::Memo1, K::kMemo, {}, {0, 0, 459, 267}, 1, nullptr, ES_READONLY},
  };
  return kDesign;
}

TFrLog::TFrLog(Application& application, HWND owner) : FormWindow(application) {
  static const FormDesign kWindow{texts::LogCaption, 459, 308};
  std::vector<ControlLayout> layouts;
  for (const ControlDesign<TFrLog>& control : Design()) layouts.push_back(control.Layout());
  RECT owner_area{};
  GetWindowRect(owner, &owner_area);
  CreateForm(kWindow, std::move(layouts), owner,
             POINT{(owner_area.left + owner_area.right) / 2, (owner_area.top + owner_area.bottom) / 2});
}

TFrLog::~TFrLog() { DestroyForm(); }

void TFrLog::OnControlsCreated() {
  SendMessageW(Handle(Control::Memo1), EM_SETLIMITTEXT, 0, 0);  // no limit but memory's
}

void TFrLog::AppendLine(const std::string& cp932_line) {
  std::string line = cp932_line + "\r\n";
  text_ += line;
  HWND memo = Handle(Control::Memo1);
  if (!memo) return;
  std::wstring shown = ShownText(line);
  LRESULT end = SendMessageW(memo, WM_GETTEXTLENGTH, 0, 0);
  SendMessageW(memo, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(shown.c_str()));
}

std::string TFrLog::Text() { return text_; }

void TFrLog::ShowModal() {
  if (!Handle()) return;
  HWND owner = GetWindow(Handle(), GW_OWNER);
  RECT area{};
  if (owner) {
    GetWindowRect(owner, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  CenterOn(area);
  SendMessageW(Handle(Control::Memo1), EM_SETSEL, 0, 0);
  SendMessageW(Handle(Control::Memo1), EM_SCROLLCARET, 0, 0);
  RunModal();
}

LRESULT TFrLog::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case DM_GETDEFID:
      return MAKELRESULT(GetDlgCtrlID(Handle(Control::Button1)), DC_HASDEFID);
    case WM_COMMAND:
      // Esc, and Enter where no control takes it, come from the dialog manager.
      if (lparam == 0 && (LOWORD(wparam) == IDCANCEL || LOWORD(wparam) == IDOK)) {
        EndModal(kButton1ModalResult);
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      // The read-only text area keeps the window colour of an editable one.
      if (reinterpret_cast<HWND>(lparam) == Handle(Control::Memo1)) {
        HDC dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
  }
  return FormWindow::HandleMessage(message, wparam, lparam);
}

void TFrLog::OnClick(int id) {
  if (static_cast<Control>(id) == Control::Button1) EndModal(kButton1ModalResult);
}

void TFrLog::OnCloseRequest() { EndModal(kButton1ModalResult); }

}  // namespace ui
