// A dialog seam that records what the window asks for and answers from a script, so
// that no modal window ever opens in a test.
#ifndef HINMEI_UI_TESTS_FAKE_DIALOGS_H_
#define HINMEI_UI_TESTS_FAKE_DIALOGS_H_

#include <windows.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialogs.h"

namespace ui::testing {

class FakeDialogs final : public Dialogs {
 public:
  struct Box {
    HWND owner;
    std::string text;     // CP932
    std::string caption;  // CP932
    UINT type;
  };

  int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption,
                     UINT type) override {
    boxes.push_back(Box{owner, text, caption, type});
    events.push_back("box");
    return IDOK;
  }

  void SoundBeep(UINT type) override {
    beeps.push_back(type);
    events.push_back("beep");
  }

  std::optional<std::wstring> BrowseForFolder(const FolderBrowseRequest& request) override {
    browse_requests.push_back(request);
    events.push_back("browse");
    if (browse_answers.empty()) return std::nullopt;
    std::optional<std::wstring> answer = browse_answers.front();
    browse_answers.pop_front();
    return answer;
  }

  std::vector<Box> boxes;
  std::vector<UINT> beeps;
  std::vector<FolderBrowseRequest> browse_requests;
  std::vector<std::string> events;  // "box", "beep", "browse", in order
  // What the next browsers answer; nothing (a cancelled browser) once it is used up.
  std::deque<std::optional<std::wstring>> browse_answers;
};

}  // namespace ui::testing

#endif  // HINMEI_UI_TESTS_FAKE_DIALOGS_H_
