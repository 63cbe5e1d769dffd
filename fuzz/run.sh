#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, each on a scratch copy of its seed corpus (the
# committed corpus never grows). Exits non-zero when any target finds a crash, a leak, a hang or
# a broken invariant, after printing the input that caused it.
#
# Usage: fuzz/run.sh [seconds per target]     (default: $FUZZ_SECONDS, else 60)
# Build first: cmake --workflow --preset fuzz
# FUZZ_BUILD_DIR: the build tree (default build/fuzz); findings and logs go to
# FUZZ_ARTIFACTS (default <build tree>/findings).
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-${FUZZ_SECONDS:-60}}
build=${FUZZ_BUILD_DIR:-$root/build/fuzz}
artifacts=${FUZZ_ARTIFACTS:-$build/findings}

if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "fuzz/run.sh: the time per target must be a positive number of seconds, not '$seconds'" >&2
  exit 2
fi

# Target and the longest input worth trying on it.
targets=(
  parse_hash_line_fuzz:512   # a list line: names around the 64/79-digit values and totals
  list_reader_fuzz:4096      # a list file; the first byte shifts it across the reader's refills
  mask_fuzz:512              # the target caps mask and name itself
  arguments_fuzz:2048        # argument lists split at NUL bytes
  single_file_fuzz:4096      # command lines of more than 100 names
)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/verolt-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$artifacts"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for entry in "${targets[@]}"; do
  name=${entry%%:*}
  max_len=${entry#*:}
  binary=$build/fuzz/$name
  if [ ! -x "$binary" ]; then
    echo "fuzz/run.sh: $binary is missing: build with 'cmake --workflow --preset fuzz'" >&2
    exit 2
  fi

  work=$scratch/$name
  mkdir -p "$work"
  cp -R "$root/fuzz/corpus/$name/." "$work/"
  rm -f "$artifacts/$name"-*
  log=$artifacts/$name.log

  echo "== $name: ${seconds}s, inputs up to $max_len bytes"
  (cd "$scratch" && "$binary" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/$name-" "$work") \
    >"$log" 2>&1
  status=$?

  grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|stat::new_units_added)' \
    "$log" | sed 's/^/   /'
  grep -E '^Done [0-9]+ runs' "$log" | sed 's/^/   /'
  findings=("$artifacts/$name"-*)
  if [ "$status" -ne 0 ] || [ -e "${findings[0]}" ]; then
    failed+=("$name")
    echo "!! $name FAILED (exit $status); the end of its log ($log):"
    tail -n 60 "$log" | sed 's/^/   | /'
    for input in "${findings[@]}"; do
      [ -e "$input" ] || continue
      echo "!! input: $input"
      od -An -tx1 -v "$input" | head -n 16 | sed 's/^/   /'
      echo "   reproduce: $binary $input"
    done
  fi
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz/run.sh: findings in ${failed[*]}" >&2
  exit 1
fi
echo "fuzz/run.sh: no findings"
