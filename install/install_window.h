// What the install run needs of the main window, and the error-log window it creates.
// The main window (TForm1) implements both over its controls; tests use fakes.
#ifndef HINMEI_INSTALL_INSTALL_WINDOW_H_
#define HINMEI_INSTALL_INSTALL_WINDOW_H_

#include <memory>
#include <string>

namespace install {

enum class MessageKind {
  kWarning,  // caption "警告", warning icon
  kError,    // caption "エラー", error icon
};

// The error log of one run: the lines of `Memo1` in the hidden error-log window `FrLog`.
// Destroying the object destroys the window and the log.
class ErrorLog {
 public:
  virtual ~ErrorLog() = default;
  // Appends the line and a CR LF to the log's text.
  virtual void AppendLine(const std::string& cp932_line) = 0;
  // The whole text: every line followed by CR LF; empty until the first line.
  virtual std::string Text() = 0;
  // Shows the window modally, centred on the main window, until the user closes it.
  virtual void ShowModal() = 0;
};

class InstallWindow {
 public:
  virtual ~InstallWindow() = default;

  // The master list. A missing sub-item or source subfolder (the last row after a short
  // catalogue line) throws platform::EListError with the index that was out of range:
  // the sub-item's (0 name, 1 destination), or the row's for the source subfolder.
  virtual int RowCount() = 0;
  virtual bool RowTicked(int row) = 0;
  virtual std::string RowName(int row) = 0;         // sub-item 0
  virtual std::string RowDestination(int row) = 0;  // sub-item 1
  virtual std::string SourceDir(int row) = 0;       // FSourceDirs entry
  // Makes the row the selected one, which brings it into the row editor.
  virtual void SelectRow(int row) = 0;

  virtual std::string ManagementFolder() = 0;   // text of EdData0, as typed
  virtual std::string TypeFolder() = 0;         // text of EdData1, as typed
  virtual bool ReplaceTypeTableTicked() = 0;    // CbHsy
  virtual std::string ExeDir() = 0;             // FExeDir, ending with '\'

  virtual void SetStatusText(const std::string& cp932_text) = 0;  // Label1
  // The application-wide cursor: the hourglass while busy, the default one otherwise.
  virtual void SetBusyCursor(bool busy) = 0;
  // Processes the pending window messages once, until none is left.
  virtual void ProcessPendingMessages() = 0;
  // Enables or disables the window's input for the run, so that input arriving during
  // the message processing can neither start a second run, close the window nor change
  // the list or CbHsy.
  virtual void SetInputEnabled(bool enabled) = 0;

  // The information beep (MessageBeep 64), then a modal message box with "OK".
  virtual void Refuse(MessageKind kind, const std::string& cp932_text) = 0;

  // A new, hidden error-log window owned by the main window, with an empty log.
  virtual std::unique_ptr<ErrorLog> CreateErrorLog() = 0;

  // Closes the main window once the run's handler has returned, which ends the program.
  virtual void CloseMainWindow() = 0;
};

}  // namespace install

#endif  // HINMEI_INSTALL_INSTALL_WINDOW_H_
