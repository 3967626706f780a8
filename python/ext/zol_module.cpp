// The compiled core of the Python package: records in as dicts of arrays, results out
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "zol/zol.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

// A failure of the library on its way to Python; the translator below turns
// it into the exception class of its kind.
struct LibraryFailure {
  zol::Error error;
};

// Records that the Python layer should have refused already, or option values
// the library cannot even be handed (not numbers): refused as the library
// refuses records, in the same words' style. Values it can be handed go to it,
// and it refuses those out of range in its own words.
[[noreturn]] void refuse(std::string why) {
  zol::Error error;
  error.kind = zol::ErrorKind::INVALID_INPUT;
  error.stage = zol::Stage::CHECKING;
  error.cause.text = why;
  error.explanation = std::move(why);
  throw LibraryFailure{std::move(error)};
}

// Labels and names are bytes to the library. Bytes that are not UTF-8 travel
// as lone surrogates, so that a label read from a file matches itself when
// it comes back for linking.
py::str to_python(const std::string& bytes) {
  PyObject* text =
      PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "surrogateescape");
  if (text == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(text);
}

std::string to_bytes(py::handle text) {
  if (!PyUnicode_Check(text.ptr())) throw py::type_error("labels and names must be str");
  const py::bytes bytes = py::reinterpret_steal<py::bytes>(
      PyUnicode_AsEncodedString(text.ptr(), "utf-8", "surrogateescape"));
  if (!bytes) throw py::error_already_set();
  return std::string(bytes);
}

// A NumPy array that owns a copy of the values.
template <typename T>
py::array_t<T> to_array(std::span<const T> values) {
  py::array_t<T> array(static_cast<py::ssize_t>(values.size()));
  std::copy(values.begin(), values.end(), array.mutable_data());
  return array;
}

// A one-dimensional array's values, of the type T whatever the array's own.
template <typename T>
std::vector<T> to_vector(py::handle values, const char* what) {
  const auto array = values.cast<py::array_t<T, py::array::c_style | py::array::forcecast>>();
  if (array.ndim() != 1) refuse(std::string(what) + " must be one-dimensional");
  return std::vector<T>(array.data(), array.data() + array.size());
}

std::vector<double> numbers(py::handle values, const char* what) {
  return to_vector<double>(values, what);
}

// ---------------------------------------------------------------- records in

// A form as the dict the Python layer makes: labels and model (lists of str),
// a, b and c (arrays, NaN where an item has no such parameter), steps (one
// array per item, empty for a 3PL item) and lines (the line of each item's
// record in the file it was read from, or None for items made in memory).
zol::Form to_form(const py::dict& form, const char* which) {
  const py::list labels = form["labels"];
  const py::list models = form["model"];
  const py::list steps = form["steps"];
  const std::vector<double> a = numbers(form["a"], "a"), b = numbers(form["b"], "b"),
                            c = numbers(form["c"], "c");
  std::vector<std::int64_t> lines;
  if (!form["lines"].is_none()) {
    lines = to_vector<std::int64_t>(form["lines"], "lines");
  }
  const std::size_t n = labels.size();
  if (a.size() != n || b.size() != n || c.size() != n || models.size() != n || steps.size() != n ||
      (!lines.empty() && lines.size() != n)) {
    refuse(std::string("the ") + which +
           " form needs one label, model, a, b, c and steps per item");
  }
  zol::Form result;
  result.items.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::string name = to_bytes(models[i]);
    const std::optional<zol::ItemModel> model = zol::item_model_named(name);
    if (!model) refuse("unknown item model '" + name + "'");
    if (*model == zol::ItemModel::THREE_PL) {
      result.items.emplace_back(to_bytes(labels[i]), a[i], b[i], c[i]);
    } else {
      result.items.emplace_back(to_bytes(labels[i]), *model, a[i], numbers(steps[i], "steps"));
    }
    if (!lines.empty()) result.items.back().line = lines[i];
  }
  return result;
}

// A quadrature of the records' points, weights and header line under the
// keys PREFIX + "theta", "weights" and "theta_line"; no weights: equal
// weights. None without points.
std::optional<zol::Quadrature> to_quadrature(const py::dict& records, const std::string& prefix) {
  const py::object points = records[(prefix + "theta").c_str()];
  if (points.is_none()) return std::nullopt;
  const py::object weights = records[(prefix + "weights").c_str()];
  std::vector<double> at = numbers(points, "theta");
  zol::Quadrature quadrature = weights.is_none()
                                   ? zol::equal_weights(std::move(at))
                                   : zol::Quadrature{std::move(at), numbers(weights, "weights")};
  quadrature.header_line = records[(prefix + "theta_line").c_str()].cast<std::int64_t>();
  return quadrature;
}

// A form's covariance as the dict the Python layer makes: names (a list of
// str), matrix (its entries row by row), standard_errors_only and
// definite_fingerprint (as the reader of a covariance file set it, else 0);
// None without one. The library checks the names against the form and the
// matrix.
std::optional<zol::Covariance> to_covariance(py::handle records) {
  if (records.is_none()) return std::nullopt;
  const py::dict covariance = py::reinterpret_borrow<py::dict>(records);
  zol::Covariance result;
  for (py::handle name : py::list(covariance["names"])) result.names.push_back(to_bytes(name));
  result.matrix = numbers(covariance["matrix"], "the covariance's matrix");
  result.standard_errors_only = covariance["standard_errors_only"].cast<bool>();
  result.definite_fingerprint = covariance["definite_fingerprint"].cast<std::uint64_t>();
  return result;
}

// The input as the Python layer hands it over: the forms, each group's
// quadrature (theta, and old_theta for the old group of two), the conversion
// as a dict of its grid, scale and header's line, the name, and each form's
// covariance.
zol::Input to_input(const py::dict& records) {
  zol::Input input;
  input.new_form = to_form(records["new"], "new");
  input.old_form = to_form(records["old"], "old");
  input.theta = to_quadrature(records, "");
  input.old_theta = to_quadrature(records, "old_");
  if (!records["conversion"].is_none()) {
    const py::dict table = records["conversion"];
    input.conversion =
        zol::Conversion{table["lowest"].cast<double>(), table["highest"].cast<double>(),
                        table["increment"].cast<double>(), numbers(table["scale"], "scale"),
                        table["header_line"].cast<std::int64_t>()};
  }
  input.name = to_bytes(records["name"]);
  input.new_covariance = to_covariance(records["new_covariance"]);
  input.old_covariance = to_covariance(records["old_covariance"]);
  return input;
}

// ---------------------------------------------------------------- options

// What repr() shows of an option's value, for the glue's own refusals.
std::string shown(py::handle value) { return py::str(py::repr(value)); }

// A number option as a double, whatever its value: the library refuses those
// out of range. Only what is not a number at all is refused here.
double number_option(py::handle value, const char* name) {
  if (PyBool_Check(value.ptr()) || PyUnicode_Check(value.ptr()) || PyBytes_Check(value.ptr())) {
    refuse(std::string(name) + " must be a number, not " + shown(value));
  }
  const double number = PyFloat_AsDouble(value.ptr());
  if (number == -1.0 && PyErr_Occurred()) {
    PyErr_Clear();
    refuse(std::string(name) + " must be a number, not " + shown(value));
  }
  return number;
}

void set_link(zol::Options& options, py::handle value) {
  const std::string name = py::isinstance<py::str>(value) ? to_bytes(value) : "";
  options.link = zol::link_method_named(name);
  if (options.link) return;
  refuse("unknown link method " + shown(value) + ": " + zol::link_method_options());
}

void set_scaling_constant(zol::Options& options, py::handle value) {
  options.scaling_constant = number_option(value, "scaling_constant");
}

void set_round_scale(zol::Options& options, py::handle value) {
  options.round_scale_unit = number_option(value, "round_scale");
}

void set_synthetic_weight(zol::Options& options, py::handle value) {
  options.synthetic_weight = number_option(value, "synthetic_weight");
}

// A whole number of points: an int, or a float without a fraction (as R
// hands over its numbers). The library refuses a count out of its range in
// its own words; one that its int cannot even hold is refused here.
void set_link_quadrature(zol::Options& options, py::handle value) {
  const double number = number_option(value, "link_quadrature");
  const bool whole = std::isfinite(number) && number == std::floor(number);
  if (!whole || std::fabs(number) > std::numeric_limits<int>::max()) {
    refuse("link_quadrature must be a whole number of points from 2 to " +
           std::to_string(zol::Options::MOST_LINK_POINTS) + ", not " + shown(value));
  }
  options.link_quadrature = static_cast<int>(number);
}

// True or False, NumPy's too; not any object's truth, which would take the
// string "false" for True.
void set_symmetric(zol::Options& options, py::handle value) {
  const py::object numpy_bool = py::module_::import("numpy").attr("bool_");
  if (!PyBool_Check(value.ptr()) && !py::isinstance(value, numpy_bool)) {
    throw py::type_error("symmetric must be True or False, not " + shown(value));
  }
  options.symmetric = PyObject_IsTrue(value.ptr()) == 1;
}

// One label or several: a str is one label (commas and all), anything else an
// iterable of labels.
void set_exclude_common(zol::Options& options, py::handle value) {
  if (PyUnicode_Check(value.ptr())) {
    options.excluded_common_items = {to_bytes(value)};
    return;
  }
  if (PyBytes_Check(value.ptr()) || !py::isinstance<py::iterable>(value)) {
    throw py::type_error("exclude_common must be a label (str) or a list of labels, not " +
                         shown(value));
  }
  for (py::handle label : value) options.excluded_common_items.push_back(to_bytes(label));
}

// The options equate() takes, by the names of its keyword arguments: a new
// option is one entry here and one keyword there.
struct OptionEntry {
  const char* name;
  void (*set)(zol::Options&, py::handle);
};

constexpr OptionEntry OPTIONS[] = {
    {"link", set_link},
    {"scaling_constant", set_scaling_constant},
    {"round_scale", set_round_scale},
    {"synthetic_weight", set_synthetic_weight},
    {"link_quadrature", set_link_quadrature},
    {"symmetric", set_symmetric},
    {"exclude_common", set_exclude_common},
};

zol::Options to_options(const py::dict& given) {
  zol::Options options;
  for (const auto& [key, value] : given) {
    const std::string name = py::str(key);
    const auto entry = std::find_if(std::begin(OPTIONS), std::end(OPTIONS),
                                    [&](const OptionEntry& e) { return name == e.name; });
    if (entry == std::end(OPTIONS)) throw py::type_error("equate() has no option '" + name + "'");
    if (!value.is_none()) entry->set(options, value);
  }
  return options;
}

// ---------------------------------------------------------------- records out

py::dict from_form(const zol::Form& form) {
  py::list labels, models, steps;
  std::vector<double> a, b, c;
  std::vector<std::int64_t> lines;
  for (const zol::Item& item : form.items) {
    const bool three_pl = item.model == zol::ItemModel::THREE_PL;
    labels.append(to_python(item.label));
    models.append(zol::item_model_name(item.model));
    a.push_back(item.a);
    b.push_back(three_pl ? item.b : std::nan(""));
    c.push_back(three_pl ? item.c : std::nan(""));
    steps.append(to_array<double>(item.steps));
    lines.push_back(item.line);
  }
  py::dict out;
  out["labels"] = labels;
  out["model"] = models;
  out["a"] = to_array<double>(a);
  out["b"] = to_array<double>(b);
  out["c"] = to_array<double>(c);
  out["steps"] = steps;
  out["lines"] = to_array<std::int64_t>(lines);
  return out;
}

// A covariance as the dict to_covariance takes; None without one.
py::object from_covariance(const std::optional<zol::Covariance>& covariance) {
  if (!covariance) return py::none();
  py::list names;
  for (const std::string& name : covariance->names) names.append(to_python(name));
  py::dict out;
  out["names"] = names;
  out["matrix"] = to_array<double>(covariance->matrix);
  out["standard_errors_only"] = covariance->standard_errors_only;
  out["definite_fingerprint"] = covariance->definite_fingerprint;
  return out;
}

// Warnings as the lines the program shows under --explain, without its
// prefix, the count of the rest last. Only an input read from a file is named
// there: records made in memory are not the input's lines.
py::list warning_texts(const zol::Warnings& warnings, const std::string& name, bool read) {
  py::list texts;
  for (const std::string& line : zol::warning_lines(warnings, read ? name : std::string())) {
    texts.append(to_python(line));
  }
  return texts;
}

// A quadrature's points, weights and header line under the keys PREFIX +
// "theta", "weights" and "theta_line", None and 0 without one.
void put_quadrature(py::dict& records, const std::string& prefix,
                    const std::optional<zol::Quadrature>& quadrature) {
  records[(prefix + "theta").c_str()] =
      quadrature ? py::object(to_array<double>(quadrature->points)) : py::none();
  records[(prefix + "weights").c_str()] =
      quadrature ? py::object(to_array<double>(quadrature->weights)) : py::none();
  records[(prefix + "theta_line").c_str()] = quadrature ? quadrature->header_line : 0;
}

// The input file's records as plain Python values for the zol.Input the
// Python layer makes of them, with what the reader found odd.
py::dict read_input(const std::string& path, bool mixed_format) {
  std::optional<zol::Expected<zol::ReadInput>> read;
  {
    py::gil_scoped_release unlocked;
    read.emplace(zol::read_input_file(path, zol::ReadOptions{mixed_format}));
  }
  if (!*read) throw LibraryFailure{read->error()};
  const zol::Input& input = (*read)->input;
  py::dict records;
  records["new"] = from_form(input.new_form);
  records["old"] = from_form(input.old_form);
  put_quadrature(records, "", input.theta);
  put_quadrature(records, "old_", input.old_theta);
  records["conversion"] = py::none();
  if (input.conversion) {
    const zol::Conversion& table = *input.conversion;
    py::dict conversion;
    conversion["lowest"] = table.lowest;
    conversion["highest"] = table.highest;
    conversion["increment"] = table.increment;
    conversion["scale"] = to_array<double>(table.scale);
    conversion["header_line"] = table.header_line;
    records["conversion"] = conversion;
  }
  records["name"] = to_python(input.name);
  records["warnings"] = (*read)->warnings;
  records["warning_texts"] = warning_texts((*read)->warnings, input.name, true);
  return records;
}

// The covariances of a covariance file read against the input's records,
// with what the reader found odd. Its warnings name the covariance file, as
// the program shows them, whatever name the equating's warnings then take.
py::dict read_covariance(const std::string& path, const py::dict& records) {
  const zol::Input input = to_input(records);
  std::optional<zol::Expected<zol::ReadCovariance>> read;
  {
    py::gil_scoped_release unlocked;
    read.emplace(zol::read_covariance_file(path, input));
  }
  if (!*read) throw LibraryFailure{read->error()};
  const zol::Warnings& found = (*read)->warnings;
  zol::Warnings named{{}, found.not_kept};
  for (const zol::Finding& warning : found.kept) {
    named.kept.push_back({zol::finding_text(warning, path), false, 0, zol::Hint::NONE});
  }
  py::dict out;
  out["new_covariance"] = from_covariance((*read)->new_covariance);
  out["old_covariance"] = from_covariance((*read)->old_covariance);
  out["warnings"] = named;
  out["warning_texts"] = warning_texts(found, path, true);
  return out;
}

// A form and its covariance in slope-intercept form carried to the program's
// metric at the scaling constant d: the form's records and the covariance's
// (None without one).
py::tuple from_slope_intercept(const py::dict& form, py::handle covariance, double d,
                               bool logit_guessing) {
  const zol::SlopeInterceptForm estimates{to_form(form, "slope-intercept"),
                                          to_covariance(covariance)};
  std::optional<zol::Expected<zol::SlopeInterceptForm>> carried;
  {
    py::gil_scoped_release unlocked;
    carried.emplace(zol::from_slope_intercept(estimates, d, logit_guessing));
  }
  if (!*carried) throw LibraryFailure{carried->error()};
  return py::make_tuple(from_form((*carried)->form), from_covariance((*carried)->covariance));
}

// ---------------------------------------------------------------- equating

// The library's results and the warnings shown with them: those of the read,
// when the input was read from a file, then those of the equating.
struct Equating {
  zol::Results results;
  zol::Warnings warnings;
  bool read = false;
};

// Equates the input's records with the options, both dicts; the reader's
// warnings come with an input read from a file.
Equating equate(const py::dict& records, const py::dict& given) {
  const zol::Input input = to_input(records);
  const zol::Options options = to_options(given);
  const py::object reader = records["warnings"];
  Equating equating;
  if (!reader.is_none()) {
    equating.warnings = reader.cast<const zol::Warnings&>();
    equating.read = true;
  }
  // A covariance file's warnings come after the input's, as the program shows them.
  const py::object covariance = records["covariance_warnings"];
  if (!covariance.is_none()) {
    zol::add_warnings(equating.warnings, covariance.cast<const zol::Warnings&>());
  }
  std::optional<zol::Expected<zol::Results>> results;
  {
    py::gil_scoped_release unlocked;
    results.emplace(zol::equate(input, options));
  }
  if (!*results) throw LibraryFailure{results->error()};
  equating.results = std::move(**results);
  zol::add_warnings(equating.warnings, equating.results.warnings);
  return equating;
}

// One of the formatters, run without the GIL.
py::str formatted(const Equating& equating,
                  zol::Expected<std::string> (*format)(const zol::Results&)) {
  std::optional<zol::Expected<std::string>> text;
  {
    py::gil_scoped_release unlocked;
    text.emplace(format(equating.results));
  }
  if (!*text) throw LibraryFailure{text->error()};
  return to_python(**text);
}

// The library's table of scores as arrays by column name, in its order:
// whole numbers as integers (as floats with NaN when a cell is empty),
// numbers as floats with NaN in empty cells, texts as str.
py::dict columns(const Equating& equating) {
  std::optional<zol::Expected<zol::ScoreTable>> table;
  {
    py::gil_scoped_release unlocked;
    table.emplace(zol::score_table(equating.results));
  }
  if (!*table) throw LibraryFailure{table->error()};
  py::dict out;
  for (const zol::ScoreColumn& column : (*table)->columns) {
    const std::string& name = column.name;
    if (column.type == zol::ScoreColumn::Type::TEXT) {
      py::list texts;
      for (const std::string& text : column.texts) texts.append(to_python(text));
      out[name.c_str()] = py::module_::import("numpy").attr("array")(texts, "dtype"_a = "object");
      continue;
    }
    const bool whole = column.type == zol::ScoreColumn::Type::WHOLE_NUMBER &&
                       std::none_of(column.numbers.begin(), column.numbers.end(),
                                    [](double x) { return std::isnan(x); });
    if (whole) {
      std::vector<std::int64_t> values(column.numbers.begin(), column.numbers.end());
      out[name.c_str()] = to_array<std::int64_t>(values);
    } else {
      out[name.c_str()] = to_array<double>(column.numbers);
    }
  }
  return out;
}

// The linking's fields in the order of the Python layer's Linking; its
// standard errors None without a covariance.
py::object linking(const Equating& equating) {
  if (!equating.results.linking) return py::none();
  const zol::Linking& l = *equating.results.linking;
  return py::make_tuple(zol::link_method_option(l.method), zol::link_method_title(l.method), l.A,
                        l.B, l.common_items, l.excluded, l.symmetric, l.A_se, l.B_se,
                        l.AB_covariance);
}

// The common items the linking saw, as arrays by the names of the library's
// CSV columns: label and model as str, used and flagged as bool, the numbers
// as floats with NaN where a value is none.
py::object common_item_columns(const Equating& equating) {
  if (!equating.results.linking) return py::none();
  const std::vector<zol::CommonItem>& items = equating.results.common_items;
  const auto or_nan = [](const std::optional<double>& value) {
    return value.value_or(std::nan(""));
  };
  const auto numbers_of = [&](auto field) {
    std::vector<double> values;
    values.reserve(items.size());
    for (const zol::CommonItem& item : items) values.push_back(field(item));
    return to_array<double>(values);
  };
  const auto truths_of = [&](bool zol::CommonItem::*field) {
    py::array_t<bool> values(static_cast<py::ssize_t>(items.size()));
    for (std::size_t k = 0; k < items.size(); ++k) values.mutable_data()[k] = items[k].*field;
    return values;
  };

  py::list labels, models;
  for (const zol::CommonItem& item : items) {
    labels.append(to_python(item.label));
    models.append(zol::item_model_name(item.model));
  }
  const py::object numpy_array = py::module_::import("numpy").attr("array");
  py::dict out;
  out["label"] = numpy_array(labels, "dtype"_a = "object");
  out["model"] = numpy_array(models, "dtype"_a = "object");
  out["used"] = truths_of(&zol::CommonItem::used);
  out["a_old"] = numbers_of([](const zol::CommonItem& i) { return i.a_old; });
  out["a_new"] = numbers_of([](const zol::CommonItem& i) { return i.a_new; });
  out["b_old"] = numbers_of([](const zol::CommonItem& i) { return i.b_old; });
  out["b_new"] = numbers_of([](const zol::CommonItem& i) { return i.b_new; });
  out["b_difference"] = numbers_of([&](const zol::CommonItem& i) { return or_nan(i.b_difference); });
  out["b_robust_z"] = numbers_of([&](const zol::CommonItem& i) { return or_nan(i.b_robust_z); });
  out["log_a_ratio"] = numbers_of([&](const zol::CommonItem& i) { return or_nan(i.log_a_ratio); });
  out["a_robust_z"] = numbers_of([&](const zol::CommonItem& i) { return or_nan(i.a_robust_z); });
  out["flagged"] = truths_of(&zol::CommonItem::flagged);
  return out;
}

std::optional<double> synthetic_weight(const Equating& equating) {
  return equating.results.synthetic_weight;
}

py::object linked_form(const Equating& equating) {
  if (!equating.results.linked_new_form) return py::none();
  return from_form(*equating.results.linked_new_form);
}

bool is_input_error(zol::ErrorKind kind) {
  return kind == zol::ErrorKind::CANNOT_OPEN_INPUT || kind == zol::ErrorKind::INVALID_INPUT;
}

// The exception of a failure: its text is the library's explanation; kind
// (the library's name of it) and explanation are attributes.
void set_python_error(py::handle type, const zol::Error& error) {
  py::object exception = type(to_python(error.explanation));
  exception.attr("kind") = zol::error_kind_name(error.kind);
  exception.attr("explanation") = to_python(error.explanation);
  PyErr_SetObject(type.ptr(), exception.ptr());
}

}  // namespace

PYBIND11_MODULE(_zol, m) {
  m.doc() = "The zol library's reader, equating and formatters; use the zol package instead.";
  m.attr("__version__") = zol::ZOL_VERSION;
  py::list models;
  for (zol::ItemModel model : zol::ITEM_MODELS) models.append(zol::item_model_name(model));
  m.attr("MODELS") = py::tuple(models);
  py::list methods;
  for (zol::LinkMethod method : zol::LINK_METHODS) methods.append(zol::link_method_option(method));
  m.attr("LINK_METHODS") = py::tuple(methods);

  // The classes live as long as the process: released, so that nothing drops
  // a reference to them after the interpreter has finished.
  static const py::handle error =
      py::exception<LibraryFailure>(m, "Error", PyExc_ValueError).release();
  static const py::handle input_error =
      py::exception<LibraryFailure>(m, "InputError", error).release();
  static const py::handle equating_error =
      py::exception<LibraryFailure>(m, "EquatingError", error).release();
  error.doc() =
      "A failure of zol, a ValueError: str() is the explanation; kind and explanation are\n"
      "attributes.";
  input_error.doc() =
      "The input was refused: a file that cannot be opened (kind 'cannot_open_input') or that\n"
      "breaks the format's rules, or records or arguments that are not usable (kind\n"
      "'invalid_input'). str() is the explanation, \"FILE:LINE: cause\" for a file.";
  equating_error.doc() =
      "The equating failed: kind 'not_computable' (an equating function that cannot be\n"
      "computed from this input), 'no_memory', 'root_not_bracketed' or 'root_not_converged'\n"
      "(a search for the theta of a raw score that could not start or did not converge).";
  for (py::handle type : {error, input_error, equating_error}) type.attr("__module__") = "zol";
  py::register_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const LibraryFailure& failure) {
      set_python_error(is_input_error(failure.error.kind) ? input_error : equating_error,
                       failure.error);
    }
  });

  // Copied with the input that holds them.
  py::class_<zol::Warnings>(m, "Warnings", "What the reader found odd, kept for the equating.")
      .def("__copy__", [](const zol::Warnings& warnings) { return warnings; })
      .def("__deepcopy__", [](const zol::Warnings& warnings, py::dict) { return warnings; });

  m.def("read_input", &read_input, py::arg("path"), py::arg("mixed_format"),
        "The records of an input file as a dict of plain values, with the reader's warnings.");
  m.def("read_covariance", &read_covariance, py::arg("path"), py::arg("input"),
        "The covariances of a covariance file read against the input's records, as dicts, "
        "with the reader's warnings.");
  m.def("from_slope_intercept", &from_slope_intercept, py::arg("form"), py::arg("covariance"),
        py::arg("d"), py::arg("logit_guessing"),
        "A form and its covariance in slope-intercept form carried to the program's metric.");
  m.def("equate", &equate, py::arg("input"), py::arg("options"),
        "Equates records given as a dict with the options of a dict; returns Results.");

  py::class_<Equating>(m, "Results", "The library's results of one equating.")
      .def_property_readonly("chance_score",
                             [](const Equating& e) { return e.results.true_score.chance_score; })
      .def_property_readonly("new_top_score",
                             [](const Equating& e) { return e.results.new_top_score; })
      .def_property_readonly("old_top_score",
                             [](const Equating& e) { return e.results.old_top_score; })
      .def_property_readonly("linking", &linking)
      .def_property_readonly("synthetic_weight", &synthetic_weight)
      .def_property_readonly(
          "warnings",
          [](const Equating& e) { return warning_texts(e.warnings, e.results.input_name, e.read); })
      .def("columns", &columns, "The table of scores as arrays, NaN or '' in empty cells.")
      .def("linked_form", &linked_form, "The new form on the old scale, after linking.")
      .def("common_item_columns", &common_item_columns,
           "After linking, the common items with their drift as arrays by column name.")
      .def("report", [](const Equating& e) { return formatted(e, zol::format_report); })
      .def("csv", [](const Equating& e) { return formatted(e, zol::format_csv); })
      .def("svg", [](const Equating& e) { return formatted(e, zol::format_svg); })
      .def("linked_items", [](const Equating& e) { return formatted(e, zol::format_linked_items); })
      .def("common_items", [](const Equating& e) { return formatted(e, zol::format_common_items); });
}
