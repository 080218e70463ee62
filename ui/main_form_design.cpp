// The main window's design: the caption, the client area, and every control with its
// panel, position, tab order, text, styles and handlers.
#include "ui/main_form.h"

#include <commctrl.h>

#include "install/install_texts.h"
#include "ui/ui_texts.h"

namespace ui {

const FormDesign& TForm1::WindowDesign() {
  static const FormDesign kWindow{texts::MainCaption, 757, 545};
  return kWindow;
}

std::span<const TForm1::ListColumn> TForm1::ListView1Columns() {
  static const ListColumn kColumns[] = {
      {texts::ColumnNumber, 50},
      {texts::ColumnName, 250},
      {texts::ColumnDestination, 330},
  };
  return kColumns;
}

std::span<const ControlDesign<TForm1>> TForm1::Design() {
  using C = Control;
  using K = ControlKind;
  constexpr DWORD kListStyle = LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
  static const ControlDesign<TForm1> kDesign[] = {
      // The data folders, along the top.
      {C::Panel2, K::kPanel, {}, {0, 0, 757, 129}, 1, nullptr, 0},
      {C::Label2, K::kLabel, C::Panel2, {8, 8, 223, 12}, kNoTabStop, texts::ManagementFolderLabel, 0},
      {C::EdData0, K::kEdit, C::Panel2, {8, 24, 658, 20}, 0, texts::DefaultManagementFolder, 0},
      {C::Button3, K::kButton, C::Panel2, {672, 24, 73, 20}, 1, texts::BrowseButton, 0,
       &TForm1::Button3Click},
      {C::CbHsy, K::kCheckBox, C::Panel2, {8, 58, 257, 17}, 3, texts::ReplaceTypeTableCheck, 0,
       &TForm1::CbHsyClick},
      {C::Label7, K::kLabel, C::Panel2, {8, 81, 192, 12}, kNoTabStop, texts::TypeFolderLabel, 0},
      {C::EdData1, K::kEdit, C::Panel2, {8, 99, 658, 20}, 2, texts::DefaultTypeFolder, WS_DISABLED},
      {C::Button8, K::kButton, C::Panel2, {672, 99, 73, 20}, 4, texts::BrowseButton, WS_DISABLED,
       &TForm1::Button3Click},
      // The master list and the row editor.
      {C::Panel1, K::kPanel, {}, {0, 129, 757, 416}, 0, nullptr, 0},
      {C::ListView1, K::kListView, C::Panel1, {8, 6, 658, 276}, 0, nullptr, kListStyle, nullptr,
       &TForm1::ListView1KeyPress},
      {C::Label4, K::kLabel, C::Panel1, {9, 288, 16, 12}, kNoTabStop, texts::ColumnNumber, 0},
      {C::Label5, K::kLabel, C::Panel1, {48, 288, 24, 12}, kNoTabStop, texts::ColumnName, 0},
      {C::Label6, K::kLabel, C::Panel1, {304, 288, 75, 12}, kNoTabStop, texts::ColumnDestination, 0},
      {C::LbNo1, K::kLabel, C::Panel1, {10, 306, 32, 12}, kNoTabStop, nullptr, 0},
      {C::EdMei1, K::kEdit, C::Panel1, {48, 304, 258, 20}, 1, nullptr, 0, nullptr,
       &TForm1::EdMei1KeyPress},
      {C::EdInst1, K::kEdit, C::Panel1, {304, 304, 362, 20}, 2, nullptr, 0, nullptr,
       &TForm1::EdInst1KeyPress},
      {C::Button6, K::kButton, C::Panel1, {544, 330, 58, 20}, 3, texts::EditorOk, 0,
       &TForm1::Button6Click},
      {C::Button7, K::kButton, C::Panel1, {608, 330, 58, 20}, 4, texts::EditorCancel, 0,
       &TForm1::Button7Click},
      {C::BtSelect1, K::kButton, C::Panel1, {672, 32, 73, 20}, 5, texts::BrowseButton, 0,
       &TForm1::BtSelect1Click},
      {C::Button4, K::kButton, C::Panel1, {672, 72, 73, 20}, 6, texts::SelectAll, 0,
       &TForm1::Button4Click},
      {C::Button5, K::kButton, C::Panel1, {672, 98, 73, 20}, 7, texts::DeselectAll, 0,
       &TForm1::Button5Click},
      {C::Bevel1, K::kBevel, C::Panel1, {8, 356, 737, 14}, kNoTabStop, nullptr, 0},
      {C::Label1, K::kLabel, C::Panel1, {8, 371, 421, 12}, kNoTabStop, install::texts::Instruction, 0},
      {C::Label3, K::kLabel, C::Panel1, {8, 389, 235, 12}, kNoTabStop, texts::KeyHelp, 0},
      {C::Button1, K::kButton, C::Panel1, {576, 371, 81, 25}, 8, texts::InstallButton, 0,
       &TForm1::Button1Click},
      {C::Button2, K::kButton, C::Panel1, {664, 371, 81, 25}, 9, texts::CancelButton, 0,
       &TForm1::Button2Click},
  };
  return kDesign;
}

}  // namespace ui
