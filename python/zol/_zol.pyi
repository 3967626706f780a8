# Types of the compiled core, for editors and type checkers
from typing import Optional

import numpy as np

__version__: str
MODELS: tuple[str, ...]
LINK_METHODS: tuple[str, ...]

class Error(ValueError):
    """A failure of zol, a ValueError: str() is the explanation."""
    kind: str
    explanation: str

class InputError(Error):
    """The input or the arguments were refused: kind 'cannot_open_input' or 'invalid_input'."""

class EquatingError(Error):
    """The equating failed: kind 'not_computable', 'no_memory', 'root_not_bracketed' or
    'root_not_converged'."""

class Warnings:
    """What the reader found odd, kept for the equating."""

class Results:
    """The library's results of one equating."""
    @property
    def chance_score(self) -> float: ...
    @property
    def new_top_score(self) -> int: ...
    @property
    def old_top_score(self) -> int: ...
    @property
    def linking(self) -> Optional[tuple[str, str, float, float, int, int, bool, Optional[float],
                                        Optional[float], Optional[float]]]: ...
    @property
    def synthetic_weight(self) -> Optional[float]: ...
    @property
    def warnings(self) -> list[str]: ...
    def columns(self) -> dict[str, np.ndarray]: ...
    def linked_form(self) -> Optional[dict[str, object]]: ...
    def common_item_columns(self) -> Optional[dict[str, np.ndarray]]: ...
    def report(self) -> str: ...
    def csv(self) -> str: ...
    def svg(self) -> str: ...
    def linked_items(self) -> str: ...
    def common_items(self) -> str: ...

def read_input(path: bytes, mixed_format: bool) -> dict[str, object]:
    """The records of an input file as a dict of plain values, with the reader's warnings."""

def read_covariance(path: bytes, input: dict[str, object]) -> dict[str, object]:
    """The covariances of a covariance file read against the input's records, as dicts, with
    the reader's warnings."""

def from_slope_intercept(form: dict[str, object], covariance: Optional[dict[str, object]],
                         d: float, logit_guessing: bool
                         ) -> tuple[dict[str, object], Optional[dict[str, object]]]:
    """A form and its covariance in slope-intercept form carried to the program's metric."""

def equate(input: dict[str, object], options: dict[str, object]) -> Results:
    """Equates records given as a dict with the options of a dict; returns Results."""
