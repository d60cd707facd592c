#!/usr/bin/env python3
"""Runs the core benchmark and prints the table of ratios (core/boost and core/GMP).

Builds the benchmark with the `linux` preset first unless --binary is given. Times are the median
CPU time per operation over the repetitions, so other load on the machine weighs little; the
implementations run interleaved in random order, so a burst of load does not favour one of them.
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_BINARY = os.path.join(ROOT, "build", "linux", "bench", "quorvex_core_bench")

OPERATIONS = ["add", "sub", "mul", "div", "myPow", "StrToFract", "FractToStr"]
STREAMS = ["small", "large"]

# (operation, stream, against) -> the largest ratio the core may reach.
TARGETS = {
    ("add", "small", "boost"): 2.0,
    ("add", "large", "boost"): 1.5,
    ("sub", "small", "boost"): 2.0,
    ("sub", "large", "boost"): 1.5,
    ("mul", "small", "boost"): 1.0,
    ("mul", "large", "boost"): 1.0,
    ("div", "small", "boost"): 1.0,
    ("div", "large", "boost"): 1.0,
    ("add", "small", "gmp"): 0.8,
    ("StrToFract", "small", "gmp"): 0.5,
    ("StrToFract", "large", "gmp"): 0.5,
    ("FractToStr", "small", "gmp"): 0.33,
    ("FractToStr", "large", "gmp"): 0.33,
}


def build():
    if not os.path.exists(os.path.join(ROOT, "build", "linux", "CMakeCache.txt")):
        subprocess.run(["cmake", "--preset", "linux"], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "linux", "--target", "quorvex_core_bench"],
                   cwd=ROOT, check=True, stdout=subprocess.DEVNULL)


def run(binary, repetitions, min_time, stream_size):
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        sizing = ["--stream_size=%d" % stream_size] if stream_size else []
        result = subprocess.run(
            [binary] + sizing + ["--benchmark_out=" + out.name, "--benchmark_out_format=json",
             "--benchmark_repetitions=%d" % repetitions, "--benchmark_min_time=%g" % min_time,
             "--benchmark_enable_random_interleaving=true",
             "--benchmark_report_aggregates_only=true"],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=True)
        with open(out.name) as f:
            report = json.load(f)
    return result.stderr, report


def medians(report):
    times = {}
    for b in report["benchmarks"]:
        if b.get("aggregate_name") == "median":
            times[b["run_name"]] = b["cpu_time"] * {"ns": 1, "us": 1e3, "ms": 1e6}[b["time_unit"]]
    return times


def verdict(ratio, op, stream, against):
    limit = TARGETS.get((op, stream, against))
    if limit is None:
        return "", None
    met = ratio <= limit
    return ("<= %.2f %s" % (limit, "met" if met else "MISSED")), met


def table(times):
    rows = ["| operation | stream | core ns | boost ns | GMP ns | core/boost | target | core/GMP | target |",
            "|---|---|---:|---:|---:|---:|---|---:|---|"]
    results = []
    for op in OPERATIONS:
        for stream in STREAMS:
            core = times.get("%s/%s/core" % (op, stream))
            if core is None:
                continue
            cells = [op, stream, "%.1f" % core]
            ratios = []
            for against in ("boost", "gmp"):
                other = times.get("%s/%s/%s" % (op, stream, against))
                if not other:
                    cells.append("-")
                    ratios += ["-", ""]
                    continue
                cells.append("%.1f" % other)
                ratio = core / other
                text, met = verdict(ratio, op, stream, against)
                ratios += ["%.2f" % ratio, text]
                if met is not None:
                    results.append(met)
            rows.append("| " + " | ".join(cells + ratios) + " |")
    return "\n".join(rows), results


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--binary", help="benchmark to run (default: build it with the linux preset)")
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("--min-time", type=float, default=0.1, help="seconds per repetition")
    parser.add_argument("--stream-size", type=int,
                        help="operands per stream, a power of two (default: the benchmark's own)")
    parser.add_argument("--check", action="store_true", help="exit 1 when a target is missed")
    args = parser.parse_args()
    binary = args.binary
    if binary is None:
        build()
        binary = DEFAULT_BINARY
    harmonic, report = run(binary, args.repetitions, args.min_time, args.stream_size)
    # The benchmark library writes its own context to stderr too; keep the series report only.
    print("\n".join(l for l in harmonic.splitlines() if l.startswith(("harmonic", "core:", "boost:", "streams"))))
    print()
    text, results = table(medians(report))
    print(text)
    print()
    print("%d of %d targets met (median CPU time of %d repetitions)" %
          (sum(results), len(results), args.repetitions))
    return 1 if args.check and not all(results) else 0


if __name__ == "__main__":
    sys.exit(main())
