#!/usr/bin/env python3
"""Write an OTU-like presence-absence table for which the null model holds exactly.

Every cell is drawn independently with P(present) = logistic(a_i + b_j); given its
margins such a table is a uniform draw from the matrices the chains walk. The taxon
effects a_i are skewed as prevalences in OTU tables are; the mean fill is tuned by a
shift found by bisection.

Usage: otu_table.py TAXA SAMPLES FILL SEED > table.txt
"""
import math
import random
import sys


def logistic(x: float) -> float:
    return 1.0 / (1.0 + math.exp(-x))


def main() -> None:
    taxa, samples, fill, seed = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4])
    rng = random.Random(seed)
    a = [rng.gauss(0.0, 1.5) for _ in range(taxa)]
    b = [rng.gauss(0.0, 0.5) for _ in range(samples)]
    lo, hi = -20.0, 20.0
    for _ in range(60):
        shift = (lo + hi) / 2
        mean = sum(logistic(x + shift) for x in a) / taxa  # b averages out to first order
        lo, hi = (shift, hi) if mean < fill else (lo, shift)
    out = sys.stdout
    out.write("Taxon " + " ".join(f"S{j + 1}" for j in range(samples)) + "\r\n")
    for i in range(taxa):
        row = ("1" if rng.random() < logistic(a[i] + shift + b[j]) else "0" for j in range(samples))
        out.write(f"T{i + 1} " + " ".join(row) + "\r\n")


if __name__ == "__main__":
    main()
