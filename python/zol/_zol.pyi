# Types of the compiled core, for editors and type checkers
from typing import Optional

import numpy as np

__version__: str

class Error(ValueError):
    """A failure of zol: the input or the equating; a ValueError."""
    kind: str
    message: str
    explanation: str

class InputError(Error):
    """The input was refused; str() is the explanation, "FILE:LINE: cause"."""

class EquatingError(Error):
    """The equating failed, also when a root search could not go on (kind 'numeric_stop')."""

class Results:
    """The library's results of one equating."""
    @property
    def chance_score(self) -> float: ...
    @property
    def new_top_score(self) -> int: ...
    @property
    def old_top_score(self) -> int: ...
    @property
    def linking(self) -> Optional[tuple[str, str, float, float, int]]: ...
    def columns(self) -> dict[str, np.ndarray]: ...
    def report(self) -> str: ...
    def csv(self) -> str: ...
    def svg(self) -> str: ...
    def linked_items(self) -> str: ...

def read_input(path: bytes, mixed_format: bool) -> dict[str, object]:
    """The records of an input file as a dict of plain values."""

def equate(new: tuple[list[str], np.ndarray, np.ndarray, np.ndarray, list[str], list[np.ndarray]],
           old: tuple[list[str], np.ndarray, np.ndarray, np.ndarray, list[str], list[np.ndarray]],
           theta: Optional[np.ndarray], weights: Optional[np.ndarray],
           conversion: Optional[tuple[float, float, float, np.ndarray]], name: str,
           link: Optional[str], round_scale: Optional[float],
           scaling_constant: Optional[float]) -> Results:
    """Equates records given as tuples and arrays; returns the library's Results."""
