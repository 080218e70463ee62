// The headers of the index files a rewrite writes (format/layout.h): an old header is
// kept where it still fits the file (same type, fields, options and sort order), with
// its rebuild flags cleared; otherwise a new one is made from the DB's. The stamps tie
// each file to its parent: PX[2C] = DB[2D], X[2E] = DB[2E], X[2F] = PX[2C],
// Y[2C] = X[2D].
#ifndef HINMEI_ENGINE_WRITE_MEMBER_HEADERS_H_
#define HINMEI_ENGINE_WRITE_MEMBER_HEADERS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/format/header.h"
#include "engine/format/header_builder.h"
#include "engine/index/secondary_index.h"
#include "engine/index/x_records.h"

namespace engine {

// The first `count` fields of the DB, as a new header lists them.
std::vector<format::NewField> FieldsOf(const format::Header& db, int count);

// Whether the header's fields have the types and sizes of `fields`.
bool SameFields(const format::Header& h, const std::vector<format::NewField>& fields);

class MemberHeaders {
 public:
  // Headers for members of the family of `db`; new ones are numbered (header word 0x12)
  // from `next_sequence` on.
  MemberHeaders(const format::Header& db, int next_sequence) : db_(db), sequence_(next_sequence) {}

  // The header of a PX or Y over keys `fields`, whose stamp 0x2C is `parent_counter`.
  // New ones get blocks of 2 KiB, as the original engine's default, unless a key is so
  // long that a block could not hold three entries.
  format::Header Tree(const std::optional<format::Header>& old, format::FileType type,
                      const std::vector<format::NewField>& fields, const std::string& extension, int key_size,
                      std::uint8_t parent_counter);

  // The header of the X file of `index`, laid out as `layout`, under a PX stamped
  // `px_stamp` (none for an unkeyed table).
  format::Header Secondary(const SecondaryIndex& index, const XLayout& layout, std::optional<std::uint8_t> px_stamp);

 private:
  // Whether an old header may stand for a file written anew of this family.
  bool Keeps(const std::optional<format::Header>& old) const;
  // What every new member takes from the DB: version, sort order, header name, a
  // sequence number of its own.
  format::HeaderSpec NewMemberSpec(format::FileType type, std::vector<format::NewField> fields,
                                   const std::string& extension);

  const format::Header& db_;
  int sequence_;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_WRITE_MEMBER_HEADERS_H_
