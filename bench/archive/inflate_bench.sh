#!/usr/bin/env bash
# Extraction of deflated entries beside libdeflate-gunzip, in one run, on tmpfs:
#   1. `kelvane-cli extract` of a POD4 archive of 128 entries of 4 MiB of text-like bytes
#      (zlib level 6) beside `libdeflate-gunzip -c` of the same bytes gzipped at level 6 as one
#      file; prints both medians and their ratio;
#   2. the time and peak resident memory of extracting one deflated entry of 1 GiB (above the
#      bound of whole inflation: streamed by zlib).
# Each time is the median of REPEATS runs (default 5).
# Usage: bench/archive/inflate_bench.sh BUILD_DIR [REPEATS]
set -euo pipefail
build=$(realpath "${1:-build-release}")
repeats=${2:-5}
cli=$build/cli/kelvane-cli
make=$build/bench/archive/make_inflate_archive
command -v libdeflate-gunzip >/dev/null || { echo "inflate_bench: libdeflate-gunzip missing"; exit 1; }

work=$(mktemp -d /dev/shm/kelvane-inflate-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

seconds() {  # runs "$@", prints its wall time in seconds
  local start end
  start=$(date +%s.%N)
  "$@"
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", v[int((NR + 1) / 2)] }'; }

extract() { rm -rf "$work/out"; "$cli" extract "$1" "$work/out" >/dev/null; }
gunzip_all() { libdeflate-gunzip -c "$work/plain.gz" >"$work/out.bin"; }

"$make" "$work/text.pod" "$work/plain" 128 $((4 << 20))
gzip -6 -c "$work/plain" >"$work/plain.gz"
rm "$work/plain"

cli_times=() gunzip_times=()
for ((run = 0; run < repeats; ++run)); do
  cli_times+=("$(seconds extract "$work/text.pod")")
  gunzip_times+=("$(seconds gunzip_all)")
  rm -rf "$work/out" "$work/out.bin"
done
cli_median=$(printf '%s\n' "${cli_times[@]}" | median)
gunzip_median=$(printf '%s\n' "${gunzip_times[@]}" | median)
echo "512 MiB deflated: kelvane-cli extract ${cli_median} s," \
  "libdeflate-gunzip -c ${gunzip_median} s, ratio $(echo "$cli_median / $gunzip_median" | bc -l |
    xargs printf '%.2f')"

"$make" "$work/big.pod" - 1 $((1 << 30))
rm -rf "$work/out"
read -r wall peak < <(/usr/bin/time -f '%e %M' "$cli" extract "$work/big.pod" "$work/out" 2>&1 >/dev/null |
  tail -1)
echo "one 1 GiB deflated entry: ${wall} s, peak resident $((peak / 1024)) MiB"
