// Runs a program as a child process and measures it: its wall time and its peak
// resident memory. Each step of the benchmark runs this way, so that the memory a step
// reports is its own and not what earlier steps left behind.
#ifndef HINMEI_TOOLS_BENCH_CHILD_PROCESS_H_
#define HINMEI_TOOLS_BENCH_CHILD_PROCESS_H_

#include <string>
#include <vector>

namespace bench {

struct ChildResult {
  int exit_code = -1;   // the program's exit code; -1 when it was killed by a signal
  double seconds = 0;   // from its start to its end
  double peak_mib = 0;  // highest resident memory
  std::string output;   // what it wrote to its standard output
};

// Starts argv[0] (a path) with the arguments, waits for it, and answers what it did. Its
// standard error goes to ours.
ChildResult RunChild(const std::vector<std::string>& argv);

}  // namespace bench

#endif  // HINMEI_TOOLS_BENCH_CHILD_PROCESS_H_
