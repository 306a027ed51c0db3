"""Every class in the library folder ships a help patch that loads cleanly."""
from check_help import check
from library import classes


def test_library_folder_is_not_empty():
    assert "vesh" in classes()


def test_every_help_patch_opens_without_errors():
    problems = [p for name in classes() for p in check(name)]
    assert problems == []
