# The equating of an input and its results as arrays, frames, report, CSV and picture
from __future__ import annotations

import functools
import os
from typing import Any, Iterable, List, NamedTuple, Optional, Union

import numpy as np

from . import _zol
from ._records import Input, _form_of_records


class Linking(NamedTuple):
    """The linking constants: theta_old = A * theta_new + B, from common_items items.

    ``method`` is the method's name as ``equate`` takes it ("stocking-lord"),
    ``title`` as the report writes it ("Stocking-Lord"). ``common_items``
    counts the common items the linking used, ``excluded`` those it left out
    (``exclude_common``); ``symmetric`` tells whether the criterion compared
    the items both ways. With a covariance of either form's estimates
    (``Input``'s ``new_covariance``, ``old_covariance``), ``se_A`` and ``se_B``
    are the standard errors of A and B and ``AB_covariance`` their covariance
    (NaN where they cannot be computed, which a warning explains); None
    without one.
    """

    method: str
    title: str
    A: float
    B: float
    common_items: int
    excluded: int
    symmetric: bool
    se_A: Optional[float] = None
    se_B: Optional[float] = None
    AB_covariance: Optional[float] = None


def _write(path: Union[str, os.PathLike], text: str) -> None:
    # Bytes as they are: line feeds alone on every platform, as the program writes.
    with open(path, "wb") as file:
        file.write(text.encode("utf-8", "surrogateescape"))


def _written(path: Union[str, os.PathLike, None], text: str) -> str:
    # The text, also written to path if one is given.
    if path is not None:
        _write(path, text)
    return text


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

    With a covariance of either form's estimates the table also has the
    standard errors: ``link_A_se``, ``link_B_se`` and ``link_AB_covariance``
    after ``link_B`` (first row only), and last, by raw score of the new
    form, ``true_score_se``, ``observed_score_se``, ``true_scale_se`` and
    ``observed_scale_se`` (the equated scores' and their unrounded scale
    scores'): 0 at the top score, whose equivalent is fixed, and NaN where one
    cannot be computed (a warning says which) or without an ability
    distribution.
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
    #: With two groups, the new group's weight in the synthetic population whose
    #: fitted distributions new_fitted and old_fitted are; else None.
    synthetic_weight: Optional[float]
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
        self.synthetic_weight = results.synthetic_weight
        self.new_top_score = results.new_top_score
        self.old_top_score = results.old_top_score
        self.warnings = list(results.warnings)

    @functools.cached_property
    def report(self) -> str:
        """The report, byte for byte what the program writes for the same input."""
        return self._results.report()

    def to_csv(self, path: Union[str, os.PathLike, None] = None) -> str:
        """The table of scores as the program's CSV; also written to path if given."""
        return _written(path, self._results.csv())

    def to_svg(self, path: Union[str, os.PathLike, None] = None) -> str:
        """The program's picture as SVG; also written to path if given."""
        return _written(path, self._results.svg())

    def linked_items(self, path: Union[str, os.PathLike, None] = None) -> str:
        """After linking, the new form's items on the old scale as an $Item_Parameters
        section of an input file, else ""; also written to path if given."""
        return _written(path, self._results.linked_items())

    def linked_items_frame(self) -> Any:
        """After linking, the new form's items on the old scale as they were equated (a / A,
        A b + B and c; A b_v + B for steps), as a pandas DataFrame with the columns of
        ``Form.to_frame``: label, a, b, c, and for a form with GPCM or GRM items model and
        b1, b2, ...; None without a linking."""
        records = self._results.linked_form()
        if records is None:
            return None
        return _form_of_records(records).to_frame()

    def common_items_frame(self) -> Any:
        """After linking, every common item as the linking saw it, for screening anchors for
        drift, as a pandas DataFrame with the columns of ``common_items()``'s CSV, one row per
        common item in the new form's order: label, model, used (bool: False for an item of
        ``exclude_common``), a_old, a_new, b_old and b_new (the location on the old form and
        carried from the new one to the old scale), b_difference, b_robust_z, log_a_ratio,
        a_robust_z (NaN where the CSV leaves the cell empty) and flagged (bool: a robust z
        beyond the program's bound); None without a linking."""
        columns = self._results.common_item_columns()
        if columns is None:
            return None
        import pandas as pd
        return pd.DataFrame(columns)

    def common_items(self, path: Union[str, os.PathLike, None] = None) -> str:
        """The common items with their drift as the program's --common-items CSV (only its
        header without a linking); also written to path if given."""
        return _written(path, self._results.common_items())

    def to_pandas(self) -> Any:
        """The table of scores as a pandas DataFrame, one row per raw score (needs pandas)."""
        import pandas as pd
        return pd.DataFrame({name: getattr(self, name) for name in self.columns})

    def __repr__(self) -> str:
        return (f"<zol.Result: raw scores 0..{self.new_top_score} of the new form, "
                f"0..{self.old_top_score} of the old>")


def equate(input: Input, link: Optional[str] = None,
           scaling_constant: Optional[float] = None,
           round_scale: Optional[float] = None,
           synthetic_weight: Optional[float] = None,
           link_quadrature: Optional[int] = None,
           symmetric: bool = False,
           exclude_common: Union[str, Iterable[str], None] = None) -> Result:
    """Equates the input's new form to its old form, as the program does.

    ``link`` ("mean-mean", "mean-sigma", "mean-gmean", "haebara" or
    "stocking-lord") first puts the new form on the old form's scale through
    the items whose labels stand in both forms. ``scaling_constant`` is the
    models' D: ``None`` is 1.7 and leaves the report without a line about it;
    a number (1 for parameters in the logistic metric, or even 1.7) is used
    and named in the report. ``round_scale`` rounds scale scores to multiples
    of that unit within the conversion table's smallest and largest scale
    score, instead of by the table's raw-score bounds and increment.

    ``synthetic_weight`` (0 to 1; ``None`` is 0.5) weighs the new group in the
    synthetic population of an input with two groups (``old_theta``), the old
    group getting the rest. For "haebara" and "stocking-lord",
    ``link_quadrature`` (2 to 200) weighs the criterion over that many
    Gauss-Hermite points of the standard normal instead of the input's
    points, and ``symmetric=True`` also compares the old form's common items
    carried to the new scale with the new form's. ``exclude_common`` names
    common items the linking leaves out (a str is one label); they stay in
    their forms, and ``common_items_frame()`` shows them as not used. With a
    covariance of either form's estimates in the input (``new_covariance``,
    ``old_covariance``) the result also has standard errors: the linking's in
    ``linking`` and every raw score's in the table of scores.

    These are the program's ``--link``, ``--scaling-constant``,
    ``--round-scale``, ``--synthetic-weight``, ``--link-quadrature``,
    ``--symmetric`` and ``--exclude-common``. Records or option values that
    are not usable raise ``zol.InputError`` in the library's words; an
    equating that fails raises ``zol.EquatingError``. What was found odd is
    in the result's ``warnings``. The GIL is released while equating, so
    threads equate at once.
    """
    if not isinstance(input, Input):
        raise TypeError("equate takes a zol.Input (see zol.Input and zol.read_input)")
    # One entry per option, by the name the compiled module knows it by.
    options = {"link": link, "scaling_constant": scaling_constant, "round_scale": round_scale,
               "synthetic_weight": synthetic_weight, "link_quadrature": link_quadrature,
               "symmetric": symmetric, "exclude_common": exclude_common}
    return Result(_zol.equate(input._records(), options))
