// The constants and the table of powers of two behind the deterministic exponential
#pragma once

#include <cstdint>

namespace zol::exp_core {

// e^x = 2^(k/128) e^r with k = round(x * 128 / ln 2) and |r| <= ln 2 / 256.
constexpr int TABLE_BITS = 7;
constexpr int TABLE_SIZE = 1 << TABLE_BITS;

// 2^(j/128) as hi (1 + tail): the double nearest the power, and the relative
// error of that double rounded to a double.
struct TableEntry {
  double hi;
  double tail;
};
extern const TableEntry POWERS_OF_TWO[TABLE_SIZE];

}  // namespace zol::exp_core
