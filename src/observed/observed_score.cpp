// Fitted observed-score distributions: the Lord-Wingersky recursion summed over a theta quadrature
#include "observed_score.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "allocation.h"
#include "item_model.h"

namespace {

// A fitted distribution is a weighted sum of distributions that each total 1,
// so its total is the weights' total; weights further than this from 1 are
// taken to be frequencies or a mistake.
constexpr double WEIGHT_TOTAL_TOLERANCE = 0.1;

// Items whose probabilities are computed together, four at a time, into a
// buffer on the stack: the recursion allocates nothing per point or item.
constexpr std::int32_t ITEM_BATCH = 64;

// Four doubles, one AVX2 register; on a machine without AVX2 the compiler
// splits each operation into two SSE2 halves.
typedef double Lanes __attribute__((vector_size(32)));
constexpr std::int32_t LANES = 4;
constexpr std::uintptr_t LANE_BYTES = sizeof(Lanes);

// One scalar step of the recursion at score x, reading the previous item's
// work[x - 1] and work[x].
inline void update_one(double* work, std::int32_t x, double p, double q) {
  work[x] = p * work[x - 1] + q * work[x];
}

// work[x] = p * work[x - 1] + q * work[x] for x = top down to 1, every
// right-hand side taken from the previous item's values. Going down, the
// entries that a block reads lie at or below the ones it writes, and the
// blocks still to come read nothing that has been written, so each block
// loads its old values and then stores all eight new ones at once. Every lane
// does exactly the scalar multiplications and addition, in the same order,
// so the AVX2 clone gives the same bits as the plain one.
[[gnu::always_inline]] inline void lord_wingersky_step(double* work, std::int32_t top, double p,
                                                       double q) {
  std::int32_t x = top;
  if (x >= 4 * LANES) {
    // Aligned stores are markedly faster; peel at most three scores so that
    // both stores of every block start on a 32-byte boundary.
    const auto base = reinterpret_cast<std::uintptr_t>(work);
    while ((base + sizeof(double) * static_cast<std::uintptr_t>(x - (LANES - 1))) % LANE_BYTES !=
           0) {
      update_one(work, x, p, q);
      --x;
    }
  }
  for (; x >= 2 * LANES; x -= 2 * LANES) {
    double* block = work + (x - 2 * LANES);  // scores x - 8 .. x
    Lanes below_low, here_low, below_high, here_high;
    std::memcpy(&below_low, block, sizeof(Lanes));
    std::memcpy(&here_low, block + 1, sizeof(Lanes));
    std::memcpy(&below_high, block + LANES, sizeof(Lanes));
    std::memcpy(&here_high, block + LANES + 1, sizeof(Lanes));
    const Lanes low = p * below_low + q * here_low;
    const Lanes high = p * below_high + q * here_high;
    std::memcpy(block + 1, &low, sizeof(Lanes));
    std::memcpy(block + LANES + 1, &high, sizeof(Lanes));
  }
  // Short forms spend most of a step here, on the last few scores.
  if (x >= LANES) {
    double* block = work + (x - LANES);  // scores x - 4 .. x
    Lanes below, here;
    std::memcpy(&below, block, sizeof(Lanes));
    std::memcpy(&here, block + 1, sizeof(Lanes));
    const Lanes updated = p * below + q * here;
    std::memcpy(block + 1, &updated, sizeof(Lanes));
    x -= LANES;
  }
  for (; x >= 1; --x) update_one(work, x, p, q);
}

// Items first .. first + count - 1 (first >= 2) of the recursion, whose
// probabilities are p[0 .. count - 1]. One dispatched call runs many items,
// which matters for short forms, where an item's step is a few dozen scores.
__attribute__((target_clones("avx2", "default"))) void lord_wingersky_items(double* work,
                                                                            std::int32_t first,
                                                                            std::int32_t count,
                                                                            const double* p) {
  for (std::int32_t k = 0; k < count; ++k) {
    const std::int32_t i = first + k;
    const double q = 1.0 - p[k];
    work[i] = p[k] * work[i - 1];
    lord_wingersky_step(work, i - 1, p[k], q);
    work[0] = q * work[0];
  }
}

bool covers(OneBasedView view, std::int32_t n) {
  return n <= 0 || view.values.size() >= static_cast<std::size_t>(n);
}

bool covers(std::span<const double> values, std::int64_t count) {
  return count <= 0 || values.size() >= static_cast<std::uint64_t>(count);
}

// Exact comparisons on purpose: only items scored exactly 1 and 0 may take the
// number-correct recursion, whose totals are counts.
bool number_correct_scoring(std::int32_t n, OneBasedView correct_score,
                            OneBasedView incorrect_score) {
  if (correct_score.absent()) return true;
  for (std::int32_t k = 1; k <= n; ++k) {
    if (correct_score[k] != 1.0 || incorrect_score[k] != 0.0) return false;
  }
  return true;
}

}  // namespace

std::int32_t score_grid_points(double lowest, double highest, double increment) {
  if (!std::isfinite(increment) || !(increment > 0.0)) return 0;
  const double points = std::trunc((highest - lowest) / increment + 0.5) + 1.0;
  // Also false for a span that is not a number; the work vector needs one more.
  if (!(points >= 1.0 && points < std::numeric_limits<std::int32_t>::max())) return 0;
  return static_cast<std::int32_t>(points);
}

Status conditional_number_correct(double theta, OneBasedView a, OneBasedView b, OneBasedView c,
                                  std::int32_t n, std::span<double> work) {
  if (n < 1 || !covers(a, n) || !covers(b, n) || !covers(c, n) ||
      !covers(work, std::int64_t{n} + 1)) {
    return 1;
  }
  double p[ITEM_BATCH];
  for (std::int32_t first = 1; first <= n; first += ITEM_BATCH) {
    const std::int32_t count = std::min(ITEM_BATCH, n - first + 1);
    const auto offset = static_cast<std::size_t>(first - 1);
    const auto length = static_cast<std::size_t>(count);
    prob_3pl_batch(theta, a.values.subspan(offset, length), b.values.subspan(offset, length),
                   c.values.subspan(offset, length), {p, length});
    std::int32_t skip = 0;
    if (first == 1) {
      work[0] = 1.0 - p[0];
      work[1] = p[0];
      skip = 1;
    }
    lord_wingersky_items(work.data(), first + skip, count - skip, p + skip);
  }
  return 0;
}

Status observed_score_distribution(OneBasedView a, OneBasedView b, OneBasedView c, std::int32_t n,
                                   std::span<double> distribution, OneBasedView points,
                                   OneBasedView weights, std::int32_t n_points, double lowest,
                                   double highest, double increment, OneBasedView correct_score,
                                   OneBasedView incorrect_score) {
  const std::int32_t grid_points = score_grid_points(lowest, highest, increment);
  if (correct_score.absent() != incorrect_score.absent()) return 1;
  if (grid_points < 1 || n < 1 || !covers(a, n) || !covers(b, n) || !covers(c, n) ||
      (!correct_score.absent() && (!covers(correct_score, n) || !covers(incorrect_score, n))) ||
      !covers(points, n_points) || !covers(weights, n_points) ||
      !covers(distribution, grid_points)) {
    return 1;
  }
  const bool number_correct = number_correct_scoring(n, correct_score, incorrect_score);
  // The recursion fills exactly n + 1 counts; any other grid would leave
  // entries unset or run past the work vector.
  if (number_correct && std::int64_t{grid_points} != std::int64_t{n} + 1) return 1;

  const auto m_count = static_cast<std::size_t>(grid_points);
  for (std::size_t m = 0; m < m_count; ++m) distribution[m] = 0.0;
  if (!number_correct &&
      check_score_grid(n, lowest, highest, increment, correct_score, incorrect_score) != 0) {
    return 1;
  }

  // One work vector serves every quadrature point.
  auto work_block = allocate_array<double>(m_count + 1);
  if (!work_block) return 1;
  const std::span<double> work(work_block.get(), m_count + 1);

  for (std::int32_t k = 1; k <= n_points; ++k) {
    const Status status =
        number_correct ? conditional_number_correct(points[k], a, b, c, n, work)
                       : conditional_item_scores(points[k], n, lowest, highest, increment,
                                                 correct_score, incorrect_score, a, b, c, work);
    if (status != 0) return 1;
    const double weight = weights[k];
    for (std::size_t m = 0; m < m_count; ++m) distribution[m] = distribution[m] + weight * work[m];
  }

  long double total = 0.0L;
  for (std::size_t m = 0; m < m_count; ++m) total += distribution[m];
  // Written so that a total that is not a number fails too.
  if (!(std::fabs(1.0L - total) <= WEIGHT_TOTAL_TOLERANCE)) return 1;
  return 0;
}
