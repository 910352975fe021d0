"""The performance report: every benchmark measured side by side in one run,
printed as one Markdown table under the machine it ran on.

    python3 -m bench.report [--bench build/bench] [--bench-wine build/bench-wine]
                            [--build build/test] [--native build/native]
                            [--startup-runs 20] [--fetch-runs 3] [--install-runs 7]
                            [--resumed-runs 3] [--markdown OUT.md]

Targets, as ratios within one run: the whole background install at most
1.10 x the floor process and its peak memory at most 1.10 x the floor's, a
resumed install's peak at most 1.20 x; the 64 MiB check inside the 32-bit
program at most 1.5 x libsodium's BLAKE2b over the same bytes; start-up to the
first painted window at most 1.15 x a bare window program's.
"""
import argparse
import contextlib
import io
import os
import re
import statistics
import subprocess
import sys
import time

from tests.e2e import config

from . import machine

CRYPTO_TIMEOUT_S = 300
PAYLOAD_TIMEOUT_S = 300
INSTALLER_MIB = 64
CRYPTO_LINE = re.compile(r"^(?P<what>.+?)\s{2,}(?P<value>[\d.]+) (?P<unit>us|ms)\b")
PAYLOAD_LINE = re.compile(r"^(?P<what>\S+) median-ms (?P<median>[\d.]+) best-ms (?P<best>[\d.]+) runs (?P<runs>\d+)")
CHECK_LINE = re.compile(r"^check-us (?P<path>\S+) (?P<us>\d+)")
SODIUM_LINE = re.compile(r"^sodium-blake2b-us (?P<us>[\d.]+)")
CHECK_TIMEOUT_S = 300
CHECK_ROUNDS = 7
INSTALL_TARGET = 1.10
PEAK_TARGET = 1.10
RESUMED_PEAK_TARGET = 1.20
CHECK_TARGET = 1.5
STARTUP_TARGET = 1.15
FETCH_LINE = re.compile(r"fetchInstaller (?P<fetch>\d+) ms, curl (?P<curl>\d+) ms, peak memory (?P<peak>[\d.]+) MiB")


def crypto(bench_dir):
    """Seconds per call of each line of crypto_bench, keyed by its label."""
    result = subprocess.run([os.path.join(bench_dir, "bench", "crypto_bench")], capture_output=True, text=True,
                            timeout=CRYPTO_TIMEOUT_S, check=True)
    seconds = {}
    for line in result.stdout.splitlines():
        match = CRYPTO_LINE.match(line)
        if match:
            scale = 1e-6 if match["unit"] == "us" else 1e-3
            seconds[match["what"].strip()] = float(match["value"]) * scale
    return seconds


def check_in_program(bench_wine, bench_dir):
    """Best ms of the 64 MiB check in a 32-bit program under Wine, per BLAKE2b path, the chosen path, and
    the best ms of libsodium's BLAKE2b over 64 MiB natively, the two taking turns round by round."""
    paths, sodium_ms, chosen = {}, None, None
    for _ in range(CHECK_ROUNDS):
        result = subprocess.run(["wine", os.path.join(bench_wine, "check_timer.exe"), "1"], capture_output=True,
                                text=True, timeout=CHECK_TIMEOUT_S, check=True, env=dict(os.environ, WINEDEBUG="-all"))
        for match in map(CHECK_LINE.match, result.stdout.splitlines()):
            if match:
                paths[match["path"]] = min(paths.get(match["path"], 1e30), int(match["us"]) / 1000)
        chosen = next(line.split()[1] for line in result.stdout.splitlines() if line.startswith("chosen "))
        sodium = subprocess.run([os.path.join(bench_dir, "bench", "crypto_bench"), "sodium-blake2b"],
                                capture_output=True, text=True, timeout=CHECK_TIMEOUT_S, check=True)
        us = float(SODIUM_LINE.match(sodium.stdout)["us"])
        sodium_ms = min(sodium_ms or 1e30, us / 1000)
    return {"paths": paths, "chosen": chosen, "sodium_ms": sodium_ms}


def _target(ratio, target):
    return f"target ≤ {target:.2f}: {'met' if ratio <= target else 'missed'}"


def payload_check(bench_dir):
    scratch = os.path.join(bench_dir, "payload-scratch.bin")
    try:
        result = subprocess.run([os.path.join(bench_dir, "bench", "payload_bench"), scratch], capture_output=True,
                                text=True, timeout=PAYLOAD_TIMEOUT_S, check=True)
    finally:
        if os.path.exists(scratch):
            os.remove(scratch)
    facts = {}
    for line in result.stdout.splitlines():
        match = PAYLOAD_LINE.match(line)
        if match:
            facts[match["what"]] = {"median_ms": float(match["median"]), "best_ms": float(match["best"]),
                                    "runs": int(match["runs"])}
    return facts


def fetch(build, native, runs):
    """Medians of bench.fetch_bench's runs: fetchInstaller, curl, peak memory."""
    from . import fetch_bench
    printed = io.StringIO()
    saved_argv = sys.argv
    sys.argv = ["fetch_bench", "--build", build, "--native", native, "--runs", str(runs)]
    try:
        with contextlib.redirect_stdout(printed):
            fetch_bench.main()
    finally:
        sys.argv = saved_argv
    samples = [m.groupdict() for m in map(FETCH_LINE.search, printed.getvalue().splitlines()) if m]
    if len(samples) != runs:
        raise RuntimeError(f"fetch_bench printed {len(samples)} runs, not {runs}:\n{printed.getvalue()}")
    return {
        "fetch_ms": statistics.median(float(s["fetch"]) for s in samples),
        "curl_ms": statistics.median(float(s["curl"]) for s in samples),
        "peak_mib": max(float(s["peak"]) for s in samples),
        "runs": runs,
    }


def _time(seconds):
    return f"{seconds * 1e6:.1f} µs" if seconds < 1e-3 else f"{seconds * 1e3:.1f} ms"


def table(startup, payload, fetched, signature, installed, checked, resumed):
    window, handoff, bare = startup["window"], startup["handoff"], startup["bare"]
    program, floor = installed["program"], installed["floor"]
    install_ratio = program["median_ms"] / floor["median_ms"]
    peak_ratio = program["peak_mib"] / floor["peak_mib"]
    resumed_ratio = resumed["program"]["peak_mib"] / resumed["floor"]["peak_mib"]
    startup_ratio = window["median_ms"] / bare["median_ms"]
    check_ms = checked["paths"][checked["chosen"]]
    read_accept, accept = payload["read+accept"], payload["accept"]
    ours_short = signature["verifySignature, 448 bytes"]
    ours_large = signature["verifySignature, 64 MiB"]
    sodium_short = signature["libsodium crypto_sign_verify_detached, 448 B"]
    sodium_blake = signature["libsodium crypto_generichash (BLAKE2b), 64 MiB"]
    sodium_ms = checked["sodium_ms"]
    check_ratio = check_ms / sodium_ms
    other_paths = ", ".join(f"{name} {ms:.0f} ms" for name, ms in checked["paths"].items() if name != checked["chosen"])
    rows = [
        ("Whole background install, 64 MiB from the loopback server (Wine, median of %d)" % program["runs"],
         f"{program['median_ms']:.0f} ms", f"floor {floor['median_ms']:.0f} ms", f"{install_ratio:.2f}",
         f"{_target(install_ratio, INSTALL_TARGET)}; floor: bare WinHTTP GET, write, start and wait; "
         f"ranges {program['range_ms'][0]:.0f}–{program['range_ms'][1]:.0f} and "
         f"{floor['range_ms'][0]:.0f}–{floor['range_ms'][1]:.0f} ms"),
        ("Peak memory of the whole background install",
         f"{program['peak_mib']:.1f} MiB", f"floor {floor['peak_mib']:.1f} MiB", f"{peak_ratio:.2f}",
         f"{_target(peak_ratio, PEAK_TARGET)}; largest of the runs"),
        ("Peak memory of a resumed install (broken off at 60 %% on both servers, Retry continues it; %d runs)"
         % resumed["program"]["runs"], f"{resumed['program']['peak_mib']:.1f} MiB",
         f"floor {resumed['floor']['peak_mib']:.1f} MiB", f"{resumed_ratio:.2f}",
         f"{_target(resumed_ratio, RESUMED_PEAK_TARGET)}; with its window; largest of the runs"),
        ("Signature check, 64 MiB, inside the 32-bit program (Wine, best of %d, in turns)" % CHECK_ROUNDS,
         f"{check_ms:.1f} ms", f"libsodium BLAKE2b {sodium_ms:.1f} ms", f"{check_ratio:.2f}",
         f"{_target(check_ratio, CHECK_TARGET)}; {checked['chosen']} path; {other_paths}"),
        ("Start-up to the first painted window (Wine, median of %d)" % window["runs"],
         f"{window['median_ms']:.0f} ms", f"bare window {bare['median_ms']:.0f} ms", f"{startup_ratio:.2f}",
         f"{_target(startup_ratio, STARTUP_TARGET)}; visible at {window['visible_median_ms']:.0f} ms; range "
         f"{window['range_ms'][0]:.0f}–{window['range_ms'][1]:.0f} ms, bare window "
         f"{bare['range_ms'][0]:.0f}–{bare['range_ms'][1]:.0f} ms"),
        ("Start-up to the hand-off (Wine, median of %d)" % handoff["runs"],
         f"{handoff['median_ms']:.0f} ms", "—", "—",
         f"installed setup program started; range {handoff['range_ms'][0]:.0f}–{handoff['range_ms'][1]:.0f} ms"),
        ("Payload check, 128 MiB without a payload (median of %d)" % read_accept["runs"],
         f"{read_accept['median_ms']:.1f} ms", "—", "—",
         f"read + acceptFileBytes; trailer search alone {accept['median_ms'] * 1000:.0f} µs"),
        ("fetchInstaller, 64 MiB from the loopback server (median of %d)" % fetched["runs"],
         f"{fetched['fetch_ms']:.0f} ms", f"curl {fetched['curl_ms']:.0f} ms",
         f"{fetched['fetch_ms'] / fetched['curl_ms']:.2f}", "download, staging, read-back, signature, version"),
        ("Signature check, 448 B", _time(ours_short), f"libsodium Ed25519 {_time(sodium_short)}",
         f"{ours_short / sodium_short:.2f}", "target ≤ 1.50"),
        ("Signature check, 64 MiB", _time(ours_large), f"libsodium BLAKE2b {_time(sodium_blake)}",
         f"{ours_large / sodium_blake:.2f}", "target ≤ 1.30"),
        ("Peak memory of a 64 MiB fetch", f"{fetched['peak_mib']:.1f} MiB", "—", "—",
         f"{fetched['peak_mib'] / INSTALLER_MIB:.2f} × the installer; largest of the runs"),
    ]
    header = ("Measurement", "Norvane", "Reference", "Ratio", "Notes")
    lines = ["| " + " | ".join(header) + " |", "|" + "|".join(["---"] * len(header)) + "|"]
    lines += ["| " + " | ".join(row) + " |" for row in rows]
    return lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bench", default=os.path.join(config.ROOT, "build", "bench"))
    parser.add_argument("--bench-wine", default=os.path.join(config.ROOT, "build", "bench-wine"))
    parser.add_argument("--build", default=config.TEST_BUILD)
    parser.add_argument("--native", default=config.NATIVE_BUILD)
    parser.add_argument("--startup-runs", type=int, default=20)
    parser.add_argument("--fetch-runs", type=int, default=3)
    parser.add_argument("--install-runs", type=int, default=7)
    parser.add_argument("--resumed-runs", type=int, default=3)
    parser.add_argument("--markdown", help="also write the machine and the table to this file")
    args = parser.parse_args()
    config.TEST_BUILD = os.path.abspath(args.build)
    config.NATIVE_BUILD = os.path.abspath(args.native)
    from . import floor_bench, startup_bench

    started = time.monotonic()
    about = machine.describe()
    print("\n".join(about), flush=True)
    print("measuring: signature check ...", file=sys.stderr, flush=True)
    signature = crypto(args.bench)
    print("measuring: payload check ...", file=sys.stderr, flush=True)
    payload = payload_check(args.bench)
    print("measuring: start-up under Wine ...", file=sys.stderr, flush=True)
    startup = startup_bench.measure(os.path.join(args.bench_wine, "startup_timer.exe"), args.startup_runs,
                                    os.path.join(args.bench_wine, "bare_window.exe"))
    print("measuring: signature check inside the 32-bit program ...", file=sys.stderr, flush=True)
    checked = check_in_program(args.bench_wine, args.bench)
    print("measuring: whole background install next to the floor ...", file=sys.stderr, flush=True)
    installed = floor_bench.measure(os.path.abspath(args.bench_wine), args.install_runs)
    print("measuring: resumed install next to the floor ...", file=sys.stderr, flush=True)
    resumed = floor_bench.measure(os.path.abspath(args.bench_wine), args.resumed_runs, resumed=True)
    print("measuring: 64 MiB fetch ...", file=sys.stderr, flush=True)
    fetched = fetch(args.build, args.native, args.fetch_runs)
    lines = table(startup, payload, fetched, signature, installed, checked, resumed)
    print()
    print("\n".join(lines))
    print(f"\n(measured in {time.monotonic() - started:.0f} s)", file=sys.stderr)
    if args.markdown:
        with open(args.markdown, "w", encoding="utf-8") as f:
            f.write("\n".join(f"- {line}" for line in about) + "\n\n" + "\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
