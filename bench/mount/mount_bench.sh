#!/usr/bin/env bash
# Mounted archives beside extraction, in one run, on tmpfs:
#   1. reading every file of a mounted 512 MiB archive with cat, beside `kelvane-cli extract`
#      of the same archive into /dev/shm (stored POD3, then deflated POD5);
#   2. find over a mounted archive of 100,000 entries;
#   3. random access into one deflated entry of 200 MiB: 4 KiB reads (O_DIRECT, past the page
#      cache) at offsets across it once it has been read through, and the whole entry read
#      backward in 4 MiB pieces beside forward, each on a fresh mount;
#   4. 64 sha256sum at once over the 64 deflated entries of a mount, beside one after another.
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

# 3. One deflated entry of 200 MiB.
archive=$work/one.pod
"$make" "$archive" pod5 1 209715200
"$cli" mount "$archive" "$mnt"
file=$(find "$mnt" -type f)
cat "$file" >/dev/null
direct_4k() { dd if="$file" of=/dev/null bs=4096 count=1 skip="$1" iflag=direct,skip_bytes status=none; }
echo
echo "4 KiB reads (O_DIRECT) across a 200 MiB deflated entry read through once:"
for mib in 199 150 100 50 1 175 25 125 75 0; do
  at=$((mib * 1048576 + 777))
  printf "  at %3d MiB: %s s\n" "$mib" "$(seconds direct_4k "$at")"
done
fusermount3 -u "$mnt"
pieces() {  # reads the entry in 4 MiB pieces, in the order given
  for piece in "$@"; do
    dd if="$file" of=/dev/null bs=4194304 count=1 skip="$piece" status=none
  done
}
pieces_once() {  # on a fresh mount
  "$cli" mount "$archive" "$mnt"
  seconds pieces "$@"
  fusermount3 -u "$mnt"
}
forward=$(for _ in $(seq "$repeats"); do pieces_once $(seq 0 49); done | median)
backward=$(for _ in $(seq "$repeats"); do pieces_once $(seq 49 -1 0); done | median)
echo "the same entry in 4 MiB pieces, fresh mount: forward $forward s, backward $backward s"
rm -f "$archive"

# 4. 64 readers at once.
archive=$work/sixty-four.pod
"$make" "$archive" pod5 64 4194304
one_by_one() { find "$mnt" -type f | while read -r f; do sha256sum "$f"; done; }
all_at_once() {
  find "$mnt" -type f | {
    while read -r f; do sha256sum "$f" & done
    wait
  }
}
hash_once() {  # on a fresh mount
  "$cli" mount "$archive" "$mnt"
  seconds "$1"
  fusermount3 -u "$mnt"
}
serial=$(for _ in $(seq "$repeats"); do hash_once one_by_one; done | median)
parallel=$(for _ in $(seq "$repeats"); do hash_once all_at_once; done | median)
awk -v s="$serial" -v p="$parallel" 'BEGIN {
  printf "sha256sum of 64 deflated entries of 4 MiB: one after another %s s, 64 at once %s s (%.2fx)\n", s, p, p / s }'
