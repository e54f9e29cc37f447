"""Runs a command and reports its wall time and peak memory (shared by the
benchmark scripts)."""
import os
import subprocess
import threading
import time


def run(argv, stdout=subprocess.DEVNULL, timeout=600):
    """Returns (seconds, peak resident kB, exit status) of one run."""
    start = time.perf_counter()
    proc = subprocess.Popen(argv, stdout=stdout, stderr=subprocess.DEVNULL)
    timer = threading.Timer(timeout, proc.kill)
    timer.start()
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    timer.cancel()
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode < 0 and elapsed >= timeout:
        return float("inf"), usage.ru_maxrss, -1
    return elapsed, usage.ru_maxrss, proc.returncode


def best_of(argv, times=3, **kw):
    """The fastest of several runs, with the peak memory of that run."""
    return min((run(argv, **kw) for _ in range(times)), key=lambda r: r[0])
