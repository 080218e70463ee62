// The real main window under test: opened in a fresh working folder with the given
// catalogue, shown and active, with the dialog seam recording.
#ifndef HINMEI_UI_TESTS_FORM_FIXTURE_H_
#define HINMEI_UI_TESTS_FORM_FIXTURE_H_

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "engine/operations/engine.h"
#include "platform/file_system.h"
#include "platform/testing/sjis.h"
#include "platform/testing/temp_folder.h"
#include "ui/application.h"
#include "ui/main_form.h"
#include "ui/tests/fake_dialogs.h"

namespace ui::testing {

using platform::testing::Sjis;

class MainFormTest : public ::testing::Test {
 protected:
  using C = TForm1::Control;

  MainFormTest();
  ~MainFormTest() override;

  // Writes `catalogue` (CP932 bytes) as kelo.txt, unless it is nothing, and opens the
  // window from that working folder.
  void Open(const std::optional<std::string>& catalogue);
  // A catalogue of three good lines.
  void OpenThreeMasters();

  TForm1& form() { return *form_; }
  HWND H(C control) { return form_->Handle(control); }

  // What a user does, as window messages.
  void Click(C button) { SendMessageW(H(button), BM_CLICK, 0, 0); }
  void PressKey(C control, WPARAM key);  // through the message loop's dialog manager
  void SelectListRow(int row);           // -1 removes the selection
  void DoubleClickList(POINT client_point);
  void Type(C edit, const std::string& cp932);
  void Pump() { application_.ProcessMessages(); }

  // What the window shows, as the exact CP932 bytes.
  std::string Text(C control);
  std::string Cell(int row, int column);
  bool Enabled(C control) { return IsWindowEnabled(H(control)) != FALSE; }
  HWND Focused() { return GetFocus(); }

  FakeDialogs dialogs_;
  Application application_{dialogs_};
  platform::testing::TempFolder folder_;
  engine::Engine engine_{platform::OsFileSystem(), folder_ / "aliases.cfg"};
  std::unique_ptr<TForm1> form_;

 private:
  std::wstring previous_folder_;
};

}  // namespace ui::testing

#endif  // HINMEI_UI_TESTS_FORM_FIXTURE_H_
