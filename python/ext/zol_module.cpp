// The compiled core of the Python package: records in as dicts of arrays, results out
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
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

// Records that the Python layer should have refused already, or options out
// of range: refused as the library refuses records, in the same words' style.
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

// The input as the Python layer hands it over: the forms, the quadrature's
// points and weights (no weights: equal weights) and its header's line, the
// conversion as a dict of its grid, scale and header's line, and the name.
zol::Input to_input(const py::dict& records) {
  zol::Input input;
  input.new_form = to_form(records["new"], "new");
  input.old_form = to_form(records["old"], "old");
  if (!records["theta"].is_none()) {
    std::vector<double> points = numbers(records["theta"], "theta");
    input.theta = records["weights"].is_none()
                      ? zol::equal_weights(std::move(points))
                      : zol::Quadrature{std::move(points), numbers(records["weights"], "weights")};
    input.theta->header_line = records["theta_line"].cast<std::int64_t>();
  }
  if (!records["conversion"].is_none()) {
    const py::dict table = records["conversion"];
    input.conversion =
        zol::Conversion{table["lowest"].cast<double>(), table["highest"].cast<double>(),
                        table["increment"].cast<double>(), numbers(table["scale"], "scale"),
                        table["header_line"].cast<std::int64_t>()};
  }
  input.name = to_bytes(records["name"]);
  return input;
}

// ---------------------------------------------------------------- options

// A number option: a finite number above 0.
double positive_number(py::handle value, const char* name) {
  const double number = PyFloat_AsDouble(value.ptr());
  if (number == -1.0 && PyErr_Occurred()) {
    PyErr_Clear();
    refuse(std::string(name) + " must be a number, not " + std::string(py::str(py::repr(value))));
  }
  if (!(std::isfinite(number) && number > 0.0)) {
    refuse(std::string(name) + " must be a finite number above 0, not " +
           std::string(py::str(py::repr(value))));
  }
  return number;
}

void set_link(zol::Options& options, py::handle value) {
  const std::string name = py::isinstance<py::str>(value) ? to_bytes(value) : "";
  options.link = zol::link_method_named(name);
  if (options.link) return;
  constexpr zol::LinkMethod METHODS[] = {zol::LinkMethod::MEAN_MEAN, zol::LinkMethod::MEAN_SIGMA,
                                         zol::LinkMethod::HAEBARA, zol::LinkMethod::STOCKING_LORD};
  std::string methods;
  for (std::size_t k = 0; k < std::size(METHODS); ++k) {
    methods += k == 0 ? "" : k + 1 < std::size(METHODS) ? ", " : " or ";
    methods += zol::link_method_option(METHODS[k]);
  }
  refuse("unknown link method " + std::string(py::str(py::repr(value))) + ": " + methods);
}

void set_scaling_constant(zol::Options& options, py::handle value) {
  options.scaling_constant = positive_number(value, "scaling_constant");
}

void set_round_scale(zol::Options& options, py::handle value) {
  options.round_scale_unit = positive_number(value, "round_scale");
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

// Warnings as the lines the program shows under --explain, without its
// prefix: each finding as the library says it, then how many more there were,
// naming the input when it was read from a file.
py::list warning_texts(const zol::Warnings& warnings, const std::string& name, bool read) {
  py::list texts;
  for (const zol::Finding& finding : warnings.kept) {
    texts.append(to_python(zol::finding_text(finding, name)));
  }
  if (warnings.not_kept > 0) {
    const zol::Finding count{"warning: " + std::to_string(warnings.not_kept) + " more like these",
                             read, 0};
    texts.append(to_python(zol::finding_text(count, name)));
  }
  return texts;
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
  records["theta"] = py::none();
  records["weights"] = py::none();
  records["theta_line"] = 0;
  if (input.theta) {
    records["theta"] = to_array<double>(input.theta->points);
    records["weights"] = to_array<double>(input.theta->weights);
    records["theta_line"] = input.theta->header_line;
  }
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

py::object linking(const Equating& equating) {
  if (!equating.results.linking) return py::none();
  const zol::Linking& l = *equating.results.linking;
  return py::make_tuple(zol::link_method_option(l.method), zol::link_method_title(l.method), l.A,
                        l.B, l.common_items);
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
  for (zol::ItemModel model :
       {zol::ItemModel::THREE_PL, zol::ItemModel::GPCM, zol::ItemModel::GRM}) {
    models.append(zol::item_model_name(model));
  }
  m.attr("MODELS") = py::tuple(models);

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
      .def_property_readonly(
          "warnings",
          [](const Equating& e) { return warning_texts(e.warnings, e.results.input_name, e.read); })
      .def("columns", &columns, "The table of scores as arrays, NaN or '' in empty cells.")
      .def("linked_form", &linked_form, "The new form on the old scale, after linking.")
      .def("report", [](const Equating& e) { return formatted(e, zol::format_report); })
      .def("csv", [](const Equating& e) { return formatted(e, zol::format_csv); })
      .def("svg", [](const Equating& e) { return formatted(e, zol::format_svg); })
      .def("linked_items",
           [](const Equating& e) { return formatted(e, zol::format_linked_items); });
}
