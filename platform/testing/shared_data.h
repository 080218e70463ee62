// Where the shared test data lies (the real Paradox tables, the independent checker).
#ifndef HINMEI_PLATFORM_TESTING_SHARED_DATA_H_
#define HINMEI_PLATFORM_TESTING_SHARED_DATA_H_

#include <optional>
#include <string>

namespace platform::testing {

// The shared folder as a path the file layer takes (under Wine a "Z:\..." path), or
// nothing when it is absent, as in a clone outside the team's workspace.
std::optional<std::string> SharedDir();

// The shared folder's fixture folder `name` below fixtures/paradox ("db", "joins").
// Skips the calling test with a clear message when the shared data is absent.
#define HINMEI_FIXTURE_DIR_OR_SKIP(var, name)                                          \
  std::string var;                                                                     \
  do {                                                                                 \
    auto shared_ = ::platform::testing::SharedDir();                                   \
    if (!shared_) GTEST_SKIP() << "shared test data (../shared) is absent: skipped";   \
    var = *shared_ + "\\fixtures\\paradox\\" + (name);                                 \
  } while (0)

}  // namespace platform::testing

#endif  // HINMEI_PLATFORM_TESTING_SHARED_DATA_H_
