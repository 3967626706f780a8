# The equating of an input and its results as arrays, frames, report, CSV and picture
from __future__ import annotations

import functools
import os
from typing import Any, List, NamedTuple, Optional, Union

import numpy as np

from . import _zol
from ._records import Form, Input


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

    The table of scores is the CSV's, column for column: an array attribute
    per column, named like it, NaN where the CSV leaves a number's cell empty
    (``theta`` at or below the chance score and at the top score, new-form
    columns beyond the new form's top score, ``old_fitted`` beyond the old
    form's, observed-score columns without an ability distribution), "" where
    it leaves a text's cell empty. ``raw`` holds integers. After linking the
    table leads with ``link_method``, ``link_A`` and ``link_B``, filled on the
    first row only. ``columns`` names them all in order; ``to_pandas()`` gives
    the table as a DataFrame.
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
    #: The names of the table's columns, in the CSV's order.
    columns: List[str]
    #: The sum of the new form's c parameters.
    chance_score: float
    #: The linking constants when equate was given a link method, else None.
    linking: Optional[Linking]
    #: The forms' top raw scores.
    new_top_score: int
    old_top_score: int
    #: What was found odd, one line each: for an input read from a file the
    #: reader's warnings first ("FILE:LINE: warning: ..."), then the
    #: equating's ("warning: ..." for records made in memory); the first 10,
    #: then "warning: N more like these" when there were more.
    warnings: List[str]

    def __init__(self, results: _zol.Results) -> None:
        self._results = results
        table = results.columns()
        for name, column in table.items():
            setattr(self, name, column)
        self.columns = list(table)
        self.chance_score = results.chance_score
        self.linking = None if results.linking is None else Linking(*results.linking)
        self.new_top_score = results.new_top_score
        self.old_top_score = results.old_top_score
        self.warnings = list(results.warnings)

    @functools.cached_property
    def report(self) -> str:
        """The report, byte for byte what the program writes for the same input."""
        return self._results.report()

    def to_csv(self, path: Union[str, os.PathLike, None] = None) -> str:
        """The table of scores as the program's CSV; also written to path if given."""
        text = self._results.csv()
        if path is not None:
            _write(path, text)
        return text

    def to_svg(self, path: Union[str, os.PathLike, None] = None) -> str:
        """The program's picture as SVG; also written to path if given."""
        text = self._results.svg()
        if path is not None:
            _write(path, text)
        return text

    def linked_items(self, path: Union[str, os.PathLike, None] = None) -> str:
        """After linking, the new form's items on the old scale as an $Item_Parameters
        section of an input file, else ""; also written to path if given."""
        text = self._results.linked_items()
        if path is not None:
            _write(path, text)
        return text

    def linked_items_frame(self) -> Any:
        """After linking, the new form's items on the old scale as they were equated (a / A,
        A b + B and c; A b_v + B for steps), as a pandas DataFrame with the columns of
        ``Form.to_frame``: label, a, b, c, and for a form with GPCM or GRM items model and
        b1, b2, ...; None without a linking."""
        records = self._results.linked_form()
        if records is None:
            return None
        form = Form(records["labels"], records["a"], records["b"], records["c"],
                    records["model"], records["steps"])
        return form.to_frame()

    def to_pandas(self) -> Any:
        """The table of scores as a pandas DataFrame, one row per raw score (needs pandas)."""
        import pandas as pd
        return pd.DataFrame({name: getattr(self, name) for name in self.columns})

    def __repr__(self) -> str:
        return (f"<zol.Result: raw scores 0..{self.new_top_score} of the new form, "
                f"0..{self.old_top_score} of the old>")


def equate(input: Input, link: Optional[str] = None,
           scaling_constant: Optional[float] = None,
           round_scale: Optional[float] = None) -> Result:
    """Equates the input's new form to its old form, as the program does.

    ``link`` ("mean-mean", "mean-sigma", "haebara" or "stocking-lord") first
    puts the new form on the old form's scale through the items whose labels
    stand in both forms. ``scaling_constant`` is the models' D: ``None`` is
    1.7 and leaves the report without a line about it; a number (1 for
    parameters in the logistic metric, or even 1.7) is used and named in the
    report. ``round_scale`` rounds scale scores to multiples of that unit
    within the conversion table's smallest and largest scale score, instead
    of by the table's raw-score bounds and increment.

    Records or options that are not usable raise ``zol.InputError``; an
    equating that fails raises ``zol.EquatingError``. What was found odd is in
    the result's ``warnings``. The GIL is released while equating, so threads
    equate at once.
    """
    if not isinstance(input, Input):
        raise TypeError("equate takes a zol.Input (see zol.Input and zol.read_input)")
    # One entry per option, by the name the compiled module knows it by.
    options = {"link": link, "scaling_constant": scaling_constant, "round_scale": round_scale}
    return Result(_zol.equate(input._records(), options))
