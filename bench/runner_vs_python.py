#!/usr/bin/env python3
"""The runner against CPython's fractions.Fraction, loop for loop, in one run.

Each loop runs in a process of its own, once short and once long; the difference of the two
times over the difference of the iteration counts is the time per iteration without start-up.
Peak memory (maximum resident set) is the long run's, and the runner's short run's is printed
beside it: a runner that frees what it no longer refers to keeps the two within a few per cent.

    bench/runner_vs_python.py [--runner PATH] [--plugin PATH] [--iterations N] [--check]

--check exits 1 when a target is missed: at most 0.33x Python's time for sums, products and Str,
at most 0.5x for a raised and caught exception, and no more peak memory than Python.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

SETUP_QV = """Dim a As New Fraction(1, 3)
Dim b As New Fraction(2, 7)
Dim z As New Fraction(0, 1)
Dim s As Fraction
Dim t As String
Dim n As Integer
"""
SETUP_PY = """from fractions import Fraction
a = Fraction(1, 3)
b = Fraction(2, 7)
z = Fraction(0, 1)
"""

# name, loop body in the host language, the same in Python, time target as a share of Python's
# (None: no target, a row for reference)
LOOPS = [
    ("sum", "s = a + b", "    s = a + b", 0.33),
    ("product", "s = a * b", "    s = a * b", 0.33),
    ("Str", "t = a.Str", "    t = str(a)", 0.33),
    # The floor under Str: a method call whose plug-in side does next to nothing.
    ("Num (a call)", "n = a.Num", "    n = a.numerator", None),
    ("raise and catch",
     "Try\ns = a / z\nCatch e As FractionDivideByZeroException\nEnd Try",
     "    try:\n        s = a / z\n    except ZeroDivisionError:\n        pass", 0.5),
]


def runner_program(body, n):
    return SETUP_QV + "For i = 1 To %d\n%s\nNext\n" % (n, body)


def python_program(body, n):
    return SETUP_PY + "for i in range(%d):\n%s\n" % (n, body)


def measure(command, source, suffix):
    """Wall time and processor time (user and system) in seconds, and peak resident memory in
    KiB, of one run."""
    with tempfile.NamedTemporaryFile("w", suffix=suffix, delete=False) as f:
        f.write(source)
        path = f.name
    peak = path + ".peak"
    try:
        # Through time(1): a child forked from this Python would count Python's own pages as its
        # peak, since the peak survives exec.
        start = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-f", "%U %S %M", "-o", peak] + command + [path],
                              stdout=subprocess.DEVNULL)
        elapsed = time.perf_counter() - start
        if done.returncode != 0:
            sys.exit("%s failed on %s (status %d)" % (command[0], source, done.returncode))
        with open(peak) as f:
            user, system, kib = f.read().split()[-3:]
            return elapsed, float(user) + float(system), int(kib)
    finally:
        os.unlink(path)
        if os.path.exists(peak):
            os.unlink(peak)


def per_iteration(command, make, body, suffix, short, long):
    """Processor and wall nanoseconds per iteration, and the short and long runs' peaks."""
    w_short, c_short, m_short = measure(command, make(body, short), suffix)
    w_long, c_long, m_long = measure(command, make(body, long), suffix)
    ns = lambda a, b: (b - a) / (long - short) * 1e9
    return ns(c_short, c_long), ns(w_short, w_long), m_short, m_long


def find_runner():
    for build in ("runner", "linux"):
        path = os.path.join(ROOT, "build", build, "host", "runner", "quorvex")
        if os.access(path, os.X_OK):
            return path
    sys.exit("no runner built: run ./scripts/run.sh first, or give --runner PATH")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runner", help="the runner (default: build/runner, else build/linux)")
    parser.add_argument("--plugin", help="the plug-in, if not the runner's own")
    parser.add_argument("--python", default="/usr/bin/python3" if os.path.exists(
        "/usr/bin/python3") else sys.executable, help="the Python to compare with")
    parser.add_argument("--iterations", type=int, default=10**7,
                        help="iterations of the long run (the short one is 1/100 of it)")
    parser.add_argument("--check", action="store_true", help="exit 1 when a target is missed")
    args = parser.parse_args()

    runner = [args.runner or find_runner()]
    if args.plugin:
        runner += ["--plugin", args.plugin]
    python = [args.python]
    long = args.iterations
    short = max(1, long // 100)

    # Times are processor time (user and system), which a busy machine does not inflate as it does
    # the wall clock; the wall-clock ratio is printed beside it.
    print("%-16s %10s %10s %7s %8s %7s  %11s %11s %11s" % (
        "loop", "runner ns", "Python ns", "ratio", "target", "(wall)", "runner KiB",
        "(at %d)" % short, "Python KiB"))
    missed = []
    for name, qv, py, target in LOOPS:
        r_ns, r_wall, r_short_kib, r_kib = per_iteration(
            runner, runner_program, qv, ".qv", short, long)
        p_ns, p_wall, _, p_kib = per_iteration(python, python_program, py, ".py", short, long)
        ratio = r_ns / p_ns
        print("%-16s %10.0f %10.0f %6.2fx %8s %6.2fx  %11d %11d %11d" % (
            name, r_ns, p_ns, ratio, "-" if target is None else "%.2fx" % target,
            r_wall / p_wall, r_kib, r_short_kib, p_kib), flush=True)
        if target is not None and ratio > target:
            missed.append("%s: %.2fx of Python's time, target %.2fx" % (name, ratio, target))
        if r_kib > p_kib:
            missed.append("%s: %d KiB peak, Python %d KiB" % (name, r_kib, p_kib))
        if r_kib > r_short_kib * 1.1:
            missed.append("%s: peak %d KiB at %d iterations, %d KiB at %d" % (
                name, r_kib, long, r_short_kib, short))
    for line in missed:
        print("missed: " + line)
    return 1 if args.check and missed else 0


if __name__ == "__main__":
    sys.exit(main())
