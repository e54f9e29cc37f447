#!/usr/bin/env python3
"""Fails when a conversion's time grows faster than its document.

    scripts/scaling.py [SKEINLET_BINARY]

Converts generated documents of 1 MB and 4 MB (scripts/gen_docs.py, the
same seed) in the same run and compares the two times: linear growth gives
a ratio near 4; anything above 8 fails. Only ratios measured side by side
are compared, never an absolute time, so a slow machine does not fail it.
The peak memory of the two runs is compared the same way.
"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import timing  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SMALL, LARGE, LIMIT = 1, 4, 8.0

CASES = [
    ("rtf2html, rich edit RTF, links on", "richedit", ".rtf", ["rtf2html", "--links", "yes"]),
    ("rtf2html, Word RTF, links on", "word", ".rtf", ["rtf2html", "--links", "yes"]),
    ("rtf2text, rich edit RTF", "richedit", ".rtf", ["rtf2text"]),
    ("html2rtf, HTML", "html", ".html", ["html2rtf"]),
]


def main():
    binary = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "tools", "skeinlet")
    failed = False
    with tempfile.TemporaryDirectory(prefix="skeinlet-scaling-") as work:
        for label, kind, ext, args in CASES:
            times, peaks = [], []
            for size in (SMALL, LARGE):
                path = os.path.join(work, "%s-%d%s" % (kind, size, ext))
                if not os.path.exists(path):
                    subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "gen_docs.py"),
                                    kind, str(size), path], check=True)
                seconds, peak, status = timing.best_of([binary] + args + [path], 2)
                if status != 0:
                    break
                times.append(seconds)
                peaks.append(peak)
            if len(times) < 2:
                print("%-36s not measured (the conversion failed)" % label)
                continue
            ratio = times[1] / max(times[0], 1e-3)
            memory = peaks[1] / max(peaks[0], 1)
            verdict = "ok" if max(ratio, memory) <= LIMIT else "GROWS FASTER THAN LINEARLY"
            failed |= max(ratio, memory) > LIMIT
            print("%-36s %d MB %.3f s %d MB peak, %d MB %.3f s %d MB peak: time x%.1f, memory x%.1f"
                  " (limit x%.0f) %s"
                  % (label, SMALL, times[0], peaks[0] // 1024, LARGE, times[1], peaks[1] // 1024,
                     ratio, memory, LIMIT, verdict))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
