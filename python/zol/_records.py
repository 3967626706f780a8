# The records an equating reads: forms, conversion table and the input as a whole
from __future__ import annotations

import os
from typing import Any, List, Optional, Sequence, Union

import numpy as np

from . import _zol

ArrayLike = Union[Sequence[float], np.ndarray]

#: The item models by the names the library reads and writes.
MODELS = tuple(_zol.MODELS)
#: The link methods by the names equate's link takes, as the program's --link does.
LINK_METHODS = tuple(_zol.LINK_METHODS)


def _input_error(explanation: str) -> "_zol.InputError":
    """A refusal of records or arguments, as the library refuses records it cannot use."""
    error = _zol.InputError(explanation)
    error.kind = "invalid_input"
    error.explanation = explanation
    return error


def _is_missing(value: Any) -> bool:
    # None, pandas' NA and NaT: no value at all, unlike NaN, which is a number
    # that the library refuses in its own words.
    return value is None or type(value).__name__ in ("NAType", "NaTType")


def _ordinal_list(words: Sequence[str]) -> str:
    return words[0] if len(words) == 1 else f"{', '.join(words[:-1])} and {words[-1]}"


def _numbers(values: Any, what: str) -> np.ndarray:
    """One-dimensional float64 values; what names them ("the new form's a")."""
    try:
        array = np.asarray(values, dtype=np.float64)
    except (TypeError, ValueError):
        array = None
    if array is None:
        for k, value in enumerate(values):
            if _is_missing(value):
                raise _input_error(f"{what} has no value in entry {k + 1}") from None
            try:
                float(value)
            except (TypeError, ValueError):
                raise _input_error(f"{what} holds {value!r} in entry {k + 1}, "
                                   f"not a number") from None
        raise _input_error(f"{what} are not numbers")
    if array.ndim != 1:
        raise _input_error(f"{what} must be one-dimensional, not of shape {array.shape}")
    return array.copy() if array is values else array


def _is_frame(value: Any) -> bool:
    return hasattr(value, "columns") and hasattr(value, "to_numpy")


class _FrameColumns:
    """A DataFrame's columns for one record, each checked where its values are needed: a
    cell without a value (pandas' NA, None) there is refused, naming the record's field,
    the column and the row."""

    def __init__(self, frame: Any, what: str, labels: Optional[np.ndarray] = None,
                 labels_from_index: bool = False) -> None:
        self.frame, self.what = frame, what
        self.labels, self.labels_from_index = labels, labels_from_index

    def has(self, column: str) -> bool:
        return column in self.frame.columns

    def require(self, columns: Sequence[str]) -> None:
        missing = [name for name in columns if not self.has(name)]
        if missing:
            noun = "column" if len(missing) == 1 else "columns"
            raise _input_error(f"{self.what} has no {noun} {_ordinal_list(missing)}")

    def where(self, row: int) -> str:
        if self.labels is None:
            return f"row {self.frame.index[row]}"
        if self.labels_from_index:
            return f"item {self.labels[row]}"
        return f"row {self.frame.index[row]} (item {self.labels[row]})"

    def _absent(self, column: str, field: str, row: int) -> "_zol.InputError":
        named = field if column == field else f"{field} (column {column})"
        return _input_error(f"{self.what} has no value for {named} in {self.where(row)}")

    def missing(self, column: str) -> np.ndarray:
        """Where the column has no value at all; NaN in a float64 column is a value."""
        series = self.frame[column]
        if isinstance(series.dtype, np.dtype) and series.dtype.kind == "f":
            return np.zeros(len(series), dtype=bool)
        return series.isna().to_numpy(dtype=bool)

    def numbers(self, column: str, field: str, needed: Optional[np.ndarray] = None) -> np.ndarray:
        """The column as float64, NaN where a cell has no value; refused where needed (all
        rows unless told) has no value or a cell is not a number."""
        missing = self.missing(column)
        needed = np.ones(len(missing), dtype=bool) if needed is None else needed
        if np.any(missing & needed):
            raise self._absent(column, field, int(np.argmax(missing & needed)))
        series = self.frame[column]
        try:
            return series.to_numpy(dtype=np.float64, na_value=np.nan)
        except (TypeError, ValueError):
            for row, value in enumerate(series):
                if missing[row]:
                    continue
                try:
                    float(value)
                except (TypeError, ValueError):
                    raise _input_error(f"{self.what}: {field} {value!r} in "
                                       f"{self.where(row)} is not a number") from None
            raise

    def texts(self, column: str, field: str) -> List[str]:
        missing = self.missing(column)
        if np.any(missing):
            raise self._absent(column, field, int(np.argmax(missing)))
        return [str(value) for value in self.frame[column]]


def _step_columns(frame: Any) -> List[str]:
    names = [str(name) for name in frame.columns]
    steps = [name for name in names if name.startswith("b") and name[1:].isdigit()]
    return sorted(steps, key=lambda name: int(name[1:]))


class Form:
    """One test form: its items' labels, models and parameters, item for item.

    ``labels`` name the items (common items of two forms share a label; any
    length); ``a`` is the discrimination (slope), ``b`` the difficulty and
    ``c`` the lower asymptote of a 3PL item. ``model`` names each item's model,
    "3PL", "GPCM" or "GRM" in any letter case (all "3PL" when not given); a
    GPCM or GRM item of K categories, scored 0..K-1, has its K - 1 step or
    boundary parameters in ``steps`` (one array per item, empty for a 3PL
    item) and NaN for b and c. ``labels``, ``model``, ``a``, ``b`` and ``c``
    are one-dimensional NumPy arrays of one length. Records that do not fit
    raise ``zol.InputError``.
    """

    def __init__(self, labels: Sequence[str], a: ArrayLike, b: Optional[ArrayLike] = None,
                 c: Optional[ArrayLike] = None, model: Optional[Sequence[str]] = None,
                 steps: Optional[Sequence[ArrayLike]] = None) -> None:
        self._set("the form", labels, a, b, c, model, steps)

    def _set(self, which: str, labels: Sequence[Any], a: ArrayLike, b: Optional[ArrayLike],
             c: Optional[ArrayLike], model: Optional[Sequence[Any]],
             steps: Optional[Sequence[Any]]) -> None:
        for k, label in enumerate(labels):
            if _is_missing(label):
                raise _input_error(f"item {k + 1} of {which} has no label")
        self.labels = np.array([str(label) for label in labels], dtype=object)
        n = len(self.labels)
        self.a = _numbers(a, f"{which}'s a")
        self.b = np.full(n, np.nan) if b is None else _numbers(b, f"{which}'s b")
        self.c = np.full(n, np.nan) if c is None else _numbers(c, f"{which}'s c")
        if not n == len(self.a) == len(self.b) == len(self.c):
            raise _input_error(
                f"{which} needs one label, a, b and c per item: {n} labels, {len(self.a)} a, "
                f"{len(self.b)} b and {len(self.c)} c")
        if model is None:
            model = ["3PL"] * n
        if len(model) != n:
            raise _input_error(f"{which} needs one model per item: {n} labels, "
                               f"{len(model)} models")
        canonical = {name.upper(): name for name in MODELS}
        self.model = np.empty(n, dtype=object)
        for k, name in enumerate(model):
            if _is_missing(name):
                raise _input_error(f"item {self.labels[k]} of {which} has no model")
            known = canonical.get(str(name).upper())
            if known is None:
                raise _input_error(f"item {self.labels[k]} of {which} has the model {name!r}, "
                                   f"not one of {_ordinal_list(MODELS)}")
            self.model[k] = known
        if steps is not None and len(steps) != n:
            raise _input_error(f"{which} needs one array of steps per item: {n} labels, "
                               f"{len(steps)} arrays of steps")
        self.steps = []
        for k in range(n):
            if self.model[k] == "3PL":
                self.steps.append(np.empty(0))
                continue
            item = np.empty(0) if steps is None else \
                _numbers(steps[k], f"the steps of item {self.labels[k]} of {which}")
            if len(item) == 0:
                raise _input_error(f"item {self.labels[k]} of {which} is {self.model[k]} but "
                                   f"has no steps b1, b2, ...")
            self.steps.append(item)
        # The line of each item's record in the file it was read from, where
        # the reader warned of its values; None for items made in memory.
        self._lines: Optional[np.ndarray] = None

    @classmethod
    def from_frame(cls, frame: Any) -> "Form":
        """The form of a pandas DataFrame: labels from a column ``label`` or else from a
        string index; ``a``; ``b`` and ``c`` (or ``g`` for c) for 3PL items; a column
        ``model`` naming each item's model, and the steps of GPCM and GRM items in columns
        ``b1``, ``b2``, ... (an item's steps end at its first empty cell)."""
        return _frame_form(frame, "the form")

    def to_frame(self) -> Any:
        """The form as a pandas DataFrame with columns label, a, b and c; a form with GPCM or
        GRM items also has the column model and the steps in columns b1, b2, ..."""
        import pandas as pd
        columns = {"label": self.labels}
        mixed = any(m != "3PL" for m in self.model)
        if mixed:
            columns["model"] = self.model
        columns.update({"a": self.a, "b": self.b, "c": self.c})
        if mixed:
            most = max(len(item) for item in self.steps)
            for v in range(most):
                columns[f"b{v + 1}"] = np.array([item[v] if v < len(item) else np.nan
                                                 for item in self.steps])
        return pd.DataFrame(columns)

    def __len__(self) -> int:
        return len(self.labels)

    def __repr__(self) -> str:
        return f"<zol.Form of {len(self)} items>"

    def _records(self, with_lines: bool) -> dict:
        return {"labels": list(self.labels), "model": list(self.model), "a": self.a, "b": self.b,
                "c": self.c, "steps": list(self.steps),
                "lines": self._lines if with_lines else None}


def _labels_of(frame: Any, which: str) -> tuple:
    """The labels of a frame's rows, from its column label or else its index of strings, and
    whether they came from the index."""
    columns = _FrameColumns(frame, which)
    if columns.has("label"):
        return columns.texts("label", "label"), False
    if len(frame.index) and frame.index.inferred_type == "string":
        return [str(label) for label in frame.index], True
    raise _input_error(f"{which} has no column label, and its index holds no labels")


def _frame_form(frame: Any, which: str) -> Form:
    labels, from_index = _labels_of(frame, which)
    columns = _FrameColumns(frame, which, np.array(labels, dtype=object), from_index)
    columns.require(["a"])
    model = columns.texts("model", "model") if columns.has("model") else ["3PL"] * len(labels)
    three_pl = np.array([str(m).upper() == "3PL" for m in model], dtype=bool)
    chance = "c" if columns.has("c") or not columns.has("g") else "g"
    if three_pl.any():
        columns.require(["b", chance])
    b = columns.numbers("b", "b", three_pl) if columns.has("b") else None
    c = columns.numbers(chance, "c", three_pl) if columns.has(chance) else None
    a = columns.numbers("a", "a")
    steps = None
    if not three_pl.all():
        names = _step_columns(frame)
        table = np.column_stack([columns.numbers(name, name, np.zeros(len(labels), dtype=bool))
                                 for name in names]) if names else np.empty((len(labels), 0))
        steps = []
        for k, row in enumerate(table):
            empty = np.isnan(row)
            count = int(np.argmax(empty)) if empty.any() else len(row)
            if not three_pl[k] and not empty[count:].all():
                after = count + int(np.argmax(~empty[count:]))
                raise _input_error(f"item {labels[k]} of {which} has {names[after]} but no "
                                   f"{names[count]}")
            steps.append(row[:count])
    form = Form.__new__(Form)
    form._set(which, labels, a, b, c, model, steps)
    return form


class Conversion:
    """The old form's raw-to-scale conversion table on a regular raw-score grid.

    Row k (from 0) gives the scale score ``scale[k]`` of the raw score
    ``lowest + k * increment``; ``highest`` is the last row's raw score. The
    three values are also the bounds and the unit of a rounded scale score.
    """

    def __init__(self, lowest: float, highest: float, increment: float, scale: ArrayLike) -> None:
        self.lowest = float(lowest)
        self.highest = float(highest)
        self.increment = float(increment)
        self.scale = _numbers(scale, "the conversion table's scale scores")
        # The line of the table's header in the file it was read from, which
        # warnings about the table name; 0 for a table made in memory.
        self._header_line = 0

    @classmethod
    def from_frame(cls, frame: Any) -> "Conversion":
        """The table of a pandas DataFrame with columns raw and scale, raw on a regular grid."""
        columns = _FrameColumns(frame, "the conversion table")
        columns.require(["raw", "scale"])
        raw = columns.numbers("raw", "raw")
        if len(raw) < 2:
            raise _input_error("the conversion table needs at least 2 rows")
        increment = raw[1] - raw[0]
        if not np.allclose(np.diff(raw), increment):
            raise _input_error("the conversion table's raw scores must lie on a regular grid")
        return cls(raw[0], raw[-1], increment, columns.numbers("scale", "scale"))

    @property
    def raw(self) -> np.ndarray:
        """The raw score of each row."""
        return self.lowest + self.increment * np.arange(len(self.scale))

    def to_frame(self) -> Any:
        """The table as a pandas DataFrame with columns raw and scale."""
        import pandas as pd
        return pd.DataFrame({"raw": self.raw, "scale": self.scale})

    def __repr__(self) -> str:
        return (f"<zol.Conversion of {len(self.scale)} rows, raw {self.lowest:g} to "
                f"{self.highest:g} by {self.increment:g}>")

    def _records(self, with_lines: bool) -> dict:
        return {"lowest": self.lowest, "highest": self.highest, "increment": self.increment,
                "scale": self.scale, "header_line": self._header_line if with_lines else 0}


def _form(value: Any, which: str) -> Form:
    if isinstance(value, Form):
        return value
    if _is_frame(value):
        return _frame_form(value, f"the {which} form")
    raise TypeError(f"{which} must be a zol.Form or a DataFrame, not {type(value).__name__}")


def _quadrature(theta: Any, weights: Any, what: str, argument: str = "theta") -> tuple:
    """The points and weights (None: equal weights) of an ability distribution given as arrays
    or as a DataFrame; what names it ("the old group's ability distribution"), argument the
    points' argument."""
    if _is_frame(theta):
        if weights is not None:
            raise _input_error(f"{what} has its weights in the DataFrame's column weight; "
                               f"{argument.replace('theta', 'weights')} must then be None")
        columns = _FrameColumns(theta, what)
        columns.require(["point"])
        points = columns.numbers("point", "point")
        return points, columns.numbers("weight", "weight") if columns.has("weight") else None
    if theta is None:
        if weights is not None:
            raise _input_error(f"{what} has weights but no points {argument}")
        return None, None
    return (_numbers(theta, f"{what}'s points {argument}"),
            None if weights is None else _numbers(weights, f"{what}'s weights"))


class Input:
    """Everything one equating reads.

    ``new`` and ``old`` are the forms (``zol.Form`` or DataFrames, see
    ``Form.from_frame``). ``theta`` is the ability distribution: its
    quadrature points, with their ``weights`` (``None``: every point weighs
    1/len(theta)), or a DataFrame with columns ``point`` and ``weight``
    (without ``weight``: equal weights); without it only true-score equating
    is done. ``conversion`` is a ``zol.Conversion`` or a DataFrame with
    columns raw and scale; ``None`` is the identity on the old form's raw
    scores. ``name`` is what the report's "Input file:" line shows.

    Two groups, as a common-item design has them: ``old_theta`` (with
    ``old_weights``, or a DataFrame of ``point`` and ``weight`` as ``theta``
    takes) is the old group's ability distribution on the old form's scale,
    as an input file's ``$Link_Theta_Distribution`` section; ``theta`` is
    then the new group's on the new form's scale, and observed-score
    equating is done in their synthetic population (``equate``'s
    ``synthetic_weight``). ``old_theta`` needs ``theta``.

    Standard errors: ``new_covariance`` and ``old_covariance`` are the
    sampling covariances of the forms' estimates (``zol.Covariance``, or a
    DataFrame as ``Covariance.from_frame`` takes: a matrix named "LABEL:a",
    "LABEL:b", ... both ways, or standard errors in columns ``se_a``,
    ``se_b``, ...); with either, ``equate`` also gives the standard errors of
    the linking and of every equated and scale score. Parameters not named are
    held fixed; a form without one has all its parameters fixed.

    ``warnings`` holds what the reader found odd in an input read from a
    file (``read_input``), and in a covariance file (``read_covariance``), as
    lines; an input made in memory has none, and equate warns of its odd
    values instead.
    """

    def __init__(self, new: Union[Form, Any], old: Union[Form, Any],
                 theta: Union[ArrayLike, Any, None] = None, weights: Optional[ArrayLike] = None,
                 conversion: Union[Conversion, Any, None] = None, name: str = "",
                 old_theta: Union[ArrayLike, Any, None] = None,
                 old_weights: Optional[ArrayLike] = None, new_covariance: Any = None,
                 old_covariance: Any = None) -> None:
        # Imported here: the covariance's frames are read with this module's helpers.
        from ._covariance import _covariance
        self.new = _form(new, "new")
        self.old = _form(old, "old")
        two_groups = old_theta is not None or old_weights is not None
        self.theta, self.weights = _quadrature(
            theta, weights,
            "the new group's ability distribution" if two_groups else "the ability distribution")
        self.old_theta, self.old_weights = _quadrature(
            old_theta, old_weights, "the old group's ability distribution", "old_theta")
        if _is_frame(conversion):
            conversion = Conversion.from_frame(conversion)
        elif conversion is not None and not isinstance(conversion, Conversion):
            raise TypeError("conversion must be a zol.Conversion, a DataFrame or None")
        self.conversion = conversion
        self.name = str(name)
        self.new_covariance = _covariance(new_covariance, "new", "new_covariance")
        self.old_covariance = _covariance(old_covariance, "old", "old_covariance")
        self.warnings: List[str] = []
        # For an input read from a file: the reader's warnings as the library
        # keeps them, to come first within the equating's cap, and the lines
        # of the quadratures' headers, where the reader warned of their weights.
        self._reader: Optional[_zol.Warnings] = None
        self._theta_line = 0
        self._old_theta_line = 0
        # For covariances read from a file (read_covariance): its warnings as
        # the library keeps them, shown after the input's, and how many of
        # the lines in warnings are theirs.
        self._covariance_warnings: Optional[_zol.Warnings] = None
        self._covariance_texts = 0

    def __repr__(self) -> str:
        quadrature = "no theta" if self.theta is None else f"{len(self.theta)} theta points"
        if self.old_theta is not None:
            quadrature += f" and {len(self.old_theta)} of the old group"
        covariances = [which for which, covariance in (("new", self.new_covariance),
                                                       ("old", self.old_covariance))
                       if covariance is not None]
        covariance = (f", covariances of the {' and '.join(covariances)} "
                      f"form{'s' if len(covariances) > 1 else ''}" if covariances else "")
        return (f"<zol.Input {self.name!r}: {len(self.new)} new and {len(self.old)} old items, "
                f"{quadrature}, {'a' if self.conversion else 'no'} conversion{covariance}>")

    def _records(self) -> dict:
        # The lines of a file's records tell the library that the reader has
        # warned of their values already; records made in memory have none.
        read = self._reader is not None
        return {"new": self.new._records(read), "old": self.old._records(read),
                "theta": self.theta, "weights": self.weights,
                "theta_line": self._theta_line if read else 0,
                "old_theta": self.old_theta, "old_weights": self.old_weights,
                "old_theta_line": self._old_theta_line if read else 0,
                "conversion": None if self.conversion is None else self.conversion._records(read),
                "name": self.name, "warnings": self._reader,
                "covariance_warnings": self._covariance_warnings,
                "new_covariance": None if self.new_covariance is None
                else self.new_covariance._records(),
                "old_covariance": None if self.old_covariance is None
                else self.old_covariance._records()}


def _form_of_records(records: dict) -> Form:
    # The form of a dict the compiled module gives, without the lines of its records.
    return Form(records["labels"], records["a"], records["b"], records["c"], records["model"],
                records["steps"])


def _read_form(records: dict) -> Form:
    form = _form_of_records(records)
    form._lines = records["lines"]
    return form


def read_input(path: Union[str, os.PathLike], mixed_format: bool = False) -> Input:
    """The ``zol.Input`` of an input file, read by the format's rules and named by ``path``.

    With ``mixed_format`` item records may name their model after the label
    ("LABEL 3PL a b c", "LABEL GPCM K a b1 ..", "LABEL GRM K a b1 ..") and
    labels have up to 64 characters; without it a label is cut after its 8th
    character. A one-column quadrature gets equal weights, which ``weights``
    then holds. A ``$Link_Theta_Distribution`` section, the old group's
    ability distribution, fills ``old_theta`` and ``old_weights``. ``warnings`` holds what the reader found odd ("FILE:LINE:
    warning: ..."); ``equate`` shows them first among its own.
    A file that cannot be opened or is refused raises ``zol.InputError``,
    whose text is the explanation ("FILE:LINE: cause").
    """
    records = _zol.read_input(os.fsencode(path), bool(mixed_format))
    conversion = records["conversion"]
    table = None
    if conversion is not None:
        table = Conversion(conversion["lowest"], conversion["highest"], conversion["increment"],
                           conversion["scale"])
        table._header_line = conversion["header_line"]
    read = Input(_read_form(records["new"]), _read_form(records["old"]), records["theta"],
                 records["weights"], table, records["name"], records["old_theta"],
                 records["old_weights"])
    read.warnings = list(records["warning_texts"])
    read._reader = records["warnings"]
    read._theta_line = records["theta_line"]
    read._old_theta_line = records["old_theta_line"]
    return read
