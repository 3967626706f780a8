# Where the tests find the checkout's examples and cases, and the program to compare with
import os
import shutil
from pathlib import Path

import pytest

CHECKOUT = Path(__file__).resolve().parents[2]
EXAMPLES = CHECKOUT / "examples"
CASES = CHECKOUT / "tests" / "cases"


@pytest.fixture(scope="session")
def program():
    """The program to compare with: ZOL_PROGRAM, else the checkout's build/zol."""
    path = os.environ.get("ZOL_PROGRAM") or shutil.which("zol", path=str(CHECKOUT / "build"))
    if not path:
        pytest.skip("no zol program: set ZOL_PROGRAM or build build/zol")
    return path


def example_link(name):
    """The --link method of an example's options file, if it has one."""
    options = EXAMPLES / f"{name}.options"
    if not options.exists():
        return None
    words = options.read_text().split()
    return words[words.index("--link") + 1]
