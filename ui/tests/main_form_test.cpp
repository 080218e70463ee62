// The main window on the real controls: its design, the row editor, the selection and
// browse buttons, the type-settings switch and the failure handling of its handlers.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/install_texts.h"
#include "platform/exceptions.h"
#include "platform/system_texts.h"
#include "platform/win32_text.h"
#include "ui/control_text.h"
#include "ui/dpi.h"
#include "ui/tests/form_fixture.h"
#include "ui/ui_texts.h"

namespace ui::testing {
namespace {

RECT ClientRectIn(HWND parent, HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The task bar and Alt+Tab list the visible windows that no window owns: the
// application's window, titled with the application title, owns the main window, which
// keeps its caption.
TEST_F(MainFormTest, TheTaskBarEntryCarriesTheApplicationTitle) {
  OpenThreeMasters();
  HWND entry = GetWindow(form().Handle(), GW_OWNER);
  ASSERT_EQ(entry, application_.Handle());
  EXPECT_EQ(GetWindow(entry, GW_OWNER), nullptr);
  EXPECT_TRUE(IsWindowVisible(entry));
  EXPECT_FALSE(GetWindowLongW(entry, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(GetWindowLongW(form().Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(platform::Narrow(WideWindowText(entry)), texts::ApplicationTitle());
  EXPECT_EQ(platform::Narrow(WideWindowText(form().Handle())), texts::MainCaption());
  // Activating the entry activates the main window.
  SendMessageW(entry, WM_ACTIVATE, WA_ACTIVE, 0);
  Pump();
  EXPECT_EQ(GetActiveWindow(), form().Handle());
}

TEST_F(MainFormTest, OpensAsDesigned) {
  OpenThreeMasters();
  EXPECT_TRUE(dialogs_.boxes.empty());
  EXPECT_EQ(platform::Narrow(WideWindowText(form().Handle())), texts::MainCaption());

  UINT dpi = form().Dpi();
  RECT client;
  GetClientRect(form().Handle(), &client);
  EXPECT_EQ(client.right, ScaleToDpi(757, dpi));
  EXPECT_EQ(client.bottom, ScaleToDpi(545, dpi));
  LONG style = GetWindowLongW(form().Handle(), GWL_STYLE);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_TRUE(style & WS_SYSMENU);
  // Panel1 starts at y = 129, and its controls are placed relative to it.
  RECT button2 = ClientRectIn(form().Handle(), H(C::Button2));
  EXPECT_EQ(button2.left, ScaleToDpi(664, dpi));
  EXPECT_EQ(button2.top, ScaleToDpi(129, dpi) + ScaleToDpi(371, dpi));
  EXPECT_EQ(button2.bottom - button2.top, ScaleToDpi(25, dpi));

  EXPECT_EQ(Text(C::EdData1), texts::DefaultTypeFolder());
  EXPECT_FALSE(Enabled(C::EdData1));
  EXPECT_FALSE(Enabled(C::Button8));
  EXPECT_FALSE(form().ReplaceTypeTableTicked());
  EXPECT_EQ(Text(C::LbNo1), "");
  EXPECT_EQ(Text(C::EdMei1), "");
  EXPECT_EQ(Focused(), H(C::ListView1));

  HWND list = H(C::ListView1);
  LONG list_style = GetWindowLongW(list, GWL_STYLE);
  EXPECT_EQ(list_style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_TRUE(list_style & LVS_SINGLESEL);
  EXPECT_TRUE(list_style & LVS_SHOWSELALWAYS);
  EXPECT_TRUE(list_style & LVS_NOSORTHEADER);
  EXPECT_FALSE(list_style & LVS_EDITLABELS);
  DWORD extended = ListView_GetExtendedListViewStyle(list);
  EXPECT_TRUE(extended & LVS_EX_CHECKBOXES);
  EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
  EXPECT_EQ(ListView_GetColumnWidth(list, 0), ScaleToDpi(50, dpi));
  EXPECT_EQ(ListView_GetColumnWidth(list, 1), ScaleToDpi(250, dpi));
  EXPECT_EQ(ListView_GetColumnWidth(list, 2), ScaleToDpi(330, dpi));

  ASSERT_EQ(form().RowCount(), 3);
  EXPECT_EQ(Cell(0, 0), "1");
  EXPECT_EQ(Cell(2, 0), "3");
  EXPECT_EQ(Cell(1, 1), Sjis("電気設備"));
  EXPECT_EQ(Cell(2, 2), Sjis("D:\\空調"));
  for (int row = 0; row < 3; ++row) EXPECT_FALSE(form().RowTicked(row));
}

TEST_F(MainFormTest, DrawsInTheJapaneseDesignFont) {
  OpenThreeMasters();
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(H(C::Label1), WM_GETFONT, 0, 0));
  HDC dc = GetDC(H(C::Label1));
  HGDIOBJ previous = SelectObject(dc, font);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  std::wstring sample = platform::Wide(install::texts::Instruction() + texts::EditorCancel());
  std::vector<WORD> glyphs(sample.size());
  GetGlyphIndicesW(dc, sample.c_str(), static_cast<int>(sample.size()), glyphs.data(),
                   GGI_MARK_NONEXISTING_GLYPHS);
  SelectObject(dc, previous);
  ReleaseDC(H(C::Label1), dc);

  EXPECT_EQ(platform::Narrow(face), texts::FontFace());
  EXPECT_EQ(metrics.tmCharSet, SHIFTJIS_CHARSET);
  EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, ScaleToDpi(12, form().Dpi()));
  for (WORD glyph : glyphs) EXPECT_NE(glyph, 0xFFFF) << "a character without a glyph";
  // Labels are never narrower than their text.
  RECT label;
  GetClientRect(H(C::Label1), &label);
  EXPECT_GE(label.right, ScaleToDpi(421, form().Dpi()));
}

TEST_F(MainFormTest, TabWalksTheDesignOrderSkippingDisabledControls) {
  OpenThreeMasters();
  auto walk = [&] {
    std::vector<HWND> order;
    HWND control = H(C::ListView1);
    for (int step = 0; step < 20; ++step) {
      control = GetNextDlgTabItem(form().Handle(), control, FALSE);
      order.push_back(control);
      if (control == H(C::ListView1)) break;
    }
    return order;
  };
  std::vector<HWND> editor = {H(C::EdMei1), H(C::EdInst1), H(C::Button6), H(C::Button7),
                              H(C::BtSelect1), H(C::Button4), H(C::Button5), H(C::Button1),
                              H(C::Button2), H(C::EdData0), H(C::Button3)};
  std::vector<HWND> expected = editor;
  expected.insert(expected.end(), {H(C::CbHsy), H(C::ListView1)});
  EXPECT_EQ(walk(), expected);

  Click(C::CbHsy);
  expected = editor;
  expected.insert(expected.end(), {H(C::EdData1), H(C::CbHsy), H(C::Button8), H(C::ListView1)});
  EXPECT_EQ(walk(), expected);

  // The message loop hands Tab to the dialog manager.
  SetFocus(H(C::ListView1));
  PressKey(C::ListView1, VK_TAB);
  EXPECT_EQ(Focused(), H(C::EdMei1));
}

TEST_F(MainFormTest, SelectionFillsTheEditorAndDropsUnconfirmedEdits) {
  OpenThreeMasters();
  SelectListRow(0);
  EXPECT_EQ(Text(C::LbNo1), "1");
  EXPECT_EQ(Text(C::EdMei1), Sjis("標準品名マスタ"));
  EXPECT_EQ(Text(C::EdInst1), Sjis("C:\\kelo\\標準"));

  Type(C::EdMei1, Sjis("打ちかけ"));
  SelectListRow(1);
  EXPECT_EQ(Text(C::LbNo1), "2");
  EXPECT_EQ(Text(C::EdMei1), Sjis("電気設備"));
  EXPECT_EQ(form().RowName(0), Sjis("標準品名マスタ"));

  SelectListRow(-1);
  EXPECT_EQ(Text(C::LbNo1), "");
  EXPECT_EQ(Text(C::EdMei1), "");
  EXPECT_EQ(Text(C::EdInst1), "");
}

TEST_F(MainFormTest, EnterChainStoresBothBoxesAndReturnsToTheList) {
  OpenThreeMasters();
  SelectListRow(1);
  SetFocus(H(C::ListView1));
  PressKey(C::ListView1, VK_SPACE);  // the list's own keys pass the dialog manager
  EXPECT_TRUE(form().RowTicked(1));
  PressKey(C::ListView1, VK_RETURN);
  ASSERT_EQ(Focused(), H(C::EdMei1));

  Type(C::EdMei1, Sjis("表計算ソフト"));  // trail bytes 0x5C
  PressKey(C::EdMei1, VK_RETURN);
  EXPECT_EQ(Focused(), H(C::EdInst1));
  EXPECT_EQ(form().RowName(1), Sjis("電気設備"));

  Type(C::EdInst1, Sjis(" E:\\新 "));
  PressKey(C::EdInst1, VK_RETURN);
  EXPECT_EQ(form().RowName(1), Sjis("表計算ソフト"));
  EXPECT_EQ(form().RowDestination(1), Sjis(" E:\\新 "));
  EXPECT_EQ(Cell(1, 1), Sjis("表計算ソフト"));
  EXPECT_EQ(Focused(), H(C::ListView1));
  EXPECT_EQ(form().RowName(0), Sjis("標準品名マスタ"));
}

TEST_F(MainFormTest, ConfirmingAnUntouchedNameKeepsItsBytes) {
  // 0x879A is the NEC spelling of ∵, which reads back from Windows as 0x81E6.
  const std::string nec_because = "\x87\x9A";
  Open(Sjis("品名") + nec_because + ",C:\\a,s\r\n");
  SelectListRow(0);
  Click(C::Button6);
  EXPECT_EQ(form().RowName(0), Sjis("品名") + nec_because);
  EXPECT_EQ(Focused(), H(C::ListView1));
}

TEST_F(MainFormTest, WithoutASelectionTheEditorButtonsDoNothing) {
  OpenThreeMasters();
  Type(C::EdMei1, Sjis("迷子"));
  Click(C::Button6);
  EXPECT_EQ(Focused(), H(C::Button6));
  for (int row = 0; row < 3; ++row) EXPECT_NE(form().RowName(row), Sjis("迷子"));

  Click(C::BtSelect1);
  EXPECT_TRUE(dialogs_.browse_requests.empty());
  EXPECT_EQ(Focused(), H(C::BtSelect1));

  SetFocus(H(C::ListView1));
  PressKey(C::ListView1, VK_RETURN);
  EXPECT_EQ(Focused(), H(C::ListView1));
  DoubleClickList(POINT{20, 250});  // below the rows
  EXPECT_EQ(Focused(), H(C::ListView1));

  Click(C::Button7);  // cancel empties the editor and returns to the list
  EXPECT_EQ(Text(C::EdMei1), "");
  EXPECT_EQ(Focused(), H(C::ListView1));
}

TEST_F(MainFormTest, DoubleClickOnARowOpensItsName) {
  OpenThreeMasters();
  RECT row;
  ListView_GetItemRect(H(C::ListView1), 2, &row, LVIR_LABEL);
  DoubleClickList(POINT{row.left + 5, (row.top + row.bottom) / 2});
  EXPECT_EQ(Text(C::LbNo1), "3");
  EXPECT_EQ(Focused(), H(C::EdMei1));
}

TEST_F(MainFormTest, CancelPutsTheStoredValuesBack) {
  OpenThreeMasters();
  SelectListRow(2);
  Type(C::EdMei1, Sjis("変更"));
  Type(C::EdInst1, Sjis("X:\\"));
  Click(C::Button7);
  EXPECT_EQ(Text(C::EdMei1), Sjis("空調"));
  EXPECT_EQ(Text(C::EdInst1), Sjis("D:\\空調"));
  EXPECT_EQ(Focused(), H(C::ListView1));
}

TEST_F(MainFormTest, RowBrowseStoresThePathAndReloadsTheStoredName) {
  OpenThreeMasters();
  SelectListRow(0);
  Type(C::EdMei1, Sjis("未確定"));
  dialogs_.browse_answers = {std::wstring(L"C:\\\u65b0\u3057\u3044")};  // 新しい
  Click(C::BtSelect1);

  ASSERT_EQ(dialogs_.browse_requests.size(), 1u);
  const FolderBrowseRequest& request = dialogs_.browse_requests[0];
  EXPECT_EQ(request.owner, form().Handle());
  EXPECT_EQ(request.title, texts::BrowseTitle());
  EXPECT_EQ(request.flags, 0x61u);
  EXPECT_EQ(form().RowDestination(0), Sjis("C:\\新しい"));
  EXPECT_EQ(Text(C::EdInst1), Sjis("C:\\新しい"));
  EXPECT_EQ(Text(C::EdMei1), Sjis("標準品名マスタ"));
  EXPECT_EQ(Focused(), H(C::ListView1));

  SetFocus(H(C::EdMei1));
  Click(C::BtSelect1);  // cancelled
  EXPECT_EQ(form().RowDestination(0), Sjis("C:\\新しい"));
  EXPECT_EQ(Focused(), H(C::ListView1));
}

TEST_F(MainFormTest, DataFolderBrowsersFillTheirOwnBoxAndKeepItOnUnusablePaths) {
  OpenThreeMasters();
  dialogs_.browse_answers = {std::wstring(L"E:\\data0")};
  Click(C::Button3);
  EXPECT_EQ(Text(C::EdData0), "E:\\data0");
  EXPECT_EQ(Focused(), H(C::Button3));

  Click(C::CbHsy);
  std::wstring longest = L"C:\\" + std::wstring(128, L'\u8868');  // 3 + 256 bytes in CP932
  dialogs_.browse_answers = {L"F:\\data1", std::nullopt, std::wstring(L"C:\\\ud55c\uae00"),
                             longest + L"x", longest};
  Click(C::Button8);
  EXPECT_EQ(Text(C::EdData1), "F:\\data1");
  Click(C::Button8);  // cancelled
  Click(C::Button8);  // Hangul, which CP932 cannot hold
  Click(C::Button8);  // 260 bytes
  EXPECT_EQ(Text(C::EdData1), "F:\\data1");
  Click(C::Button8);  // 259 bytes
  EXPECT_EQ(Text(C::EdData1).size(), 259u);
  EXPECT_EQ(Text(C::EdData0), "E:\\data0");
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(MainFormTest, TypeSettingsSwitchEnablesItsFolderAndKeepsTheTexts) {
  OpenThreeMasters();
  Click(C::CbHsy);
  EXPECT_TRUE(form().ReplaceTypeTableTicked());
  EXPECT_TRUE(Enabled(C::EdData1));
  EXPECT_TRUE(Enabled(C::Button8));
  Type(C::EdData1, Sjis("D:\\品種"));
  Click(C::CbHsy);
  EXPECT_FALSE(Enabled(C::EdData1));
  EXPECT_FALSE(Enabled(C::Button8));
  EXPECT_EQ(Text(C::EdData1), Sjis("D:\\品種"));
  EXPECT_EQ(form().TypeFolder(), Sjis("D:\\品種"));
}

TEST_F(MainFormTest, SelectAllAndDeselectAllLeaveSelectionAndEditorAlone) {
  OpenThreeMasters();
  SelectListRow(1);
  Type(C::EdMei1, Sjis("打ちかけ"));
  Click(C::Button4);
  for (int row = 0; row < 3; ++row) EXPECT_TRUE(form().RowTicked(row));
  Click(C::Button5);
  for (int row = 0; row < 3; ++row) EXPECT_FALSE(form().RowTicked(row));
  EXPECT_EQ(Text(C::LbNo1), "2");
  EXPECT_EQ(Text(C::EdMei1), Sjis("打ちかけ"));
}

TEST_F(MainFormTest, MissingCatalogueShowsItsMessageThenAnEmptyWorkingList) {
  Open(std::nullopt);
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].text, platform::texts::FileNotFound() + ".");
  EXPECT_EQ(dialogs_.boxes[0].caption, texts::ApplicationTitle());
  EXPECT_EQ(dialogs_.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(form().RowCount(), 0);
  EXPECT_TRUE(IsWindowVisible(form().Handle()));

  Click(C::Button4);
  Click(C::Button5);
  Click(C::Button6);
  Click(C::Button7);
  EXPECT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(Text(C::EdMei1), "");
}

TEST_F(MainFormTest, RowOfAShortLineFailsAtItsMissingSubItem) {
  Open(Sjis("品名A,C:\\a,s1\r\n品名B\r\n品名C,C:\\c,s3\r\n"));
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  const std::string list_error_1 = platform::Format(platform::texts::ListIndexFormat(), 1);
  EXPECT_EQ(dialogs_.boxes[0].text, list_error_1);  // ends in ")": no "." added
  ASSERT_EQ(form().RowCount(), 2);
  EXPECT_EQ(form().RowName(1), Sjis("品名B"));
  EXPECT_THROW(form().RowDestination(1), platform::EListError);
  EXPECT_EQ(form().SourceDir(0), "s1");
  try {
    form().SourceDir(1);
    ADD_FAILURE() << "no source subfolder expected";
  } catch (const platform::EListError& failure) {
    EXPECT_EQ(failure.Index(), 1);
  }

  Type(C::EdInst1, Sjis("打ちかけ"));
  SelectListRow(1);  // the name is shown, the destination box keeps its text
  EXPECT_EQ(Text(C::LbNo1), "2");
  EXPECT_EQ(Text(C::EdMei1), Sjis("品名B"));
  EXPECT_EQ(Text(C::EdInst1), Sjis("打ちかけ"));
  ASSERT_EQ(dialogs_.boxes.size(), 2u);
  EXPECT_EQ(dialogs_.boxes[1].text, list_error_1);

  Type(C::EdMei1, Sjis("直した"));
  SetFocus(H(C::EdMei1));
  Click(C::Button6);  // stores the name, fails at the destination, keeps the focus
  EXPECT_EQ(form().RowName(1), Sjis("直した"));
  EXPECT_EQ(Focused(), H(C::Button6));
  EXPECT_EQ(dialogs_.boxes.size(), 3u);

  dialogs_.browse_answers = {std::wstring(L"C:\\b")};
  Click(C::BtSelect1);
  EXPECT_EQ(Focused(), H(C::BtSelect1));
  EXPECT_EQ(dialogs_.boxes.size(), 4u);
  EXPECT_EQ(form().RowCount(), 2);
}

TEST(FailureBoxText, AddsAPeriodWhenTheLastCharacterSortsAboveIt) {
  EXPECT_EQ(FailureBoxText(""), "");
  EXPECT_EQ(FailureBoxText("(2)"), "(2)");
  EXPECT_EQ(FailureBoxText("a."), "a.");
  EXPECT_EQ(FailureBoxText("a-"), "a-");
  EXPECT_EQ(FailureBoxText("code 32"), "code 32.");
  EXPECT_EQ(FailureBoxText(Sjis("見つかりません")), Sjis("見つかりません") + ".");
  // ソ ends in the trail byte 0x5C; its lead byte decides.
  EXPECT_EQ(FailureBoxText(Sjis("ソ")), Sjis("ソ") + ".");
  EXPECT_EQ(FailureBoxText(Sjis("ｷｬﾝｾﾙ")), Sjis("ｷｬﾝｾﾙ") + ".");
  // A full-width closing parenthesis is a double-byte character (81 6A).
  EXPECT_EQ(FailureBoxText(Sjis("（１）")), Sjis("（１）") + ".");
}

TEST_F(MainFormTest, DpiChangeScalesTheWholeLayout) {
  OpenThreeMasters();
  RECT suggested{10, 10, 10, 10};
  SendMessageW(form().Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  RECT client;
  GetClientRect(form().Handle(), &client);
  EXPECT_EQ(client.right, 1136);
  EXPECT_EQ(client.bottom, 818);
  RECT button2 = ClientRectIn(form().Handle(), H(C::Button2));
  EXPECT_EQ(button2.left, 996);
  EXPECT_EQ(button2.top, 194 + 557);  // each of Panel1's and Button2's tops rounded
  EXPECT_EQ(ListView_GetColumnWidth(H(C::ListView1), 1), 375);
}

}  // namespace
}  // namespace ui::testing
