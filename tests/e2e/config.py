"""Paths of the builds under test, set once by run.py."""
import os

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TEST_BUILD = os.path.join(ROOT, "build", "test")
RELEASE_BUILD = os.path.join(ROOT, "build", "release")
NATIVE_BUILD = os.path.join(ROOT, "build", "native")
WORK = os.path.join(ROOT, "build", "e2e")


def test_exe():
    return os.path.join(TEST_BUILD, "Norvane.exe")


def release_exe():
    return os.path.join(RELEASE_BUILD, "Norvane.exe")


def pack():
    return os.path.join(NATIVE_BUILD, "norvane-pack")


def wine_helper(name):
    return os.path.join(TEST_BUILD, "wine-helpers", name)
