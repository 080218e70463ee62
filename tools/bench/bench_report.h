// The benchmark's figures and the lines it prints: one line per step and size, then the
// targets, then the summary line
//   bench: install200k=<ratio>x index1M=<ratio>x installDurable200k=<ratio>
//          indexDurable1M=<ratio> peakMiB=<n> tableMiB=<n>
// The install and the index builds put everything they write on disk before they end;
// the durable ratios hold them against copies that are flushed as well.
#ifndef HINMEI_TOOLS_BENCH_BENCH_REPORT_H_
#define HINMEI_TOOLS_BENCH_BENCH_REPORT_H_

#include <string>
#include <vector>

namespace bench {

struct StepFigures {
  double seconds = 0;   // the fastest of the runs
  double peak_mib = 0;  // the highest peak of the runs
};

struct SizeFigures {
  int rows = 0;
  double table_mib = 0;  // the largest table of the master (the item table's .DB)
  StepFigures install;   // InstallMaster end to end
  StepFigures install_cp;  // cp of the files InstallMaster copies
  StepFigures install_cp_flushed;  // the same, then the copies flushed to the disk
  StepFigures index;     // BuildIndex of every index of the item table, its folder flushed
  StepFigures index_cp;  // cp of the item table
  StepFigures index_cp_flushed;  // the same, then the copy flushed to the disk
  StepFigures sort;      // std::sort of the item table's index keys (the sort alone)
};

// Prints the lines of one size.
void PrintSize(const SizeFigures& size);

// Prints the targets and the summary line; answers whether every target was met.
bool PrintSummary(const std::vector<SizeFigures>& sizes);

}  // namespace bench

#endif  // HINMEI_TOOLS_BENCH_BENCH_REPORT_H_
