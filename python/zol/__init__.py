"""zol: IRT true-score and observed-score equating of two test forms of 3PL, GPCM and GRM
items, optionally after linking their scales through common items.

The numbers, the report, the CSV and the picture of the zol program, from
NumPy arrays and pandas DataFrames::

    import zol
    result = zol.equate(zol.read_input("forms.txt"))
    print(result.report)            # what `zol forms.txt` prints
    frame = result.to_pandas()      # one row per raw score
    result.warnings                 # what was found odd, one line each

Records: ``Form``, ``Conversion``, ``Input`` (one population, or two groups
with the old group's ``old_theta``; with a ``Covariance`` of either form's
estimates, standard errors too), ``read_input`` and ``read_covariance`` (a
covariance file, as the program's ``--covariance``), and
``from_slope_intercept`` for estimates in slope-intercept form; the equating:
``equate``, giving a ``Result`` (with ``Linking`` and the common items'
``common_items_frame()`` when linked by one of ``LINK_METHODS``).
Failures raise ``InputError`` (the input or the arguments) or
``EquatingError`` (the equating), both ``Error``, itself a ``ValueError``;
each has ``kind`` and ``explanation``.
"""

from ._zol import EquatingError, Error, InputError, __version__
from ._covariance import Covariance, from_slope_intercept, read_covariance
from ._equate import Linking, Result, equate
from ._records import LINK_METHODS, MODELS, Conversion, Form, Input, read_input

__all__ = ["Conversion", "Covariance", "EquatingError", "Error", "Form", "Input", "InputError",
           "LINK_METHODS", "Linking", "MODELS", "Result", "__version__", "equate",
           "from_slope_intercept", "read_covariance", "read_input"]
