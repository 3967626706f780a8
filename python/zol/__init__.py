"""zol: IRT true-score and observed-score equating of two test forms (3PL).

The numbers, the report, the CSV and the picture of the zol program, from
NumPy arrays and pandas DataFrames::

    import zol
    result = zol.equate(zol.read_input("forms.txt"))
    print(result.report)            # what `zol forms.txt` prints
    frame = result.to_pandas()      # one row per raw score

Records: ``Form``, ``Conversion``, ``Input`` and ``read_input``; the
equating: ``equate``, giving a ``Result`` (with ``Linking`` when linked).
Failures raise ``InputError`` or ``EquatingError``, both ``Error``, itself a
``ValueError``.
"""

from ._zol import EquatingError, Error, InputError, __version__
from ._equate import Linking, Result, equate
from ._records import Conversion, Form, Input, read_input

__all__ = ["Conversion", "EquatingError", "Error", "Form", "Input", "InputError", "Linking",
           "Result", "__version__", "equate", "read_input"]
