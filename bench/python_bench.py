"""The Python package against kelpo-cli: one test of dune at 1e5 iterations, the
overhead of a call on a 30 x 20 matrix, and how soon Ctrl-C stops a run.

Usage: .venv/bin/python bench/python_bench.py [path/to/kelpo-cli]
"""
import os
import signal
import subprocess
import sys
import threading
import time
from pathlib import Path

import numpy as np

import kelpo

ROOT = Path(__file__).resolve().parents[1]
CLI = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "build" / "cli" / "kelpo-cli"
DUNE = ROOT / "examples" / "dune.txt"


def best(run, repeats=5):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return min(times)


def main() -> None:
    dune = kelpo.read_matrix(DUNE)
    cli = best(lambda: subprocess.run([str(CLI), "--no-power", "--seed", "1", str(DUNE)], check=True,
                                      stdout=subprocess.DEVNULL))
    call = best(lambda: kelpo.cooccurrence_test(dune, iterations=100_000, seed=1, progress=False))
    print(f"dune, 1e5 iterations: kelpo-cli --no-power process {cli * 1e3:.1f} ms, "
          f"kelpo.cooccurrence_test {call * 1e3:.1f} ms, ratio {call / cli:.2f}")
    small = (np.random.default_rng(3).random((30, 20)) < 0.4).astype(int)
    tiny = best(lambda: kelpo.cooccurrence_test(small, iterations=100, seed=1, progress=False), 50)
    print(f"30 x 20 matrix, 100 iterations: {tiny * 1e3:.2f} ms a call")
    big = (np.random.default_rng(1).random((200, 100)) < 0.3).astype(int)
    sent = []
    timer = threading.Timer(0.5, lambda: (sent.append(time.perf_counter()), os.kill(os.getpid(), signal.SIGINT)))
    timer.start()
    try:
        kelpo.cooccurrence_test(big, iterations=2_000_000_000, seed=1, progress=False)
    except KeyboardInterrupt:
        print(f"Ctrl-C to KeyboardInterrupt: {(time.perf_counter() - sent[0]) * 1e3:.0f} ms")


if __name__ == "__main__":
    import warnings
    warnings.simplefilter("ignore", UserWarning)
    main()
