// Damaged table families for the repair's tests: one kind of damage at a time, put into
// a sound family at a place a seed chooses, with what the damage reached. A record the
// damage did not reach must come back from a repair byte for byte.
#ifndef HINMEI_ENGINE_TESTS_DAMAGE_GENERATOR_H_
#define HINMEI_ENGINE_TESTS_DAMAGE_GENERATOR_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace engine::testing {

enum class DamageKind {
  kCutChain,         // a block's link to the next set to 0
  kLoopingChain,     // a block's link to the next pointing back at an earlier block
  kWrongCounts,      // the .DB header's record, block and last-block counts
  kTruncated,        // the .DB cut short inside a block
  kGarbageBlock,     // a data block overwritten with random bytes
  kZeroedBlock,      // a data block that never reached the disk
  kDamagedPrimary,   // the .PX's blocks overwritten with random bytes
  kZeroedIndex,      // an .X that never reached the disk (zeros, its size kept)
  kMissingTree,      // a .Y deleted
  kDamagedIndexData, // an .X's blocks overwritten with random bytes
  kDamagedMemo,      // a .MB block that rows keep data in overwritten with random bytes
  kZeroedHeader,     // the .DB's header zeroed: repaired with a table of the same structure
};
inline constexpr DamageKind kAllDamage[] = {
    DamageKind::kCutChain,       DamageKind::kLoopingChain,  DamageKind::kWrongCounts,
    DamageKind::kTruncated,      DamageKind::kGarbageBlock,  DamageKind::kZeroedBlock,
    DamageKind::kDamagedPrimary, DamageKind::kZeroedIndex,   DamageKind::kMissingTree,
    DamageKind::kDamagedIndexData, DamageKind::kDamagedMemo, DamageKind::kZeroedHeader};
const char* DamageName(DamageKind kind);

struct Damaged {
  std::string where;                 // what was damaged where, for messages
  std::vector<std::string> records;  // the sound table's records, in chain order
  std::vector<bool> reached;         // per record: the damage reached it
  std::string borrow;                // a sound copy of the .DB, when the header is lost
};

// Damages the sound family of `db`. A copy of the sound .DB, where the damage needs one,
// goes into `spare_folder`. Nothing when the family has no place for this kind (no
// .PX, no .MB block, too few blocks), the family then unchanged.
std::optional<Damaged> Damage(const std::string& db, DamageKind kind, std::uint32_t seed,
                              const std::string& spare_folder);

}  // namespace engine::testing

#endif  // HINMEI_ENGINE_TESTS_DAMAGE_GENERATOR_H_
