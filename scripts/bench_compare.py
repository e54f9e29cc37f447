#!/usr/bin/env python3
"""Skeinlet side by side with the converters people use today.

    scripts/bench_compare.py [--sizes 1,4,16] [--runs 3] [--install] [--conversions LIST]

Generates seeded documents (scripts/gen_docs.py: rich edit RTF, Word RTF,
HTML), converts each with skeinlet (build/tools/skeinlet, built first if
missing), unrtf and pandoc in the same run, and prints wall time (best of
--runs), peak memory and the ratio of each other converter's time to
skeinlet's. --install fetches unrtf and pandoc from Debian's packages when
they are missing; without it, a converter that is not installed is left out.
The skeinlet growth from the smallest to the largest size is printed last.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import timing  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def skeinlet_binary():
    binary = os.path.join(ROOT, "build", "tools", "skeinlet")
    if not os.path.exists(binary):
        subprocess.run([os.path.join(ROOT, "scripts", "build.sh"), "--target", "skeinlet"],
                       check=True, stdout=subprocess.DEVNULL)
    return binary


def converters(skeinlet):
    """Per conversion: (label, argv builder) in column order."""
    return {
        "RTF to HTML": [
            ("skeinlet, links on", lambda f: [skeinlet, "rtf2html", "--links", "yes", f]),
            ("skeinlet, links off", lambda f: [skeinlet, "rtf2html", "--links", "no", f]),
            ("unrtf", lambda f: ["unrtf", "--html", f]),
            ("pandoc", lambda f: ["pandoc", "-f", "rtf", "-t", "html", f]),
        ],
        "RTF to text": [
            ("skeinlet", lambda f: [skeinlet, "rtf2text", f]),
            ("unrtf", lambda f: ["unrtf", "--text", f]),
            # pandoc is left out here: its plain-text writer had not finished
            # the Word 1 MB document after ten minutes.
        ],
        "HTML to RTF": [
            ("skeinlet", lambda f: [skeinlet, "html2rtf", f]),
            ("pandoc", lambda f: ["pandoc", "-f", "html", "-t", "rtf", "-s", f]),
        ],
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sizes", default="1,4,16")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--install", action="store_true")
    parser.add_argument("--conversions", default="",
                        help="comma-separated, e.g. 'RTF to text,HTML to RTF' (default: all)")
    args = parser.parse_args()
    if args.install and not (shutil.which("unrtf") and shutil.which("pandoc")):
        subprocess.run(["apt-get", "install", "-y", "-q", "unrtf", "pandoc"], check=True,
                       env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))
    skeinlet = skeinlet_binary()
    sizes = [float(s) for s in args.sizes.split(",")]
    work = tempfile.mkdtemp(prefix="skeinlet-bench-")
    docs = {"RTF to HTML": ["richedit", "word"], "RTF to text": ["richedit", "word"],
            "HTML to RTF": ["html"]}
    growth = {}
    try:
        chosen = [c.strip() for c in args.conversions.split(",") if c.strip()]
        for conversion, columns in converters(skeinlet).items():
            if chosen and conversion not in chosen:
                continue
            available = [(label, argv) for label, argv in columns
                         if label.startswith("skeinlet") or shutil.which(label)]
            print("\n%s (best of %d runs; time s / peak MB; ratio to skeinlet's first column)"
                  % (conversion, args.runs))
            print("| document | " + " | ".join(label for label, _ in available) + " |")
            print("|---" * (len(available) + 1) + "|")
            for kind in docs[conversion]:
                for size in sizes:
                    ext = ".html" if kind == "html" else ".rtf"
                    path = os.path.join(work, "%s-%g%s" % (kind, size, ext))
                    subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "gen_docs.py"),
                                    kind, str(size), path], check=True)
                    cells, base = [], None
                    for label, argv in available:
                        seconds, peak_kb, status = timing.best_of(argv(path), args.runs)
                        if status != 0:
                            cells.append("failed (%d)" % status)
                            continue
                        if base is None:
                            base = seconds
                            growth.setdefault((conversion, kind, label), []).append((size, seconds, peak_kb))
                            cells.append("%.3f / %.0f" % (seconds, peak_kb / 1024))
                        else:
                            if label.startswith("skeinlet"):
                                growth.setdefault((conversion, kind, label), []).append(
                                    (size, seconds, peak_kb))
                            cells.append("%.3f / %.0f (%.1fx)" % (seconds, peak_kb / 1024, seconds / base))
                    print("| %s %g MB | %s |" % (kind, size, " | ".join(cells)))
        print("\nGrowth of skeinlet's time from the smallest to the largest size:")
        for (conversion, kind, label), points in growth.items():
            if len(points) > 1:
                (s0, t0, m0), (s1, t1, m1) = points[0], points[-1]
                print("  %s, %s, %s: %g -> %g MB: time x%.1f, peak %.0f MB (%.1fx the input)"
                      % (conversion, kind, label, s0, s1, t1 / t0, m1 / 1024, m1 / 1024 / s1))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
