// Reading one member file of a family (DB, PX, X or Y) whole, with every structural
// check: a damaged or foreign file gives an EDBEngineError naming the file and what is
// wrong, never a read outside the file or an endless walk.
#ifndef HINMEI_ENGINE_READ_TABLE_FILE_H_
#define HINMEI_ENGINE_READ_TABLE_FILE_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/format/header.h"
#include "platform/file_system.h"

namespace engine {

// A block of the chain: its number and where its records start in the record list.
struct ChainBlock {
  int number = 0;
  int count = 0;
  std::size_t first_record = 0;
};

class MemberFile {
 public:
  // Reads and checks the header and every block of `file`.
  static MemberFile Load(platform::File& file, const std::string& path);
  // A file with this header and no records yet (a table being created).
  static MemberFile Empty(format::Header header, std::string path);

  const format::Header& header() const { return header_; }
  format::Header& header() { return header_; }
  const std::string& path() const { return path_; }

  // Records (DB, X) or entries (PX, Y) along the chain.
  std::size_t size() const { return records_.size(); }
  const char* record(std::size_t i) const { return data_.data() + records_[i]; }
  const std::vector<ChainBlock>& chain() const { return chain_; }

  // Block `number` (1-based) as found, or nullptr outside the file.
  const char* block(int number) const;
  int records_in_block(int number) const;

  // Appends a record that is not in any block (a row about to be written).
  std::size_t AddRecord(const char* bytes);
  // The record list reordered: `order` holds indexes into the current list.
  void Reorder(std::span<const std::uint32_t> order);

 private:
  void ReadChain();
  [[noreturn]] void Corrupt(const std::string& detail) const;

  std::string path_;
  format::Header header_;
  std::vector<char> data_;              // the blocks as read, then added records
  std::size_t present_ = 0;             // bytes of data_ the file held
  std::vector<std::uint32_t> records_;  // offsets into data_
  std::vector<ChainBlock> chain_;
};

// Reads and checks just the header of `file`.
format::Header ReadHeader(platform::File& file, const std::string& path);

}  // namespace engine

#endif  // HINMEI_ENGINE_READ_TABLE_FILE_H_
