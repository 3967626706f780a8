# Where the tests find the checkout's examples and cases, the program to compare with, and
# the program's words for what the package says in its own
import os
import re
import shutil
from pathlib import Path

import pytest

import zol

CHECKOUT = Path(__file__).resolve().parents[2]
EXAMPLES = CHECKOUT / "examples"
CASES = CHECKOUT / "tests" / "cases"

# Texts of the console program that never reach a Python error or warning.
CONSOLE_TEXTS = ("Numerical Recipes run-time error", "now exiting to system", "--mixed-format",
                 "--link ", "--round-scale", "--scaling-constant", "--synthetic-weight",
                 "--link-quadrature", "--symmetric", "--exclude-common", "--common-items", "--covariance",
                 "zol: ")


@pytest.fixture(scope="session")
def program():
    """The program to compare with: ZOL_PROGRAM, else the checkout's build/zol."""
    path = os.environ.get("ZOL_PROGRAM") or shutil.which("zol", path=str(CHECKOUT / "build"))
    if not path:
        pytest.skip("no zol program: set ZOL_PROGRAM or build build/zol")
    return path


def in_the_packages_words(line):
    """A line of the program's --explain as the package says it: without the program's
    prefix, the options named as read_input and equate take them."""
    line = line.removeprefix("zol: ")
    line = re.sub(r"^--link (\S+): ", r"linking by \1: ", line)
    return line.replace("--mixed-format", "mixed_format").replace("--round-scale", "round_scale")


def program_options(words):
    """The program's command-line words as what read_as_the_program and equate take, and the
    names that are not options (the input first)."""
    reading, equating, names = {}, {}, []
    words = list(words)
    while words:
        word = words.pop(0)
        if word == "--mixed-format":
            reading["mixed_format"] = True
        elif word == "--covariance":
            reading["covariance"] = words.pop(0)
        elif word == "--link":
            equating["link"] = words.pop(0)
        elif word == "--scaling-constant":
            equating["scaling_constant"] = float(words.pop(0))
        elif word.startswith("--round-scale"):
            equating["round_scale"] = float(word.partition("=")[2] or 1)
        elif word == "--synthetic-weight":
            equating["synthetic_weight"] = float(words.pop(0))
        elif word == "--link-quadrature":
            equating["link_quadrature"] = int(words.pop(0))
        elif word == "--symmetric":
            equating["symmetric"] = True
        elif word == "--exclude-common":
            equating["exclude_common"] = words.pop(0).split(",")
        elif word in ("--csv", "--plot", "--linked-items", "--common-items"):
            words.pop(0)
        elif word != "--explain":
            names.append(word)
    return reading, equating, names


def read_as_the_program(path, reading):
    """The input as the program reads it: the input file, then with --covariance the
    covariance file against it."""
    options = dict(reading)
    covariance = options.pop("covariance", None)
    read = zol.read_input(path, **options)
    return read if covariance is None else zol.read_covariance(covariance, read)


def example_options(name):
    """The program's options of an example, from its options file if it has one: the
    command-line words, and what read_as_the_program and equate take for them."""
    options = EXAMPLES / f"{name}.options"
    words = options.read_text().split() if options.exists() else []
    reading, equating, _ = program_options(words)
    return words, reading, equating
