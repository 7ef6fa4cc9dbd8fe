#!/usr/bin/env bash
# Mounted archives beside extraction, in one run, on tmpfs:
#   1. reading every file of a mounted 512 MiB archive with cat, beside `kelvane-cli extract`
#      of the same archive into /dev/shm (stored POD3, then deflated POD5);
#   2. find over a mounted archive of 100,000 entries;
#   3. a mounted folder of 100 archives of 500 entries of 1 KiB, in 10 folders of 7
#      sub-folders each (half stored, half deflated, half of them in a sub-folder): the mount
#      itself, `ls -R` and `find -type f | wc -l` over it.
# Each figure is the median of REPEATS runs (default 5); every cat run reads a fresh mount,
# so that nothing comes from the page cache of an earlier one, and so does every first
# `ls -R` or find of the folder (each archive is read when first looked into).
# PARTS (default all) picks some of them: read, find, folder.
# Usage: bench/mount/mount_bench.sh BUILD_DIR [REPEATS] [PARTS...]
set -euo pipefail
build=$(realpath "${1:-build-release}")
repeats=${2:-5}
parts=("${@:3}")
((${#parts[@]})) || parts=(read find folder)
wanted() { [[ " ${parts[*]} " == *" $1 "* ]]; }
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

if wanted read; then
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
fi

if wanted find; then
  archive=$work/many.pod
  "$make" "$archive" pod3 100000 16
  "$cli" mount "$archive" "$mnt"
  first=$(seconds find_once)
  again=$(for _ in $(seq "$repeats"); do seconds find_once; done | median)
  fusermount3 -u "$mnt"
  rm "$archive"
  echo
  echo "find over a mounted archive of 100,000 entries: first $first s, again (cached) $again s"
fi

if wanted folder; then
  folder=$work/folder
  mkdir -p "$folder/ADDONS"
  for i in $(seq 0 99); do
    layout=pod3; ((i % 2)) && layout=pod5
    place=$folder; ((i >= 50)) && place=$folder/ADDONS
    "$make" "$place/ARCHIVE_$i.POD" "$layout" 500 1024 10
  done
  mount_folder() { "$cli" mount "$folder" "$mnt"; }
  list_all() { ls -R "$mnt"; }
  files_once() { find "$mnt" -type f | wc -l; }
  fresh() {  # on a fresh mount, timing "$@" only
    mount_folder
    seconds "$@"
    fusermount3 -u "$mnt"
  }
  mounted=$(for _ in $(seq "$repeats"); do seconds mount_folder; fusermount3 -u "$mnt"; done | median)
  listed=$(for _ in $(seq "$repeats"); do fresh list_all; done | median)
  found=$(for _ in $(seq "$repeats"); do fresh files_once; done | median)
  mount_folder
  count=$(files_once)
  list_all >/dev/null
  listed_again=$(for _ in $(seq "$repeats"); do seconds list_all; done | median)
  fusermount3 -u "$mnt"
  echo
  echo "a mounted folder of 100 archives, $count files: mount $mounted s; ls -R $listed s" \
    "(again, cached: $listed_again s); find -type f | wc -l $found s"
fi
