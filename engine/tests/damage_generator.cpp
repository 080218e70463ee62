#include "engine/tests/damage_generator.h"

#include <algorithm>
#include <set>

#include "engine/family.h"
#include "engine/format/blob.h"
#include "engine/format/bytes.h"
#include "engine/format/layout.h"
#include "engine/read/table_file.h"
#include "engine/tests/test_support.h"

namespace engine::testing {
namespace {

namespace off = format::off;

class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : Next() % n; }
  std::string Bytes(std::size_t n) {
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(Next() >> 24);
    return bytes;
  }

 private:
  std::uint32_t state_;
};

// A member file's bytes, as they are damaged.
struct FileBytes {
  explicit FileBytes(std::string p) : path(std::move(p)), bytes(ReadBytes(path)) {}
  void Save() const { WriteBytes(path, bytes); }
  int header_size() const { return format::GetLe16(bytes.data() + off::kHeaderSize); }
  int block_size() const { return static_cast<std::uint8_t>(bytes[off::kBlockSizeCode]) * 1024; }
  char* block(int n) { return bytes.data() + header_size() + static_cast<std::size_t>(n - 1) * block_size(); }
  // Overwrites everything after the header, as far as the file goes.
  void OverwriteBlocks(Random& random) {
    const auto from = static_cast<std::size_t>(header_size());
    if (from < bytes.size()) bytes.replace(from, bytes.size() - from, random.Bytes(bytes.size() - from));
  }

  std::string path;
  std::string bytes;
};

class Damager {
 public:
  Damager(const std::string& db, std::uint32_t seed, const std::string& spare)
      : family_(FindFamily(platform::OsFileSystem(), db)), member_(LoadMember(family_.db)), random_(seed),
        spare_(spare), file_(family_.db) {
    const format::Header& h = member_.header();
    for (const ChainBlock& b : member_.chain()) {
      if (b.count > 0) with_rows_.push_back(b);
      for (int slot = 0; slot < b.count; ++slot) {
        offsets_.push_back(static_cast<std::uint64_t>(h.header_size()) +
                           static_cast<std::uint64_t>(b.number - 1) * static_cast<std::uint64_t>(h.block_size()) +
                           format::kBlockHeaderSize + static_cast<std::uint64_t>(slot) * static_cast<std::uint64_t>(h.record_size()));
      }
    }
    for (std::size_t i = 0; i < member_.size(); ++i) {
      damaged_.records.emplace_back(member_.record(i), static_cast<std::size_t>(h.record_size()));
    }
    damaged_.reached.assign(member_.size(), false);
  }

  std::optional<Damaged> Apply(DamageKind kind) {
    if (!Put(kind)) return std::nullopt;
    return damaged_;
  }

 private:
  const std::vector<ChainBlock>& chain() const { return member_.chain(); }
  int record_size() const { return member_.header().record_size(); }

  void Reach(const ChainBlock& b) {
    for (int slot = 0; slot < b.count; ++slot) damaged_.reached[b.first_record + static_cast<std::size_t>(slot)] = true;
  }

  bool Put(DamageKind kind) {
    switch (kind) {
      case DamageKind::kCutChain: {
        if (chain().size() < 3) return false;
        const ChainBlock& b = chain()[random_.Below(chain().size() - 1)];
        format::PutLe16(file_.block(b.number), 0);
        return Done("the link after block " + std::to_string(b.number) + " cut");
      }
      case DamageKind::kLoopingChain: {
        if (chain().size() < 3) return false;
        const std::size_t k = 1 + random_.Below(chain().size() - 2);
        const ChainBlock& back = chain()[random_.Below(k)];
        format::PutLe16(file_.block(chain()[k].number), static_cast<std::uint16_t>(back.number));
        return Done("block " + std::to_string(chain()[k].number) + " linked back to block " + std::to_string(back.number));
      }
      case DamageKind::kWrongCounts: {
        char* h = file_.bytes.data();
        format::PutLe32(h + off::kRecords, format::GetLe32(h + off::kRecords) + 1 + static_cast<std::uint32_t>(random_.Below(1000)));
        format::PutLe16(h + off::kUsedBlocks, static_cast<std::uint16_t>(format::GetLe16(h + off::kUsedBlocks) + 1 + random_.Below(5)));
        if (!chain().empty()) format::PutLe16(h + off::kLastBlock, static_cast<std::uint16_t>(chain().front().number));
        return Done("header counts");
      }
      case DamageKind::kTruncated: {
        const std::size_t first_block_end = static_cast<std::size_t>(file_.header_size() + file_.block_size());
        if (with_rows_.size() < 2 || file_.bytes.size() <= first_block_end) return false;
        const std::size_t cut = first_block_end + random_.Below(file_.bytes.size() - first_block_end);
        file_.bytes.resize(cut);
        for (std::size_t i = 0; i < offsets_.size(); ++i) {
          damaged_.reached[i] = offsets_[i] + static_cast<std::uint64_t>(record_size()) > cut;
        }
        return Done("cut at byte " + std::to_string(cut));
      }
      case DamageKind::kGarbageBlock:
      case DamageKind::kZeroedBlock: {
        if (with_rows_.size() < 2) return false;
        const ChainBlock& b = with_rows_[random_.Below(with_rows_.size())];
        const std::size_t at = static_cast<std::size_t>(file_.block(b.number) - file_.bytes.data());
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(file_.block_size()), file_.bytes.size() - at);
        file_.bytes.replace(at, n, kind == DamageKind::kGarbageBlock ? random_.Bytes(n) : std::string(n, '\0'));
        Reach(b);
        return Done(std::string(kind == DamageKind::kGarbageBlock ? "garbage" : "zeros") + " over block " +
                    std::to_string(b.number));
      }
      case DamageKind::kDamagedPrimary:
        return DamageOther(family_.px, "the .PX's blocks", [&](FileBytes& f) { f.OverwriteBlocks(random_); });
      case DamageKind::kZeroedIndex:
        return DamageOther(SomeSecondary(false), "zeros over", [](FileBytes& f) { f.bytes.assign(f.bytes.size(), '\0'); });
      case DamageKind::kMissingTree: {
        const std::string y = SomeSecondary(true);
        if (y.empty()) return false;
        platform::OsFileSystem().RemoveFile(y);
        damaged_.where = NameOf(y) + " deleted";
        return true;
      }
      case DamageKind::kDamagedIndexData:
        return DamageOther(SomeSecondary(false), "garbage over the blocks of", [&](FileBytes& f) { f.OverwriteBlocks(random_); });
      case DamageKind::kDamagedMemo:
        return DamageMemo();
      case DamageKind::kZeroedHeader: {
        damaged_.borrow = JoinFolder(spare_, NameOf(family_.db));
        CopyFile(family_.db, damaged_.borrow);
        std::fill(file_.bytes.begin(), file_.bytes.begin() + file_.header_size(), '\0');
        return Done("header zeroed");
      }
    }
    return false;
  }

  bool Done(const std::string& where) {
    file_.Save();
    damaged_.where = NameOf(family_.db) + ": " + where;
    return true;
  }

  template <typename Change>
  bool DamageOther(const std::string& path, const std::string& what, Change change) {
    if (path.empty()) return false;
    FileBytes f(path);
    if (f.bytes.size() <= static_cast<std::size_t>(f.header_size())) return false;
    change(f);
    f.Save();
    damaged_.where = what + " " + NameOf(path);
    return true;
  }

  // An X (or Y) of the family, chosen by the seed; empty when there is none.
  std::string SomeSecondary(bool tree) {
    std::vector<std::string> files;
    for (const SecondaryFiles& s : family_.secondaries) {
      const std::string& p = tree ? s.y : s.x;
      if (!p.empty()) files.push_back(p);
    }
    return files.empty() ? std::string() : files[random_.Below(files.size())];
  }

  // A .MB block that rows keep data in, overwritten: the rows that point into it lose it.
  bool DamageMemo() {
    if (family_.mb.empty()) return false;
    const format::Header& h = member_.header();
    std::set<std::uint64_t> blocks;
    auto each_ref = [&](auto visit) {
      for (std::size_t i = 0; i < member_.size(); ++i) {
        for (const format::FieldDescriptor& f : h.fields()) {
          if (!format::IsBlob(f.type)) continue;
          format::BlobRef ref = format::ReadBlobRef(f, member_.record(i) + f.offset);
          if (ref.length != 0 && !ref.in_leader()) visit(i, ref.block_offset());
        }
      }
    };
    each_ref([&](std::size_t, std::uint64_t block) { blocks.insert(block); });
    if (blocks.empty()) return false;
    auto it = blocks.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(random_.Below(blocks.size())));
    const std::uint64_t chosen = *it;
    FileBytes mb(family_.mb);
    const std::size_t n = std::min<std::size_t>(format::kMbUnit, mb.bytes.size() - static_cast<std::size_t>(chosen));
    mb.bytes.replace(static_cast<std::size_t>(chosen), n, random_.Bytes(n));
    mb.Save();
    each_ref([&](std::size_t i, std::uint64_t block) {
      if (block == chosen) damaged_.reached[i] = true;
    });
    damaged_.where = "garbage over the .MB block at " + std::to_string(chosen);
    return true;
  }

  Family family_;
  MemberFile member_;
  Random random_;
  std::string spare_;
  FileBytes file_;
  std::vector<ChainBlock> with_rows_;
  std::vector<std::uint64_t> offsets_;  // of each record in the .DB
  Damaged damaged_;
};

}  // namespace

const char* DamageName(DamageKind kind) {
  switch (kind) {
    case DamageKind::kCutChain: return "CutChain";
    case DamageKind::kLoopingChain: return "LoopingChain";
    case DamageKind::kWrongCounts: return "WrongCounts";
    case DamageKind::kTruncated: return "Truncated";
    case DamageKind::kGarbageBlock: return "GarbageBlock";
    case DamageKind::kZeroedBlock: return "ZeroedBlock";
    case DamageKind::kDamagedPrimary: return "DamagedPrimary";
    case DamageKind::kZeroedIndex: return "ZeroedIndex";
    case DamageKind::kMissingTree: return "MissingTree";
    case DamageKind::kDamagedIndexData: return "DamagedIndexData";
    case DamageKind::kDamagedMemo: return "DamagedMemo";
    case DamageKind::kZeroedHeader: return "ZeroedHeader";
  }
  return "";
}

std::optional<Damaged> Damage(const std::string& db, DamageKind kind, std::uint32_t seed,
                              const std::string& spare_folder) {
  return Damager(db, seed, spare_folder).Apply(kind);
}

}  // namespace engine::testing
