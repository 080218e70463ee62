// What the install run does with the main window, on the real window.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "install/install_texts.h"
#include "platform/exceptions.h"
#include "platform/win32_text.h"
#include "ui/main_form.h"
#include "ui/tests/form_fixture.h"
#include "ui/ui_texts.h"

namespace ui::testing {
namespace {

bool QuitRequested() {
  MSG message;
  return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

TEST_F(MainFormTest, RunReadsRowsFoldersAndTheProgramFolder) {
  OpenThreeMasters();
  ListView_SetCheckState(H(C::ListView1), 2, TRUE);
  EXPECT_EQ(form().RowCount(), 3);
  EXPECT_FALSE(form().RowTicked(0));
  EXPECT_TRUE(form().RowTicked(2));
  EXPECT_EQ(form().RowName(2), Sjis("空調"));
  EXPECT_EQ(form().RowDestination(0), Sjis("C:\\kelo\\標準"));
  EXPECT_EQ(form().SourceDir(1), "elec");
  EXPECT_THROW(form().RowTicked(3), platform::EListError);
  EXPECT_THROW(form().RowName(-1), platform::EListError);
  EXPECT_THROW(form().SourceDir(3), platform::EListError);

  Type(C::EdData0, Sjis("D:\\管理"));
  EXPECT_EQ(form().ManagementFolder(), Sjis("D:\\管理"));
  SetWindowTextW(H(C::EdData1), L"E:\\\u20AC");  // a character CP932 cannot hold reads as '?'
  EXPECT_EQ(form().TypeFolder(), "E:\\?");

  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring folder(program);
  folder.resize(folder.find_last_of(L'\\') + 1);
  EXPECT_EQ(form().ExeDir(), platform::Narrow(folder));
  EXPECT_EQ(form().ExeDir().back(), '\\');
}

TEST_F(MainFormTest, SelectRowBringsTheRowIntoTheEditor) {
  OpenThreeMasters();
  form().SelectRow(1);
  EXPECT_EQ(Text(C::LbNo1), "2");
  EXPECT_EQ(Text(C::EdMei1), Sjis("電気設備"));
  form().SelectRow(2);
  EXPECT_EQ(ListView_GetSelectedCount(H(C::ListView1)), 1u);
  EXPECT_EQ(Text(C::EdInst1), Sjis("D:\\空調"));
  EXPECT_THROW(form().SelectRow(3), platform::EListError);
}

TEST_F(MainFormTest, StatusTextAndBusyCursor) {
  OpenThreeMasters();
  form().SetStatusText(install::texts::Installing());
  EXPECT_EQ(Text(C::Label1), install::texts::Installing());

  HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  form().SetBusyCursor(true);
  EXPECT_EQ(GetCursor(), wait);
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  // Over any control the window keeps the hourglass.
  LRESULT handled = SendMessageW(H(C::ListView1), WM_SETCURSOR,
                                 reinterpret_cast<WPARAM>(H(C::ListView1)), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_TRUE(handled);
  EXPECT_EQ(GetCursor(), wait);
  form().SetBusyCursor(false);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(MainFormTest, RefusalBeepsThenShowsItsBox) {
  OpenThreeMasters();
  form().Refuse(install::MessageKind::kWarning, install::texts::NoMasterTicked());
  form().Refuse(install::MessageKind::kError, install::texts::InvalidFolderName() + "x");
  EXPECT_EQ(dialogs_.events, (std::vector<std::string>{"beep", "box", "beep", "box"}));
  EXPECT_EQ(dialogs_.beeps, (std::vector<UINT>{64, 64}));
  ASSERT_EQ(dialogs_.boxes.size(), 2u);
  EXPECT_EQ(dialogs_.boxes[0].text, install::texts::NoMasterTicked());
  EXPECT_EQ(dialogs_.boxes[0].caption, texts::WarningCaption());
  EXPECT_EQ(dialogs_.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
  EXPECT_EQ(dialogs_.boxes[1].caption, texts::ErrorCaption());
  EXPECT_EQ(dialogs_.boxes[1].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(dialogs_.boxes[1].owner, form().Handle());
}

TEST_F(MainFormTest, DisabledInputIgnoresClicksKeysAndCloseRequests) {
  OpenThreeMasters();
  SetFocus(H(C::Button1));
  form().SetInputEnabled(false);
  EXPECT_NE(Focused(), H(C::Button1));
  Click(C::Button4);
  Click(C::Button2);
  PostMessageW(form().Handle(), WM_CLOSE, 0, 0);
  form().ProcessPendingMessages();
  ASSERT_TRUE(IsWindow(form().Handle()));
  EXPECT_FALSE(form().RowTicked(0));
  EXPECT_FALSE(QuitRequested());

  form().SetInputEnabled(true);
  EXPECT_EQ(Focused(), H(C::Button1));
  Click(C::Button4);
  EXPECT_TRUE(form().RowTicked(0));
  Click(C::Button2);
  EXPECT_FALSE(IsWindow(H(C::Button2)));
  EXPECT_TRUE(QuitRequested());
}

TEST_F(MainFormTest, ProcessPendingMessagesEmptiesTheQueue) {
  OpenThreeMasters();
  for (int i = 0; i < 3; ++i) PostMessageW(form().Handle(), WM_NULL, 0, 0);
  form().SetStatusText(install::texts::Installing());
  form().ProcessPendingMessages();
  MSG message;
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_FALSE(GetUpdateRect(H(C::Label1), nullptr, FALSE)) << "the label was not drawn";
}

TEST_F(MainFormTest, CloseMainWindowClosesOnceTheHandlerHasReturned) {
  OpenThreeMasters();
  HWND window = form().Handle();
  form().CloseMainWindow();
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(form().SourceDir(0), "std");
  Pump();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(QuitRequested());
  EXPECT_THROW(form().SourceDir(0), platform::EListError) << "FSourceDirs was released";
}

TEST_F(MainFormTest, CloseBoxEndsTheProgram) {
  OpenThreeMasters();
  SendMessageW(form().Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(H(C::ListView1)));
  EXPECT_TRUE(QuitRequested());
}

}  // namespace
}  // namespace ui::testing
