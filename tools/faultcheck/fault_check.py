#!/usr/bin/env python3
"""Fault injection: does the test suite notice plausible mistakes?

Each fault in faults.txt names a file, a piece of text that must occur in it
exactly once, and what to put in its place. For every fault the script applies
it to a scratch copy of the committed tree, builds, runs the suite and records
whether some test failed (caught), all passed (survived) or the fault did not
build or did not apply. The source tree itself is never touched.

  tools/faultcheck/fault_check.py [--faults FILE] [--only ID,ID] [--tests REGEX]
                                  [--jobs N] [--keep DIR] [--rev REV]
                                  [--core-only]

Not part of the test command: a full run builds and tests once per fault.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))


def parse_faults(path):
    faults, cur, key = [], None, None
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if line.startswith("## "):
                if cur:
                    faults.append(cur)
                cur, key = {"id": line[3:].strip(), "find": "", "replace": ""}, None
                continue
            if cur is None or (not line.strip() and key is None) or line.startswith("#"):
                continue
            m = re.match(r"^(file|find|replace|why):\s?(.*)$", line)
            if m:
                key = m.group(1)
                cur[key] = m.group(2)
            elif key in ("find", "replace") and line.startswith("  "):
                cur[key] += "\n" + line[2:]
    if cur:
        faults.append(cur)
    for f in faults:
        for k in ("file", "find"):
            if k not in f or not f[k]:
                sys.exit("fault %s lacks %s" % (f["id"], k))
    return faults


def run(cmd, cwd, log, timeout):
    with open(log, "ab") as out:
        try:
            return subprocess.run(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return -1


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--faults", default=os.path.join(HERE, "faults.txt"))
    ap.add_argument("--only", default="")
    ap.add_argument("--tests", default="", help="ctest -R regex (default: the whole suite)")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--keep", default="", help="scratch folder to reuse (kept afterwards)")
    ap.add_argument("--rev", default="HEAD", help="committed revision to test")
    ap.add_argument("--core-only", action="store_true",
                    help="build and run only the core library and its tests (no interface)")
    args = ap.parse_args()

    faults = parse_faults(args.faults)
    if args.only:
        wanted = set(args.only.split(","))
        faults = [f for f in faults if f["id"] in wanted]

    scratch = args.keep or tempfile.mkdtemp(prefix="kestrix-faults-")
    src = os.path.join(scratch, "src")
    build = os.path.join(scratch, "build")
    log = os.path.join(scratch, "log.txt")
    if os.path.isdir(src):
        shutil.rmtree(src)
    os.makedirs(src)
    archive = subprocess.run(["git", "archive", args.rev], cwd=ROOT, stdout=subprocess.PIPE, check=True).stdout
    subprocess.run(["tar", "-x", "-C", src], input=archive, check=True)

    env_cmake = ["cmake", "-S", src, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo"]
    if args.core_only:
        env_cmake.append("-DKESTRIX_CORE_ONLY=ON")
    if shutil.which("ccache"):
        env_cmake.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
    os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
    build_cmd = ["cmake", "--build", build, "-j%d" % args.jobs]
    test_cmd = ["ctest", "--test-dir", build, "-j%d" % args.jobs, "--timeout", "300"]
    if args.tests:
        test_cmd += ["-R", args.tests]

    print("scratch: %s (log in log.txt)" % scratch, flush=True)
    if run(env_cmake, src, log, 600) != 0 or run(build_cmd, src, log, 3600) != 0:
        sys.exit("the unchanged tree does not build; see %s" % log)
    if run(test_cmd, src, log, 3600) != 0:
        sys.exit("the unchanged tree fails its tests; see %s" % log)

    results = []
    for f in faults:
        path = os.path.join(src, f["file"])
        t0 = time.time()
        try:
            text = open(path, encoding="utf-8").read()
        except OSError:
            results.append((f, "not applied (no file)", 0))
            continue
        if text.count(f["find"]) != 1:
            results.append((f, "not applied (text found %d times)" % text.count(f["find"]), 0))
            print("%-28s not applied" % f["id"], flush=True)
            continue
        open(path, "w", encoding="utf-8").write(text.replace(f["find"], f["replace"]))
        with open(log, "a") as out:
            out.write("\n==== fault %s ====\n" % f["id"])
        if run(build_cmd, src, log, 3600) != 0:
            verdict = "did not build"
        else:
            rc = run(test_cmd, src, log, 3600)
            verdict = "caught" if rc != 0 else "SURVIVED"
        open(path, "w", encoding="utf-8").write(text)
        results.append((f, verdict, time.time() - t0))
        print("%-28s %-14s %5.0f s" % (f["id"], verdict, time.time() - t0), flush=True)

    run(build_cmd, src, log, 3600)  # leave the scratch build matching the tree
    caught = sum(1 for _, v, _ in results if v == "caught")
    tried = sum(1 for _, v, _ in results if v in ("caught", "SURVIVED"))
    print("\ncaught %d of %d faults (%d not applicable)" % (caught, tried, len(results) - tried))
    for f, v, _ in results:
        if v == "SURVIVED":
            print("survived: %s (%s) %s" % (f["id"], f["file"], f.get("why", "")))
    if not args.keep:
        shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
