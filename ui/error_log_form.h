// TFrLog, the error-log window of an install run: the log's lines in the read-only text
// area Memo1, shown modally over the main window at the end of a run that logged any.
//
// The window is created hidden and owned by the main window; destroying the object
// destroys the window and the log with it. A window its owner outlives never outlives
// the owner: it goes with it.
#ifndef HINMEI_UI_ERROR_LOG_FORM_H_
#define HINMEI_UI_ERROR_LOG_FORM_H_

#include <windows.h>

#include <span>
#include <string>

#include "install/install_window.h"
#include "ui/application.h"
#include "ui/form_window.h"

namespace ui {

class TFrLog final : public FormWindow, public install::ErrorLog {
 public:
  enum class Control { Panel1, Button1, Memo1 };

  TFrLog(Application& application, HWND owner);
  ~TFrLog() override;

  using FormWindow::Handle;
  HWND Handle(Control control) const { return ControlHandle(static_cast<int>(control)); }

  // install::ErrorLog
  void AppendLine(const std::string& cp932_line) override;
  std::string Text() override;
  // Centred on the owner; returns when Button1, Enter, Esc or the close box closed it.
  void ShowModal() override;

 private:
  static std::span<const ControlDesign<TFrLog>> Design();

  // FormWindow
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnControlsCreated() override;
  void OnClick(int id) override;
  void OnCloseRequest() override;

  std::string text_;  // the log as appended: CP932 lines, each followed by CR LF
};

}  // namespace ui

#endif  // HINMEI_UI_ERROR_LOG_FORM_H_
