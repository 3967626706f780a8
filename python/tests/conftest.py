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


def example_options(name):
    """The program's options of an example, from its options file if it has one: the
    command-line words, and what read_input and equate take for them."""
    options = EXAMPLES / f"{name}.options"
    words = options.read_text().split() if options.exists() else []
    reading = {"mixed_format": "--mixed-format" in words}
    equating = {}
    if "--link" in words:
        equating["link"] = words[words.index("--link") + 1]
    if "--scaling-constant" in words:
        equating["scaling_constant"] = float(words[words.index("--scaling-constant") + 1])
    return words, reading, equating
