#include "ui/application.h"

#include "platform/cp932.h"

namespace ui {

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

void Application::MainWindowDestroyed(HWND window) {
  if (window != main_window_) return;
  main_window_ = nullptr;
  PostQuitMessage(0);
}

void Application::ShowException(HWND owner, const std::string& cp932_message) {
  if (owner && !IsWindow(owner)) owner = nullptr;
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
