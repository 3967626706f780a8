# A form's covariance of its parameter estimates: a matrix with names, a DataFrame of one, or
# standard errors alone
from __future__ import annotations

import copy
import os
import re
from typing import Any, List, Optional, Sequence, Tuple, Union

import numpy as np

from . import _zol
from ._records import Form, Input, _form, _form_of_records, _FrameColumns, _input_error, \
    _is_frame, _is_missing, _labels_of

# Columns of standard errors, by parameter: se_a, se_b, se_c, se_b1, se_b2, ...
_STANDARD_ERROR = re.compile(r"se_(a|b|c|b[1-9][0-9]*)")


def _parameter_order(column: str) -> tuple:
    # a, b, c, then the steps by number: the order of an item's parameters.
    name = column[3:]
    return (0, "abc".index(name)) if len(name) == 1 else (1, int(name[1:]))


class Covariance:
    """The sampling covariance of one form's parameter estimates, for standard errors.

    ``names`` name the parameters "LABEL:a", "LABEL:b" and "LABEL:c" of a 3PL
    item, "LABEL:a", "LABEL:b1", ... of a GPCM or GRM item, in the program's
    metric (a, b, c; a, b1, ...) at ``equate``'s ``scaling_constant``;
    ``matrix`` is their covariance, a row and a column per name in the same
    order: symmetric and positive semi-definite. Parameters that it does not
    name are held fixed, as a c fixed in calibration; the two forms'
    estimates are independent. ``standard_errors_only``: the matrix is
    diagonal because only standard errors were known.

    The library checks the names against the form and the matrix itself when
    equating, and ``zol.InputError`` names the form.
    """

    def __init__(self, names: Sequence[str], matrix: Any,
                 standard_errors_only: bool = False) -> None:
        self._set("the covariance", names, matrix, standard_errors_only)

    def _set(self, what: str, names: Sequence[Any], matrix: Any,
             standard_errors_only: bool) -> None:
        for k, name in enumerate(names):
            if _is_missing(name):
                raise _input_error(f"{what} has no name for parameter {k + 1}")
        self.names: List[str] = [str(name) for name in names]
        try:
            self.matrix = np.array(matrix, dtype=np.float64)
        except (TypeError, ValueError):
            raise _input_error(f"{what}'s matrix holds values that are not numbers") from None
        m = len(self.names)
        if self.matrix.shape != (m, m) and not (m == 0 and self.matrix.size == 0):
            raise _input_error(f"{what} needs a row and a column per name: {m} names, a "
                               f"matrix of shape {self.matrix.shape}")
        self.matrix = self.matrix.reshape(m, m)
        self.standard_errors_only = bool(standard_errors_only)
        # Set by the reader of a covariance file once the matrix has passed its
        # check of definiteness, which the library then does not repeat while
        # names and matrix stay as they were read; 0 for one made here.
        self._definite_fingerprint = 0

    @classmethod
    def from_frame(cls, frame: Any) -> "Covariance":
        """The covariance of a pandas DataFrame: a matrix with the parameters' names as its
        index and its columns, in the same order; or standard errors, a row per item (its label
        in a column ``label`` or else the index) with columns ``se_a``, ``se_b``, ``se_c``,
        ``se_b1``, ``se_b2``, ..., as a diagonal matrix with ``standard_errors_only``. A
        parameter whose cell is NaN or empty, or that has no column, is held fixed; other
        columns are left alone, but a column ``se_`` that names no parameter is refused."""
        return _frame_covariance(frame, "the covariance")

    def to_frame(self) -> Any:
        """The matrix as a pandas DataFrame whose index and columns are the names."""
        import pandas as pd
        return pd.DataFrame(self.matrix, index=self.names, columns=self.names)

    def __repr__(self) -> str:
        alone = ", standard errors only" if self.standard_errors_only else ""
        return f"<zol.Covariance of {len(self.names)} parameters{alone}>"

    def _records(self) -> dict:
        return {"names": self.names, "matrix": self.matrix.ravel(),
                "standard_errors_only": self.standard_errors_only,
                "definite_fingerprint": self._definite_fingerprint}


def _frame_covariance(frame: Any, what: str) -> Covariance:
    covariance = Covariance.__new__(Covariance)
    columns = [str(name) for name in frame.columns]
    if any(name.startswith("se_") for name in columns):
        names, errors = _standard_errors(frame, what)
        covariance._set(what, names, np.diag(np.square(errors)), True)
        return covariance
    names = [str(name) for name in frame.index]
    if columns != names:
        raise _input_error(f"{what} needs the same names in its index and its columns, in the "
                           f"same order, or standard errors in columns se_a, se_b, ...")
    try:
        matrix = frame.to_numpy(dtype=np.float64, na_value=np.nan)
    except (TypeError, ValueError):
        raise _input_error(f"{what}'s matrix holds values that are not numbers") from None
    covariance._set(what, names, matrix, False)
    return covariance


def _standard_errors(frame: Any, what: str) -> tuple:
    """The names and standard errors of the parameters that a frame of standard errors does not
    hold fixed, item by item in the order of its parameters."""
    labels, from_index = _labels_of(frame, what)
    columns = _FrameColumns(frame, what, np.array(labels, dtype=object), from_index)
    given = [name for name in map(str, frame.columns) if name.startswith("se_")]
    # A misspelt column would hold its parameter fixed unseen.
    for name in given:
        if not _STANDARD_ERROR.fullmatch(name):
            raise _input_error(f"{what} has the column {name}, which names no parameter (se_a, "
                               f"se_b, se_c, se_b1, ...)")
    given.sort(key=_parameter_order)
    held = np.zeros(len(labels), dtype=bool)
    table = {name: columns.numbers(name, name, held) for name in given}
    names, errors = [], []
    for row, label in enumerate(labels):
        for name in given:
            error = table[name][row]
            if np.isnan(error):
                continue
            # Squared, a negative standard error would pass for a variance.
            if error < 0:
                raise _input_error(f"{what}: {name} {float(error)!r} of item {label} is below 0")
            names.append(f"{label}:{name[3:]}")
            errors.append(error)
    return names, np.array(errors, dtype=np.float64)


def _covariance(value: Any, which: str, argument: str) -> Any:
    """A covariance argument for the form which ("new", "old"), or None."""
    if value is None or isinstance(value, Covariance):
        return value
    if _is_frame(value):
        return _frame_covariance(value, f"the {which} form's covariance")
    raise TypeError(f"{argument} must be a zol.Covariance, a DataFrame or None, not "
                    f"{type(value).__name__}")


def _from_records(records: Optional[dict]) -> Optional[Covariance]:
    if records is None:
        return None
    covariance = Covariance.__new__(Covariance)
    m = len(records["names"])
    covariance._set("the covariance", records["names"], records["matrix"].reshape(m, m),
                    records["standard_errors_only"])
    covariance._definite_fingerprint = records["definite_fingerprint"]
    return covariance


def read_covariance(path: Union[str, os.PathLike], input: Input) -> Input:
    """A copy of the input with the covariances of a covariance file, as the program's
    ``--covariance`` reads it against the input's forms.

    ``$Item_Covariance`` and ``$Link_Item_Covariance`` hold the new and the
    old form's matrix (a line of names "LABEL:a", "LABEL:b", ..., then its
    lower triangle or the whole), ``$Item_Standard_Errors`` and
    ``$Link_Item_Standard_Errors`` standard errors alone ("LABEL se(a) se(b)
    se(c)", 0 for a parameter held fixed). The copy's ``new_covariance`` and
    ``old_covariance`` are the file's (None for a form without a section),
    and the reader's warnings ("FILE:LINE: warning: ...") follow the input's
    in ``warnings``; ``equate`` shows them after the input's, as the program
    does. A file that cannot be opened or is refused raises
    ``zol.InputError`` ("FILE:LINE: cause").
    """
    if not isinstance(input, Input):
        raise TypeError("read_covariance takes a zol.Input (see zol.Input and zol.read_input)")
    read = _zol.read_covariance(os.fsencode(path), input._records())
    copied = copy.copy(input)
    copied.new_covariance = _from_records(read["new_covariance"])
    copied.old_covariance = _from_records(read["old_covariance"])
    # A file read before is replaced, its warnings too.
    earlier = len(input.warnings) - input._covariance_texts
    copied.warnings = input.warnings[:earlier] + list(read["warning_texts"])
    copied._covariance_texts = len(read["warning_texts"])
    copied._covariance_warnings = read["warnings"]
    return copied


def from_slope_intercept(form: Any, covariance: Any, scaling_constant: float,
                         logit_guessing: bool = False) -> Tuple[Form, Optional[Covariance]]:
    """A form's estimates and their covariance in slope-intercept form, as many calibration
    programs write them, carried to the program's metric at ``scaling_constant`` (the D that
    ``equate`` will take) by the delta method.

    The logit of a 3PL item, of each boundary of a GRM item and of each pair
    of adjacent categories of a GPCM item is a1 theta + d: ``form`` (a
    ``zol.Form`` or a DataFrame as ``Form.from_frame`` takes) holds a1 in
    ``a``, d in ``b`` (d_k in the steps ``b1``, ``b2``, ...), and the
    guessing parameter in ``c``, itself or, with ``logit_guessing``, its
    logit. ``covariance`` (a ``zol.Covariance``, a DataFrame as ``Input``
    takes, or None) names the same places: "LABEL:a" for a1, "LABEL:b" or
    "LABEL:b1", ... for d, "LABEL:c" for the guessing parameter. Gives the
    form with a = a1 / D, b = -d / a1 and c, and the covariance of those (None
    without one), for ``zol.Input``.
    """
    if not isinstance(form, Form) and not _is_frame(form):
        raise TypeError(f"form must be a zol.Form or a DataFrame, not {type(form).__name__}")
    given = _form(form, "slope-intercept")
    covariance = _covariance(covariance, "slope-intercept", "covariance")
    records, carried = _zol.from_slope_intercept(
        given._records(False), None if covariance is None else covariance._records(),
        scaling_constant, bool(logit_guessing))
    return _form_of_records(records), _from_records(carried)
