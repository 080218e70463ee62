// HinmeiInstall.exe: initialises the application, sets its title, creates the main
// window and runs the message loop until the main window has closed.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <optional>

#include "app/alias_store_location.h"
#include "app/dll_search.h"
#include "engine/operations/engine.h"
#include "platform/file_system.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui/main_form.h"
#include "ui/ui_texts.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // First of all: the common controls and the folder browser load DLLs of their own.
  app::RestrictDllSearchToSystemFolder();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  // The folder browser in its new style needs OLE on the thread that shows it.
  HRESULT ole = OleInitialize(nullptr);

  ui::Dialogs& dialogs = ui::SystemDialogs();
  ui::Application application(dialogs);
  application.SetTitle(ui::texts::ApplicationTitle());

  platform::FileSystem& fs = platform::OsFileSystem();
  engine::Engine engine(fs, app::AliasStorePath(fs));

  int exit_code = 1;
  std::optional<ui::TForm1> form;
  if (application.Guard(nullptr, [&] {
        form.emplace(ui::FormDependencies{application, fs, dialogs, engine});
      })) {
    application.SetMainWindow(form->Handle());
    form->Show();
    exit_code = application.Run();
  }
  form.reset();
  if (SUCCEEDED(ole)) OleUninitialize();
  return exit_code;
}
