// Writes install media and data folders as the installer meets them: masters of item,
// classification and set item-number tables with Japanese item names and memo texts,
// the load definitions, the type table, the management and unit tables, and the
// catalogue. The demo medium, the benchmark and the tests are made of these.
#ifndef HINMEI_TOOLS_MEDIUM_MEDIUM_WRITER_H_
#define HINMEI_TOOLS_MEDIUM_MEDIUM_WRITER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace medium {

struct MasterSpec {
  int number = 1;       // distinguishes the item codes and names of masters
  int items = 100;      // rows of the item table
  int set_rows = 0;     // rows of the set item-number table; 0: one per five items
  int classes = 0;      // rows of the classification table; 0: one per fifty items
  int memo_every = 3;        // every n-th item carries a memo text
  int long_memo_every = 21;  // every n-th item's memo is a long one (a block of its own)
  std::uint32_t seed = 1;
  // A medium carries its tables without index files. With keyed_tables the item and set
  // tables still declare their keys (their .PX left out); otherwise every table comes
  // unkeyed, its rows out of order.
  bool keyed_tables = true;
};

// Writes the six files of a master into `folder` (created when missing).
void WriteMasterFolder(platform::FileSystem& fs, const std::string& folder, const MasterSpec& master);

// The item table alone, as a master brings it (its .PX left out when keyed).
void WriteItemTable(platform::FileSystem& fs, const std::string& path, const MasterSpec& master);

// The management table M6hink.DB with `rows` rows whose codes end at `last_code` (an
// empty table for 0), keyed on its code.
void WriteManagementTable(platform::FileSystem& fs, const std::string& path, int last_code, int rows = 3);

// The unit table TANITBL.DB (unkeyed, as the application keeps it).
void WriteUnitTable(platform::FileSystem& fs, const std::string& path);

// A type table M7HINCD.DB of `rows` rows, keyed on its code.
void WriteTypeTable(platform::FileSystem& fs, const std::string& path, int rows);

struct CatalogueLine {
  std::string name;         // CP932
  std::string destination;  // CP932
  std::string subfolder;    // CP932
};

// Writes a catalogue of CP932 lines ending in CR LF; names are quoted (they may hold
// blanks), with their double quotes doubled.
void WriteCatalogue(platform::FileSystem& fs, const std::string& path, const std::vector<CatalogueLine>& lines);

}  // namespace medium

#endif  // HINMEI_TOOLS_MEDIUM_MEDIUM_WRITER_H_
