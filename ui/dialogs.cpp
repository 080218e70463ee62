#include "ui/dialogs.h"

#include <shlobj.h>

#include "ui/control_text.h"

namespace ui {
namespace {

// Frees the browser's item list through the shell's allocator and releases the
// allocator, on every way out.
class ShellItemList {
 public:
  ShellItemList(IMalloc* allocator, PIDLIST_ABSOLUTE items) : allocator_(allocator), items_(items) {}
  ~ShellItemList() {
    if (items_) allocator_->Free(items_);
    allocator_->Release();
  }
  ShellItemList(const ShellItemList&) = delete;
  ShellItemList& operator=(const ShellItemList&) = delete;

  PIDLIST_ABSOLUTE get() const { return items_; }

 private:
  IMalloc* allocator_;
  PIDLIST_ABSOLUTE items_;
};

class SystemDialogsImpl final : public Dialogs {
 public:
  int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption,
                     UINT type) override {
    return MessageBoxW(owner, ShownText(text).c_str(), ShownText(caption).c_str(), type);
  }

  void SoundBeep(UINT type) override { MessageBeep(type); }

  std::optional<std::wstring> BrowseForFolder(const FolderBrowseRequest& request) override {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) return std::nullopt;
    std::wstring title = ShownText(request.title);
    BROWSEINFOW info{};
    info.hwndOwner = request.owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = nullptr;
    info.lpszTitle = title.c_str();
    info.ulFlags = request.flags;
    info.lpfn = nullptr;
    info.lParam = 0;
    info.iImage = 0;
    ShellItemList chosen(allocator, SHBrowseForFolderW(&info));
    if (!chosen.get()) return std::nullopt;
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(chosen.get(), path)) return std::nullopt;
    return std::wstring(path);
  }
};

}  // namespace

Dialogs& SystemDialogs() {
  static SystemDialogsImpl dialogs;
  return dialogs;
}

}  // namespace ui
