"""Paths of the builds under test, set once by run.py."""
import os

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TEST_BUILD = os.path.join(ROOT, "build", "test")
RELEASE_BUILD = os.path.join(ROOT, "build", "release")
NATIVE_BUILD = os.path.join(ROOT, "build", "native")
# The 32-bit build whose stand-in installers fill a release's x86 slot; the
# test build itself unless that is a 64-bit build (a kernel without 32-bit
# programs), which also leaves out the journeys in 32-bit prefixes.
X86_BUILD = TEST_BUILD
WORK = os.path.join(ROOT, "build", "e2e")


def test_exe():
    return os.path.join(TEST_BUILD, "Norvane.exe")


def release_exe():
    return os.path.join(RELEASE_BUILD, "Norvane.exe")


def pack():
    return os.path.join(NATIVE_BUILD, "norvane-pack")


def wine_helper(name):
    return os.path.join(TEST_BUILD, "wine-helpers", name)


def runs_only_64bit():
    return X86_BUILD != TEST_BUILD


def x86_twin(path):
    """`path` of a test-build stand-in, taken from the 32-bit build instead."""
    if not runs_only_64bit() or not path.startswith(TEST_BUILD + os.sep):
        return path
    return os.path.join(X86_BUILD, os.path.relpath(path, TEST_BUILD))
