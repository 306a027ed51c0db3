"""The short fuzz run: every class, ten seeded rounds, sanitizer-built plug-ins."""
from fuzz import ASAN_LIBRARY, fuzz
from library import classes


def test_short_fuzz_run_finds_nothing():
    names = classes(ASAN_LIBRARY)
    assert "vesh" in names
    assert fuzz(names, rounds=10) == []
