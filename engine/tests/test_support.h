// Helpers for the engine's tests: fixture copies, whole-table reads, the independent
// checker.
#ifndef HINMEI_ENGINE_TESTS_TEST_SUPPORT_H_
#define HINMEI_ENGINE_TESTS_TEST_SUPPORT_H_

#include <optional>
#include <string>
#include <vector>

#include "engine/field_value.h"
#include "engine/read/table_file.h"
#include "engine/write/table_creator.h"
#include "platform/file_system.h"

namespace engine::testing {

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
void CopyFile(const std::string& from, const std::string& to);

// Loads a member file (DB, PX, X, Y) with the engine's reader.
MemberFile LoadMember(const std::string& path);

// Every row of a table, decoded (memo fields as their text).
std::vector<std::vector<FieldValue>> ReadRows(const std::string& db_path);

// The names of the files in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder);

// Runs `pxinspect.py family` on a table; nothing when the checker cannot run here (no
// shared folder, no python3, or under Wine). Otherwise whether it passed, with its output.
struct InspectResult {
  bool passed = false;
  std::string output;
};
std::optional<InspectResult> Pxinspect(const std::string& db_path);
// The same for several tables in one run of the checker: passed when every one passed.
std::optional<InspectResult> Pxinspect(const std::vector<std::string>& db_paths);

// The prefix followed by n in decimal.
std::string Numbered(const char* prefix, int n);

// Expects the family to pass our check and pxinspect (where that can run).
void ExpectSoundFamily(const std::string& db_path);

// "name=bytes" of every file in a folder, sorted; the names in `skip` left out.
std::vector<std::string> FolderSnapshot(const std::string& folder, const std::vector<std::string>& skip = {});

// A small keyed table: fields (Code I, Name A20, Kana A10), key on Code; 1 KiB blocks
// after a header of 2 KiB, 34 bytes a row.
TableSpec SmallSpec(int key_fields = 1);
inline constexpr int kSmallBlock = 1024;
inline constexpr int kSmallHeader = 0x800;

}  // namespace engine::testing

#endif  // HINMEI_ENGINE_TESTS_TEST_SUPPORT_H_
