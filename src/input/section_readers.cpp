// Readers of the item and quadrature sections, and the equal-weight default
#include <cmath>
#include <limits>

#include "common/allocation.h"
#include "common/describe.h"
#include "input/reader_parts.h"

namespace zol {

namespace {

// Labels are at most 8 characters: the "%8s" of the item scan cuts a longer
// one there, and the rest of it is scanned as a, as stored files expect.
static_assert(std::tuple_size_v<Label> == 8 + 1, "a label and its terminator");

// The columns of a quadrature are decided by the first COLUMN_PROBE_SIZE - 1
// characters of its first record line, and by how many of its first
// MAX_THETA_COLUMNS fields fit in FIELD_BUDGET characters with a terminator each.
constexpr std::size_t COLUMN_PROBE_SIZE = 80;
constexpr std::size_t FIELD_BUDGET = 40;
constexpr std::size_t MAX_THETA_COLUMNS = 2;

// A section's records are counted in 64 bits; more than a 32-bit count can
// hold is a failure, not a truncated count. One less than the largest 32-bit
// value: the stages count raw scores 0..n in 32 bits, and n + 1 must fit.
constexpr std::int64_t MOST_RECORDS = std::numeric_limits<std::int32_t>::max() - 1;

// 1 or 2 for a usable first line; a wide second field is not counted, so a
// quadrature written that way falls back to equal weights.
int theta_columns(const std::string& first_line) {
  char probe[COLUMN_PROBE_SIZE] = {};
  first_line.copy(probe, COLUMN_PROBE_SIZE - 1);
  char fields[FIELD_BUDGET];
  const char* starts[MAX_THETA_COLUMNS];
  return split_fields(probe, fields, starts);
}

// Whether a section's count of records is usable; says why not, at its header.
bool usable_count(const LineReader& reader, std::int64_t count, const std::string& section,
                  const char* records, Findings& findings) {
  if (count < 1) {
    findings.fail(at_line(reader, describe("%s has no %s: the line after its header is blank, "
                                           "another header or the end of the file",
                                           section.c_str(), records)));
    return false;
  }
  if (count > MOST_RECORDS) {
    findings.fail(at_line(reader, describe("%s has %lld %s; at most %lld are allowed",
                                           section.c_str(), static_cast<long long>(count), records,
                                           static_cast<long long>(MOST_RECORDS))));
    return false;
  }
  return true;
}

// Values the model takes that are almost always mistakes.
void check_item(const LineReader& reader, const std::string& label, double a, double c,
                Findings& findings) {
  if (!(a > 0.0)) {
    findings.warn(
        at_line(reader, describe("warning: item %s: a %g is not above 0", label.c_str(), a)));
  }
  if (c < 0.0 || c >= 1.0) {
    findings.warn(
        at_line(reader, describe("warning: item %s: c %g is outside 0 to 1", label.c_str(), c)));
  }
}

}  // namespace

bool read_item_section(LineReader& reader, SectionKind kind, ItemSet& form, Findings& findings) {
  const std::int64_t first_line = reader.number + 1;
  const std::int64_t count = count_records(reader);
  const std::string title = section_title(kind);
  if (!usable_count(reader, count, title, "items", findings)) return false;
  const auto n = static_cast<std::size_t>(count);
  auto block = allocate_array<double>(3 * n);
  auto labels = allocate_array<Label>(n);
  if (!block || !labels) {
    findings.fail(
        at_line(reader, describe("not enough memory for the %zu items of %s", n, title.c_str())));
    return false;
  }

  // Only a form that has items of K categories keeps models and steps.
  std::vector<ItemModel> models;
  std::vector<std::size_t> step_starts;
  std::vector<double> steps;
  for (std::size_t i = 0; i < n; ++i) {
    if (!next_line(reader)) return false;
    if (reader.mixed_format) {
      char* label = labels[i].data();
      int label_end = 0;
      if (std::sscanf(reader.line.c_str(), "%8s%n", label, &label_end) == 1) {
        PartialCreditRecord record;
        const char* three_pl_rest = nullptr;
        const char* rest = reader.line.c_str() + label_end;
        switch (read_model_word(reader, label, rest, &three_pl_rest, record, findings)) {
          case ModelWord::FAILED:
            return false;
          case ModelWord::PARTIAL_CREDIT:
            if (models.empty()) {
              models.assign(i, ItemModel::THREE_PL);
              step_starts.assign(i + 1, 0);
            }
            models.push_back(record.model);
            steps.insert(steps.end(), record.steps.begin(), record.steps.end());
            step_starts.push_back(steps.size());
            block[i] = record.a;
            continue;
          case ModelWord::THREE_PL_NAMED:
            // Read as the same record without its model word.
            reader.line = reader.line.substr(0, static_cast<std::size_t>(label_end)) +
                          (three_pl_rest[0] == '\0' || three_pl_rest[0] == '\n' ? "" : " ") +
                          three_pl_rest;
            break;
          case ModelWord::THREE_PL:
            break;
        }
      }
    }
    const char* line = reader.line.c_str();
    char* label = labels[i].data();
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
    // Even the last line of the file must hold a whole record.
    // The ends of the fields, for the warnings of a line read only in part.
    int ends[4] = {};
    if (std::sscanf(line, "%8s%n %lf%n %lf%n %lf%n", label, &ends[0], &a, &ends[1], &b, &ends[2],
                    &c, &ends[3]) != 4) {
      const std::string record =
          label[0] == '\0' ? std::string("an item (label, a, b, c)") : "item " + printable(label);
      std::string why = unscannable_record(reader.line, true, "a,b,c", record);
      if (!reader.mixed_format && names_a_model(reader.line.c_str() + ends[0])) {
        why += "; a record that names its model (3PL, GPCM, GRM) is read with --mixed-format";
      }
      findings.fail(at_line(reader, why));
      return false;
    }
    const double values[] = {a, b, c};
    for (std::size_t k = 0; k < 3; ++k) {
      if (!std::isfinite(values[k])) {
        findings.fail(at_line(
            reader, describe("item %s: %c %s is not a finite number", printable(label).c_str(),
                             "abc"[k], field_text(reader.line, true, k).c_str())));
        return false;
      }
    }
    const std::string name = printable(label);
    check_item(reader, name, a, c, findings);
    if (!read_whole(reader.line, true, ends)) {
      warn_about_fields(reader, true, ends, "item " + name, findings);
    }

    block[i] = a;
    block[n + i] = b;
    block[2 * n + i] = c;
    if (!models.empty()) {
      models.push_back(ItemModel::THREE_PL);
      step_starts.push_back(steps.size());
    }
  }
  next_line(reader);
  warn_about_repeated_labels({labels.get(), n}, first_line, title, findings);

  form.count = static_cast<std::int32_t>(count);
  form.block = std::move(block);
  form.labels = std::move(labels);
  form.models = std::move(models);
  form.step_starts = std::move(step_starts);
  form.steps = std::move(steps);
  return true;
}

bool read_theta_section(LineReader& reader, ThetaDistribution& theta, Findings& findings) {
  const std::int64_t header_line = reader.number;
  const std::int64_t count = count_records(reader);
  if (!usable_count(reader, count, section_title(SectionKind::THETA_DISTRIBUTION), "points",
                    findings)) {
    return false;
  }
  if (!next_line(reader)) return false;
  const int columns = theta_columns(reader.line);
  if (columns == 1) warn_about_second_column(reader, findings);
  if (columns != 1 && columns != 2) {
    findings.fail(at_line(reader, describe("quadrature point %s is too long: the fields of the "
                                           "first line must fit in 40 characters",
                                           field_text(reader.line, false, 0).c_str())));
    return false;
  }
  const auto q = static_cast<std::size_t>(count);
  auto block = allocate_array<double>(q * static_cast<std::size_t>(columns));
  if (!block) {
    findings.fail(at_line(reader, describe("not enough memory for %zu quadrature points", q)));
    return false;
  }

  for (std::size_t i = 0; i < q; ++i) {
    if (i > 0 && !next_line(reader)) return false;
    double point = 0.0;
    double weight = 0.0;
    const char* line = reader.line.c_str();
    int ends[2] = {};
    const int scanned = columns == 2
                            ? std::sscanf(line, "%lf%n %lf%n", &point, &ends[0], &weight, &ends[1])
                            : std::sscanf(line, "%lf%n", &point, &ends[0]);
    if (scanned != columns) {
      findings.fail(at_line(
          reader, unscannable_record(reader.line, false, columns == 2 ? "theta,weight" : "theta",
                                     "quadrature line")));
      return false;
    }
    if (!std::isfinite(point) || !std::isfinite(weight)) {
      const bool bad_point = !std::isfinite(point);
      findings.fail(at_line(
          reader, describe("theta %s %s is not a finite number", bad_point ? "point" : "weight",
                           field_text(reader.line, false, bad_point ? 0 : 1).c_str())));
      return false;
    }
    if (weight < 0.0) {
      findings.warn(
          at_line(reader, describe("warning: theta %g has the negative weight %g", point, weight)));
    }
    const std::span<const int> read_ends(ends, static_cast<std::size_t>(columns));
    if (!read_whole(reader.line, false, read_ends)) {
      warn_about_fields(reader, false, read_ends, "quadrature line", findings);
    }
    block[i] = point;
    if (columns == 2) block[q + i] = weight;
  }
  next_line(reader);
  if (columns == 2) warn_about_weight_total(header_line, {block.get() + q, q}, findings);

  theta.count = static_cast<std::int32_t>(count);
  theta.has_weights = columns == 2;
  theta.block = std::move(block);
  return true;
}

bool install_equal_weights(ThetaDistribution& theta) {
  const auto q = static_cast<std::size_t>(theta.count);
  auto block = allocate_array<double>(2 * q);
  if (!block) return false;
  const double weight = 1.0 / static_cast<double>(theta.count);
  for (std::size_t i = 0; i < q; ++i) {
    block[i] = theta.block[i];
    block[q + i] = weight;
  }
  theta.block = std::move(block);
  theta.has_weights = true;
  return true;
}

}  // namespace zol
