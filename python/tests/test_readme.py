# The package's README: its examples print what it says they print
from check_readme import check
from conftest import CHECKOUT


def test_readme_examples():
    assert check(CHECKOUT / "python" / "README.md", CHECKOUT) == ""
