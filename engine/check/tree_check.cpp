#include "engine/check/tree_check.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>

#include "engine/family.h"
#include "engine/format/bytes.h"

namespace engine {
namespace {

struct Leaf {
  const char* key;
  int child;
  std::uint32_t count;
};

// The tree's leaf entries, checking its inner structure.
std::vector<Leaf> Leaves(const MemberFile& tree, FindingKind kind, CheckReport& report) {
  std::vector<Leaf> leaves;
  const format::Header& h = tree.header();
  auto problem = [&](const std::string& what) { report.AddProblem(kind, tree.path(), what); };
  if (h.index_levels() == 0) {
    if (h.records() != 0) problem("the tree holds entries but has no levels");
    return leaves;
  }
  const bool empty = h.records() == 0;
  std::set<int> visited;
  const int key = h.key_size();
  std::function<std::uint32_t(int, int, const char*)> walk = [&](int block, int level, const char* first_key) {
    if (empty && tree.block(block) == nullptr) return std::uint32_t{0};
    if (tree.block(block) == nullptr || !visited.insert(block).second) {
      problem("the tree reaches block " + std::to_string(block) + " twice or outside the file");
      return std::uint32_t{0};
    }
    int count = tree.records_in_block(block);
    const char* entries = tree.block(block) + format::kBlockHeaderSize;
    if (count <= 0) return std::uint32_t{0};
    if (first_key != nullptr && std::memcmp(first_key, entries, static_cast<std::size_t>(key)) != 0) {
      problem("an entry's key differs from the first key of block " + std::to_string(block));
    }
    std::uint32_t total = 0;
    for (int i = 0; i < count; ++i) {
      const char* e = entries + static_cast<std::size_t>(i) * static_cast<std::size_t>(h.record_size());
      int child = format::GetBe16(e + key) ^ 0x8000;
      std::uint32_t n = format::GetBe16(e + key + 2) ^ 0x8000u;
      if (level > 1) {
        std::uint32_t below = walk(child, level - 1, e);
        if (n != std::min<std::uint32_t>(below, 0xFFFF)) {
          problem("block " + std::to_string(block) + " counts " + std::to_string(n) + " rows under block " +
                  std::to_string(child) + ", which holds " + std::to_string(below));
        }
      } else {
        leaves.push_back(Leaf{e, child, n});
      }
      total += n;
    }
    return total;
  };
  walk(h.index_root(), h.index_levels(), nullptr);
  if (!empty && visited.size() != tree.chain().size()) problem("some chained blocks are not part of the tree");
  return leaves;
}

}  // namespace

void CheckTreeHeader(const MemberFile& tree, const format::Header& parent, int key_fields, FindingKind kind,
                     CheckReport& report) {
  const format::Header& t = tree.header();
  bool same = static_cast<int>(t.fields().size()) == key_fields;
  for (int i = 0; same && i < key_fields; ++i) {
    same = t.fields()[static_cast<std::size_t>(i)].type == parent.fields()[static_cast<std::size_t>(i)].type &&
           t.fields()[static_cast<std::size_t>(i)].size == parent.fields()[static_cast<std::size_t>(i)].size;
  }
  if (!same) report.AddProblem(kind, tree.path(), "its fields do not match the key it indexes");
  if (t.sort_order() != parent.sort_order()) report.AddProblem(kind, tree.path(), "its sort order differs from its table's");
}

void CheckTreeOver(const MemberFile& tree, const MemberFile& data, int key_size, FindingKind kind,
                   CheckReport& report) {
  std::vector<Leaf> leaves = Leaves(tree, kind, report);
  std::vector<ChainBlock> blocks;
  for (const ChainBlock& b : data.chain()) {
    if (b.count > 0) blocks.push_back(b);
  }
  if (leaves.size() != blocks.size()) {
    report.AddProblem(kind, tree.path(), std::to_string(leaves.size()) + " leaf entries for " +
                                             std::to_string(blocks.size()) + " blocks of " + NameOf(data.path()));
    return;
  }
  for (std::size_t i = 0; i < leaves.size(); ++i) {
    const ChainBlock& b = blocks[i];
    if (leaves[i].child != b.number || leaves[i].count != static_cast<std::uint32_t>(b.count) ||
        std::memcmp(leaves[i].key, data.record(b.first_record), static_cast<std::size_t>(key_size)) != 0) {
      report.AddProblem(kind, tree.path(),
                        "the entry for block " + std::to_string(b.number) + " of " + NameOf(data.path()) + " is wrong");
      return;
    }
  }
}

}  // namespace engine
