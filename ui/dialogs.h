// The dialog seam: the modal message box, the beep and the shell's folder browser. The
// window reaches them only through this interface, so that tests drive the real window
// with a recording stand-in and no modal window ever blocks them.
#ifndef HINMEI_UI_DIALOGS_H_
#define HINMEI_UI_DIALOGS_H_

#include <windows.h>

#include <optional>
#include <string>

namespace ui {

// What the folder browser is shown with: the owner, the title (CP932) and the BIF_*
// flags. The whole shell namespace is offered; there is no display-name buffer and no
// callback.
struct FolderBrowseRequest {
  HWND owner;
  std::string title;
  UINT flags;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A modal message box with the CP932 text and caption and the MB_* type; answers the
  // button that closed it (IDOK, ...).
  virtual int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption,
                             UINT type) = 0;
  // MessageBeep with the MB_* sound type.
  virtual void SoundBeep(UINT type) = 0;
  // Shows the modal folder browser; answers the file-system path of the chosen folder,
  // or nothing when the user cancelled or the chosen item has no path.
  virtual std::optional<std::wstring> BrowseForFolder(const FolderBrowseRequest& request) = 0;
};

// The real ones: MessageBoxW, MessageBeep, SHBrowseForFolderW.
Dialogs& SystemDialogs();

}  // namespace ui

#endif  // HINMEI_UI_DIALOGS_H_
