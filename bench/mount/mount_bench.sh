#!/usr/bin/env bash
# Mounted archives beside extraction, in one run, on tmpfs:
#   1. reading every file of a mounted 512 MiB archive with cat, beside `kelvane-cli extract`
#      of the same archive into /dev/shm (stored POD3, then deflated POD5);
#   2. find over a mounted archive of 100,000 entries.
# Each figure is the median of REPEATS runs (default 5); every cat run reads a fresh mount,
# so that nothing comes from the page cache of an earlier one.
# Usage: bench/mount/mount_bench.sh BUILD_DIR [REPEATS]
set -euo pipefail
build=$(realpath "${1:-build-release}")
repeats=${2:-5}
cli=$build/cli/kelvane-cli
make=$build/bench/mount/make_bench_archive
[[ -e /dev/fuse ]] && command -v fusermount3 >/dev/null ||
  { echo "mount_bench: no FUSE here (/dev/fuse or fusermount3 missing)"; exit 0; }

work=$(mktemp -d /dev/shm/kelvane-mount-bench.XXXXXX)
mnt=$work/mnt
mkdir "$mnt"
cleanup() {
  fusermount3 -u "$mnt" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

seconds() {  # runs "$@", prints its wall time in seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", v[int((NR + 1) / 2)] }'; }

extract_once() {
  rm -rf "$work/out"
  "$cli" extract --structure "$1" "$work/out"
}
cat_all() { find "$mnt" -type f -exec cat {} + >/dev/null; }
cat_once() {  # on a fresh mount, timing the reading only
  "$cli" mount "$1" "$mnt"
  seconds cat_all
  fusermount3 -u "$mnt"
}
find_once() { find "$mnt" | wc -l; }

echo "| measure | kelvane-cli extract | cat of the mount | ratio (extract time / cat time) |"
echo "|---|---|---|---|"
for layout in pod3 pod5; do
  archive=$work/big-$layout.pod
  "$make" "$archive" "$layout" 2048 262144
  extract=$(for _ in $(seq "$repeats"); do seconds extract_once "$archive"; done | median)
  mounted=$(for _ in $(seq "$repeats"); do cat_once "$archive"; done | median)
  rm -rf "$work/out" "$archive"
  awk -v l="$layout" -v e="$extract" -v m="$mounted" \
    'BEGIN { printf "| read 2048 files, 512 MiB, %s | %s s | %s s | %.2f |\n", l, e, m, e / m }'
done

archive=$work/many.pod
"$make" "$archive" pod3 100000 16
"$cli" mount "$archive" "$mnt"
first=$(seconds find_once)
again=$(for _ in $(seq "$repeats"); do seconds find_once; done | median)
fusermount3 -u "$mnt"
echo
echo "find over a mounted archive of 100,000 entries: first $first s, again (cached) $again s"
