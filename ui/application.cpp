#include "ui/application.h"

#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/os_error.h"
#include "ui/control_text.h"

namespace ui {
namespace {

constexpr wchar_t kApplicationClass[] = L"HinmeiInstallApplication";

}  // namespace

std::string FailureBoxText(const std::string& cp932_message) {
  if (cp932_message.empty()) return cp932_message;
  std::size_t last = 0;
  for (std::size_t pos = 0; pos < cp932_message.size();
       pos += platform::CharLengthAt(cp932_message, pos)) {
    last = pos;
  }
  if (static_cast<unsigned char>(cp932_message[last]) > '.') return cp932_message + '.';
  return cp932_message;
}

Application::Application(Dialogs& dialogs) : dialogs_(dialogs) {
  static const bool registered = [] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = WindowProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hIcon = LoadIconW(window_class.hInstance, MAKEINTRESOURCEW(1));
    window_class.lpszClassName = kApplicationClass;
    return RegisterClassExW(&window_class) != 0;
  }();
  (void)registered;
  // No size, at the centre of the screen: the window is never seen, only its entry.
  window_ = CreateWindowExW(0, kApplicationClass, L"", WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window_) throw platform::Exception(platform::OsErrorMessage(static_cast<int>(GetLastError())));
}

Application::~Application() {
  if (window_) DestroyWindow(window_);
}

void Application::SetTitle(std::string cp932_title) {
  title_ = std::move(cp932_title);
  SetWindowTextW(window_, ShownText(title_).c_str());
}

void Application::SetMainWindow(HWND window) {
  main_window_ = window;
  if (window) ShowWindow(window_, SW_SHOWNOACTIVATE);
}

// Activating the task-bar entry activates the window the user works in (the main
// window, or the modal box or window over it); closing the entry closes the main window.
LRESULT CALLBACK Application::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE) {
        HWND popup = GetLastActivePopup(window);
        if (popup && popup != window && IsWindowVisible(popup) && IsWindowEnabled(popup)) SetActiveWindow(popup);
      }
      return 0;
    case WM_CLOSE:
      for (HWND owned = GetWindow(GetDesktopWindow(), GW_CHILD); owned; owned = GetWindow(owned, GW_HWNDNEXT)) {
        if (GetWindow(owned, GW_OWNER) == window && IsWindowEnabled(owned)) PostMessageW(owned, WM_CLOSE, 0, 0);
      }
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void Application::MainWindowDestroyed(HWND window) {
  if (window != main_window_) return;
  main_window_ = nullptr;
  PostQuitMessage(0);
}

void Application::ShowException(HWND owner, const std::string& cp932_message) {
  if (!owner || !IsWindow(owner)) owner = window_;
  dialogs_.ShowMessageBox(owner, FailureBoxText(cp932_message), title_, MB_OK | MB_ICONERROR);
}

void Application::Deliver(MSG& message) {
  if (main_window_ && IsDialogMessageW(main_window_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Application::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Deliver(message);
  }
}

int Application::Run() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) Deliver(message);
  return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}

}  // namespace ui
