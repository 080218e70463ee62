#include "engine/family_write.h"

#include <chrono>
#include <cstdio>
#include <random>

#include "engine/errors.h"
#include "engine/family.h"

namespace engine {

struct FamilyWrite::Held {
  std::string path;
  std::unique_ptr<platform::File> file;
};

struct FamilyWrite::Created {
  std::string temp;
  std::string final_path;
  std::unique_ptr<platform::File> file;
};

namespace {

std::string RandomToken() {
  std::uint64_t seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  try {
    std::random_device device;
    seed ^= static_cast<std::uint64_t>(device()) << 32 | device();
  } catch (...) {
    // The clock alone still keeps names of one process apart.
  }
  static std::uint64_t counter = 0;
  seed ^= ++counter * 0x9E3779B97F4A7C15ull;
  char token[16];
  std::snprintf(token, sizeof token, "%08x", static_cast<unsigned>(seed ^ (seed >> 32)));
  return token;
}

// A new file under its temporary name whose failures name the file it is to become: that
// is the name the user knows.
class NamedAfterTarget final : public platform::File {
 public:
  NamedAfterTarget(std::unique_ptr<platform::File> file, std::string target)
      : file_(std::move(file)), target_(std::move(target)) {}

  std::uint64_t Size() override {
    return Named([&] { return file_->Size(); });
  }
  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
    return Named([&] { return file_->ReadAt(offset, buffer, length); });
  }
  void WriteAt(std::uint64_t offset, const void* data, std::size_t length) override {
    Named([&] { file_->WriteAt(offset, data, length); });
  }
  void Truncate(std::uint64_t size) override {
    Named([&] { file_->Truncate(size); });
  }
  void Flush() override {
    Named([&] { file_->Flush(); });
  }
  void Close() override {
    Named([&] { file_->Close(); });
  }

 private:
  template <typename Action>
  auto Named(Action&& action) -> decltype(action()) {
    try {
      return action();
    } catch (const platform::EInOutError& e) {
      throw platform::EInOutError(e.ErrorCode(), target_);
    }
  }

  std::unique_ptr<platform::File> file_;
  std::string target_;
};

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

void RequireFamilyFree(platform::FileSystem& fs, const std::string& db_path) {
  if (!fs.DirectoryExists(FolderOf(TablePath(db_path)))) return;
  Family family = FindFamily(fs, db_path);
  for (const std::string& member : family.Members()) {
    TranslateFileErrors(member, [&] {
      fs.Open(member, platform::Access::kRead, platform::Share::kExclusive, platform::Disposition::kOpenExisting);
    });
  }
}

bool IsTemporaryName(const std::string& name) {
  std::string n = FoldName(name);
  if (n.size() != 15 || n.compare(0, 3, "~HM") != 0 || n[11] != '.') return false;
  for (int i = 3; i < 11; ++i) {
    if (!IsHexDigit(n[static_cast<std::size_t>(i)])) return false;
  }
  for (int i = 12; i < 15; ++i) {
    if (n[static_cast<std::size_t>(i)] < '0' || n[static_cast<std::size_t>(i)] > '9') return false;
  }
  return true;
}

FamilyWrite::FamilyWrite(platform::FileSystem& fs, TableFiles files)
    : fs_(fs), files_(files), token_(RandomToken()) {}

FamilyWrite::~FamilyWrite() {
  if (!committed_) DiscardCreated();
}

void FamilyWrite::DiscardCreated() {
  for (Created& c : created_) {
    c.file.reset();
    try {
      fs_.RemoveFile(c.temp);
    } catch (const platform::EInOutError&) {
      // A temporary name is no family member: a leftover harms no table.
    }
  }
  created_.clear();
}

std::string FamilyWrite::TemporaryPath(const std::string& beside) {
  char name[32];
  std::snprintf(name, sizeof name, "~hm%s.%03d", token_.c_str(), ++serial_);
  return JoinFolder(FolderOf(beside), name);
}

platform::File* FamilyWrite::FindHeld(const std::string& path) const {
  std::string folded = FoldName(path);
  for (const Held& h : held_) {
    if (FoldName(h.path) == folded) return h.file.get();
  }
  return nullptr;
}

platform::File& FamilyWrite::Hold(const std::string& path, platform::Access access) {
  if (platform::File* held = FindHeld(path)) return *held;
  auto file = TranslateFileErrors(path, [&] {
    return fs_.Open(path, access, platform::Share::kExclusive, platform::Disposition::kOpenExisting);
  });
  held_.push_back(Held{path, std::move(file)});
  return *held_.back().file;
}

platform::File& FamilyWrite::Create(const std::string& final_path) {
  if (!FindHeld(final_path) && fs_.FileExists(final_path)) Hold(final_path);
  std::string temp = TemporaryPath(final_path);
  auto file = TranslateFileErrors(final_path, [&]() -> std::unique_ptr<platform::File> {
    try {
      return std::make_unique<NamedAfterTarget>(
          fs_.Open(temp, platform::Access::kReadWrite, platform::Share::kExclusive, platform::Disposition::kCreateNew),
          final_path);
    } catch (const platform::EInOutError& e) {
      throw platform::EInOutError(e.ErrorCode(), final_path);
    }
  });
  created_.push_back(Created{temp, final_path, std::move(file)});
  return *created_.back().file;
}

void FamilyWrite::Move(const std::string& held_path, const std::string& final_path) {
  if (!FindHeld(final_path) && fs_.FileExists(final_path)) Hold(final_path);
  moves_.push_back(Rename{held_path, final_path});
}

void FamilyWrite::Remove(const std::string& held_path) { removals_.push_back(held_path); }

void FamilyWrite::Undo(std::vector<Rename>& done) {
  for (auto it = done.rbegin(); it != done.rend(); ++it) {
    try {
      fs_.RenameOver(it->to, it->from);
    } catch (const platform::EInOutError&) {
      // Nothing better can be done for this file; the others are still put back.
    }
  }
  done.clear();
}

// The existing files at the places being filled or emptied, each once.
std::vector<std::string> FamilyWrite::PlacesToVacate() {
  std::vector<std::string> vacate;
  auto add_vacate = [&](const std::string& path) {
    if (!fs_.FileExists(path)) return;
    for (const std::string& v : vacate) {
      if (FoldName(v) == FoldName(path)) return;
    }
    vacate.push_back(path);
  };
  for (const Created& c : created_) add_vacate(c.final_path);
  for (const Rename& m : moves_) add_vacate(m.to);
  for (const std::string& r : removals_) add_vacate(r);
  return vacate;
}

void FamilyWrite::CloseCreated(bool flush) {
  for (Created& c : created_) {
    TranslateFileErrors(c.final_path, [&] {
      if (flush) c.file->Flush();
      c.file->Close();
    });
    c.file.reset();
  }
  if (!flush) return;
  for (const Rename& m : moves_) {
    platform::File* moved = FindHeld(m.from);
    if (!moved) ThrowEngineError("The file to be moved is not held for the change.", m.from);
    TranslateFileErrors(m.from, [&] { moved->Flush(); });
  }
}

void FamilyWrite::Commit() {
  // The existing files at the places being filled or emptied go aside first; when there
  // are any in use, the new contents are put on disk before the first of them goes.
  std::vector<std::string> vacate = PlacesToVacate();
  CloseCreated(!vacate.empty() && files_ == TableFiles::kInUse);

  std::vector<Rename> done;
  std::vector<std::string> aside;
  std::string step;  // the family file the rename under way is about, for the message
  try {
    for (const std::string& v : vacate) {
      std::string to = TemporaryPath(v);
      step = v;
      fs_.RenameOver(v, to);
      done.push_back(Rename{v, to});
      aside.push_back(to);
    }
    for (const Created& c : created_) {
      step = c.final_path;
      fs_.RenameOver(c.temp, c.final_path);
      done.push_back(Rename{c.temp, c.final_path});
    }
    for (const Rename& m : moves_) {
      step = m.to;
      fs_.RenameOver(m.from, m.to);
      done.push_back(m);
    }
  } catch (const platform::EInOutError& e) {
    Undo(done);
    DiscardCreated();
    ThrowFileError(e, step);
  }
  committed_ = true;
  std::vector<std::string> folders;
  auto add_folder = [&](const std::string& path) {
    std::string folder = FolderOf(path);
    for (const std::string& f : folders) {
      if (FoldName(f) == FoldName(folder)) return;
    }
    folders.push_back(folder);
  };
  for (const Held& h : held_) add_folder(h.path);
  for (const Created& c : created_) add_folder(c.final_path);
  created_.clear();
  for (const std::string& a : aside) {
    try {
      fs_.RemoveFile(a);
    } catch (const platform::EInOutError&) {
      // The change is complete; a set-aside copy under a temporary name is no member.
    }
  }
  held_.clear();
  SweepLeftovers(folders);
}

void FamilyWrite::SweepLeftovers(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    std::vector<std::string> names;
    try {
      names = fs_.ListFolder(folder);
    } catch (const platform::EInOutError&) {
      continue;
    }
    for (const std::string& name : names) {
      if (!IsTemporaryName(name)) continue;
      std::string path = JoinFolder(folder, name);
      try {
        // Only a file nobody holds is a leftover: a write of another program, or of
        // another family write, holds its temporary files until they are renamed.
        auto probe = fs_.Open(path, platform::Access::kRead, platform::Share::kExclusive,
                              platform::Disposition::kOpenExisting);
        fs_.RemoveFile(path);
      } catch (const platform::EInOutError&) {
        // Held, or gone meanwhile: not ours to remove now.
      }
    }
  }
}

}  // namespace engine
