// The library's input records: read from a file or from text, and checked and copied for the stages
#include "api/records_bridge.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <system_error>

#include "irt/category_model.h"
#include "common/allocation.h"
#include "common/describe.h"
#include "input/input_reader.h"

namespace zol {

namespace {

// A section holds at most this many records: the stages count raw scores
// 0..n in 32 bits, and n + 1 must fit.
constexpr std::size_t MOST_RECORDS = std::numeric_limits<std::int32_t>::max() - 1;

// Labels are at most 8 characters in an input file; records built in memory
// keep to the same rule.
constexpr std::size_t MOST_LABEL_CHARACTERS = std::tuple_size_v<Label> - 1;

// Bytes read from a file at a time.
constexpr std::size_t READ_CHUNK = 1 << 16;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

Error read_failure(ErrorKind kind, Finding cause, const std::string& name) {
  Error error = failure_of(kind, std::move(cause));
  error.explanation = explanation_line(error.cause, name);
  return error;
}

Input input_of(InputRecords& records, const std::string& name) {
  Input input;
  input.name = name;
  for (const auto& [from, to] : {std::pair{&records.new_form, &input.new_form},
                                 std::pair{&records.old_form, &input.old_form}}) {
    const auto n = static_cast<std::size_t>(from->count);
    to->items.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
      if (from->model(i) == ItemModel::THREE_PL) {
        to->items.emplace_back(from->label(i), from->a()[i], from->b()[i], from->c()[i]);
      } else {
        const auto steps = from->steps_of(i);
        to->items.emplace_back(from->label(i), from->model(i), from->a()[i],
                               std::vector<double>(steps.begin(), steps.end()));
      }
    }
  }
  if (records.theta.count > 0) {
    const auto points = records.theta.points();
    const auto weights = records.theta.weights();
    input.theta = Quadrature{{points.begin(), points.end()}, {weights.begin(), weights.end()}};
  }
  if (records.conversion.row_count > 0) {
    const ScaleConversion& table = records.conversion;
    const auto scale = table.scale_scores();
    input.conversion = Conversion{table.lowest, table.highest, table.increment,
                                  {scale.begin(), scale.end()}, table.header_line};
  }
  return input;
}

// Why an item of K categories cannot be equated, by the rules an input file's
// record keeps to; empty when it can.
std::string partial_credit_problem(const Item& item) {
  const std::size_t k = categories(item);
  if (k < 2 || k > MOST_CATEGORIES) {
    return describe("%zu categories; an item has 2 to %zu", k, MOST_CATEGORIES);
  }
  return category_item_problem({item.model, item.a, item.steps});
}

// Why a form cannot be equated as it stands in memory; empty when it can.
std::string form_problem(const Form& form, const char* which) {
  if (form.items.empty()) return describe("the %s form has no items", which);
  if (form.items.size() > MOST_RECORDS) {
    return describe("the %s form has %zu items; at most %zu are allowed", which,
                    form.items.size(), MOST_RECORDS);
  }
  if (top_score(form) > static_cast<std::int64_t>(MOST_RECORDS)) {
    return describe("the %s form's top score is %lld; at most %zu is allowed", which,
                    static_cast<long long>(top_score(form)), MOST_RECORDS);
  }
  for (std::size_t i = 0; i < form.items.size(); ++i) {
    const Item& item = form.items[i];
    if (item.label.size() > MOST_LABEL_CHARACTERS) {
      return describe("item %zu of the %s form: label %s has more than %zu characters", i + 1,
                      which, quoted(item.label.c_str()).c_str(), MOST_LABEL_CHARACTERS);
    }
    if (item.model != ItemModel::THREE_PL) {
      if (std::string why = partial_credit_problem(item); !why.empty()) {
        return describe("item %zu of the %s form: %s", i + 1, which, why.c_str());
      }
      continue;
    }
    const double values[] = {item.a, item.b, item.c};
    for (std::size_t k = 0; k < 3; ++k) {
      if (!std::isfinite(values[k])) {
        return describe("item %zu of the %s form: %c %g is not a finite number", i + 1, which,
                        "abc"[k], values[k]);
      }
    }
  }
  return "";
}

std::string quadrature_problem(const Quadrature& theta) {
  if (theta.points.empty()) return "the quadrature has no points";
  if (theta.points.size() > MOST_RECORDS) {
    return describe("the quadrature has %zu points; at most %zu are allowed", theta.points.size(),
                    MOST_RECORDS);
  }
  if (theta.weights.size() != theta.points.size()) {
    return describe("the quadrature has %zu points but %zu weights", theta.points.size(),
                    theta.weights.size());
  }
  for (std::size_t i = 0; i < theta.points.size(); ++i) {
    if (!std::isfinite(theta.points[i]) || !std::isfinite(theta.weights[i])) {
      return describe("quadrature point %zu: theta %g with weight %g is not a pair of finite "
                      "numbers",
                      i + 1, theta.points[i], theta.weights[i]);
    }
  }
  return "";
}

std::string conversion_problem(const Conversion& table) {
  const auto rows = static_cast<long long>(table.scale.size());
  if (std::string why =
          conversion_grid_problem(rows, table.lowest, table.highest, table.increment);
      !why.empty()) {
    return "conversion table: " + why;
  }
  for (std::size_t k = 0; k < table.scale.size(); ++k) {
    if (!std::isfinite(table.scale[k])) {
      return describe("conversion row %zu: scale score %g is not a finite number", k,
                      table.scale[k]);
    }
  }
  return "";
}

bool copy_form(const Form& form, ItemSet& items) {
  const std::size_t n = form.items.size();
  items.block = allocate_array<double>(3 * n);
  items.labels = allocate_array<Label>(n);
  if (!items.block || !items.labels) return false;
  items.count = static_cast<std::int32_t>(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Item& item = form.items[i];
    item.label.copy(items.labels[i].data(), MOST_LABEL_CHARACTERS);
    const bool three_pl = item.model == ItemModel::THREE_PL;
    items.block[i] = item.a;
    items.block[n + i] = three_pl ? item.b : 0.0;
    items.block[2 * n + i] = three_pl ? item.c : 0.0;
  }
  // Models and steps only for a form that has items of K categories.
  const bool mixed = std::any_of(form.items.begin(), form.items.end(), [](const Item& item) {
    return item.model != ItemModel::THREE_PL;
  });
  if (mixed) {
    items.step_starts.push_back(0);
    for (const Item& item : form.items) {
      items.models.push_back(item.model);
      if (item.model != ItemModel::THREE_PL) {
        items.steps.insert(items.steps.end(), item.steps.begin(), item.steps.end());
      }
      items.step_starts.push_back(items.steps.size());
    }
  }
  return true;
}

bool copy_quadrature(const Quadrature& theta, ThetaDistribution& distribution) {
  const std::size_t q = theta.points.size();
  distribution.block = allocate_array<double>(2 * q);
  if (!distribution.block) return false;
  distribution.count = static_cast<std::int32_t>(q);
  distribution.has_weights = true;
  std::copy(theta.points.begin(), theta.points.end(), distribution.block.get());
  std::copy(theta.weights.begin(), theta.weights.end(), distribution.block.get() + q);
  return true;
}

bool copy_conversion(const Conversion& table, ScaleConversion& conversion) {
  if (!allocate_conversion(static_cast<long long>(table.scale.size()), table.lowest,
                           table.increment, conversion)) {
    return false;
  }
  std::copy(table.scale.begin(), table.scale.end(), conversion.unrounded.get());
  std::copy(table.scale.begin(), table.scale.end(), conversion.rounded.get());
  conversion.header_line = table.header_line;
  return true;
}

}  // namespace

std::string explanation_line(const Finding& cause, const std::string& name) {
  if (!cause.about_input) return cause.text;
  if (cause.line == 0) return name + ": " + cause.text;
  return name + ":" + std::to_string(cause.line) + ": " + cause.text;
}

Failure to_records(const Input& input, InputRecords& records) {
  const auto refuse = [](std::string why) {
    return failure_of(ErrorKind::READ_ERROR, about_run(std::move(why)));
  };
  for (const auto& [form, which] :
       {std::pair{&input.new_form, "new"}, std::pair{&input.old_form, "old"}}) {
    if (std::string why = form_problem(*form, which); !why.empty()) return refuse(why);
  }
  if (input.theta) {
    if (std::string why = quadrature_problem(*input.theta); !why.empty()) return refuse(why);
  }
  if (input.conversion) {
    if (std::string why = conversion_problem(*input.conversion); !why.empty()) return refuse(why);
  }
  // The identity stands in for a missing table, as the reader's default.
  if (!input.conversion &&
      !install_identity_conversion(static_cast<std::int32_t>(top_score(input.old_form)),
                                   records.conversion)) {
    return failure_of(ErrorKind::READ_ERROR, {DEFAULTS_WITHOUT_MEMORY, true, 0});
  }
  const bool copied = copy_form(input.new_form, records.new_form) &&
                      copy_form(input.old_form, records.old_form) &&
                      (!input.theta || copy_quadrature(*input.theta, records.theta)) &&
                      (!input.conversion || copy_conversion(*input.conversion, records.conversion));
  if (!copied) {
    return failure_of(ErrorKind::NO_MEMORY, about_run("not enough memory for the input's records"));
  }
  return std::nullopt;
}

Quadrature equal_weights(std::vector<double> points) {
  Quadrature theta;
  const double weight = 1.0 / static_cast<double>(points.size());
  theta.weights.assign(points.size(), weight);
  theta.points = std::move(points);
  return theta;
}

Expected<ReadInput> read_input_text(std::string_view text, const std::string& name,
                                    const ReadOptions& options) {
  try {
    Findings findings;
    std::optional<InputRecords> records = read_input(text, options, findings);
    if (!records) return read_failure(ErrorKind::READ_ERROR, findings.failure, name);
    ReadInput read{input_of(*records, name), {}};
    read.warnings.kept = std::move(findings.warnings);
    read.warnings.not_kept = findings.warnings_not_kept;
    return read;
  } catch (const std::bad_alloc&) {
    return read_failure(ErrorKind::READ_ERROR, about_run("not enough memory to read the input"),
                        name);
  }
}

Expected<ReadInput> read_input_file(const std::string& path, const ReadOptions& options) {
  std::string text;
  try {
    // Binary, so that a file reads the same on every platform; a carriage
    // return before a line feed is dropped when the line is read.
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
      const std::string why = std::generic_category().message(errno);
      return read_failure(ErrorKind::CANNOT_OPEN_INPUT,
                          about_run(path.empty() ? std::string("no input file name was given")
                                                 : "cannot open input file '" + path +
                                                       "': " + why),
                          path);
    }
    // The reader counts each section before reading it, as the format was
    // made for files that can be read ahead.
    std::fpos_t start;
    if (std::fgetpos(file.get(), &start) != 0) {
      return read_failure(ErrorKind::READ_ERROR, {NOT_A_REGULAR_FILE, true, 0}, path);
    }
    // A read error ends the input like the end of the file does.
    std::size_t got = 0;
    do {
      const std::size_t size = text.size();
      text.resize(size + READ_CHUNK);
      got = std::fread(text.data() + size, 1, READ_CHUNK, file.get());
      text.resize(size + got);
    } while (got == READ_CHUNK);
  } catch (const std::bad_alloc&) {
    return read_failure(ErrorKind::READ_ERROR, {"the file is too large for the memory left", true, 0},
                        path);
  }
  return read_input_text(text, path, options);
}

}  // namespace zol
