#include "ui/panel.h"

#include <utility>

namespace ui {
namespace {

constexpr wchar_t kPanelClass[] = L"HinmeiPanel";

struct PanelState {
  std::vector<RECT> top_lines;
};

PanelState* StateOf(HWND panel) {
  return reinterpret_cast<PanelState*>(GetWindowLongPtrW(panel, GWLP_USERDATA));
}

void Paint(HWND panel) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(panel, &paint);
  RECT client;
  GetClientRect(panel, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &client, EDGE_ETCHED, BF_RECT);
  if (PanelState* state = StateOf(panel)) {
    for (RECT line : state->top_lines) DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
  }
  EndPaint(panel, &paint);
}

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(panel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new PanelState));
      break;
    case WM_NCDESTROY:
      delete StateOf(panel);
      SetWindowLongPtrW(panel, GWLP_USERDATA, 0);
      break;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the whole client area
    case WM_PAINT:
      Paint(panel);
      return 0;
    case WM_COMMAND:
    case WM_NOTIFY:
      return SendMessageW(GetParent(panel), message, wparam, lparam);
  }
  return DefWindowProcW(panel, message, wparam, lparam);
}

void RegisterPanelClass() {
  static const bool registered = [] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = PanelProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.lpszClassName = kPanelClass;
    return RegisterClassExW(&window_class) != 0;
  }();
  (void)registered;
}

}  // namespace

HWND CreatePanel(HWND parent, int control_id) {
  RegisterPanelClass();
  return CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"",
                         WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)),
                         GetModuleHandleW(nullptr), nullptr);
}

void SetPanelTopLines(HWND panel, std::vector<RECT> lines) {
  if (PanelState* state = StateOf(panel)) {
    state->top_lines = std::move(lines);
    InvalidateRect(panel, nullptr, TRUE);
  }
}

}  // namespace ui
