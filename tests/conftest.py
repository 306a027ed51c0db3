"""With VESH_SUBSET set, only the cases marked `platforms` run: the subset that
CI runs on every platform under emulation."""
import os

import pytest

SUBSET = bool(os.environ.get("VESH_SUBSET"))


def pytest_collection_modifyitems(config, items):
    if SUBSET:
        config.hook.pytest_deselected(
            items=[i for i in items if not i.get_closest_marker("platforms")])
        items[:] = [i for i in items if i.get_closest_marker("platforms")]


def pytest_sessionfinish(session, exitstatus):
    if SUBSET and exitstatus == pytest.ExitCode.NO_TESTS_COLLECTED:
        session.exitstatus = pytest.ExitCode.OK
