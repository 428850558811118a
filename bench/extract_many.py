"""Documents per second: doctext against docflt.extract_many, interleaved.

    PYTHONPATH=build/posix/python /usr/bin/python3 bench/extract_many.py [DIR] [ROUNDS] [DOCTEXT]

Each round runs `doctext --quiet DIR` (one process: start-up, plug-in load and
the batch), then extract_many over the same files in this process with the
plug-in already loaded (jobs 1 and 2), then `python3 -m docflt DIR` (a whole
process, like doctext). Prints each round and the medians."""

import os
import statistics
import subprocess
import sys
import time

import docflt
from docflt.__main__ import collect


def timed(fn):
    start = time.perf_counter()
    fn()
    return time.perf_counter() - start


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "shared",
                                                                 "corpus", "docs")
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    doctext = sys.argv[3] if len(sys.argv) > 3 else os.path.join(here, "..", "build", "posix",
                                                                 "bin", "doctext")
    files = collect([folder], docflt.default_plugin().extensions)
    n = len(files)
    quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    rows = []
    for _ in range(rounds):
        d = timed(lambda: subprocess.run([doctext, "--quiet", folder], **quiet))
        j1 = timed(lambda: sum(1 for _ in docflt.extract_many(files)))
        j2 = timed(lambda: sum(1 for _ in docflt.extract_many(files, jobs=2)))
        m = timed(lambda: subprocess.run([sys.executable, "-m", "docflt", "--quiet", folder],
                                         **quiet))
        rows.append((d, j1, j2, m))
        print("doctext %6.0f docs/s | extract_many j1 %6.0f (%3.0f%%) j2 %6.0f (%3.0f%%) | "
              "python3 -m docflt %6.0f (%3.0f%%)" % (n / d, n / j1, 100 * d / j1, n / j2,
                                                    100 * d / j2, n / m, 100 * d / m))
    med = [statistics.median(c) for c in zip(*rows)]
    print("median over %d rounds, %d documents: doctext %.0f docs/s; extract_many jobs=1 %.0f "
          "(%.0f%%), jobs=2 %.0f (%.0f%%); python3 -m docflt %.0f (%.0f%%)"
          % (rounds, n, n / med[0], n / med[1], 100 * med[0] / med[1], n / med[2],
             100 * med[0] / med[2], n / med[3], 100 * med[0] / med[3]))


if __name__ == "__main__":
    main()
