// The main window's event handlers and its folder browser.
#include "ui/main_form.h"

#include <shlobj.h>

#include <cstdint>

#include "catalogue/catalogue_reader.h"
#include "install/install_run.h"
#include "ui/control_text.h"
#include "ui/ui_texts.h"

namespace ui {
namespace {

constexpr wchar_t kEnter = L'\r';
constexpr std::int16_t kCatalogueKind = 1;
// Only file-system folders, with the validating edit box, in the resizable new style.
constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_VALIDATE | BIF_NEWDIALOGSTYLE;
// A path must fit a MAX_PATH buffer of CP932 bytes with its terminating NUL.
constexpr std::size_t kMaxPathBytes = MAX_PATH - 1;

}  // namespace

void TForm1::FormCreate() {
  FSourceDirs = std::make_unique<std::vector<std::string>>();
  FExeDir = ProgramFolderOfThisProcess();
  catalogue::LoadCatalogue(fs_, kCatalogueKind, *this);
  SetText(Control::EdMei1, "");
  SetText(Control::EdInst1, "");
  SetText(Control::LbNo1, "");
}

void TForm1::FormClose() { FSourceDirs.reset(); }

void TForm1::ListView1SelectItem(int item, bool /*selected*/) {
  if (item >= 0) SetText(Control::LbNo1, list_->Caption(item));
  ShowSelectedEntry();
}

void TForm1::ShowSelectedEntry() {
  if (std::optional<int> row = list_->Selected()) {
    SetText(Control::EdMei1, list_->SubItem(*row, 0));
    SetText(Control::EdInst1, list_->SubItem(*row, 1));
    return;
  }
  SetText(Control::EdMei1, "");
  SetText(Control::EdInst1, "");
  SetText(Control::LbNo1, "");
}

void TForm1::ListView1DblClick(Control /*sender*/) {
  if (list_->Selected()) Focus(Control::EdMei1);
}

void TForm1::ListView1KeyPress(Control sender, wchar_t& key) {
  if (key != kEnter) return;
  ListView1DblClick(sender);
  key = 0;
}

void TForm1::EdMei1KeyPress(Control sender, wchar_t& key) {
  if (key != kEnter) return;
  SelectNext(Handle(sender));
  key = 0;
}

void TForm1::EdInst1KeyPress(Control sender, wchar_t& key) {
  if (key != kEnter) return;
  SelectNext(Handle(sender));
  key = 0;
  Button6Click(Control::Button6);
}

void TForm1::Button6Click(Control /*sender*/) {
  std::optional<int> row = list_->Selected();
  if (!row) return;
  StoreEditor(*row, 0, Control::EdMei1);
  StoreEditor(*row, 1, Control::EdInst1);
  Focus(Control::ListView1);
}

void TForm1::Button7Click(Control /*sender*/) {
  ShowSelectedEntry();
  Focus(Control::ListView1);
}

void TForm1::BtSelect1Click(Control /*sender*/) {
  std::optional<int> row = list_->Selected();
  if (!row) return;
  if (std::optional<std::string> path = BrowseForFolder()) {
    list_->SetSubItem(*row, 1, *path);
    ShowSelectedEntry();
  }
  Focus(Control::ListView1);
}

void TForm1::Button4Click(Control /*sender*/) {
  for (int row = 0; row < list_->Count(); ++row) list_->SetTicked(row, true);
}

void TForm1::Button5Click(Control /*sender*/) {
  for (int row = 0; row < list_->Count(); ++row) list_->SetTicked(row, false);
}

void TForm1::CbHsyClick(Control /*sender*/) {
  BOOL enable = Ticked(Control::CbHsy) ? TRUE : FALSE;
  EnableWindow(Handle(Control::EdData1), enable);
  EnableWindow(Handle(Control::Button8), enable);
}

void TForm1::Button3Click(Control sender) {
  std::optional<std::string> path = BrowseForFolder();
  if (!path) return;
  SetText(sender == Control::Button3 ? Control::EdData0 : Control::EdData1, *path);
}

void TForm1::Button1Click(Control /*sender*/) { install::Button1Click(*this, components_, fs_); }

void TForm1::Button2Click(Control /*sender*/) { Close(); }

// A chosen folder whose path CP932 cannot hold, or holds in more bytes than a path
// buffer takes, counts as no choice: the text it would have replaced stays.
std::optional<std::string> TForm1::BrowseForFolder() {
  std::optional<std::wstring> chosen =
      dialogs_.BrowseForFolder(FolderBrowseRequest{Handle(), texts::BrowseTitle(), kBrowseFlags});
  if (!chosen) return std::nullopt;
  std::optional<std::string> path = ExactCp932(*chosen);
  if (!path || path->size() > kMaxPathBytes) return std::nullopt;
  return path;
}

}  // namespace ui
