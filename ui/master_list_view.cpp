#include "ui/master_list_view.h"

#include <commctrl.h>

#include "platform/exceptions.h"
#include "platform/os_error.h"
#include "ui/control_text.h"

namespace ui {
namespace {

void ShowCell(HWND list_view, int row, int column, const std::string& cp932) {
  std::wstring text = ShownText(cp932);
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text.data();
  SendMessageW(list_view, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

MasterListView::MasterListView(HWND list_view) : list_view_(list_view) {
  DWORD extended = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
  SendMessageW(list_view_, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
}

void MasterListView::AppendRow(const std::string& caption) {
  std::wstring text = ShownText(caption);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = Count();
  item.pszText = text.data();
  int index = static_cast<int>(
      SendMessageW(list_view_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (index != Count()) throw platform::Exception(platform::OsErrorMessage(platform::kErrorNotEnoughMemory));
  rows_.push_back(Row{caption, {}});
  ListView_SetCheckState(list_view_, index, FALSE);
}

void MasterListView::AppendSubItem(const std::string& text) {
  if (rows_.empty()) throw platform::EListError(0);
  Row& row = rows_.back();
  row.sub_items.push_back(text);
  ShowCell(list_view_, Count() - 1, static_cast<int>(row.sub_items.size()), text);
}

const MasterListView::Row& MasterListView::RowAt(int row) const {
  if (row < 0 || row >= Count()) throw platform::EListError(row);
  return rows_[static_cast<std::size_t>(row)];
}

const std::string& MasterListView::Caption(int row) const { return RowAt(row).caption; }

const std::string& MasterListView::SubItem(int row, int index) const {
  const Row& entry = RowAt(row);
  if (index < 0 || index >= static_cast<int>(entry.sub_items.size())) {
    throw platform::EListError(index);
  }
  return entry.sub_items[static_cast<std::size_t>(index)];
}

void MasterListView::SetSubItem(int row, int index, const std::string& text) {
  SubItem(row, index);  // throws for a sub-item the row lacks
  rows_[static_cast<std::size_t>(row)].sub_items[static_cast<std::size_t>(index)] = text;
  ShowCell(list_view_, row, index + 1, text);
}

bool MasterListView::Ticked(int row) const {
  RowAt(row);
  return ListView_GetCheckState(list_view_, row) != FALSE;
}

void MasterListView::SetTicked(int row, bool ticked) {
  RowAt(row);
  ListView_SetCheckState(list_view_, row, ticked ? TRUE : FALSE);
}

std::optional<int> MasterListView::Selected() const {
  int row = static_cast<int>(SendMessageW(list_view_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                          MAKELPARAM(LVNI_SELECTED, 0)));
  if (row < 0 || row >= Count()) return std::nullopt;
  return row;
}

void MasterListView::Select(int row) {
  RowAt(row);
  ListView_SetItemState(list_view_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list_view_, row, FALSE);
}

}  // namespace ui
