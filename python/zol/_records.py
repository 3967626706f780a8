# The records an equating reads: forms, conversion table and the input as a whole
from __future__ import annotations

import os
from typing import Any, Optional, Sequence, Union

import numpy as np

from . import _zol

ArrayLike = Union[Sequence[float], np.ndarray]


def _column(values: ArrayLike, what: str) -> np.ndarray:
    array = np.array(values, dtype=np.float64)
    if array.ndim != 1:
        raise ValueError(f"{what} must be one-dimensional, not of shape {array.shape}")
    return array


def _is_frame(value: Any) -> bool:
    return hasattr(value, "columns") and hasattr(value, "to_numpy")


def _frame_columns(frame: Any, names: Sequence[str], what: str) -> None:
    missing = [name for name in names if name not in frame.columns]
    if missing:
        raise ValueError(f"{what} needs the column(s) {', '.join(missing)}")


MODELS = ("3PL", "GPCM", "GRM")


class Form:
    """One test form: its items' labels, models and parameters, item for item.

    ``labels`` name the items (common items of two forms share a label);
    ``a`` is the discrimination (slope), ``b`` the difficulty and ``c`` the
    lower asymptote of a 3PL item. ``model`` names each item's model, "3PL",
    "GPCM" or "GRM" (all "3PL" when not given); a GPCM or GRM item of K
    categories, scored 0..K-1, has its K - 1 step or boundary parameters in
    ``steps`` (one array per item, empty for a 3PL item) and NaN for b and c.
    ``labels``, ``model``, ``a``, ``b`` and ``c`` are one-dimensional NumPy
    arrays of one length.
    """

    def __init__(self, labels: Sequence[str], a: ArrayLike, b: ArrayLike, c: ArrayLike,
                 model: Optional[Sequence[str]] = None,
                 steps: Optional[Sequence[ArrayLike]] = None) -> None:
        self.labels = np.array([str(label) for label in labels], dtype=object)
        self.a = _column(a, "a")
        self.b = _column(b, "b")
        self.c = _column(c, "c")
        n = len(self.labels)
        if not n == len(self.a) == len(self.b) == len(self.c):
            raise ValueError(
                f"a form needs one label, a, b and c per item: {len(self.labels)} labels, "
                f"{len(self.a)} a, {len(self.b)} b and {len(self.c)} c")
        self.model = np.array(["3PL"] * n if model is None else [str(m).upper() for m in model],
                              dtype=object)
        unknown = sorted(set(self.model) - set(MODELS))
        if len(self.model) != n or unknown:
            raise ValueError(f"a form needs one model per item, each of {', '.join(MODELS)}")
        self.steps = [np.empty(0) for _ in range(n)] if steps is None else \
            [_column(item, "steps") for item in steps]
        if len(self.steps) != n:
            raise ValueError("a form needs one array of steps per item")

    @classmethod
    def from_frame(cls, frame: Any) -> "Form":
        """The form of a pandas DataFrame with columns label, a, b and c (or g for c); with a
        column model, the steps of its GPCM and GRM items come from columns b1, b2, ..."""
        chance = "c" if "c" in frame.columns else "g"
        _frame_columns(frame, ["label", "a", "b", chance], "a form's DataFrame")
        model = None
        steps = None
        if "model" in frame.columns:
            model = [str(m) for m in frame["model"]]
            step_columns = sorted((name for name in frame.columns
                                   if str(name).startswith("b") and str(name)[1:].isdigit()),
                                  key=lambda name: int(str(name)[1:]))
            table = frame[step_columns].to_numpy(dtype=np.float64) if step_columns else \
                np.empty((len(frame), 0))
            steps = [row[~np.isnan(row)] if m.upper() != "3PL" else np.empty(0)
                     for m, row in zip(model, table)]
        return cls(frame["label"].tolist(), frame["a"].to_numpy(), frame["b"].to_numpy(),
                   frame[chance].to_numpy(), model, steps)

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

    def _records(self) -> tuple:
        return (list(self.labels), self.a, self.b, self.c, list(self.model), list(self.steps))


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
        self.scale = _column(scale, "scale")

    @classmethod
    def from_frame(cls, frame: Any) -> "Conversion":
        """The table of a pandas DataFrame with columns raw and scale, raw on a regular grid."""
        _frame_columns(frame, ["raw", "scale"], "a conversion's DataFrame")
        raw = _column(frame["raw"].to_numpy(), "raw")
        if len(raw) < 2:
            raise ValueError("a conversion table needs at least 2 rows")
        increment = raw[1] - raw[0]
        if not np.allclose(np.diff(raw), increment):
            raise ValueError("a conversion table's raw scores must lie on a regular grid")
        return cls(raw[0], raw[-1], increment, frame["scale"].to_numpy())

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

    def _records(self) -> tuple:
        return (self.lowest, self.highest, self.increment, self.scale)


def _form(value: Any, what: str) -> Form:
    if isinstance(value, Form):
        return value
    if _is_frame(value):
        return Form.from_frame(value)
    raise TypeError(f"{what} must be a zol.Form or a DataFrame, not {type(value).__name__}")


class Input:
    """Everything one equating reads.

    ``new`` and ``old`` are the forms (``zol.Form`` or DataFrames with
    columns label, a, b, c). ``theta`` and ``weights`` are the ability
    distribution's quadrature points and weights; without ``theta`` only
    true-score equating is done, and ``weights=None`` gives every point the
    weight 1/len(theta). ``conversion`` is a ``zol.Conversion`` or a DataFrame
    with columns raw and scale; ``None`` is the identity on the old form's raw
    scores. ``name`` is what the report's "Input file:" line shows.
    """

    def __init__(self, new: Union[Form, Any], old: Union[Form, Any],
                 theta: Optional[ArrayLike] = None, weights: Optional[ArrayLike] = None,
                 conversion: Union[Conversion, Any, None] = None, name: str = "") -> None:
        self.new = _form(new, "new")
        self.old = _form(old, "old")
        if theta is None and weights is not None:
            raise ValueError("weights need the quadrature points theta")
        self.theta = None if theta is None else _column(theta, "theta")
        self.weights = None if weights is None else _column(weights, "weights")
        if _is_frame(conversion):
            conversion = Conversion.from_frame(conversion)
        elif conversion is not None and not isinstance(conversion, Conversion):
            raise TypeError("conversion must be a zol.Conversion, a DataFrame or None")
        self.conversion = conversion
        self.name = str(name)

    def __repr__(self) -> str:
        quadrature = "no theta" if self.theta is None else f"{len(self.theta)} theta points"
        return (f"<zol.Input {self.name!r}: {len(self.new)} new and {len(self.old)} old items, "
                f"{quadrature}, {'a' if self.conversion else 'no'} conversion>")


def read_input(path: Union[str, os.PathLike], mixed_format: bool = False) -> Input:
    """The ``zol.Input`` of an input file, read by the program's rules and named by ``path``.

    With ``mixed_format`` item records may name their model after the label,
    as the program's --mixed-format reads them ("3PL a b c", "GPCM K a b1 ..",
    "GRM K a b1 .."). A one-column quadrature gets equal weights, which
    ``weights`` then holds.
    A file that cannot be opened or is refused raises ``zol.InputError``,
    whose text is the explanation ("FILE:LINE: cause").
    """
    records = _zol.read_input(os.fsencode(path), bool(mixed_format))
    conversion = records["conversion"]
    return Input(Form(*records["new"]), Form(*records["old"]), records["theta"],
                 records["weights"], None if conversion is None else Conversion(*conversion),
                 records["name"])
