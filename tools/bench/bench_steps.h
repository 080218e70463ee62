// The steps the benchmark measures, each run as a process of its own (bench_main.cpp):
//
//   generate ROOT ROWS    writes ROOT\medium\M1 (a master of ROWS items) and
//                         ROOT\data0\TANITBL.DB
//   install MEDIUM DATA0 DESTINATION ALIASES
//                         InstallMaster of MEDIUM\M1 into the empty DESTINATION, after
//                         the run's set-up (the destination alias)
//   index TABLE           builds every index of the item table TABLE
//   sort TABLE            std::sort of the keys of the item table's secondary index,
//                         read from the table first
//
// The timed steps print "seconds=<s>" for the measured part alone: InstallMaster, the
// index builds, the sort. Each answers the process's exit code: 0 when the step did
// its work.
#ifndef HINMEI_TOOLS_BENCH_BENCH_STEPS_H_
#define HINMEI_TOOLS_BENCH_BENCH_STEPS_H_

#include <string>
#include <vector>

namespace bench {

inline constexpr char kMasterSubfolder[] = "M1";
inline constexpr char kSecondsPrefix[] = "seconds=";

int RunStep(const std::vector<std::string>& args);

}  // namespace bench

#endif  // HINMEI_TOOLS_BENCH_BENCH_STEPS_H_
