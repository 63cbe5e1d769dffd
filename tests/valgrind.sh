#!/usr/bin/env bash
# Runs the optimised program through Valgrind's memcheck on a few typical and a few bad runs;
# any memory error or leak fails. Usage: tests/valgrind.sh [path/to/verolt]
set -euo pipefail
program=$(realpath -m "${1:-build/release/verolt}")
# Without this, Valgrind's own "no such file" would pass every run below as clean.
[ -x "$program" ] && [ -f "$program" ] || { echo "memcheck: no program at $program" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

mkdir -p sub/deeper
printf 'abc' > abc.txt
head -c 300000 /dev/zero | tr '\0' 'x' > big.bin
printf 'data' > sub/deeper/d.txt
printf 'abc.txt\nmissing.txt\n\nbig.bin' > names.lst
printf '\xff\xfe\x00a\x00\n\x00' > utf16.lst
printf '%*s\n' 100000 '' | tr ' ' 'n' > long.lst

failures=0
check() {
  local input=$1
  shift
  local code=0
  printf '%b' "$input" | valgrind --quiet --error-exitcode=99 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect,possible --show-leak-kinds=definite,indirect,possible \
    "$program" "$@" > /dev/null 2> valgrind.log || code=$?
  if [ "$code" = 99 ] || grep -q '^==[0-9]*== ' valgrind.log; then
    echo "memcheck: errors in: verolt $*"
    cat valgrind.log
    failures=$((failures + 1))
  else
    echo "memcheck: clean (exit $code): verolt $*"
  fi
}

check '' /r '*' all.lst
check 'y\n' /r /h0 /p1 '*' all.lst
check 'y\ny\ny\n' /t:all.lst /h0 /p1 report.txt
check '' /l:names.lst
check '' /m /l:names.lst stream.lst
check 'y\n' /f:stream.lst
check '' /calc abc.txt big.bin
check '' /info abc.txt big.bin
check '' /l:utf16.lst
check '' /t:long.lst
check '' /x
check '' a b c
VEROLT_THREADS=1 check '' /r '*'

[ "$failures" = 0 ] || { echo "memcheck: $failures run(s) with errors"; exit 1; }
echo "memcheck: all runs clean"
