#!/usr/bin/env python3
"""Holds the corpus accuracy at the level reached: extracts the public corpus
with doctext, scores it, and fails when the mean F1 or the number of documents
at F1 >= 0.98 falls below the floor, or when a document that scored >= 0.98 on
the floor falls by more than 0.005.

accuracy_guard.py DOCTEXT SHARED_DIR FLOOR_CSV [--update]
Exits 77 (skipped) when the corpus is absent. --update rewrites the floor from
this run (after an accepted improvement).
"""
import csv, os, subprocess, sys, tempfile

SKIP = 77
DROP = 0.005


def read_scores(path):
    with open(path, newline="") as f:
        return {row["name"]: float(row["f1"]) for row in csv.DictReader(f)}


def main():
    if len(sys.argv) < 4:
        print(__doc__)
        return 2
    doctext, shared, floor_csv = sys.argv[1:4]
    update = "--update" in sys.argv[4:]
    corpus = os.path.join(shared, "corpus")
    if not os.path.isdir(os.path.join(corpus, "docs")):
        print("corpus absent: skipped")
        return SKIP
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "out")
        # doctext exits 1 when any document fails; password and unknown files do.
        subprocess.run([doctext, "--quiet", "--out-dir", out, os.path.join(corpus, "docs")],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        scores_csv = os.path.join(tmp, "scores.csv")
        summary = subprocess.run([sys.executable, os.path.join(corpus, "score.py"),
                                  os.path.join(corpus, "refs"), out, "--csv", scores_csv],
                                 capture_output=True, text=True, check=True).stdout.strip()
        print(summary)
        now = read_scores(scores_csv)
        if update:
            with open(scores_csv) as src, open(floor_csv, "w") as dst:
                dst.write(src.read())
            print(f"floor rewritten: {floor_csv}")
            return 0
    floor = read_scores(floor_csv)
    failures = []
    mean_now = sum(now.values()) / max(len(now), 1)
    mean_floor = sum(floor.values()) / max(len(floor), 1)
    good_now = sum(1 for f in now.values() if f >= 0.98)
    good_floor = sum(1 for f in floor.values() if f >= 0.98)
    if mean_now < mean_floor - 1e-4:
        failures.append(f"mean F1 {mean_now:.4f} below the floor {mean_floor:.4f}")
    if good_now < good_floor:
        failures.append(f"{good_now} documents at F1 >= 0.98, the floor has {good_floor}")
    for name, f in sorted(floor.items()):
        if f >= 0.98 and now.get(name, 0.0) < f - DROP:
            failures.append(f"{name}: F1 {now.get(name, 0.0):.4f}, was {f:.4f}")
    print(f"mean F1 {mean_now:.4f} (floor {mean_floor:.4f}), "
          f"F1 >= 0.98: {good_now} (floor {good_floor})")
    for line in failures:
        print("FALLEN: " + line)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
