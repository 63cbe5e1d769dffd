#!/usr/bin/env bash
# Times Verolt against the GOST R 34.11-94 and GOST R 34.11-2012 peers that are installed, on the same data in one run,
# and prints each as a ratio to Verolt (ratio > 1: the peer takes longer). Builds nothing: run
# `cmake --workflow --preset release` first. The data is generated deterministically once.
#
# Usage: bench/compare_peers.sh [build dir (build/release)] [data dir (/tmp/verolt-bench)]
# Environment: RUNS (best of, default 3); BEFORE, an earlier build's verolt: each Verolt row is
# then timed again with it, right after, in a row marked "(before)" whose ratio is before / now.
set -euo pipefail

build=$(realpath "${1:-build/release}")
data=${2:-/tmp/verolt-bench}
runs=${RUNS:-3}
verolt=$build/verolt
before=${BEFORE:+$(realpath "$BEFORE")}
# Found before the run moves into its data: $0 may be a relative path.
tools=$(cd "$(dirname "$0")/../../shared/tools" 2>/dev/null && pwd || true)
gcrypt=$build/bench/gcrypt_sum
[ -x "$verolt" ] || { echo "no $verolt: build the release preset first" >&2; exit 2; }

# ---- data: deterministic, made once ----
mkdir -p "$data"
make_bytes() {  # make_bytes SEED SIZE FILE
  python3 - "$1" "$2" > "$3" <<'PY'
import random, sys
r, left = random.Random(int(sys.argv[1])), int(sys.argv[2])
while left > 0:
    chunk = min(left, 1 << 20)
    sys.stdout.buffer.write(r.randbytes(chunk))
    left -= chunk
PY
}
[ -s "$data/big.bin" ] || make_bytes 1 $((256 * 1024 * 1024)) "$data/big.bin"
if [ ! -d "$data/parts" ]; then
  mkdir -p "$data/parts"
  for i in 0 1 2 3 4 5 6 7; do make_bytes $((10 + i)) $((32 * 1024 * 1024)) "$data/parts/p$i.bin"; done
fi
if [ ! -d "$data/many" ]; then
  mkdir -p "$data/many"
  for i in $(seq -w 0 199); do make_bytes $((100 + 10#$i)) 1048576 "$data/many/f$i.bin"; done
fi
if [ ! -d "$data/tree" ]; then
  mkdir -p "$data/tree"
  python3 - "$data/tree" <<'PY'
import os, random, sys
r = random.Random(7)
for d in range(200):
    os.makedirs(os.path.join(sys.argv[1], "d%03d" % d), exist_ok=True)
    for f in range(100):
        with open(os.path.join(sys.argv[1], "d%03d" % d, "f%03d.bin" % f), "wb") as out:
            out.write(r.randbytes(1024))
PY
fi
if [ ! -d "$data/tiny" ]; then
  mkdir -p "$data/tiny"
  python3 - "$data/tiny" <<'PY'
import os, random, sys
r = random.Random(13)
for d in range(100):
    os.makedirs(os.path.join(sys.argv[1], "d%02d" % d), exist_ok=True)
    for f in range(1000):
        with open(os.path.join(sys.argv[1], "d%02d" % d, "f%04d.bin" % f), "wb") as out:
            out.write(r.randbytes(r.randrange(300)))
PY
fi
cat "$data/big.bin" "$data/parts"/* "$data/many"/* > /dev/null  # into the page cache
find "$data/tiny/" -type f -exec cat {} + > /dev/null

# ---- timing ----
# best_of CMD...: the best wall time of $runs runs goes to $best (seconds), the peak resident size
# of that run to $peak (KiB).
peak=0
measure=$(mktemp)
trap 'rm -f "$measure"' EXIT
best_of() {
  best=""
  local t rss
  for _ in $(seq "$runs"); do
    /usr/bin/time -o "$measure" -f '%e %M' "$@" > /dev/null 2> /dev/null || true
    # A command that fails (an audit that finds differences) adds a line of its own first.
    read -r t rss < <(tail -n 1 "$measure")
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$t
      peak=$rss
    fi
  done
}

have() { command -v "$1" > /dev/null 2>&1; }
openssl_gost() { have openssl && openssl engine gost > /dev/null 2>&1; }

printf '%-44s %-36s %9s %9s %8s %9s\n' "case" "tool" "seconds" "MB/s" "ratio" "peak KiB"
row() {  # row CASE TOOL BYTES REFERENCE_SECONDS CMD...
  local name=$1 tool=$2 bytes=$3 reference=$4
  shift 4
  best_of "$@"
  [ "$reference" = "-" ] && reference=$best
  awk -v n="$name" -v tool="$tool" -v t="$best" -v bytes="$bytes" -v ref="$reference" \
    -v peak="$peak" 'BEGIN { if (t <= 0) t = 0.001; if (ref <= 0) ref = 0.001;
      printf "%-44s %-36s %9.2f %9.1f %8.2f %9s\n", n, tool, t, bytes / t / 1e6, t / ref, peak }'
  last=$best
  [ -n "$before" ] || return 0
  local now=$best uses="" arg earlier=()
  for arg in "$@"; do
    [[ $arg == *"$verolt"* ]] && uses=1
    earlier+=("${arg//"$verolt"/"$before"}")
  done
  [ -n "$uses" ] || return 0
  best_of "${earlier[@]}"
  awk -v n="$name" -v tool="$tool (before)" -v t="$best" -v bytes="$bytes" -v now="$now" \
    -v peak="$peak" 'BEGIN { if (t <= 0) t = 0.001; if (now <= 0) now = 0.001;
      printf "%-44s %-36s %9.2f %9.1f %8.2f %9s\n", n, tool, t, bytes / t / 1e6, t / now, peak }'
  best=$now
}

big=$(stat -c %s "$data/big.bin")
cd "$data"

for set in 0 2 1; do
  name="1. one 256 MiB file, set $set"
  row "$name" "verolt /h$set" "$big" - env VEROLT_THREADS=1 "$verolt" "/h$set" big.bin
  ref=$last
  case $set in
    0) have rhash && row "$name" "rhash --gost94" "$big" "$ref" rhash --gost94 big.bin
       [ -x "$gcrypt" ] && row "$name" "libgcrypt GOSTR3411_94" "$big" "$ref" "$gcrypt" 0 big.bin ;;
    2) have rhash && row "$name" "rhash --gost94-cryptopro" "$big" "$ref" rhash --gost94-cryptopro big.bin
       [ -x "$gcrypt" ] && row "$name" "libgcrypt GOSTR3411_CP" "$big" "$ref" "$gcrypt" 2 big.bin
       openssl_gost && row "$name" "openssl gost engine md_gost94" "$big" "$ref" \
         openssl dgst -engine gost -md_gost94 big.bin ;;
  esac
done

# ---- per engine: one stream; one thread over many files against one file as large ----
# (In case 5 the ratio is the 200 files' time over the one file's: below 1, the files are faster.)
# An engine the processor lacks is left out (the program would fall back and say so).
echo tiny > tiny.txt
engines=""
for engine in portable avx2 avx512; do
  if ! VEROLT_ENGINE=$engine "$verolt" tiny.txt 2>&1 > /dev/null | grep -q "not available"; then
    engines="$engines $engine"
  fi
done
printed() {  # printed CASE TOOL BYTES SECONDS REFERENCE_SECONDS: a row of a time measured before
  awk -v n="$1" -v tool="$2" -v bytes="$3" -v t="$4" -v ref="$5" 'BEGIN { if (t <= 0) t = 0.001;
    if (ref <= 0) ref = 0.001; printf "%-44s %-36s %9.2f %9.1f %8.2f %9s\n", n, tool, t,
    bytes / t / 1e6, t / ref, "-" }'
}
if have rhash; then
  best_of rhash --gost94-cryptopro big.bin
  rhash_time=$best
fi
for engine in $engines; do
  name="4. one 256 MiB file, set 2, one stream"
  row "$name" "verolt VEROLT_ENGINE=$engine" "$big" - \
    env VEROLT_THREADS=1 VEROLT_ENGINE=$engine "$verolt" big.bin
  [ -n "${rhash_time:-}" ] && printed "$name" "rhash --gost94-cryptopro" "$big" "$rhash_time" "$last"
done
[ -s one200.bin ] || head -c $((200 * 1048576)) big.bin > one200.bin
for engine in $engines; do
  name="5. 1 thread, $engine: 200 x 1 MiB / 200 MiB"
  row "$name" "verolt one file of 200 MiB" $((200 * 1048576)) - \
    env VEROLT_THREADS=1 VEROLT_ENGINE=$engine "$verolt" one200.bin
  row "$name" "verolt 200 files of 1 MiB" $((200 * 1048576)) "$last" \
    env VEROLT_THREADS=1 VEROLT_ENGINE=$engine "$verolt" 'many/*'
done

# ---- GOST R 34.11-2012: one stream per engine against the peers; lists against rhash ----
[ -s one128.bin ] || head -c $((128 * 1048576)) big.bin > one128.bin
mib128=$((128 * 1048576))
for bits in 256 512; do
  name="6. one 128 MiB file, /s$bits"
  row "$name" "verolt /s$bits (best engine)" "$mib128" - env VEROLT_THREADS=1 "$verolt" "/s$bits" one128.bin
  ref=$last
  for engine in $engines; do
    row "$name" "verolt /s$bits VEROLT_ENGINE=$engine" "$mib128" "$ref" \
      env VEROLT_THREADS=1 VEROLT_ENGINE=$engine "$verolt" "/s$bits" one128.bin
  done
  openssl_gost && row "$name" "openssl gost engine md_gost12_$bits" "$mib128" "$ref" \
    openssl dgst -engine gost "-md_gost12_$bits" one128.bin
  [ -x "$gcrypt" ] && row "$name" "libgcrypt STRIBOG$bits" "$mib128" "$ref" "$gcrypt" "$bits" one128.bin
  have rhash && row "$name" "rhash --gost12-$bits" "$mib128" "$ref" rhash "--gost12-$bits" one128.bin
done
name="7. 200 files of 1 MiB, /s256"
row "$name" "verolt /s256 ($(nproc) threads)" "$((200 * 1048576))" - "$verolt" /s256 'many/*'
ref=$last
row "$name" "verolt /s256 (VEROLT_THREADS=1)" "$((200 * 1048576))" "$ref" \
  env VEROLT_THREADS=1 "$verolt" /s256 'many/*'
have rhash && row "$name" "rhash --gost12-256" "$((200 * 1048576))" "$ref" \
  sh -c 'rhash --gost12-256 many/*'

parts=$((8 * 32 * 1024 * 1024))
name="1. /m stream over 8 files of 32 MiB, set 2"
row "$name" "verolt /m" "$parts" - "$verolt" /m 'parts/*'
ref=$last
have rhash && row "$name" "rhash --gost94-cryptopro (each file)" "$parts" "$ref" \
  rhash --gost94-cryptopro parts/p0.bin parts/p1.bin parts/p2.bin parts/p3.bin parts/p4.bin \
  parts/p5.bin parts/p6.bin parts/p7.bin

many=$((200 * 1048576))
name="2. 200 files of 1 MiB, set 2"
row "$name" "verolt (VEROLT_THREADS=1)" "$many" - env VEROLT_THREADS=1 "$verolt" 'many/*'
ref=$last
row "$name" "verolt ($(nproc) threads)" "$many" "$ref" "$verolt" 'many/*'
have rhash && row "$name" "rhash --gost94-cryptopro" "$many" "$ref" \
  sh -c 'rhash --gost94-cryptopro many/*'
rm -f many.lst
VEROLT_THREADS=1 "$verolt" 'many/*' many.lst > /dev/null
name="2. /t: verification of those 200 files"
row "$name" "verolt /t: (VEROLT_THREADS=1)" "$many" - env VEROLT_THREADS=1 "$verolt" /t:many.lst
ref=$last
row "$name" "verolt /t: ($(nproc) threads)" "$many" "$ref" "$verolt" /t:many.lst

tree=$((20000 * 1024))
name="3. /r over 20,000 files of 1 KiB, 200 dirs"
row "$name" "verolt /r" "$tree" - "$verolt" /r 'tree/*'
ref=$last
have rhash && row "$name" "rhash -r --gost94-cryptopro" "$tree" "$ref" rhash -r --gost94-cryptopro tree

# Many tiny files: the system calls and the hand-overs between threads cost more than the hashing.
# Standard output goes to a file, as a script would keep it.
tinyBytes=$(find tiny/ -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
name="4. /r over 100,000 files of 0-299 bytes"
row "$name" "verolt /r (stdout to a file)" "$tinyBytes" - \
  sh -c 'cd tiny && exec "$0" /r "*" > ../tiny.verolt.out' "$verolt"
ref=$last
row "$name" "verolt /r (VEROLT_THREADS=1)" "$tinyBytes" "$ref" \
  sh -c 'cd tiny && VEROLT_THREADS=1 exec "$0" /r "*" > ../tiny.verolt.out' "$verolt"
have rhash && row "$name" "rhash -r --gost94-cryptopro" "$tinyBytes" "$ref" \
  sh -c 'cd tiny && exec rhash -r --gost94-cryptopro . > ../tiny.rhash.out'

# ---- Audit of a tree against its stored list: one file changed, one deleted, one added ----
# Copies of two trees, recorded by each tool before the changes; the audit against a fresh list of
# the same tree, rhash -c with a find for the new files, and hashdeep's audit.
audit_copy() {  # audit_copy SOURCE NAME: $data/audit-NAME with its lists, then the changes
  local copy=$data/audit-$2
  [ -d "$copy" ] && return
  cp -r "$data/$1" "$copy"
  (cd "$copy" && "$verolt" /r '*' ../audit-$2.hsh > /dev/null)
  have rhash && (cd "$copy" && rhash -r --gost94-cryptopro . > ../audit-$2.rhash)
  have hashdeep && (cd "$copy" && hashdeep -c sha256 -r -l . > ../audit-$2.known)
  local first
  first=$(cd "$copy" && find . -type f | sort | awk 'NR <= 2')
  printf 'changed' >> "$copy/$(echo "$first" | sed -n 1p)"
  rm "$copy/$(echo "$first" | sed -n 2p)"
  printf 'new' > "$copy/added.bin"
}
audit_case() {  # audit_case NAME BYTES CASE
  local tree=$data/audit-$1 bytes=$2 name=$3
  row "$name" "verolt /r (a fresh list)" "$bytes" - \
    sh -c 'cd "$1" && exec "$0" /r "*" > ../audit.out' "$verolt" "$tree"
  ref=$last
  row "$name" "verolt /r /a: (report to a file)" "$bytes" "$ref" \
    sh -c 'cd "$1" && rm -f ../audit.report && exec "$0" /r "*" "/a:../audit-$2.hsh" \
      ../audit.report' "$verolt" "$tree" "$1"
  have rhash && row "$name" "rhash -c, find for new files" "$bytes" "$ref" \
    sh -c 'cd "$0" && rhash -c --skip-ok "../audit-$1.rhash" > ../audit.out;
      find . -type f > ../audit.find' "$tree" "$1"
  have hashdeep && row "$name" "hashdeep -c sha256 -r -l -a -k" "$bytes" "$ref" \
    sh -c 'cd "$0" && hashdeep -c sha256 -r -l -a -k "../audit-$1.known" . > ../audit.out' \
    "$tree" "$1"
  return 0  # a missing peer is no failure of the case
}
audit_copy tiny tiny
audit_copy many many
audit_case tiny "$tinyBytes" "8. audit of 100,000 files of 0-299 bytes"
audit_case many "$((200 * 1048576))" "8. audit of 200 files of 1 MiB"

# A nightly audit of a real tree: dot directories entered, a mask left out, and files moved, so
# that the new files are hashed too and the lines wait for the end of the hashing.
moves=$data/audit-moves
if [ ! -d "$moves" ]; then
  cp -r "$data/tiny" "$moves"
  mkdir -p "$moves/.hidden" "$moves/moved"
  for i in $(seq 1 100); do printf 'dot %s' "$i" > "$moves/.hidden/f$i"; done
  for i in $(seq 1 100); do printf 'tmp %s' "$i" > "$moves/t$i.tmp"; done
  (cd "$moves" && "$verolt" /r /d /e:'*.tmp' '*' ../audit-moves.hsh > /dev/null)
  (cd "$moves" && find . -path ./.hidden -prune -o -type f -name '*.bin' -print | sort | awk 'NR <= 20' |
    while read -r f; do mv "$f" "moved/$(echo "$f" | tr / _)"; done)
  printf 'changed' >> "$moves/.hidden/f1"
  for i in $(seq 1 100); do printf 'tmp again %s' "$i" > "$moves/t$i.tmp"; done
fi
movesBytes=$(find "$moves" -type f -not -name '*.tmp' -printf '%s\n' | awk '{ s += $1 } END { print s }')
name="10. audit with /d, /e: and 20 moved files"
row "$name" "verolt /r /d (a fresh list)" "$movesBytes" - \
  sh -c 'cd "$1" && exec "$0" /r /d "*" > ../audit.out' "$verolt" "$moves"
ref=$last
row "$name" "verolt /r /d /e: /a: (report to a file)" "$movesBytes" "$ref" \
  sh -c 'cd "$1" && rm -f ../audit.report && exec "$0" /r /d "/e:*.tmp" "*" \
    /a:../audit-moves.hsh ../audit.report' "$verolt" "$moves"

# Verification of those 100,000 files against their lists.
[ -s tiny.hsh ] || (cd tiny && "$verolt" /r "*" ../tiny.hsh > /dev/null)
[ -s tiny.sha256 ] || (cd tiny && find . -type f | sort | xargs sha256sum > ../tiny.sha256)
name="9. /t: over 100,000 files of 0-299 bytes"
row "$name" "verolt /t: ($(nproc) threads)" "$tinyBytes" - sh -c 'cd tiny && exec "$0" /t:../tiny.hsh' "$verolt"
ref=$last
row "$name" "verolt /t: (VEROLT_THREADS=1)" "$tinyBytes" "$ref" \
  sh -c 'cd tiny && VEROLT_THREADS=1 exec "$0" /t:../tiny.hsh' "$verolt"
row "$name" "sha256sum -c" "$tinyBytes" "$ref" sh -c 'cd tiny && exec sha256sum -c --quiet ../tiny.sha256'
# The same list in the checksum tools' format: read at the speed of the program's own.
[ -s tiny.g.lst ] || (cd tiny && "$verolt" /g /r "*" ../tiny.g.lst > /dev/null)
row "$name" "verolt /g /t: (a /g list)" "$tinyBytes" "$ref" \
  sh -c 'cd tiny && exec "$0" /g /t:../tiny.g.lst' "$verolt"

# ---- real trees: sizes mixed as in software trees, warm and (as root) cold ----
if [ ! -d mixed ] && [ -x "$tools/mixed_tree.py" ]; then python3 "$tools/mixed_tree.py" mixed > /dev/null; fi
mixed_case() {  # mixed_case NAME DIR: each size band alone, then the whole tree, by 1 and all threads
  local label=$1 dir=$2 bytes
  (cd "$dir" && find . -type f -size +8M | sort > ../"$label".large.lst &&
    find . -type f ! -size +8M | sort > ../"$label".small.lst &&
    find . -type f | sort > ../"$label".all.lst)
  bytes=$(cd "$dir" && find . -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
  for threads in 1 "$(nproc)"; do
    name="11. $label, $threads thread(s)"
    for band in large small; do
      row "$name" "verolt /l: files over 8 MiB alone" "$bytes" - sh -c \
        'cd "$1" && VEROLT_THREADS=$2 exec "$0" /l:../"$3".'$band'.lst > /dev/null' "$verolt" "$dir" "$threads" "$label"
      eval "band_$band=\$last"
    done
    printed "$name" "sum of the two bands" "$bytes" "$(echo "$band_large + $band_small" | bc)" 0
    row "$name" "verolt /l: all files" "$bytes" "$(echo "$band_large + $band_small" | bc)" sh -c \
      'cd "$1" && VEROLT_THREADS=$2 exec "$0" /l:../"$3".all.lst > /dev/null' "$verolt" "$dir" "$threads" "$label"
    row "$name" "verolt /r (ratio: to the bands' sum)" "$bytes" "$(echo "$band_large + $band_small" | bc)" sh -c \
      'cd "$1" && rm -f ../"$3".r.hsh && VEROLT_THREADS=$2 exec "$0" /r "*" ../"$3".r.hsh > /dev/null' \
      "$verolt" "$dir" "$threads" "$label"
    row "$name" "verolt /s256 /r" "$bytes" - sh -c \
      'cd "$1" && VEROLT_THREADS=$2 exec "$0" /s256 /r "*" > /dev/null' "$verolt" "$dir" "$threads"
    row "$name" "verolt /t: of the /r list" "$bytes" - sh -c \
      'cd "$1" && VEROLT_THREADS=$2 exec "$0" /t:../"$3".r.hsh > /dev/null' "$verolt" "$dir" "$threads" "$label"
    row "$name" "verolt /a: of the /r list" "$bytes" - sh -c \
      'cd "$1" && VEROLT_THREADS=$2 exec "$0" /r "*" /a:../"$3".r.hsh > /dev/null' "$verolt" "$dir" "$threads" "$label"
  done
  have rhash && row "11. $label" "rhash -r --gost94-cryptopro" "$bytes" - \
    sh -c 'cd "$0" && exec rhash -r --gost94-cryptopro . > /dev/null' "$dir"
  if [ "$(id -u)" = 0 ] && [ -w /proc/sys/vm/drop_caches ]; then
    cold() { sync; echo 3 > /proc/sys/vm/drop_caches; }
    cold
    start=$(date +%s.%N)
    (cd "$dir" && find . -type f -print0 | xargs -0 -n 200 -P 16 cat > /dev/null)
    printed "11. $label, cold cache" "16 parallel readers (cat)" "$bytes" "$(echo "$(date +%s.%N) - $start" | bc)" 0
    cold
    start=$(date +%s.%N)
    (cd "$dir" && "$verolt" /r "*" > /dev/null)
    printed "11. $label, cold cache" "verolt /r" "$bytes" "$(echo "$(date +%s.%N) - $start" | bc)" 0
    if [ -n "$before" ]; then
      cold
      start=$(date +%s.%N)
      (cd "$dir" && "$before" /r "*" > /dev/null)
      printed "11. $label, cold cache" "verolt /r (before)" "$bytes" "$(echo "$(date +%s.%N) - $start" | bc)" 0
    fi
  fi
}
[ -d mixed ] && mixed_case mixed "$data/mixed"
# A copy of /usr/lib, where one was made (cp -a /usr/lib "$data/usrlib").
[ -d usrlib ] && mixed_case usrlib "$data/usrlib"

# System calls per file of that case, threads included, by kind (strace -f -c).
if have strace; then
  files=$(find tiny/ -type f | wc -l)
  trace=$(mktemp)
  calls_per_file() {  # calls_per_file TOOL CMD...
    local tool=$1
    shift
    strace -f -c -o "$trace" "$@" > /dev/null 2>&1 || true
    awk -v tool="$tool" -v files="$files" '
      $1 ~ /^[0-9.]+$/ && NF >= 5 && $NF != "total" { n[$NF] = $4; total += $4 }
      END {
        printf "%-44s %-36s %9.2f per file:", "4. system calls (strace -f -c)", tool, total / files
        for (k in n) if (n[k] / files >= 0.01) printf " %s %.2f", k, n[k] / files
        printf "\n" }' "$trace"
  }
  calls_per_file "verolt /r" sh -c 'cd tiny && exec "$0" /r "*" > ../tiny.verolt.out' "$verolt"
  have rhash && calls_per_file "rhash -r --gost94-cryptopro" \
    sh -c 'cd tiny && exec rhash -r --gost94-cryptopro . > ../tiny.rhash.out'
  rm -f "$trace"
fi

echo
echo "CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(nproc) cores"
