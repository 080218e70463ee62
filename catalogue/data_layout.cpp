#include "catalogue/data_layout.h"

#include <array>

#include "platform/cp932.h"

namespace catalogue {
namespace {

constexpr std::array<std::string_view, 3> kMarkers = {kItemTable, kClassificationTable,
                                                      kSetItemTable};

constexpr IndexDefinition kItemIndexes[] = {
    {"", "fCD", true, false},
    {"ix2", "fHinban", false, true},
};
constexpr IndexDefinition kClassificationIndexes[] = {{"", "fCD", true, false}};
constexpr IndexDefinition kSetItemIndexes[] = {
    {"", "fCD;fGyo", true, false},
    {"fHinCD", "fHinCD", false, false},
};
constexpr IndexDefinition kCodePrimaryIndex[] = {{"", "fCD", true, false}};

}  // namespace

std::string_view CatalogueFileName(int kind) { return kind == 1 ? "kelo.txt" : "zubo.txt"; }

std::string JoinPath(std::string_view folder, std::string_view file_name) {
  std::string path(folder);
  if (!platform::EndsWithPathDelimiter(folder)) path += '\\';
  path += file_name;
  return path;
}

std::string WithTrailingDelimiter(std::string_view folder) { return JoinPath(folder, ""); }

std::string MasterSourcePath(std::string_view exe_dir, std::string_view source_subfolder,
                             std::string_view file_name) {
  std::string path(exe_dir);
  path += source_subfolder;
  path += '\\';
  path += file_name;
  return path;
}

std::string TypeTableSourcePath(std::string_view exe_dir) {
  return std::string(exe_dir) + std::string(kTypeTable);
}

std::span<const std::string_view> MasterMarkerFiles() { return kMarkers; }

bool HasFolderPart(std::string_view destination) {
  for (std::size_t pos = 0; pos < destination.size();) {
    std::size_t length = platform::CharLengthAt(destination, pos);
    if (length == 1 && (destination[pos] == '\\' || destination[pos] == ':')) return true;
    pos += length;
  }
  return false;
}

const TableIndexes& ItemTableIndexes() {
  static const TableIndexes indexes{kItemTable, kItemIndexes};
  return indexes;
}

const TableIndexes& ClassificationTableIndexes() {
  static const TableIndexes indexes{kClassificationTable, kClassificationIndexes};
  return indexes;
}

const TableIndexes& SetItemTableIndexes() {
  static const TableIndexes indexes{kSetItemTable, kSetItemIndexes};
  return indexes;
}

const TableIndexes& UnitTableIndexes() {
  static const TableIndexes indexes{kUnitTable, kCodePrimaryIndex};
  return indexes;
}

const TableIndexes& TypeTableIndexes() {
  static const TableIndexes indexes{kTypeTable, kCodePrimaryIndex};
  return indexes;
}

}  // namespace catalogue
