// The error-log window behind the install run's ErrorLog.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "install/install_texts.h"
#include "platform/win32_text.h"
#include "ui/control_text.h"
#include "ui/dpi.h"
#include "ui/error_log_form.h"
#include "ui/tests/form_fixture.h"
#include "ui/ui_texts.h"

namespace ui::testing {
namespace {

class ErrorLogTest : public MainFormTest {
 protected:
  void SetUp() override {
    OpenThreeMasters();
    log_ = form().CreateErrorLog();
    frlog_ = dynamic_cast<TFrLog*>(log_.get());
    ASSERT_NE(frlog_, nullptr);
  }

  // Shows the log modally; `key` reaches it from inside the modal loop, where the
  // owner's state is noted as well.
  void ShowAndPress(WPARAM key) {
    static ErrorLogTest* self;
    self = this;
    pending_key_ = key;
    SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR timer, DWORD) {
      KillTimer(nullptr, timer);
      self->shown_ = IsWindowVisible(self->frlog_->Handle()) != FALSE;
      self->owner_enabled_ = IsWindowEnabled(self->form().Handle()) != FALSE;
      GetWindowRect(self->frlog_->Handle(), &self->shown_at_);
      HWND focus = GetFocus();
      if (self->pending_key_ == 0) {
        PostMessageW(self->frlog_->Handle(), WM_CLOSE, 0, 0);
      } else {
        PostMessageW(focus, WM_KEYDOWN, self->pending_key_, 1);
        PostMessageW(focus, WM_KEYUP, self->pending_key_, 1 | (3LL << 30));
      }
    });
    log_->ShowModal();
  }

  std::unique_ptr<install::ErrorLog> log_;
  TFrLog* frlog_ = nullptr;
  WPARAM pending_key_ = 0;
  bool shown_ = false;
  bool owner_enabled_ = true;
  RECT shown_at_{};
};

TEST_F(ErrorLogTest, IsEmptyUntilItsFirstLineEvenAnEmptyOne) {
  EXPECT_EQ(log_->Text(), "");
  log_->AppendLine("");
  EXPECT_EQ(log_->Text(), "\r\n");
  log_->AppendLine(install::texts::ItemMasterSourceMissing());
  log_->AppendLine(Sjis("C:\\m\\表"));
  EXPECT_EQ(log_->Text(), "\r\n" + install::texts::ItemMasterSourceMissing() + "\r\n" + Sjis("C:\\m\\表") + "\r\n");
  EXPECT_EQ(platform::Narrow(WideWindowText(frlog_->Handle(TFrLog::Control::Memo1))), log_->Text());
}

TEST_F(ErrorLogTest, IsAHiddenWindowOwnedByTheMainWindowAsDesigned) {
  HWND window = frlog_->Handle();
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(GetWindow(window, GW_OWNER), form().Handle());
  EXPECT_EQ(platform::Narrow(WideWindowText(window)), texts::LogCaption());
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, ScaleToDpi(459, frlog_->Dpi()));
  EXPECT_EQ(client.bottom, ScaleToDpi(308, frlog_->Dpi()));

  HWND memo = frlog_->Handle(TFrLog::Control::Memo1);
  LONG memo_style = GetWindowLongW(memo, GWL_STYLE);
  EXPECT_TRUE(memo_style & ES_MULTILINE);
  EXPECT_TRUE(memo_style & ES_READONLY);
  EXPECT_FALSE(memo_style & (WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL)) << "wraps, no scroll bars";
  HWND button = frlog_->Handle(TFrLog::Control::Button1);
  EXPECT_EQ(platform::Narrow(WideWindowText(button)), texts::LogCloseButton());
  EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

TEST_F(ErrorLogTest, ShowsModallyCentredOnItsOwnerUntilClosed) {
  log_->AppendLine("x");
  RECT owner;
  GetWindowRect(form().Handle(), &owner);
  for (WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}, WPARAM{0}}) {
    shown_ = false;
    ShowAndPress(key);
    EXPECT_TRUE(shown_) << key;
    EXPECT_FALSE(owner_enabled_) << key;
    EXPECT_FALSE(IsWindowVisible(frlog_->Handle())) << key;
    EXPECT_TRUE(IsWindowEnabled(form().Handle())) << key;
  }
  EXPECT_NEAR((shown_at_.left + shown_at_.right) / 2, (owner.left + owner.right) / 2, 1);
  EXPECT_NEAR((shown_at_.top + shown_at_.bottom) / 2, (owner.top + owner.bottom) / 2, 1);
  EXPECT_EQ(log_->Text(), "x\r\n");
}

TEST_F(ErrorLogTest, GoesWithItsObjectOrWithItsOwner) {
  HWND window = frlog_->Handle();
  log_.reset();
  EXPECT_FALSE(IsWindow(window));

  log_ = form().CreateErrorLog();
  frlog_ = dynamic_cast<TFrLog*>(log_.get());
  window = frlog_->Handle();
  log_->AppendLine("y");
  form_.reset();  // the main window goes first
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(frlog_->Handle(), nullptr);
  EXPECT_EQ(log_->Text(), "y\r\n");
  log_.reset();
}

}  // namespace
}  // namespace ui::testing
