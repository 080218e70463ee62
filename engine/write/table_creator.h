// Creating a table: for test fixtures, the demo medium and the benchmark. Rows are given
// in any order and written in bulk; a keyed table gets its rows sorted, full data blocks
// and its .PX, as a restructure by the original engine leaves them; memo texts go into
// a new .MB. Secondary indexes are added afterwards with BuildIndex.
#ifndef HINMEI_ENGINE_WRITE_TABLE_CREATOR_H_
#define HINMEI_ENGINE_WRITE_TABLE_CREATOR_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/field_value.h"
#include "platform/file_system.h"

namespace engine {

struct FieldSpec {
  std::string name;  // CP932
  char type = 'A';   // the Paradox letter: A D S I $ N L M B F O T @ + # Y
  int size = 0;      // A, Y: bytes; M, B, F, O: bytes of the leader; #: decimals
};

// The language driver: the sort byte (0x29), sort-order id and code page.
struct SortOrder {
  std::uint8_t byte = 0;
  std::string id;
  std::uint16_t code_page = 0;
};
SortOrder AsciiSortOrder();     // 0x00 "ascii", code page 437
// 0x0A "japan", code page 932: the triple the original engine writes for its Japanese
// Paradox driver.
SortOrder JapaneseSortOrder();

struct TableSpec {
  std::vector<FieldSpec> fields;
  int key_fields = 0;     // the first fields form the primary key
  int level = 7;          // table level: 4, 5 or 7
  int block_size_kib = 4; // 1, 2, 3, 4, 8, 16 or 32 (8 and up at level 7 only)
  SortOrder sort = JapaneseSortOrder();
};

class TableCreator {
 public:
  // Checks the fields and options; the table is written by Finish, replacing any table of that name.
  TableCreator(platform::FileSystem& fs, std::string db_path, TableSpec shape);
  ~TableCreator();
  TableCreator(const TableCreator&) = delete;
  TableCreator& operator=(const TableCreator&) = delete;

  // One value per field, in field order: null for blank, text for A, Y and blob fields.
  void AddRow(const std::vector<FieldValue>& values);
  void Finish();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_WRITE_TABLE_CREATOR_H_
