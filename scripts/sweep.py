#!/usr/bin/env python3
"""Converts every corpus document with every applicable method and flag
combination through the skeinlet tool, each under a time limit, and prints
a table: documents, conversions, errors by number, crashes, time-outs, peak
memory and the slowest conversion. Exits 1 when anything crashed or timed
out.

    scripts/sweep.py [--cli build/tools/skeinlet] [--corpus DIR] [--limit S] [--jobs N]

Without a corpus folder it sweeps samples/ and tests/data/ instead.
"""
import argparse
import collections
import concurrent.futures
import os
import re
import resource
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

RTF_RUNS = [
    ["rtf2html", "--links", "no"], ["rtf2html", "--links", "yes"],
    ["rtf2html", "--clean", "yes"], ["rtf2html", "--links", "yes", "--clean", "yes"],
    ["rtf2raw"], ["rtf2body", "--xhtml", "no"], ["rtf2body", "--xhtml", "yes"],
    ["rtf2xhtml"], ["rtfheader"], ["rtf2text"],
    ["rtf2html", "--images", "yes", "--image-format", "png"],
    ["rtf2html", "--images", "no", "--colour=-2147483633"],
]
HTML_RUNS = [["html2rtf", "--border", "no"], ["html2rtf", "--border", "yes"]]
TEXT_RUNS = [["plain2html"]]


def documents(corpus):
    found = []
    for top, _, files in os.walk(corpus):
        for name in sorted(files):
            path = os.path.join(top, name)
            ext = os.path.splitext(name)[1].lower()
            if ext == ".rtf":
                found.append((path, RTF_RUNS + TEXT_RUNS))
            elif ext in (".html", ".htm"):
                found.append((path, HTML_RUNS + TEXT_RUNS))
    return sorted(found)


def run_one(cli, path, args, limit, image_dir):
    cmd = [cli] + args + (["--image-folder", image_dir + "/"] if "--images" in args else []) + [path]
    start = time.monotonic()
    with tempfile.TemporaryFile() as err:
        proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=err)
        # Reaped here, not by Popen, to read the child's own peak memory.
        timed_out = False
        while True:
            pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
            if pid:
                break
            if time.monotonic() - start > limit:
                os.kill(proc.pid, signal.SIGKILL)
                pid, status, usage = os.wait4(proc.pid, 0)
                timed_out = True
                break
            time.sleep(0.002)
        proc.returncode = os.waitstatus_to_exitcode(status)
        elapsed = time.monotonic() - start
        err.seek(0)
        message = err.read(4096).decode("utf-8", "replace")
    return path, args, proc.returncode, timed_out, elapsed, message, usage.ru_maxrss


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", default=os.path.join(ROOT, "build", "tools", "skeinlet"))
    ap.add_argument("--corpus", default=os.environ.get("SKEINLET_CORPUS_DIR", os.path.join(ROOT, "..", "shared", "corpus")))
    ap.add_argument("--limit", type=float, default=30.0, help="seconds per conversion")
    ap.add_argument("--jobs", type=int, default=2)
    opt = ap.parse_args()

    docs = documents(opt.corpus) if os.path.isdir(opt.corpus) else []
    if not docs:
        print("sweep: no corpus at %s; sweeping samples/ and tests/data/" % opt.corpus)
        docs = documents(os.path.join(ROOT, "samples")) + documents(os.path.join(ROOT, "tests", "data"))

    errors = collections.Counter()
    crashes, timeouts, slowest, peak = [], [], (0.0, None), (0, None)
    conversions = 0
    with tempfile.TemporaryDirectory() as image_dir, \
            concurrent.futures.ThreadPoolExecutor(opt.jobs) as pool:
        futures = [pool.submit(run_one, opt.cli, path, args, opt.limit, image_dir)
                   for path, runs in docs for args in runs]
        for fut in concurrent.futures.as_completed(futures):
            path, args, code, timed_out, elapsed, err, rss = fut.result()
            conversions += 1
            what = "%s %s" % (" ".join(args), os.path.relpath(path, opt.corpus if os.path.isdir(opt.corpus) else ROOT))
            if elapsed > slowest[0]:
                slowest = (elapsed, what)
            if rss > peak[0]:
                peak = (rss, what)
            if timed_out:
                timeouts.append(what)
            elif code == 0:
                errors["none"] += 1
            elif code == 1:
                m = re.search(r"error (-?\d+):", err)
                errors["error " + m.group(1) if m else "i/o"] += 1
            else:
                crashes.append("%s (exit %s: %s)" % (what, code, err.strip()[:200]))

    print("| documents | %d |" % len(docs))
    print("| conversions | %d |" % conversions)
    for key, n in sorted(errors.items(), key=lambda kv: (-kv[1], kv[0])):
        print("| %s | %d |" % ("converted" if key == "none" else key, n))
    print("| crashes | %d |" % len(crashes))
    print("| time-outs (over %g s) | %d |" % (opt.limit, len(timeouts)))
    print("| peak memory | %.0f MB (%s) |" % (peak[0] / 1024.0, peak[1]))
    print("| slowest | %.2f s (%s) |" % slowest)
    for line in crashes[:20] + timeouts[:20]:
        print("FAILED:", line)
    return 1 if crashes or timeouts else 0


if __name__ == "__main__":
    sys.exit(main())
