// hinmei_bench: the install and index benchmark of `make bench`.
//
//   hinmei_bench --work DIR --pdxtool PDXTOOL [--pxinspect PXINSPECT.PY]
//                [--sizes N,N,...] [--repeats N]
//   hinmei_bench --step STEP ARGS...     (one step, as the benchmark runs it)
//
// The targets print "met" or "MISSED"; the last line sums the figures up. Exit code: 0
// when every table the run wrote passed its checks (whether or not the targets were
// met), 1 when a check failed, 2 on a failure of the run itself.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/bench/bench_report.h"
#include "tools/bench/bench_run.h"
#include "tools/bench/bench_steps.h"

namespace {

std::vector<int> ParseSizes(const std::string& list) {
  std::vector<int> sizes;
  for (std::size_t at = 0; at < list.size();) {
    std::size_t comma = list.find(',', at);
    if (comma == std::string::npos) comma = list.size();
    sizes.push_back(std::stoi(list.substr(at, comma - at)));
    at = comma + 1;
  }
  return sizes;
}

std::string SelfPath() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) throw std::runtime_error("cannot find this program's path");
  return std::string(path, static_cast<std::size_t>(n));
}

int Main(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "--step") return bench::RunStep({args.begin() + 1, args.end()});
  bench::BenchOptions options;
  options.self = SelfPath();
  options.sizes = {10000, 100000, 200000, 1000000};
  for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
    const std::string& value = args[i + 1];
    if (args[i] == "--work") {
      options.work = value;
    } else if (args[i] == "--pdxtool") {
      options.pdxtool = value;
    } else if (args[i] == "--pxinspect") {
      options.pxinspect = value;
    } else if (args[i] == "--sizes") {
      options.sizes = ParseSizes(value);
    } else if (args[i] == "--repeats") {
      options.repeats = std::stoi(value);
    } else {
      throw std::runtime_error("unknown option " + args[i]);
    }
  }
  if (options.work.empty() || options.pdxtool.empty() || args.size() % 2 != 0) {
    throw std::runtime_error("usage: hinmei_bench --work DIR --pdxtool PDXTOOL [--pxinspect PXINSPECT.PY] "
                             "[--sizes N,N,...] [--repeats N]");
  }
  int failed_checks = 0;
  std::vector<bench::SizeFigures> sizes = bench::RunBenchmark(options, &failed_checks);
  if (failed_checks > 0) std::printf("bench: %d checks of written tables failed\n", failed_checks);
  bench::PrintSummary(sizes);
  return failed_checks == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "hinmei_bench: %s\n", e.what());
    return 2;
  }
}
