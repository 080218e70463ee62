#include "ui/tests/form_fixture.h"

#include "platform/cp932.h"
#include "platform/file_system.h"
#include "platform/win32_text.h"
#include "ui/control_text.h"
#include "ui/ui_texts.h"

namespace ui::testing {

MainFormTest::MainFormTest() {
  static const bool initialised = [] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
    return InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)initialised;
  application_.SetTitle(texts::ApplicationTitle());
  previous_folder_.resize(MAX_PATH * 4);
  previous_folder_.resize(
      GetCurrentDirectoryW(static_cast<DWORD>(previous_folder_.size()), previous_folder_.data()));
  SetCurrentDirectoryW(platform::Wide(folder_.Path()).c_str());
}

MainFormTest::~MainFormTest() {
  form_.reset();
  SetCurrentDirectoryW(previous_folder_.c_str());
  MSG message;  // the quit request of a closed main window
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
}

void MainFormTest::Open(const std::optional<std::string>& catalogue) {
  if (catalogue) platform::WriteWholeFile(platform::OsFileSystem(), folder_ / "kelo.txt", *catalogue);
  form_ = std::make_unique<TForm1>(FormDependencies{application_, platform::OsFileSystem(), dialogs_, engine_});
  application_.SetMainWindow(form_->Handle());
  form_->Show();
  SetForegroundWindow(form_->Handle());
  Pump();
}

void MainFormTest::OpenThreeMasters() {
  Open(Sjis("標準品名マスタ,C:\\kelo\\標準,std\r\n"
            "電気設備,C:\\kelo\\電気,elec\r\n"
            "空調,D:\\空調,kucho\r\n"));
}

void MainFormTest::PressKey(C control, WPARAM key) {
  LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(H(control), WM_KEYDOWN, key, scan | 1);
  PostMessageW(H(control), WM_KEYUP, key, scan | 1 | (1LL << 30) | (1LL << 31));
  Pump();
  Pump();  // the character the key was translated into
}

void MainFormTest::SelectListRow(int row) {
  HWND list = H(C::ListView1);
  if (row < 0) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
  } else {
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

void MainFormTest::DoubleClickList(POINT at) {
  HWND list = H(C::ListView1);
  LPARAM where = MAKELPARAM(at.x, at.y);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, where);
  SendMessageW(list, WM_LBUTTONUP, 0, where);
  SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
  SendMessageW(list, WM_LBUTTONUP, 0, where);
  Pump();
}

void MainFormTest::Type(C edit, const std::string& cp932) {
  SetWindowTextW(H(edit), platform::Wide(cp932).c_str());
}

std::string MainFormTest::Text(C control) { return platform::Narrow(WideWindowText(H(control))); }

std::string MainFormTest::Cell(int row, int column) {
  wchar_t buffer[1024] = {};
  ListView_GetItemText(H(C::ListView1), row, column, buffer, 1024);
  return platform::Narrow(buffer);
}

}  // namespace ui::testing
