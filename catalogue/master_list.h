// The master list: the rows the user sees (number caption, name, destination, tick) and
// the parallel list of source subfolders (`FSourceDirs`), which the user never sees.
//
// Entry i of the source subfolders belongs to row i. Rows are only appended, by
// LoadCatalogue, in catalogue order; the one break of the parallel index is the last
// row after a catalogue line with too few fields, which lacks its sub-items from the
// missing field on and has no source subfolder.
#ifndef HINMEI_CATALOGUE_MASTER_LIST_H_
#define HINMEI_CATALOGUE_MASTER_LIST_H_

#include <string>
#include <vector>

namespace catalogue {

// One complete row of the master list.
struct MasterEntry {
  int number = 0;                // 1-based position in the catalogue, the row's caption
  std::string name;              // sub-item 0
  std::string destination;       // sub-item 1, may be empty
  bool ticked = false;           // false after loading
  std::string source_subfolder;  // relative to the medium's root
};

// What LoadCatalogue fills. The main window implements it over its list view; the
// in-memory list below serves tools and tests.
class MasterList {
 public:
  virtual ~MasterList() = default;
  virtual void ClearSourceDirs() = 0;
  // Appends an unticked row whose caption is `caption`.
  virtual void AppendRow(const std::string& caption) = 0;
  // Appends a sub-item to the last row.
  virtual void AppendSubItem(const std::string& text) = 0;
  virtual void AppendSourceDir(const std::string& text) = 0;
};

class InMemoryMasterList final : public MasterList {
 public:
  struct Row {
    std::string caption;
    std::vector<std::string> sub_items;  // name, destination; fewer after a short line
    bool ticked = false;
  };

  void ClearSourceDirs() override { source_dirs.clear(); }
  void AppendRow(const std::string& caption) override { rows.push_back(Row{caption, {}, false}); }
  void AppendSubItem(const std::string& text) override { rows.back().sub_items.push_back(text); }
  void AppendSourceDir(const std::string& text) override { source_dirs.push_back(text); }

  // Row i as an entry; a missing sub-item or source subfolder throws EListError with the
  // index that was out of range, as the list view and the list of texts do.
  MasterEntry Entry(int i) const;

  std::vector<Row> rows;
  std::vector<std::string> source_dirs;
};

}  // namespace catalogue

#endif  // HINMEI_CATALOGUE_MASTER_LIST_H_
