#!/usr/bin/env bash
# Mounted archives beside extraction, in one run, on tmpfs:
#   1. reading every file of a mounted 512 MiB archive with cat, beside `kelvane-cli extract`
#      of the same archive into /dev/shm (stored POD3, then deflated POD5);
#   2. find over a mounted archive of 100,000 entries;
#   3. a mounted folder of 100 archives of 500 entries of 1 KiB, in 10 folders of 7
#      sub-folders each (half stored, half deflated, half of them in a sub-folder): the mount
#      itself, `ls -R` and `find -type f | wc -l` over it;
#   4. random access into one deflated entry of 200 MiB: 4 KiB reads (O_DIRECT, past the page
#      cache) at offsets across it once it has been read through, and the whole entry read
#      backward in 4 MiB pieces beside forward, each on a fresh mount;
#   5. 64 sha256sum at once over the 64 deflated entries of a mount, beside one after another.
# Each figure is the median of REPEATS runs (default 5); every cat run reads a fresh mount,
# so that nothing comes from the page cache of an earlier one, and so does every first
# `ls -R` or find of the folder (each archive is read when first looked into).
# PARTS (default all) picks some of them: read, find, folder, random, parallel.
# Usage: bench/mount/mount_bench.sh BUILD_DIR [REPEATS] [PARTS...]
set -euo pipefail
build=$(realpath "${1:-build-release}")
repeats=${2:-5}
parts=("${@:3}")
((${#parts[@]})) || parts=(read find folder random parallel)
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

if wanted random; then
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
fi

if wanted parallel; then
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
  rm -f "$archive"
fi
