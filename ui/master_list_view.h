// ListView1: the master list in a report-style list view with check boxes.
//
// Each row keeps the CP932 bytes of its caption and of the sub-items it was given (name,
// destination); the control shows them converted. A row may have fewer sub-items than
// columns (the last row after a short catalogue line): reading or writing a sub-item it
// lacks throws EListError with the sub-item's index, as an index out of the rows does
// with the row's.
#ifndef HINMEI_UI_MASTER_LIST_VIEW_H_
#define HINMEI_UI_MASTER_LIST_VIEW_H_

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace ui {

class MasterListView {
 public:
  // Takes over a report-style list view: check boxes, whole-row selection.
  explicit MasterListView(HWND list_view);

  HWND Handle() const { return list_view_; }
  int Count() const { return static_cast<int>(rows_.size()); }

  void AppendRow(const std::string& caption);  // unticked
  void AppendSubItem(const std::string& text);  // to the last row

  const std::string& Caption(int row) const;
  const std::string& SubItem(int row, int index) const;
  void SetSubItem(int row, int index, const std::string& text);

  bool Ticked(int row) const;
  void SetTicked(int row, bool ticked);

  std::optional<int> Selected() const;
  // Selects the row (and deselects any other), gives it the list's focus mark and
  // scrolls it into view.
  void Select(int row);

 private:
  struct Row {
    std::string caption;
    std::vector<std::string> sub_items;
  };

  const Row& RowAt(int row) const;

  HWND list_view_;
  std::vector<Row> rows_;
};

}  // namespace ui

#endif  // HINMEI_UI_MASTER_LIST_VIEW_H_
