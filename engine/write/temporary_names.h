// The names of the files the engine writes that are members of no family the
// application knows. Each carries the token of the change (or scratch table) it belongs
// to, eight hexadecimal digits drawn anew for each:
//   ~hm<token>.<nnn>   a new file, written before it is renamed into place;
//   ~hm<token>.CLM     the claim: held open while the change (or the scratch table)
//                      lives, it keeps sweeps off the token's files;
//   ~hm<token>.JNL     the change's intent record (intent_record.h), written once every
//                      new file of the change is there;
//   ~hm<token>.DB ...  the family of a scratch table (scratch_table.h).
#ifndef HINMEI_ENGINE_WRITE_TEMPORARY_NAMES_H_
#define HINMEI_ENGINE_WRITE_TEMPORARY_NAMES_H_

#include <string>

namespace engine {

std::string NewToken();

// The token of a temporary name, folded to upper case; empty for any other name.
std::string TokenOf(const std::string& name);
inline bool IsTemporaryName(const std::string& name) { return !TokenOf(name).empty(); }

std::string IntentRecordName(const std::string& token);
bool IsIntentRecordName(const std::string& name);
std::string ClaimName(const std::string& token);
bool IsClaimName(const std::string& name);
// The name of the `serial`th new file of a change.
std::string NewFileName(const std::string& token, int serial);
// The .DB name of a scratch table.
std::string ScratchTableName(const std::string& token);

}  // namespace engine

#endif  // HINMEI_ENGINE_WRITE_TEMPORARY_NAMES_H_
