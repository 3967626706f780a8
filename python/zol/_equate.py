# The equating of an input and its results as arrays, frames, report, CSV and picture
from __future__ import annotations

import functools
import os
from typing import Any, NamedTuple, Optional, Union

import numpy as np

from . import _zol
from ._records import Input

# The results' columns, in the CSV's order.
COLUMNS = ("raw", "theta", "true_equated", "true_scale", "true_scale_rounded", "new_fitted",
           "old_fitted", "observed_equated", "observed_scale", "observed_scale_rounded")

class Linking(NamedTuple):
    """The linking constants: theta_old = A * theta_new + B, from common_items items.

    ``method`` is the method's name as ``equate`` takes it ("stocking-lord"),
    ``title`` as the report writes it ("Stocking-Lord").
    """

    method: str
    title: str
    A: float
    B: float
    common_items: int


def _write(path: Union[str, os.PathLike], text: str) -> None:
    # Bytes as they are: line feeds alone on every platform, as the program writes.
    with open(path, "wb") as file:
        file.write(text.encode("utf-8", "surrogateescape"))


class Result:
    """The results of one equating, by raw score 0..max(new, old top score).

    The arrays are named like the columns of the program's CSV and hold NaN
    where the CSV leaves a cell empty: ``theta`` at or below the chance score
    and at the top score, new-form columns beyond the new form's top score,
    ``old_fitted`` beyond the old form's, observed-score columns without an
    ability distribution. ``raw`` holds integers.
    """

    raw: np.ndarray
    theta: np.ndarray
    true_equated: np.ndarray
    true_scale: np.ndarray
    true_scale_rounded: np.ndarray
    new_fitted: np.ndarray
    old_fitted: np.ndarray
    observed_equated: np.ndarray
    observed_scale: np.ndarray
    observed_scale_rounded: np.ndarray
    #: The sum of the new form's c parameters.
    chance_score: float
    #: The linking constants when equate was given a link method, else None.
    linking: Optional[Linking]
    #: The forms' top raw scores.
    new_top_score: int
    old_top_score: int

    def __init__(self, results: _zol.Results) -> None:
        self._results = results
        for name, column in results.columns().items():
            setattr(self, name, column)
        self.chance_score = results.chance_score
        self.linking = None if results.linking is None else Linking(*results.linking)
        self.new_top_score = results.new_top_score
        self.old_top_score = results.old_top_score

    @functools.cached_property
    def report(self) -> str:
        """The report, byte for byte what the program writes for the same input."""
        return self._results.report()

    def to_csv(self, path: Union[str, os.PathLike, None] = None) -> str:
        """The program's CSV (its --csv file); also written to path if given."""
        text = self._results.csv()
        if path is not None:
            _write(path, text)
        return text

    def to_svg(self, path: Union[str, os.PathLike, None] = None) -> str:
        """The program's picture (its --plot file); also written to path if given."""
        text = self._results.svg()
        if path is not None:
            _write(path, text)
        return text

    def linked_items(self, path: Union[str, os.PathLike, None] = None) -> str:
        """After linking, the new form's items on the old scale as an $Item_Parameters
        section (the program's --linked-items file), else ""; also written to path."""
        text = self._results.linked_items()
        if path is not None:
            _write(path, text)
        return text

    def to_pandas(self) -> Any:
        """The columns as a pandas DataFrame, one row per raw score (needs pandas)."""
        import pandas as pd
        return pd.DataFrame({name: getattr(self, name) for name in COLUMNS})

    def __repr__(self) -> str:
        return (f"<zol.Result: raw scores 0..{self.new_top_score} of the new form, "
                f"0..{self.old_top_score} of the old>")


def equate(input: Input, link: Optional[str] = None,
           scaling_constant: Optional[float] = None,
           round_scale: Optional[float] = None) -> Result:
    """Equates the input's new form to its old form, as the program does.

    ``link`` ("mean-mean", "mean-sigma", "haebara" or "stocking-lord") first
    puts the new form on the old form's scale through the items whose labels
    stand in both forms, as the program's --link does. ``scaling_constant``
    is the models' D, as the program's --scaling-constant: ``None`` is 1.7
    and leaves the report as the program writes it without the option; a
    number (1 for parameters in the logistic metric, or even 1.7) is used and
    named in the report. ``round_scale`` rounds
    scale scores to multiples of that unit within the conversion table's
    smallest and largest scale score, as the program's --round-scale does.

    Records that are not usable raise ``zol.InputError``; an equating that
    fails raises ``zol.EquatingError``, also when a root search cannot go on.
    The GIL is released while equating, so threads equate at once.
    """
    if not isinstance(input, Input):
        raise TypeError("equate takes a zol.Input (see zol.Input and zol.read_input)")
    conversion = input.conversion
    results = _zol.equate(input.new._records(), input.old._records(), input.theta,
                          input.weights, None if conversion is None else conversion._records(),
                          input.name, link, None if round_scale is None else float(round_scale),
                          None if scaling_constant is None else float(scaling_constant))
    return Result(results)
