#include "tools/bench/bench_steps.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "catalogue/data_layout.h"
#include "engine/index/collation.h"
#include "engine/operations/engine.h"
#include "engine/operations/session.h"
#include "engine/operations/table.h"
#include "engine/read/chain_stream.h"
#include "engine/read/field_lookup.h"
#include "engine/read/table_file.h"
#include "install/engine_components.h"
#include "install/master_copy.h"
#include "install/table_indexes.h"
#include "platform/file_system.h"
#include "tools/bench/bench_window.h"
#include "tools/medium/medium_writer.h"

namespace bench {
namespace {

// Memo texts as customers' masters carry them: every third item has one, and a long one
// (a memo-file block of its own) is rare, so that the memo file stays smaller than the
// item table.
constexpr int kLongMemoEvery = 300;

template <typename Action>
double Seconds(Action action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The measured part of a step, for the benchmark to read.
void PrintSeconds(double seconds) { std::printf("%s%.6f\n", kSecondsPrefix, seconds); }

int Generate(const std::string& root, int rows) {
  platform::FileSystem& fs = platform::OsFileSystem();
  medium::MasterSpec shape;
  shape.items = rows;
  shape.long_memo_every = kLongMemoEvery;
  medium::WriteMasterFolder(fs, root + "\\medium\\" + kMasterSubfolder, shape);
  fs.ForceDirectories(root + "\\data0");
  medium::WriteUnitTable(fs, catalogue::JoinPath(root + "\\data0", catalogue::kUnitTable));
  return 0;
}

int Install(const std::string& medium, const std::string& data0, const std::string& destination,
            const std::string& aliases) {
  platform::FileSystem& fs = platform::OsFileSystem();
  engine::Engine engine(fs, aliases);
  install::EngineComponents components(engine);
  engine::AddFolderAlias(components.Session2, std::string(catalogue::kDestinationAlias), destination,
                         std::string(catalogue::kParadoxDriver));
  components.TblNew.SetDatabaseName(std::string(catalogue::kDestinationAlias));
  BenchWindow window(medium + "\\", data0);
  BenchLog log;
  install::InstallContext context{window, components, fs, log};
  bool registered = false;
  PrintSeconds(Seconds([&] { registered = install::InstallMaster(context, destination, kMasterSubfolder); }));
  if (!registered) std::fprintf(stderr, "bench: the install logged:\n%s", log.Text().c_str());
  return registered ? 0 : 1;
}

int Index(const std::string& table_path) {
  platform::FileSystem& fs = platform::OsFileSystem();
  engine::Engine engine(fs, table_path + ".aliases");
  engine::TTable table(engine);
  table.SetTableName(table_path);
  // As durable as the install leaves a table: built, then its folder flushed.
  PrintSeconds(Seconds([&] {
    install::BuildIndexes(table, catalogue::ItemTableIndexes());
    fs.FlushFolder(table_path.substr(0, table_path.find_last_of("\\/")));
  }));
  return 0;
}

// The keys of the item number index as its X file holds them: the item number folded
// to upper case, then the item code.
constexpr std::size_t kHinbanSize = 20;
constexpr std::size_t kCodeSize = 10;
using XKey = std::array<char, kHinbanSize + kCodeSize>;

int Sort(const std::string& table_path) {
  platform::FileSystem& fs = platform::OsFileSystem();
  auto file = fs.Open(table_path, platform::Access::kRead, platform::Share::kRead, platform::Disposition::kOpenExisting);
  const engine::format::Header h = engine::ReadHeader(*file, table_path);
  const int hinban = engine::FindField(h, "fHinban");
  const int code = engine::FindField(h, "fCD");
  if (hinban < 0 || code < 0) throw std::runtime_error("not an item table: " + table_path);
  const std::size_t hinban_at = static_cast<std::size_t>(h.fields()[static_cast<std::size_t>(hinban)].offset);
  const std::size_t code_at = static_cast<std::size_t>(h.fields()[static_cast<std::size_t>(code)].offset);
  std::vector<XKey> keys;
  keys.reserve(h.records());
  engine::ChainStream stream(*file, h, table_path);
  stream.ForEachBlock([&](int, int count, const char* block) {
    for (int i = 0; i < count; ++i) {
      const char* row = block + engine::format::kBlockHeaderSize + static_cast<std::size_t>(i) * h.record_size();
      XKey& key = keys.emplace_back();
      std::memcpy(key.data(), row + hinban_at, kHinbanSize);
      engine::FoldToUpper(key.data(), static_cast<int>(kHinbanSize), true);
      std::memcpy(key.data() + kHinbanSize, row + code_at, kCodeSize);
    }
  });
  PrintSeconds(Seconds([&] {
    std::sort(keys.begin(), keys.end(),
              [](const XKey& a, const XKey& b) { return std::memcmp(a.data(), b.data(), a.size()) < 0; });
  }));
  return 0;
}

}  // namespace

int RunStep(const std::vector<std::string>& args) {
  const std::string step = args.empty() ? "" : args[0];
  if (step == "generate" && args.size() == 3) return Generate(args[1], std::stoi(args[2]));
  if (step == "install" && args.size() == 5) return Install(args[1], args[2], args[3], args[4]);
  if (step == "index" && args.size() == 2) return Index(args[1]);
  if (step == "sort" && args.size() == 2) return Sort(args[1]);
  std::fprintf(stderr, "bench: unknown step\n");
  return 2;
}

}  // namespace bench
