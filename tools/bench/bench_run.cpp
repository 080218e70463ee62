#include "tools/bench/bench_run.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "catalogue/data_layout.h"
#include "tools/bench/bench_steps.h"
#include "tools/bench/child_process.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

std::string Name(std::string_view name) { return std::string(name); }

// Reads a file once, so that every step finds its sources in the page cache.
void Warm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buffer(1 << 20);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
  }
}

double MiB(const std::string& path) { return static_cast<double>(fs::file_size(path)) / (1024.0 * 1024.0); }

// An empty folder; whatever was there before is removed.
std::string Fresh(const std::string& path) {
  fs::remove_all(path);
  fs::create_directories(path);
  return path;
}

class SizeRun {
 public:
  SizeRun(const BenchOptions& options, double process_start, int rows, int* failed_checks)
      : options_(options), process_start_(process_start), rows_(rows), failed_checks_(*failed_checks),
        root_(options.work + "/" + std::to_string(rows)), medium_(root_ + "/medium"),
        master_(medium_ + "/" + kMasterSubfolder), data0_(root_ + "/data0") {}

  SizeFigures Run() {
    Fresh(root_);
    Require(Self({"generate", root_, std::to_string(rows_)}), "generating the master");
    const std::string item_table = master_ + "/" + Name(catalogue::kItemTable);
    const std::vector<std::string> install_files = {
        item_table,
        master_ + "/" + Name(catalogue::kItemMemo),
        master_ + "/" + Name(catalogue::kClassificationTable),
        master_ + "/" + Name(catalogue::kSetItemTable),
        data0_ + "/" + Name(catalogue::kUnitTable),
        master_ + "/" + Name(catalogue::kLoadDefinitionKb),
        master_ + "/" + Name(catalogue::kLoadDefinitionSk),
    };
    for (const std::string& f : install_files) Warm(f);

    SizeFigures figures;
    figures.rows = rows_;
    figures.table_mib = MiB(item_table);
    auto install = [&](bool last) {
      std::string destination = Fresh(root_ + "/install");
      ChildResult r = Timed({"install", medium_, data0_, destination, root_ + "/aliases.cfg"}, "InstallMaster");
      if (last) {
        for (std::string_view table : {catalogue::kItemTable, catalogue::kClassificationTable,
                                       catalogue::kSetItemTable, catalogue::kUnitTable}) {
          Check(destination + "/" + Name(table));
        }
      }
      return r;
    };
    auto copy_install = [&](bool) { return Copy(install_files, Fresh(root_ + "/cp")); };
    auto copy_install_flushed = [&](bool) { return CopyFlushed(install_files, Fresh(root_ + "/cp")); };
    auto index = [&](bool last) {
      std::string folder = Fresh(root_ + "/index");
      Copy({item_table, master_ + "/" + Name(catalogue::kItemMemo)}, folder);
      sync();
      const std::string copy = folder + "/" + Name(catalogue::kItemTable);
      ChildResult r = Timed({"index", copy}, "BuildIndex");
      if (last) Check(copy);
      return r;
    };
    auto copy_table = [&](bool) { return Copy({item_table}, Fresh(root_ + "/cp")); };
    auto copy_table_flushed = [&](bool) { return CopyFlushed({item_table}, Fresh(root_ + "/cp")); };
    auto sort_keys = [&](bool) { return Timed({"sort", item_table}, "sorting the keys"); };
    // Each step and the copy it is held against take turns, so that both meet the same
    // moments of a machine whose speed varies from second to second.
    RepeatInTurn({{&figures.install, install},
                  {&figures.install_cp, copy_install},
                  {&figures.install_cp_flushed, copy_install_flushed}});
    RepeatInTurn({{&figures.index, index},
                  {&figures.index_cp, copy_table},
                  {&figures.index_cp_flushed, copy_table_flushed},
                  {&figures.sort, sort_keys}});
    fs::remove_all(root_);
    return figures;
  }

 private:
  // A step to repeat, told whether its run is the last, and where its figures go.
  struct Repeated {
    StepFigures* figures;
    std::function<ChildResult(bool last)> step;
  };

  // Runs the steps the set number of times, one run of each in turn, each from a clean
  // page cache state (nothing dirty): for each step the fastest run counts, and the
  // highest peak.
  void RepeatInTurn(const std::vector<Repeated>& steps) {
    for (int i = 0; i < options_.repeats; ++i) {
      for (const Repeated& s : steps) {
        sync();
        ChildResult r = s.step(i + 1 == options_.repeats);
        s.figures->seconds = i == 0 ? r.seconds : std::min(s.figures->seconds, r.seconds);
        s.figures->peak_mib = std::max(s.figures->peak_mib, r.peak_mib);
      }
    }
    sync();
  }

  ChildResult Self(std::vector<std::string> args) {
    args.insert(args.begin(), {options_.self, "--step"});
    return RunChild(args);
  }

  // A step of ours, timed by itself: the part it measures.
  ChildResult Timed(const std::vector<std::string>& args, const char* what) {
    ChildResult r = Self(args);
    Require(r, what);
    std::size_t at = r.output.find(kSecondsPrefix);
    if (at == std::string::npos) throw std::runtime_error(std::string(what) + " printed no time");
    r.seconds = std::stod(r.output.substr(at + std::string(kSecondsPrefix).size()));
    return r;
  }

  // A program of the system, timed from outside: without what starting and ending any
  // process costs.
  ChildResult Process(const std::vector<std::string>& args, const char* what) {
    ChildResult r = RunChild(args);
    Require(r, what);
    r.seconds = std::max(0.0, r.seconds - process_start_);
    return r;
  }

  // cp of the files into the empty folder, reading and writing every byte: no reflink,
  // no copy offload (coreutils would otherwise share the blocks and copy nothing).
  ChildResult Copy(const std::vector<std::string>& files, const std::string& folder) {
    std::vector<std::string> args = {"/bin/cp", "--reflink=never"};
    args.insert(args.end(), files.begin(), files.end());
    args.push_back(folder + "/");
    return Process(args, "cp");
  }

  // The copy, then `sync --data` of the copies: what any durable copy must pay.
  ChildResult CopyFlushed(const std::vector<std::string>& files, const std::string& folder) {
    ChildResult copy = Copy(files, folder);
    std::vector<std::string> flush = {"/bin/sync", "--data"};
    for (const std::string& f : files) flush.push_back(folder + "/" + fs::path(f).filename().string());
    ChildResult flushed = Process(flush, "sync");
    copy.seconds += flushed.seconds;
    copy.peak_mib = std::max(copy.peak_mib, flushed.peak_mib);
    return copy;
  }

  void Require(const ChildResult& r, const char* what) {
    if (r.exit_code != 0) throw std::runtime_error(std::string(what) + " failed at " + std::to_string(rows_) + " rows");
  }

  // pdxtool check and pxinspect.py family on a table the benchmark wrote.
  void Check(const std::string& table) {
    ChildResult ours = RunChild({options_.pdxtool, "check", table});
    if (ours.exit_code != 0) {
      ++failed_checks_;
      std::printf("bench: pdxtool check failed on %s:\n%s", table.c_str(), ours.output.c_str());
    }
    if (options_.pxinspect.empty()) return;
    ChildResult theirs = RunChild({"/usr/bin/python3", options_.pxinspect, "family", table});
    if (theirs.exit_code != 0) {
      ++failed_checks_;
      std::printf("bench: pxinspect.py family failed on %s:\n%s", table.c_str(), theirs.output.c_str());
    }
  }

  const BenchOptions& options_;
  const double process_start_;
  const int rows_;
  int& failed_checks_;
  const std::string root_, medium_, master_, data0_;
};

// What starting and ending a process costs here: the fastest of some runs of /bin/true.
double ProcessStart() {
  double fastest = 1;
  for (int i = 0; i < 20; ++i) fastest = std::min(fastest, RunChild({"/bin/true"}).seconds);
  return fastest;
}

}  // namespace

std::vector<SizeFigures> RunBenchmark(const BenchOptions& options, int* failed_checks) {
  const double process_start = ProcessStart();
  std::printf("bench: cp is coreutils cp --reflink=never (every byte read and written, no shared blocks, no copy "
              "offload), sources in the page cache, nothing dirty before each step, the fastest of %d runs, each "
              "step's runs in turn with those of the copy it is held against; "
              "cp's times leave out starting a process (%.2f ms)\n",
              options.repeats, process_start * 1e3);
  std::vector<SizeFigures> sizes;
  for (int rows : options.sizes) {
    sizes.push_back(SizeRun(options, process_start, rows, failed_checks).Run());
    PrintSize(sizes.back());
    std::fflush(stdout);
  }
  return sizes;
}

}  // namespace bench
