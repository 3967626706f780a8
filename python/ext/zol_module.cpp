// The compiled core of the Python package: arrays into the library's records, results out
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

namespace {

using DoubleArray = py::array_t<double, py::array::c_style | py::array::forcecast>;

// A failure of the library on its way to Python; the translator below turns
// it into the exception class of its kind.
struct LibraryFailure {
  zol::Error error;
};

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
py::array_t<double> to_array(std::span<const double> values) {
  py::array_t<double> array(static_cast<py::ssize_t>(values.size()));
  std::copy(values.begin(), values.end(), array.mutable_data());
  return array;
}

std::vector<double> to_vector(const DoubleArray& array) {
  if (array.ndim() != 1) throw py::value_error("arrays must be one-dimensional");
  return std::vector<double>(array.data(), array.data() + array.size());
}

zol::ItemModel model_named(const std::string& name) {
  const std::optional<zol::ItemModel> model = zol::item_model_named(name);
  if (!model) throw py::value_error("unknown item model '" + name + "': 3PL, GPCM or GRM");
  return *model;
}

// A form as (labels, a, b, c, models, steps): models a list of model names
// and steps a list of arrays, one per item (empty for a 3PL item); the Python
// layer has checked the lengths.
zol::Form to_form(const py::tuple& form) {
  const py::list labels = form[0].cast<py::list>();
  const std::vector<double> a = to_vector(form[1].cast<DoubleArray>());
  const std::vector<double> b = to_vector(form[2].cast<DoubleArray>());
  const std::vector<double> c = to_vector(form[3].cast<DoubleArray>());
  const py::list models = form[4].cast<py::list>();
  const py::list steps = form[5].cast<py::list>();
  const std::size_t n = labels.size();
  if (a.size() != n || b.size() != n || c.size() != n || models.size() != n || steps.size() != n) {
    throw py::value_error("a form needs one label, model, a, b, c and steps per item");
  }
  zol::Form result;
  result.items.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const zol::ItemModel model = model_named(models[i].cast<std::string>());
    if (model == zol::ItemModel::THREE_PL) {
      result.items.emplace_back(to_bytes(labels[i]), a[i], b[i], c[i]);
    } else {
      result.items.emplace_back(to_bytes(labels[i]), model, a[i],
                                to_vector(steps[i].cast<DoubleArray>()));
    }
  }
  return result;
}

py::tuple from_form(const zol::Form& form) {
  py::list labels, models, steps;
  std::vector<double> a, b, c;
  for (const zol::Item& item : form.items) {
    const bool three_pl = item.model == zol::ItemModel::THREE_PL;
    labels.append(to_python(item.label));
    a.push_back(item.a);
    b.push_back(three_pl ? item.b : std::nan(""));
    c.push_back(three_pl ? item.c : std::nan(""));
    models.append(zol::item_model_name(item.model));
    steps.append(to_array(item.steps));
  }
  return py::make_tuple(labels, to_array(a), to_array(b), to_array(c), models, steps);
}

// The input file's records as plain Python values for the zol.Input the
// Python layer makes of them.
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
  if (input.theta) {
    records["theta"] = to_array(input.theta->points);
    records["weights"] = to_array(input.theta->weights);
  }
  records["conversion"] = py::none();
  if (input.conversion) {
    const zol::Conversion& table = *input.conversion;
    records["conversion"] =
        py::make_tuple(table.lowest, table.highest, table.increment, to_array(table.scale));
  }
  records["name"] = to_python(input.name);
  return records;
}

// A column of the results by raw score 0..rows-1, NaN where the CSV leaves
// its cell empty.
template <typename Present>
py::array_t<double> column(std::span<const double> values, std::size_t rows, Present present) {
  py::array_t<double> array(static_cast<py::ssize_t>(rows));
  double* out = array.mutable_data();
  for (std::size_t raw = 0; raw < rows; ++raw) {
    out[raw] = raw < values.size() && present(raw) ? values[raw] : std::nan("");
  }
  return array;
}

// The columns of the CSV, by its rules for empty cells.
py::dict columns(const zol::Results& results) {
  const zol::TrueScoreEquating& t = results.true_score;
  const zol::ObservedScoreEquating none;
  const bool observed = results.observed_score.has_value();
  const zol::ObservedScoreEquating& o = observed ? *results.observed_score : none;
  const std::size_t rows =
      static_cast<std::size_t>(std::max(results.new_top_score, results.old_top_score)) + 1;
  const auto always = [](std::size_t) { return true; };
  // The bracket ends mark raw scores that have no theta of their own.
  const auto has_theta = [&](std::size_t raw) {
    return t.theta[raw] > -zol::THETA_LIMIT && t.theta[raw] < zol::THETA_LIMIT;
  };
  const auto on_new_form = [&](std::size_t raw) { return raw < t.equated.size(); };
  const auto if_observed = [&](std::size_t) { return observed; };
  const auto observed_on_new_form = [&](std::size_t raw) { return observed && on_new_form(raw); };

  py::array_t<std::int64_t> raw(static_cast<py::ssize_t>(rows));
  for (std::size_t i = 0; i < rows; ++i) raw.mutable_data()[i] = static_cast<std::int64_t>(i);
  py::dict out;
  out["raw"] = raw;
  out["theta"] = column(t.theta, rows, has_theta);
  out["true_equated"] = column(t.equated, rows, always);
  out["true_scale"] = column(t.scale.unrounded, rows, on_new_form);
  out["true_scale_rounded"] = column(t.scale.rounded, rows, on_new_form);
  out["new_fitted"] = column(o.new_distribution, rows, if_observed);
  out["old_fitted"] = column(o.old_distribution, rows, if_observed);
  out["observed_equated"] = column(o.equated, rows, if_observed);
  out["observed_scale"] = column(o.scale.unrounded, rows, observed_on_new_form);
  out["observed_scale_rounded"] = column(o.scale.rounded, rows, observed_on_new_form);
  return out;
}

// Equates the records the Python layer hands over: forms as (labels, a, b,
// c), the quadrature's points and weights (no weights: equal weights), the
// conversion as (lowest, highest, increment, scale), the link method's
// command-line name and the unit of rounding on the reporting scale.
zol::Results equate(const py::tuple& new_form, const py::tuple& old_form,
                    const std::optional<DoubleArray>& theta,
                    const std::optional<DoubleArray>& weights,
                    const std::optional<py::tuple>& conversion, const py::str& name,
                    const std::optional<std::string>& link,
                    const std::optional<double>& round_scale,
                    const std::optional<double>& scaling_constant) {
  zol::Input input;
  input.new_form = to_form(new_form);
  input.old_form = to_form(old_form);
  if (theta) {
    input.theta = weights ? zol::Quadrature{to_vector(*theta), to_vector(*weights)}
                          : zol::equal_weights(to_vector(*theta));
  }
  if (conversion) {
    const py::tuple& table = *conversion;
    input.conversion =
        zol::Conversion{table[0].cast<double>(), table[1].cast<double>(), table[2].cast<double>(),
                        to_vector(table[3].cast<DoubleArray>())};
  }
  input.name = to_bytes(name);
  zol::Options options;
  if (link) {
    options.link = zol::link_method_named(*link);
    if (!options.link) throw py::value_error("unknown link method '" + *link + "'");
  }
  if (round_scale) {
    if (!(std::isfinite(*round_scale) && *round_scale > 0.0)) {
      throw py::value_error("round_scale must be a finite number above 0");
    }
    options.round_scale_unit = *round_scale;
  }
  if (scaling_constant) {
    if (!(std::isfinite(*scaling_constant) && *scaling_constant > 0.0)) {
      throw py::value_error("scaling_constant must be a finite number above 0");
    }
    options.scaling_constant = *scaling_constant;
  }
  std::optional<zol::Expected<zol::Results>> results;
  {
    py::gil_scoped_release unlocked;
    results.emplace(zol::equate(input, options));
  }
  if (!*results) throw LibraryFailure{results->error()};
  return std::move(**results);
}

// One of the formatters, run without the GIL.
py::str formatted(const zol::Results& results,
                  zol::Expected<std::string> (*format)(const zol::Results&)) {
  std::optional<zol::Expected<std::string>> text;
  {
    py::gil_scoped_release unlocked;
    text.emplace(format(results));
  }
  if (!*text) throw LibraryFailure{text->error()};
  return to_python(**text);
}

py::object linking(const zol::Results& results) {
  if (!results.linking) return py::none();
  const zol::Linking& l = *results.linking;
  return py::make_tuple(zol::link_method_option(l.method), zol::link_method_title(l.method), l.A,
                        l.B, l.common_items);
}

bool is_input_error(zol::ErrorKind kind) {
  return kind == zol::ErrorKind::CANNOT_OPEN_INPUT || kind == zol::ErrorKind::INVALID_INPUT;
}

// The exception of a failure: its text is the explanation, after the root
// search's own lines when it stopped; kind, message (the program's message
// or the stop's lines) and explanation are attributes.
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

  // The classes live as long as the process: released, so that nothing drops
  // a reference to them after the interpreter has finished.
  static const py::handle error =
      py::exception<LibraryFailure>(m, "Error", PyExc_ValueError).release();
  static const py::handle input_error =
      py::exception<LibraryFailure>(m, "InputError", error).release();
  static const py::handle equating_error =
      py::exception<LibraryFailure>(m, "EquatingError", error).release();
  error.doc() = "A failure of zol: the input or the equating; a ValueError.";
  input_error.doc() =
      "The input was refused: a file that cannot be opened or read by the format's rules, or\n"
      "records that are not usable. str() is the explanation, \"FILE:LINE: cause\".";
  equating_error.doc() =
      "The equating failed: out of memory, an equating function that cannot be computed, or\n"
      "a root search that could not go on (kind 'numeric_stop', its lines in message).";
  for (py::handle type : {error, input_error, equating_error}) type.attr("__module__") = "zol";
  py::register_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const LibraryFailure& failure) {
      set_python_error(is_input_error(failure.error.kind) ? input_error : equating_error,
                       failure.error);
    }
  });

  m.def("read_input", &read_input, py::arg("path"), py::arg("mixed_format"),
        "The records of an input file as a dict of plain values.");
  m.def("equate", &equate, py::arg("new"), py::arg("old"), py::arg("theta"), py::arg("weights"),
        py::arg("conversion"), py::arg("name"), py::arg("link"), py::arg("round_scale"),
        py::arg("scaling_constant"),
        "Equates records given as tuples and arrays; returns the library's Results.");

  py::class_<zol::Results>(m, "Results", "The library's results of one equating.")
      .def_property_readonly("chance_score",
                             [](const zol::Results& r) { return r.true_score.chance_score; })
      .def_property_readonly("new_top_score", [](const zol::Results& r) { return r.new_top_score; })
      .def_property_readonly("old_top_score", [](const zol::Results& r) { return r.old_top_score; })
      .def_property_readonly("linking", &linking)
      .def("columns", &columns, "The CSV's columns as arrays, NaN in empty cells.")
      .def("report", [](const zol::Results& r) { return formatted(r, zol::format_report); })
      .def("csv", [](const zol::Results& r) { return formatted(r, zol::format_csv); })
      .def("svg", [](const zol::Results& r) { return formatted(r, zol::format_svg); })
      .def("linked_items",
           [](const zol::Results& r) { return formatted(r, zol::format_linked_items); });
}
