#!/usr/bin/env python3
"""Writes exp_table.cpp: the powers 2^(j/128), j = 0..127, of the deterministic
exponential, each as the double nearest it and the relative error of that
double rounded to a double, computed in 80-digit decimal arithmetic.

    python3 src/irt/exp_table.py > src/irt/exp_table.cpp
"""
from decimal import Decimal, getcontext

getcontext().prec = 80


def hex_double(x):
    """C++ hexadecimal literal of a double, 13 hex digits after the point."""
    if x == 0.0:
        return "0x0p+0"
    mantissa, exponent = x.hex().split("p")
    sign = "-" if mantissa.startswith("-") else ""
    digits = mantissa.lstrip("-")[4:]
    return f"{sign}0x1.{digits:0<13}p{exponent}"


print("""// Powers 2^(j/128), j = 0..127, for the deterministic exponential
#include "irt/exp_table.h"

namespace zol::exp_core {

// Each entry is the double nearest 2^(j/128) and the relative error of that
// double, (2^(j/128) - hi) / hi, rounded to a double; together they carry the
// power to about 106 bits, which keeps the exponential's error to the final
// rounding. Computed in 80-digit decimal arithmetic by exp_table.py.
const TableEntry POWERS_OF_TWO[TABLE_SIZE] = {""")
for j in range(128):
    power = Decimal(2) ** (Decimal(j) / Decimal(128))
    hi = float(power)
    tail = float((power - Decimal(hi)) / Decimal(hi))
    print(f"    {{{hex_double(hi)}, {hex_double(tail)}}},")
print("""};

}  // namespace zol::exp_core""")
