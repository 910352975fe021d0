"""Runs the journeys of the real program under Wine and prints one summary line:
'e2e: N passed, N failed'."""
import argparse
import os
import sys
import unittest

from . import config


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=config.TEST_BUILD)
    parser.add_argument("--release", default=config.RELEASE_BUILD)
    parser.add_argument("--native", default=config.NATIVE_BUILD)
    parser.add_argument("--x86-build", help="the 32-bit build for the x86 stand-ins when --build is a 64-bit one")
    parser.add_argument("-k", dest="pattern", action="append", help="only tests whose name contains this")
    args = parser.parse_args()
    config.TEST_BUILD = os.path.abspath(args.build)
    config.RELEASE_BUILD = os.path.abspath(args.release)
    config.NATIVE_BUILD = os.path.abspath(args.native)
    config.X86_BUILD = os.path.abspath(args.x86_build) if args.x86_build else config.TEST_BUILD

    loader = unittest.TestLoader()
    if args.pattern:
        loader.testNamePatterns = [f"*{p}*" for p in args.pattern]
    suite = loader.discover(os.path.dirname(os.path.abspath(__file__)), pattern="test_*.py",
                            top_level_dir=config.ROOT)
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    failed = len(result.failures) + len(result.errors)
    # A class skipped in setUpClass is reported as one skip but never counted as run.
    skipped = sum(1 for test, _ in result.skipped if isinstance(test, unittest.TestCase))
    passed = max(0, result.testsRun - failed - skipped)
    print(f"e2e: {passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
