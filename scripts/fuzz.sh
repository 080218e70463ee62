#!/bin/bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a bounded time.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
# With FUZZ_RUNS=N in the environment, a target also stops after N executions.
# Each target keeps its growing corpus in build/fuzz/corpus/<target>, seeded from its
# folders of seeds and of inputs that once failed; a crashing input lands in
# build/fuzz/artifacts/ and the run fails: copy it into the target's fuzz/regressions
# folder, where the ordinary test run replays it.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
tree=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$tree" -DHINMEI_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DHINMEI_LAYERS="engine;tools" >/dev/null
status=0
while read -r target corpus; do
  [[ $# -gt 0 && " $* " != *" $target "* ]] && continue
  cmake --build "$tree" -j "$(nproc)" --target "$target" >/dev/null
  mkdir -p "$tree/corpus/$target" "$tree/artifacts"
  bin=$(find "$tree" -type f -name "$target" -perm -u+x | head -n1)
  echo "fuzz: $target for ${seconds}s"
  # shellcheck disable=SC2086  # the corpus folders are a word list
  if ! "$bin" -max_total_time="$seconds" ${FUZZ_RUNS:+-runs="$FUZZ_RUNS"} -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$tree/artifacts/$target-" "$tree/corpus/$target" $corpus \
      2>"$tree/$target.log"; then
    status=1
    tail -n 40 "$tree/$target.log" >&2
  fi
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$tree/$target.log" | sed "s/^/fuzz: $target /"
done <"$tree/fuzzers.txt"
exit $status
