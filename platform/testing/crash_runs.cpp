#include "platform/testing/crash_runs.h"

#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include "platform/exceptions.h"
#include "platform/testing/commit_points.h"
#include "platform/testing/fault_injecting_file_system.h"
#include "platform/testing/kill_points.h"
#include "platform/testing/memory_file_system.h"
#include "platform/testing/temp_folder.h"

namespace platform::testing {
namespace {

constexpr char kMemoryRoot[] = "C:\\crash";

std::vector<std::string> FoldersBelow(const CrashRun& run, const std::string& root) {
  std::vector<std::string> folders;
  for (const std::string& f : run.folders) folders.push_back(root + "\\" + f);
  return folders;
}

std::optional<FolderState> Settled(const CrashRun& run, FileSystem& fs, const std::string& root,
                                   const std::function<std::string(const std::string&)>& read) {
  return SettledState(fs, FoldersBelow(run, root), read, run.is_temporary, run.skip);
}

std::function<std::string(const std::string&)> ReadFrom(MemoryFileSystem& memory) {
  return [&memory](const std::string& path) { return memory.Bytes(path); };
}

// The files before the action, written once: tables carry the time they were made.
std::unique_ptr<MemoryFileSystem> Seed(const CrashRun& run) {
  auto disk = std::make_unique<MemoryFileSystem>();
  disk->ForceDirectories(kMemoryRoot);
  run.seed(*disk, kMemoryRoot);
  return disk;
}

// The seed's files below `root`.
std::unique_ptr<MemoryFileSystem> Copy(MemoryFileSystem& seed, const std::string& root = kMemoryRoot) {
  auto copy = std::make_unique<MemoryFileSystem>();
  copy->ForceDirectories(root);
  for (const auto& [path, bytes] : seed.Files()) copy->Put(root + path.substr(sizeof kMemoryRoot - 1), bytes);
  return copy;
}

// The commit points of the action run in `root`, found on the file system in memory,
// where files can be read whoever holds them. The root is the one of the run they are
// held against: an install writes its destinations' paths into the management table.
CommitPoints Points(const CrashRun& run, MemoryFileSystem& seed, const std::string& root) {
  std::unique_ptr<MemoryFileSystem> disk = Copy(seed, root);
  return CommitPoints::Record(
      *disk,
      [&] { return SweptState(*disk, FoldersBelow(run, root), ReadFrom(*disk), run.is_temporary, run.is_record, run.skip); },
      [&](FileSystem& counted) { run.action(counted, root); });
}

void Check(const CrashRun& run, FileSystem& fs, const std::string& root,
           const std::function<std::string(const std::string&)>& read, const std::vector<const FolderState*>& allowed,
           const std::string& when, CrashFindings* findings) {
  ++findings->stops;
  try {
    run.recover(fs, root);
  } catch (const Exception& e) {
    findings->problems.push_back(when + ": the recovery failed: " + e.Message());
    return;
  }
  std::optional<FolderState> left = Settled(run, fs, root, read);
  std::string why;
  if (!left) {
    findings->problems.push_back(when + ": a temporary file is left");
  } else if (!CommitPoints::Among(*left, allowed, &why)) {
    findings->problems.push_back(when + ": " + why);
  }
}

}  // namespace

bool RegisterCrashRun(const CrashRun& run) {
  auto action = run.action;
  return RegisterKillPointAction(run.name, [action](FileSystem& fs, const std::vector<std::string>& args) {
    action(fs, args.at(0));
  });
}

CrashFindings KillBeforeEachChange(const CrashRun& run) {
  FileSystem& fs = OsFileSystem();
  // A kill needs no disk: where the system has a file system in memory, the flushes of
  // the hundreds of runs cost nothing there.
  std::string base = SystemTemporaryFolder();
#ifndef _WIN32
  if (fs.DirectoryExists("/dev/shm")) base = "/dev/shm";
#endif
  const std::string disk_root = base + "\\hinmei-crash-" + std::to_string(std::random_device{}() % 1000000000);
  struct Removed {
    std::string path;
    ~Removed() { RemoveTree(path); }
  } removed{disk_root};
  CrashFindings findings;
  std::unique_ptr<MemoryFileSystem> seed = Seed(run);
  const CommitPoints points = Points(run, *seed, disk_root);
  findings.changes = points.changes();
  auto restore = [&] {
    RemoveTree(disk_root);
    fs.ForceDirectories(disk_root);
    for (const auto& [path, bytes] : seed->Files()) {
      const std::string on_disk = disk_root + path.substr(sizeof kMemoryRoot - 1);
      fs.ForceDirectories(on_disk.substr(0, on_disk.rfind('\\')));
      WriteWholeFile(fs, on_disk, bytes);
    }
  };
  auto read = [&](const std::string& path) { return ReadWholeFile(fs, path); };
  for (long n = 1; n <= points.changes() + 1; ++n) {
    const std::string when = "killed before change " + std::to_string(n) + " of " + std::to_string(points.changes());
    restore();
    ChildEnd end = RunKillPointChild(run.name, n, {disk_root});
#ifdef _WIN32
    if (end == ChildEnd::kFailed) {
      // Under Wine a child that was stopped can keep its files open a moment after it
      // is reported ended, and the next child then finds them in use: it runs again
      // once. A failure of the action itself fails again.
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      restore();
      end = RunKillPointChild(run.name, n, {disk_root});
    }
#endif
    if (end != (n <= points.changes() ? ChildEnd::kStopped : ChildEnd::kCompleted)) {
      findings.problems.push_back(when + ": the child did not end as expected");
      continue;
    }
    Check(run, fs, disk_root, read, points.AfterKill(n), when, &findings);
  }
  return findings;
}

CrashFindings CutPowerBeforeEachChange(const CrashRun& run) {
  CrashFindings findings;
  std::unique_ptr<MemoryFileSystem> seed = Seed(run);
  const CommitPoints points = Points(run, *seed, kMemoryRoot);
  findings.changes = points.changes();
  for (long n = 1; n <= points.changes(); ++n) {
    std::unique_ptr<MemoryFileSystem> running = Copy(*seed);
    std::vector<std::unique_ptr<MemoryFileSystem>> after_cut;
    FaultInjectingFileSystem cut(*running);
    cut.StopBeforeChange(n, [&] {
      for (std::size_t kept = 0; kept <= running->UnflushedEntryChanges(); ++kept) {
        after_cut.push_back(running->AfterPowerCut(kept));
      }
    });
    try {
      run.action(cut, kMemoryRoot);
    } catch (const Exception&) {
      // Nothing reaches the disk after the cut.
    }
    if (after_cut.empty()) findings.problems.push_back("change " + std::to_string(n) + " was not reached");
    for (std::size_t kept = 0; kept < after_cut.size(); ++kept) {
      const std::string when = "power cut before change " + std::to_string(n) + " of " +
                               std::to_string(points.changes()) + ", " + std::to_string(kept) +
                               " unflushed entry changes kept";
      Check(run, *after_cut[kept], kMemoryRoot, ReadFrom(*after_cut[kept]), points.AfterPowerCut(n), when, &findings);
    }
  }
  // Once the action has returned, what it did stays whatever of the disk's unflushed
  // entries a cut takes.
  std::unique_ptr<MemoryFileSystem> done = Copy(*seed);
  run.action(*done, kMemoryRoot);
  for (std::size_t kept = 0; kept <= done->UnflushedEntryChanges(); ++kept) {
    std::unique_ptr<MemoryFileSystem> after = done->AfterPowerCut(kept);
    Check(run, *after, kMemoryRoot, ReadFrom(*after), {&points.last()},
          "power cut after the action, " + std::to_string(kept) + " unflushed entry changes kept", &findings);
  }
  return findings;
}

}  // namespace platform::testing
