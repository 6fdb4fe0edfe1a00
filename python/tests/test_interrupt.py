"""Ctrl-C stops a long run soon and leaves the interpreter usable."""
import os
import signal
import threading
import time

import numpy as np
import pytest

import kelpo


def test_sigint_cancels_a_long_run():
    cells = (np.random.default_rng(1).random((200, 100)) < 0.3).astype(int)
    timer = threading.Timer(0.5, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    start = time.monotonic()
    with pytest.raises(KeyboardInterrupt):
        kelpo.cooccurrence_test(cells, iterations=2_000_000_000, seed=1, progress=False)
    stopped = time.monotonic() - start
    timer.join()
    assert stopped < 5  # the run alone would take hours
    assert kelpo.cooccurrence_test(cells[:10, :10], iterations=25000, seed=1).species == 10
