// Feeds arbitrary bytes to the repair as a table family. Nothing may crash, hang or read
// outside a file; a repair that stops must be an engine error that changed no file; a
// repair that answers must leave a family that passes the check (it left alone only a
// family that passed it already).
//
// Input: as the table fuzzer's (table_fuzzer.cpp), the member files one after another,
// separated by "HMFZ", then one control byte; after the eight members may come a ninth
// part, a table to borrow a damaged header's structure from. The control byte's lowest
// bit asks for that borrowing.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/check/family_check.h"
#include "engine/fuzz/family_input.h"
#include "engine/repair/family_repair.h"
#include "platform/exceptions.h"
#include "platform/testing/memory_file_system.h"

namespace {

constexpr const char* kMembers[] = {"T.DB", "T.PX", "T.MB", "T.X02", "T.Y02", "T.XG0", "T.YG0", "T.VAL", "other\\O.DB"};
constexpr char kFolder[] = "M:\\data";

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> parts;
  std::uint8_t control = 0;
  if (!engine::fuzz::SplitInput(data, size, std::size(kMembers), &parts, &control)) return 0;

  platform::testing::MemoryFileSystem fs;
  fs.ForceDirectories(kFolder);
  fs.ForceDirectories(std::string(kFolder) + "\\other");
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (!parts[i].empty()) fs.Put(std::string(kFolder) + "\\" + kMembers[i], parts[i]);
  }
  const std::string db = std::string(kFolder) + "\\T.DB";
  const std::string borrow = (control & 1) ? std::string(kFolder) + "\\other\\O.DB" : std::string();
  const auto before = fs.Files();
  engine::RepairResult result;
  try {
    result = engine::RepairFamily(fs, db, engine::RepairOptions{borrow, "fuzz"});
  } catch (const platform::EDBEngineError&) {
    Require(fs.Files() == before);
    return 0;
  }
  if (!result.repaired) {
    Require(result.before.ok() && fs.Files() == before);
    return 0;
  }
  Require(result.after.ok());
  Require(engine::CheckFamily(fs, db).ok());
  return 0;
}
