// One run of the benchmark: for each size, a generated master installed, its item table
// indexed, the same files copied with cp, and the item table's keys sorted, every step
// in a process of its own. Whatever a step wrote is checked with pdxtool check and
// pxinspect.py family.
#ifndef HINMEI_TOOLS_BENCH_BENCH_RUN_H_
#define HINMEI_TOOLS_BENCH_BENCH_RUN_H_

#include <string>
#include <vector>

#include "tools/bench/bench_report.h"

namespace bench {

struct BenchOptions {
  std::string self;       // this program, started again for each step
  std::string work;       // a folder the run may fill and empty (POSIX path)
  std::string pdxtool;    // the pdxtool program
  std::string pxinspect;  // pxinspect.py; empty: not run
  std::vector<int> sizes;
  int repeats = 5;        // runs of each timed step (the fastest counts)
};

// Runs every size and answers its figures; checks that fail are printed and counted in
// `failed_checks`.
std::vector<SizeFigures> RunBenchmark(const BenchOptions& options, int* failed_checks);

}  // namespace bench

#endif  // HINMEI_TOOLS_BENCH_BENCH_RUN_H_
