#!/usr/bin/env python3
"""Decimal arithmetic and FORMAT against their peers, in one run.

Runs bench_decimal (Google Benchmark, JSON output), times the same operations on the same
operands with Python's decimal module (libmpdec, precision 50) and prints, per operation and
number of places, our time, each peer's and our time divided by the fastest peer's.

    bench/decimal_peers.py build/release/bench/bench_decimal [--benchmark_repetitions=5 ...]
"""
import decimal
import json
import subprocess
import sys
import timeit

OPERANDS = [
    ("12345678901234567890", "98765432109876543210"),
    ("31415926535897932384", "27182818284590452353"),
    ("50000000000000000001", "10000000000000000007"),
    ("99999999999999999999", "11111111111111111111"),
]
OPERATIONS = {"Add": "a + b", "Subtract": "a - b", "Multiply": "a * b", "Divide": "a / b"}


def with_places(digits, places):
    return digits[: len(digits) - places] + "." + digits[len(digits) - places:]


def python_ns(operation, places):
    """Median ns of one operation over the operand pairs, as timeit measures it."""
    decimal.getcontext().prec = 50
    pairs = [tuple(decimal.Decimal(with_places(x, places)) for x in pair) for pair in OPERANDS]
    results = []
    for a, b in pairs:
        timer = timeit.Timer(OPERATIONS[operation], globals={"a": a, "b": b})
        loops, _ = timer.autorange()
        best = min(timer.repeat(repeat=5, number=loops)) / loops
        results.append(best * 1e9)
    results.sort()
    return (results[1] + results[2]) / 2


def benchmark_ns(program, extra):
    output = subprocess.run(
        [program, "--benchmark_format=json", "--benchmark_min_time=0.2"] + extra,
        check=True, capture_output=True, text=True).stdout
    times = {}
    for run in json.loads(output)["benchmarks"]:
        if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
            continue
        times[run["run_name"]] = run["real_time"]
    return times


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    times = benchmark_ns(sys.argv[1], sys.argv[2:])
    print(f"{'operation':<14}{'registers':>11}{'stored':>9}{'boost':>9}{'python':>9}"
          f"{'ratio':>8}   (ns; ratio = registers / fastest peer)")
    for operation in OPERATIONS:
        for places in (2, 3, 4):
            ours = times[f"Registers{operation}/{places}"]
            stored = times[f"Stored{operation}/{places}"]
            boost = times[f"Boost{operation}/{places}"]
            python = python_ns(operation, places)
            print(f"{operation + '/' + str(places):<14}{ours:>11.1f}{stored:>9.1f}{boost:>9.1f}"
                  f"{python:>9.1f}{ours / min(boost, python):>8.2f}")
    fastest = times["ToCharsWithGrouping"]
    print(f"\n{'FORMAT @N12.2':<24}{'ns':>8}{'ratio':>8}   (ratio = ours / to_chars with grouping)")
    for name in ("FormatPicture", "FormatToStack", "ToCharsWithGrouping", "SnprintfGrouped"):
        print(f"{name:<24}{times[name]:>8.1f}{times[name] / fastest:>8.2f}")


if __name__ == "__main__":
    main()
