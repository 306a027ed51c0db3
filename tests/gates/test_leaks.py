"""Every class created and deleted many times under valgrind: nothing lost,
no invalid access through a plug-in; then the edge rounds beside the help
patches, for invalid reads and writes."""
import shutil

import pytest
from leakcheck import BATCH, check
from library import classes


@pytest.mark.skipif(not shutil.which("valgrind"), reason="valgrind is not installed")
def test_no_leak_or_invalid_access_in_any_class():
    names = classes()
    problems = [p for i in range(0, len(names), BATCH) for p in check(names[i:i + BATCH])]
    assert problems == []


@pytest.mark.skipif(not shutil.which("valgrind"), reason="valgrind is not installed")
def test_no_invalid_access_at_the_edges_or_in_the_help_patches():
    names = classes()
    problems = [p for i in range(0, len(names), BATCH)
                for p in check(names[i:i + BATCH], edges=True)]
    assert problems == []
