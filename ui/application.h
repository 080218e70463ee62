// The application: its title, its main window, the message loop, and the default
// failure handler that keeps a failure from ending the program.
//
// The application has a window of its own, as the program's users know it from other
// programs of its kind: a visible window of no size that carries the title and owns the
// main window. The task bar and Alt+Tab show the unowned window, so they name the
// program by its title while the main window keeps its own caption.
#ifndef HINMEI_UI_APPLICATION_H_
#define HINMEI_UI_APPLICATION_H_

#include <windows.h>

#include <exception>
#include <string>
#include <utility>

#include "platform/exceptions.h"
#include "ui/dialogs.h"

namespace ui {

// The text of the failure box for a failure's message: the message with a "." added
// when it is not empty and its last character sorts above "." by byte value (for a
// double-byte character its first byte decides).
std::string FailureBoxText(const std::string& cp932_message);

class Application {
 public:
  // Creates the application's window, hidden and untitled.
  explicit Application(Dialogs& dialogs);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The title (CP932) names the task-bar entry and captions the failure box.
  void SetTitle(std::string cp932_title);
  const std::string& Title() const { return title_; }
  // The application's window: the owner of the main window.
  HWND Handle() const { return window_; }

  // The window whose destruction ends Run. Its keyboard input goes through the dialog
  // manager: Tab and the arrow keys move the focus, Alt and a mnemonic press a button.
  // From now on the task bar shows the application's entry.
  void SetMainWindow(HWND window);
  HWND MainWindow() const { return main_window_; }
  void MainWindowDestroyed(HWND window);

  // The default failure handler: shows the message in a modal box with the error icon
  // and an OK button, captioned with the title. The program then goes on.
  void ShowException(HWND owner, const std::string& cp932_message);

  // Runs `action`; a failure leaving it goes to the default failure handler. Answers
  // whether the action ran to its end.
  template <typename Action>
  bool Guard(HWND owner, Action&& action) {
    try {
      action();
      return true;
    } catch (const platform::Exception& failure) {
      ShowException(owner, failure.Message());
    } catch (const std::exception& failure) {
      ShowException(owner, failure.what());
    }
    return false;
  }

  // Delivers one message to its window.
  void Deliver(MSG& message);
  // Delivers the pending messages until none is left. A quit request is put back for the
  // message loop and ends the processing.
  void ProcessMessages();
  // The message loop: runs until the main window has been destroyed; answers the exit
  // code.
  int Run();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  Dialogs& dialogs_;
  std::string title_;
  HWND window_ = nullptr;  // the application's own window
  HWND main_window_ = nullptr;
};

}  // namespace ui

#endif  // HINMEI_UI_APPLICATION_H_
