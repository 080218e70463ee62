#include "platform/testing/commit_points.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/cp932.h"
#include "platform/testing/fault_injecting_file_system.h"

namespace platform::testing {

namespace {

std::optional<FolderState> StateOf(FileSystem& fs, const std::vector<std::string>& folders,
                                   const std::function<std::string(const std::string& path)>& read,
                                   const std::function<bool(const std::string& name)>& unsettled,
                                   const std::function<bool(const std::string& name)>& left_out,
                                   const std::vector<std::string>& skip) {
  FolderState state;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    if (!fs.DirectoryExists(folders[i])) continue;
    for (const std::string& name : fs.ListFolder(folders[i])) {
      if (unsettled(name)) return std::nullopt;
      if (left_out(name) || std::find(skip.begin(), skip.end(), name) != skip.end()) continue;
      const std::string path = folders[i] + "\\" + name;
      if (fs.DirectoryExists(path)) continue;
      state[std::to_string(i) + "|" + name] = read(path);
    }
  }
  return state;
}

}  // namespace

std::optional<FolderState> SettledState(FileSystem& fs, const std::vector<std::string>& folders,
                                        const std::function<std::string(const std::string& path)>& read,
                                        const std::function<bool(const std::string& name)>& is_temporary,
                                        const std::vector<std::string>& skip) {
  return StateOf(fs, folders, read, is_temporary, [](const std::string&) { return false; }, skip);
}

std::optional<FolderState> SweptState(FileSystem& fs, const std::vector<std::string>& folders,
                                      const std::function<std::string(const std::string& path)>& read,
                                      const std::function<bool(const std::string& name)>& is_temporary,
                                      const std::function<bool(const std::string& name)>& is_record,
                                      const std::vector<std::string>& skip) {
  return StateOf(fs, folders, read, is_record, is_temporary, skip);
}

std::string ReadIgnoringShares(const std::string& path) {
  std::string native = Cp932ToUtf8(path);
#ifndef _WIN32
  std::replace(native.begin(), native.end(), '\\', '/');
#endif
  std::ifstream in(native, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CommitPoints CommitPoints::Record(FileSystem& fs, const std::function<std::optional<FolderState>()>& settled,
                                  const std::function<void(FileSystem&)>& action) {
  CommitPoints points;
  FaultInjectingFileSystem counted(fs);
  counted.ObserveChanges([&] {
    const long change = counted.Changes() + 1;
    std::optional<FolderState> state = settled();
    if (state && (points.points_.empty() || points.points_.back().state != *state)) {
      points.points_.push_back(Point{change, std::move(*state)});
    }
    if (counted.Trace().back().rfind("FlushFolder ", 0) == 0) {
      points.folder_flushes_.push_back({change, state ? static_cast<long>(points.points_.size()) - 1 : -1});
    }
  });
  action(counted);
  points.changes_ = counted.Changes();
  std::optional<FolderState> end = settled();
  if (end) points.points_.push_back(Point{points.changes_ + 1, std::move(*end)});
  return points;
}

std::vector<const FolderState*> CommitPoints::Between(long from, long to) const {
  std::vector<const FolderState*> states;
  for (const Point& p : points_) {
    if (p.before_change >= from && p.before_change <= to) states.push_back(&p.state);
  }
  return states;
}

std::vector<const FolderState*> CommitPoints::AfterKill(long n) const {
  long before = 0, after = changes_ + 1;
  for (const Point& p : points_) {
    if (p.before_change <= n) before = p.before_change;
    if (p.before_change >= n) {
      after = p.before_change;
      break;
    }
  }
  std::vector<const FolderState*> states = Between(before, before);
  for (const FolderState* s : Between(after, after)) states.push_back(s);
  return states;
}

std::vector<const FolderState*> CommitPoints::AfterPowerCut(long n) const {
  const FolderFlush* flushed = nullptr;
  for (const FolderFlush& f : folder_flushes_) {
    if (f.change < n) flushed = &f;
  }
  long from = changes_ + 1, to = changes_ + 1;
  for (auto it = points_.rbegin(); it != points_.rend(); ++it) {
    if (flushed && it->before_change >= flushed->change) from = it->before_change;
    if (it->before_change >= n) to = it->before_change;
  }
  if (!flushed) {
    // Before the first flush nothing of the action need have reached the disk.
    from = points_.empty() ? 0 : points_.front().before_change;
  } else if (flushed->point >= 0) {
    // The flush made the commit point the folders were at durable.
    from = points_[static_cast<std::size_t>(flushed->point)].before_change;
  }
  return Between(from, to);
}

bool CommitPoints::Among(const FolderState& state, const std::vector<const FolderState*>& allowed, std::string* why) {
  for (const FolderState* s : allowed) {
    if (*s == state) return true;
  }
  std::ostringstream out;
  out << "left:";
  for (const auto& [name, bytes] : state) out << " " << name << "(" << bytes.size() << ")";
  for (const FolderState* s : allowed) {
    out << "\n  allowed:";
    for (const auto& [name, bytes] : *s) {
      auto it = state.find(name);
      out << " " << name << (it == state.end() ? "[missing]" : it->second == bytes ? "" : "[differs]");
    }
  }
  *why = out.str();
  return false;
}

}  // namespace platform::testing
