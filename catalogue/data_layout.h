// The places and files the installer reads and writes, spelled once.
//
// Four places: the install medium (the program's folder, `FExeDir`, with one source
// subfolder per master and the type table at its root), the management folder (the
// management table and the unit table in use), the type-settings folder (the type table)
// and one destination folder per master. Every folder text is joined with a file name by
// JoinPath; no other code composes a path of these files.
#ifndef HINMEI_CATALOGUE_DATA_LAYOUT_H_
#define HINMEI_CATALOGUE_DATA_LAYOUT_H_

#include <span>
#include <string>
#include <string_view>

namespace catalogue {

// Tables and files of a master, in the source subfolder and the destination folder.
inline constexpr std::string_view kItemTable = "M8HINMEI.DB";            // 品名マスタ
inline constexpr std::string_view kItemMemo = "M8HINMEI.MB";             // its memo file
inline constexpr std::string_view kClassificationTable = "M7HIMST.DB";   // 分類ファイル
inline constexpr std::string_view kSetItemTable = "M6HINSET.DB";         // セット品番ファイル
inline constexpr std::string_view kLoadDefinitionKb = "hinload_KB.dat";  // copied unread
inline constexpr std::string_view kLoadDefinitionSk = "hinload_SK.dat";  // copied unread
// In the management folder (and copied into every destination).
inline constexpr std::string_view kUnitTable = "TANITBL.DB";  // 単位ファイル
// In the management folder only; the one table name in mixed case.
inline constexpr std::string_view kManagementTable = "M6hink.DB";  // 品名管理ファイル
// At the medium's root, and in the type-settings folder.
inline constexpr std::string_view kTypeTable = "M7HINCD.DB";  // 品種(設定)ファイル

// Fields the installer names.
inline constexpr std::string_view kFieldCode = "fCD";
inline constexpr std::string_view kFieldPath = "fPath";
inline constexpr std::string_view kFieldName = "fMei";

// Engine aliases of a run, and their driver.
inline constexpr std::string_view kManagementAlias = "KELO0";
inline constexpr std::string_view kDestinationAlias = "KELO9";
inline constexpr std::string_view kTypeAlias = "KELO9A";
inline constexpr std::string_view kParadoxDriver = "PARADOX";

// The highest code the management table takes.
inline constexpr int kHighestMasterCode = 9999;

// Catalogue file of a catalogue kind: "kelo.txt" for kind 1, "zubo.txt" for any other.
std::string_view CatalogueFileName(int kind);

// A folder text joined with a file name: the name directly after a text that ends with
// the single-byte '\', else '\' and the name. The trail byte 0x5C of a double-byte
// character is no delimiter.
std::string JoinPath(std::string_view folder, std::string_view file_name);

// The folder text with one '\' added unless its last character is already '\': the
// value stored in `fPath`.
std::string WithTrailingDelimiter(std::string_view folder);

// A master's file on the medium: `FExeDir`, the subfolder exactly as the catalogue gives
// it, '\' and the file name. The subfolder is not examined: a trailing '\' in it gives a
// doubled '\', which is used unchanged.
std::string MasterSourcePath(std::string_view exe_dir, std::string_view source_subfolder,
                             std::string_view file_name);

// The type table on the medium: `FExeDir` followed by "M7HINCD.DB".
std::string TypeTableSourcePath(std::string_view exe_dir);

// The files whose presence means a folder already holds a master, in the order they
// are tested; the first one found decides.
std::span<const std::string_view> MasterMarkerFiles();

// True when the text names a folder part: it contains the character '\' or ':'. A bare
// folder name has neither.
bool HasFolderPart(std::string_view destination);

// An index the installer has the engine build, as it hands it to BuildIndex.
struct IndexDefinition {
  std::string_view name;    // empty for the primary index
  std::string_view fields;  // field names separated by ';', in key order
  bool primary;
  bool case_insensitive;
};

// The indexes of one table, in the order they are built (the primary one first).
struct TableIndexes {
  std::string_view table;
  std::span<const IndexDefinition> indexes;
};

const TableIndexes& ItemTableIndexes();
const TableIndexes& ClassificationTableIndexes();
const TableIndexes& SetItemTableIndexes();
const TableIndexes& UnitTableIndexes();
const TableIndexes& TypeTableIndexes();

}  // namespace catalogue

#endif  // HINMEI_CATALOGUE_DATA_LAYOUT_H_
