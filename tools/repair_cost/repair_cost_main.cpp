// Prints what `pdxtool repair` costs on an item table as a master brings it, indexed as
// the install indexes it, whose block chain is cut after its first block: every other
// block is then read as a cut-off block, and the whole family is written anew.
//
//   repair_cost [ROWS] [FOLDER]    200,000 rows by default; FOLDER: a temporary one
//
// The figures are wall-clock times of one run: on a machine others use at the same
// time, an indication, not a measurement.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/check/family_check.h"
#include "engine/format/bytes.h"
#include "engine/index_def.h"
#include "engine/operations/table_operations.h"
#include "engine/repair/family_repair.h"
#include "platform/exceptions.h"
#include "platform/file_system.h"
#include "tools/medium/medium_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Cuts the link after the table's first block.
void CutChain(platform::FileSystem& fs, const std::string& db) {
  auto file = fs.Open(db, platform::Access::kReadWrite, platform::Share::kExclusive,
                      platform::Disposition::kOpenExisting);
  char head[4];
  file->ReadAt(0, head, sizeof head);
  const char zero[2] = {0, 0};
  file->WriteAt(engine::format::GetLe16(head + 2), zero, sizeof zero);
  file->Flush();
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 200000;
  platform::FileSystem& fs = platform::OsFileSystem();
  const bool own_folder = argc <= 2;
  const std::string folder = own_folder ? platform::MakeTemporaryFolder(fs, "repair-cost") : argv[2];
  const std::string db = folder + "\\M8HINMEI.DB";
  try {
    medium::MasterSpec master;
    master.items = rows;
    medium::WriteItemTable(fs, db, master);
    engine::BuildIndex(fs, db, "", "fCD", engine::ixPrimary);
    engine::BuildIndex(fs, db, "ix2", "fHinban", engine::ixCaseInsensitive);
    CutChain(fs, db);

    Clock::time_point start = Clock::now();
    engine::CheckReport check = engine::CheckFamily(fs, db);
    const double check_seconds = SecondsSince(start);
    start = Clock::now();
    engine::RepairResult result = engine::RepairFamily(fs, db, engine::RepairOptions{"", "cost"});
    const double repair_seconds = SecondsSince(start);

    std::printf("item table: %d rows, %zu recovered from cut-off blocks, %zu indexes rebuilt; check %s afterwards\n",
                rows, result.recovered_from_cut_off, result.indexes_rebuilt, result.after.ok() ? "passes" : "FAILS");
    std::printf("check of the damaged family: %.2f s\n", check_seconds);
    std::printf("repair (check, backup copy, salvage, rewrite, check): %.2f s\n", repair_seconds);
  } catch (const platform::Exception& e) {
    std::fprintf(stderr, "repair_cost: %s\n", e.what());
    return 1;
  }
  if (own_folder) platform::RemoveFolderTree(fs, folder);
  return 0;
}
