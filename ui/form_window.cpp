#include "ui/form_window.h"

#include <algorithm>
#include <numeric>
#include <tuple>

#include "platform/exceptions.h"
#include "platform/os_error.h"
#include "ui/control_text.h"
#include "ui/design_font.h"
#include "ui/panel.h"

namespace ui {
namespace {

constexpr wchar_t kFormClass[] = L"HinmeiForm";
// Control IDs start well above IDOK and IDCANCEL, which the dialog manager sends for
// Enter and Esc.
constexpr int kFirstControlId = 1000;
constexpr int kApplicationIcon = 1;

struct WindowKind {
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
  bool takes_focus;
};

WindowKind KindStyle(ControlKind kind) {
  switch (kind) {
    case ControlKind::kLabel:
      return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0, false};
    case ControlKind::kEdit:
      return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, true};
    case ControlKind::kButton:
      return {L"BUTTON", BS_PUSHBUTTON, 0, true};
    case ControlKind::kCheckBox:
      return {L"BUTTON", BS_AUTOCHECKBOX, 0, true};
    case ControlKind::kListView:
      return {WC_LISTVIEWW, LVS_REPORT, WS_EX_CLIENTEDGE, true};
    case ControlKind::kMemo:
      return {L"EDIT", ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE, true};
    case ControlKind::kPanel:
    case ControlKind::kBevel:
      break;
  }
  return {nullptr, 0, 0, false};
}

// Panels first, each form-level control in tab order; then the controls of each panel,
// those with a tab stop in tab order before those without.
std::vector<int> CreationOrder(const std::vector<ControlLayout>& layouts) {
  std::vector<int> order(layouts.size());
  std::iota(order.begin(), order.end(), 0);
  auto rank = [&](int id) {
    const ControlLayout& control = layouts[static_cast<std::size_t>(id)];
    bool on_form = control.parent == kOnForm;
    int parent_tab = on_form ? -1 : layouts[static_cast<std::size_t>(control.parent)].tab_order;
    return std::tuple(on_form ? 0 : 1, parent_tab, control.tab_order == kNoTabStop,
                      control.tab_order);
  };
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rank(a) < rank(b); });
  return order;
}

void RegisterFormClass(WNDPROC window_proc) {
  static const bool registered = [window_proc] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hIcon = LoadIconW(window_class.hInstance, MAKEINTRESOURCEW(kApplicationIcon));
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    window_class.lpszClassName = kFormClass;
    return RegisterClassExW(&window_class) != 0;
  }();
  (void)registered;
}

RECT WorkAreaAt(const RECT& area) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor);
  return monitor.rcWork;
}

}  // namespace

FormWindow::~FormWindow() { DestroyForm(); }

HWND FormWindow::ControlHandle(int id) const {
  if (id < 0 || id >= static_cast<int>(controls_.size())) return nullptr;
  return controls_[static_cast<std::size_t>(id)];
}

int FormWindow::IdOf(HWND control) const {
  if (!control) return kOnForm;
  int id = GetDlgCtrlID(control) - kFirstControlId;
  return ControlHandle(id) == control ? id : kOnForm;
}

void FormWindow::CreateForm(const FormDesign& design, std::vector<ControlLayout> controls,
                            HWND owner, POINT place) {
  RegisterFormClass(WindowProc);
  design_ = design;
  layouts_ = std::move(controls);
  for (std::size_t id = 0; id < layouts_.size(); ++id) {
    if (layouts_[id].id != static_cast<int>(id)) throw platform::Exception("form table out of order");
  }
  style_ = (owner ? WS_POPUP : WS_OVERLAPPED) | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  ex_style_ = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  // Created where it will be shown, so that it takes the DPI of that monitor.
  CreateWindowExW(ex_style_, kFormClass, ShownText(design.caption()).c_str(), style_, place.x,
                  place.y, 1, 1, owner, nullptr, GetModuleHandleW(nullptr), this);
  if (!window_) {
    throw platform::Exception(platform::OsErrorMessage(static_cast<int>(GetLastError())));
  }
  CreateControls();
  OnControlsCreated();
  LayOut(WindowDpi(window_));
}

void FormWindow::CreateControls() {
  controls_.assign(layouts_.size(), nullptr);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  for (int id : CreationOrder(layouts_)) {
    const ControlLayout& layout = layouts_[static_cast<std::size_t>(id)];
    HWND parent = layout.parent == kOnForm ? window_ : ControlHandle(layout.parent);
    int control_id = kFirstControlId + id;
    HWND control = nullptr;
    if (layout.kind == ControlKind::kPanel) {
      control = CreatePanel(parent, control_id);
    } else if (layout.kind != ControlKind::kBevel) {
      WindowKind kind = KindStyle(layout.kind);
      DWORD style = WS_CHILD | WS_VISIBLE | kind.style | layout.style;
      if (kind.takes_focus && layout.tab_order != kNoTabStop) style |= WS_TABSTOP;
      std::wstring text = layout.text ? ShownText(layout.text()) : std::wstring();
      control = CreateWindowExW(kind.ex_style, kind.window_class, text.c_str(), style, 0, 0, 0, 0,
                                parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)),
                                instance, nullptr);
      if (control && HandlesKeyPress(id)) {
        SetWindowSubclass(control, KeyPressProc, static_cast<UINT_PTR>(id),
                          reinterpret_cast<DWORD_PTR>(this));
      }
    }
    if (layout.kind != ControlKind::kBevel && !control) {
      throw platform::Exception(platform::OsErrorMessage(static_cast<int>(GetLastError())));
    }
    controls_[static_cast<std::size_t>(id)] = control;
  }
}

void FormWindow::LayOut(UINT dpi) {
  dpi_ = dpi;
  HFONT font = CreateDesignFont(dpi);
  std::vector<std::vector<RECT>> panel_lines(layouts_.size());
  for (const ControlLayout& layout : layouts_) {
    RECT rect = ScaleRect(layout.bounds, dpi);
    if (layout.kind == ControlKind::kBevel) {
      rect.bottom = rect.top + 2;  // the etched line: a shadow row and a highlight row
      panel_lines[static_cast<std::size_t>(layout.parent)].push_back(rect);
      continue;
    }
    HWND control = ControlHandle(layout.id);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
  }
  if (font_) DeleteObject(font_);
  font_ = font;
  for (const ControlLayout& layout : layouts_) {
    if (layout.kind == ControlKind::kLabel) FitLabel(layout.id);
    if (layout.kind == ControlKind::kPanel) {
      SetPanelTopLines(ControlHandle(layout.id), panel_lines[static_cast<std::size_t>(layout.id)]);
    }
  }
  SizeClientArea(ScaleToDpi(design_.client_width, dpi), ScaleToDpi(design_.client_height, dpi));
  OnLayout(dpi);
}

// A label is at least as large as its design and as large as its text needs, as the
// design font's metrics differ between the faces that may stand in for it.
void FormWindow::FitLabel(int id) {
  HWND label = ControlHandle(id);
  RECT rect = ScaleRect(layouts_[static_cast<std::size_t>(id)].bounds, dpi_);
  std::wstring text = WideWindowText(label);
  SIZE extent{0, 0};
  HDC dc = GetDC(label);
  HGDIOBJ previous = SelectObject(dc, font_);
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, previous);
  ReleaseDC(label, dc);
  int width = std::max<int>(rect.right - rect.left, extent.cx);
  int height = std::max<int>(rect.bottom - rect.top, extent.cy);
  MoveWindow(label, rect.left, rect.top, width, height, TRUE);
}

// Sized from the frame the system computes for the DPI, then corrected by what the
// client area turned out to be, as the frame actually drawn may differ from it.
void FormWindow::SizeClientArea(int width, int height) {
  SIZE size = WindowSizeForClient(width, height, style_, ex_style_, dpi_);
  for (int attempt = 0; attempt < 2; ++attempt) {
    SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(window_, &client);
    if (client.right == width && client.bottom == height) return;
    size.cx += width - client.right;
    size.cy += height - client.bottom;
  }
}

void FormWindow::DestroyForm() {
  if (window_) DestroyWindow(window_);
}

void FormWindow::SetText(int id, std::string_view cp932) {
  HWND control = ControlHandle(id);
  SetControlText(control, cp932);
  if (KindOf(id) == ControlKind::kLabel) FitLabel(id);
}

void FormWindow::FocusControl(HWND control) {
  SetFocus(control);
  int id = IdOf(control);
  if (id != kOnForm && KindOf(id) == ControlKind::kEdit) SendMessageW(control, EM_SETSEL, 0, -1);
}

void FormWindow::SelectNext(HWND from) {
  HWND next = GetNextDlgTabItem(window_, from, FALSE);
  if (next) FocusControl(next);
}

void FormWindow::CenterOn(const RECT& area) {
  RECT window;
  GetWindowRect(window_, &window);
  int width = window.right - window.left;
  int height = window.bottom - window.top;
  RECT work = WorkAreaAt(area);
  int left = area.left + (area.right - area.left - width) / 2;
  int top = area.top + (area.bottom - area.top - height) / 2;
  left = std::max<int>(work.left, std::min<int>(left, work.right - width));
  top = std::max<int>(work.top, std::min<int>(top, work.bottom - height));
  SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int FormWindow::RunModal() {
  HWND owner = GetWindow(window_, GW_OWNER);
  bool owner_enabled = owner && IsWindowEnabled(owner);
  if (owner_enabled) EnableWindow(owner, FALSE);
  modal_result_ = 0;
  saved_focus_ = nullptr;
  ShowWindow(window_, SW_SHOW);
  MSG message;
  while (modal_result_ == 0 && window_) {
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (!IsDialogMessageW(window_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // The owner is enabled before the window goes, so that it becomes the active one.
  if (owner_enabled) EnableWindow(owner, TRUE);
  if (window_) ShowWindow(window_, SW_HIDE);
  if (owner_enabled) SetActiveWindow(owner);
  return modal_result_ != 0 ? modal_result_ : IDCANCEL;
}

bool FormWindow::CanTakeFocus(HWND control) const {
  for (HWND window = control; window && window != window_; window = GetParent(window)) {
    if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return false;
  }
  return control && IsChild(window_, control);
}

void FormWindow::RestoreFocus() {
  HWND focus = saved_focus_ && CanTakeFocus(saved_focus_) ? saved_focus_
                                                          : GetNextDlgTabItem(window_, nullptr, FALSE);
  if (focus && CanTakeFocus(focus)) {
    SetFocus(focus);
  } else {
    SetFocus(window_);
  }
}

LRESULT FormWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      int id = IdOf(reinterpret_cast<HWND>(lparam));
      if (id != kOnForm && HIWORD(wparam) == BN_CLICKED) OnClick(id);
      return 0;
    }
    case WM_NOTIFY: {
      NMHDR& header = *reinterpret_cast<NMHDR*>(lparam);
      int id = IdOf(header.hwndFrom);
      return id == kOnForm ? 0 : OnNotify(id, header);
    }
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) saved_focus_ = focus;
      } else if (!HIWORD(wparam)) {
        RestoreFocus();
      }
      return 0;
    case WM_DPICHANGED: {
      const RECT& suggested = *reinterpret_cast<const RECT*>(lparam);
      LayOut(HIWORD(wparam));
      SetWindowPos(window_, nullptr, suggested.left, suggested.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      OnCloseRequest();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

LRESULT CALLBACK FormWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    form->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!form) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    form->window_ = nullptr;
    form->controls_.assign(form->controls_.size(), nullptr);
    if (form->font_) DeleteObject(form->font_);
    form->font_ = nullptr;
    return DefWindowProcW(window, message, wparam, lparam);
  }
  LRESULT result = 0;
  form->application_.Guard(window, [&] { result = form->HandleMessage(message, wparam, lparam); });
  return result;
}

// Asks the dialog manager to hand Enter to the control, and passes every typed
// character through the form's key-press handler first.
LRESULT CALLBACK FormWindow::KeyPressProc(HWND control, UINT message, WPARAM wparam,
                                          LPARAM lparam, UINT_PTR id, DWORD_PTR form_data) {
  auto* form = reinterpret_cast<FormWindow*>(form_data);
  switch (message) {
    case WM_GETDLGCODE: {
      LRESULT code = DefSubclassProc(control, message, wparam, lparam);
      const MSG* pending = reinterpret_cast<const MSG*>(lparam);
      if (pending && pending->wParam == VK_RETURN &&
          (pending->message == WM_KEYDOWN || pending->message == WM_CHAR)) {
        code |= DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_CHAR: {
      wchar_t key = static_cast<wchar_t>(wparam);
      bool handled = form->application_.Guard(form->window_, [&] {
        form->OnKeyPress(static_cast<int>(id), key);
      });
      if (!handled || key == 0) return 0;
      wparam = key;
      break;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(control, KeyPressProc, id);
      break;
  }
  return DefSubclassProc(control, message, wparam, lparam);
}

}  // namespace ui
