#!/usr/bin/env python3
"""kelvane-cli extract against tar -xf and cat, side by side on tmpfs, with the ratios.

usage: extraction_bench.py KELVANE_CLI [SCRATCH (default /dev/shm)]

1. 100,000 entries of 1 KiB: `kelvane-cli extract` against `tar -xf` of the same files;
2. 512 MiB in 64 stored entries against `cat ARCHIVE > SCRATCH/one`;
3. the peak resident memory of extracting the 100,000 entries with 8 workers.
Each time is the best of three runs.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

RUNS = 3


def best(command, out_folder=None):
    times = []
    for _ in range(RUNS):
        if out_folder:
            shutil.rmtree(out_folder, ignore_errors=True)
            os.makedirs(out_folder)
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    return min(times)


def make_folder(folder, count, size, stored_bytes):
    os.makedirs(folder)
    for i in range(count):
        with open(os.path.join(folder, f"f{i:06d}.bin"), "wb") as out:
            out.write(stored_bytes(i, size))


def main():
    cli = os.path.abspath(sys.argv[1])
    scratch = sys.argv[2] if len(sys.argv) > 2 else "/dev/shm"
    with tempfile.TemporaryDirectory(dir=scratch) as root:
        # pod2 stores its entries as they are.
        small = os.path.join(root, "small")
        seed = os.urandom(2048)
        make_folder(small, 100_000, 1024, lambda i, size: seed[i % 1024:i % 1024 + size])
        small_pod = os.path.join(root, "small.pod")
        small_tar = os.path.join(root, "small.tar")
        subprocess.run([cli, "create", "--format", "pod2", small_pod, small], check=True,
                       stdout=subprocess.DEVNULL)
        subprocess.run(["tar", "-cf", small_tar, "-C", small, "."], check=True)
        shutil.rmtree(small)
        out = os.path.join(root, "out")
        ours = best([cli, "extract", small_pod, out], out)
        theirs = best(["tar", "-xf", small_tar, "-C", out], out)
        print(f"100,000 x 1 KiB: kelvane-cli extract {ours * 1000:.0f} ms, tar -xf "
              f"{theirs * 1000:.0f} ms, ratio {ours / theirs:.2f}")
        for jobs in ("1", "8"):
            t = best([cli, "extract", "--jobs", jobs, small_pod, out], out)
            print(f"  --jobs {jobs}: {t * 1000:.0f} ms, ratio {t / theirs:.2f}")

        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)
        # Measured from a process of its own, whose only child is the extraction.
        peak = subprocess.run(
            [sys.executable, "-c", "import resource, subprocess, sys; "
             "subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL); "
             "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)",
             cli, "extract", "--jobs", "8", small_pod, out],
            check=True, capture_output=True, text=True).stdout
        print(f"peak resident memory, 100,000 entries with 8 workers: {int(peak) / 1024:.1f} MB")
        shutil.rmtree(out)
        os.remove(small_tar)

        large = os.path.join(root, "large")
        block = os.urandom(8 << 20)
        make_folder(large, 64, 8 << 20, lambda i, size: block)
        large_pod = os.path.join(root, "large.pod")
        subprocess.run([cli, "create", "--format", "pod2", large_pod, large], check=True,
                       stdout=subprocess.DEVNULL)
        shutil.rmtree(large)
        ours = best([cli, "extract", large_pod, out], out)
        theirs = best(["sh", "-c", 'cat "$0" > "$1"', large_pod, os.path.join(root, "one")])
        print(f"512 MiB in 64 stored entries: kelvane-cli extract {ours * 1000:.0f} ms, "
              f"cat > one {theirs * 1000:.0f} ms, ratio {ours / theirs:.2f}")


if __name__ == "__main__":
    main()
