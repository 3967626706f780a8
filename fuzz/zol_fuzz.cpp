// Fuzz target: one whole run, from input bytes to the report, in memory
//
// Whatever the bytes, a run must end in a complete report or in one of the
// program's failures, never in a crash, a hang, undefined behaviour, a leak or
// a partial report. The sanitizers catch the first four; the checks below turn
// a broken promise about the report into a crash that the fuzzer keeps.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "driver.h"
#include "input_reader.h"
#include "linking.h"
#include "root_finder.h"

namespace {

using namespace zol;

const char* const INPUT_NAME = "fuzz.txt";

// The root finder's fatal stop ends the process, which would end the fuzzer
// too; here it unwinds to the driver instead, through every owner on the way,
// as it does in a run that explains itself.
[[noreturn]] void throw_fatal_stop(const char* message) {
  throw FatalNumericStop{message};
}

[[noreturn]] void broken(const char* promise) {
  std::fprintf(stderr, "zol_fuzz: broken promise: %s\n", promise);
  std::abort();
}

void require(bool holds, const char* promise) {
  if (!holds) broken(promise);
}

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OwnedFile = std::unique_ptr<std::FILE, CloseFile>;

OwnedFile open_input(const std::uint8_t* data, std::size_t size) {
  // A memory stream cannot be empty; a temporary file can.
  if (size == 0) return OwnedFile(std::tmpfile());
  return OwnedFile(fmemopen(const_cast<std::uint8_t*>(data), size, "r"));
}

// Reads the bytes as an input file; false when there is nothing to read from.
bool read_bytes(const std::uint8_t* data, std::size_t size, std::optional<InputRecords>& records,
                Findings& findings) {
  OwnedFile input = open_input(data, size);
  if (!input) return false;
  records = read_input(input.get(), findings);
  return true;
}

// What a successful read guarantees to the stages after it.
void check_records(const InputRecords& r) {
  require(r.new_form.count >= 1 && r.new_form.block, "new form read");
  require(r.old_form.count >= 1 && r.old_form.block, "old form read");
  require(r.theta.count >= 0, "quadrature count");
  require(r.theta.count == 0 ? !r.theta.block : (r.theta.block && r.theta.has_weights),
          "a quadrature always has weights");
  const ScaleConversion& t = r.conversion;
  require(t.row_count >= 2 && t.increment > 0.0 && t.unrounded && t.rounded &&
              t.highest == t.lowest + (t.row_count - 1) * t.increment,
          "a usable conversion table on its own grid");
}

bool same_values(std::span<const double> x, std::span<const double> y) {
  return x.size() == y.size() &&
         (x.empty() || std::memcmp(x.data(), y.data(), x.size_bytes()) == 0);
}

bool same_records(const InputRecords& x, const InputRecords& y) {
  const ScaleConversion& s = x.conversion;
  const ScaleConversion& t = y.conversion;
  return x.new_form.count == y.new_form.count && x.old_form.count == y.old_form.count &&
         x.theta.count == y.theta.count && same_values(x.new_form.a(), y.new_form.a()) &&
         same_values(x.new_form.b(), y.new_form.b()) &&
         same_values(x.new_form.c(), y.new_form.c()) &&
         same_values(x.old_form.a(), y.old_form.a()) &&
         same_values(x.old_form.b(), y.old_form.b()) &&
         same_values(x.old_form.c(), y.old_form.c()) &&
         same_values(x.theta.points(), y.theta.points()) &&
         same_values(x.theta.weights(), y.theta.weights()) && s.row_count == t.row_count &&
         std::memcmp(&s.lowest, &t.lowest, sizeof s.lowest) == 0 &&
         std::memcmp(&s.highest, &t.highest, sizeof s.highest) == 0 &&
         std::memcmp(&s.increment, &t.increment, sizeof s.increment) == 0 && s.flag == t.flag &&
         same_values(s.scale_scores(), t.scale_scores()) &&
         same_values({s.rounded.get(), static_cast<std::size_t>(s.row_count)},
                     {t.rounded.get(), static_cast<std::size_t>(t.row_count)});
}

// A file saved with carriage return-line feed line ends reads exactly as the
// same file with line feeds. Only inputs without a carriage return of their
// own can be turned into such a file.
void check_line_ends(const std::uint8_t* data, std::size_t size,
                     const std::optional<InputRecords>& records) {
  if (std::memchr(data, '\r', size) != nullptr) return;
  std::string crlf;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') crlf.push_back('\r');
    crlf.push_back(static_cast<char>(data[i]));
  }
  std::optional<InputRecords> again;
  Findings findings;
  if (!read_bytes(reinterpret_cast<const std::uint8_t*>(crlf.data()), crlf.size(), again,
                  findings)) {
    return;
  }
  require(records.has_value() == again.has_value(), "line ends decide no read");
  require(!records || same_records(*records, *again), "line ends change no value");
}

std::size_t count_lines(const std::string& text) {
  std::size_t lines = 0;
  for (char ch : text) lines += ch == '\n' ? 1 : 0;
  return lines;
}

// Start of the line of raw score `score` in the true-score table.
std::size_t true_score_row(const std::string& report, std::int32_t score) {
  const std::string heading = "Score   Equivalent   Equivalent   Scale Score    Scale Score\n";
  std::size_t at = report.find(heading);
  require(at != std::string::npos, "true-score heading");
  at += heading.size();
  for (std::int32_t i = 0; i < score; ++i) at = report.find('\n', at) + 1;
  return at;
}

// The shape of a complete report, and the two rows whose values never depend
// on a root search: raw score 0 lies on the low-score line, and the top score
// maps to the old form's top score. Both print dashes for theta.
void check_report(const InputRecords& r, const RunOptions& options, const std::string& report) {
  const std::string banner = std::string("ZOL 1.1\nInput file: ").append(INPUT_NAME).append("\n\n");
  require(report.compare(0, banner.size(), banner) == 0, "the report starts with the banner");
  require(!report.empty() && report.back() == '\n', "the report ends with a whole line");
  require(report.find("nan") == std::string::npos && report.find("inf") == std::string::npos,
          "every reported value is a finite number");

  const std::int32_t n_new = r.new_form.count, n_old = r.old_form.count;
  const std::size_t scores = static_cast<std::size_t>(n_new) + 1;
  // A linked run has two lines and a blank one after the banner.
  std::size_t lines = 3 + 6 + scores + (options.link ? 3 : 0);
  if (r.theta.count != 0) {
    const std::size_t longer = static_cast<std::size_t>(n_new > n_old ? n_new : n_old) + 1;
    lines += 12 + scores + longer;
  }
  require(count_lines(report) == lines, "one line per raw score in every table");

  const std::string dashes = "     ---------   ";
  const std::size_t first = true_score_row(report, 0);
  require(report.compare(first + 3, dashes.size(), dashes) == 0, "raw score 0 has no theta");
  const std::size_t top = true_score_row(report, n_new);
  const std::size_t top_label = report.find_first_not_of(' ', top);
  require(std::strtol(report.c_str() + top_label, nullptr, 10) == n_new, "top row number");
  const std::size_t theta_column = report.find("     ", top_label);
  require(report.compare(theta_column, dashes.size(), dashes) == 0, "the top score has no theta");
  char top_equivalent[64];
  std::snprintf(top_equivalent, sizeof top_equivalent, "%9.4lf", static_cast<double>(n_old));
  require(report.compare(theta_column + dashes.size(), std::strlen(top_equivalent),
                         top_equivalent) == 0,
          "the top score maps to the old form's top score");
}

// The files of the explained run's CSV, picture and linked items, made once,
// then rewritten.
std::string csv_path, plot_path, linked_items_path;

std::string temporary_file(const char* pattern) {
  std::string path = pattern;
  const int descriptor = mkstemp(path.data());
  if (descriptor < 0) std::abort();
  close(descriptor);
  return path;
}

std::string file_text(const std::string& path) {
  OwnedFile file(std::fopen(path.c_str(), "rb"));
  std::string text;
  for (int c; file && (c = std::getc(file.get())) != EOF;) text.push_back(static_cast<char>(c));
  return text;
}

// The CSV has a header and one row of ten cells (thirteen after linking)
// per raw score of the longer form, every number finite.
void check_csv(const InputRecords& r, const RunOptions& options, const std::string& csv) {
  const auto rows = static_cast<std::size_t>(std::max(r.new_form.count, r.old_form.count)) + 1;
  require(count_lines(csv) == 1 + rows, "one CSV row per raw score");
  std::size_t commas = 0;
  for (char c : csv) commas += c == ',' ? 1 : 0;
  require(commas == (options.link ? 12 : 9) * (1 + rows), "ten cells a CSV row");
  require(csv.find("nan") == std::string::npos && csv.find("inf") == std::string::npos,
          "every CSV number is finite");
}

// The linked items read back to the very parameters that were equated.
void check_linked_items(const InputRecords& r, const Linking& link, const std::string& text) {
  const std::string header = "$Item_Parameters\n";
  require(text.compare(0, header.size(), header) == 0, "linked items under their header");
  std::size_t at = header.size();
  for (std::size_t i = 0; i < static_cast<std::size_t>(r.new_form.count); ++i) {
    char label[9];
    double a = 0.0, b = 0.0, c = 0.0;
    require(std::sscanf(text.c_str() + at, "%8s %lf %lf %lf", label, &a, &b, &c) == 4,
            "a linked item reads as an item");
    const double expected[] = {r.new_form.a()[i] / link.A, link.A * r.new_form.b()[i] + link.B,
                               r.new_form.c()[i]};
    const double read[] = {a, b, c};
    require(std::memcmp(expected, read, sizeof read) == 0, "linked items read back exactly");
    at = text.find('\n', at) + 1;
  }
  require(at == text.size(), "one line per linked item");
}

// Every element of the picture is closed, in order.
void check_svg(const std::string& svg) {
  std::vector<std::string> open;
  for (std::size_t at = svg.find('<'); at != std::string::npos; at = svg.find('<', at + 1)) {
    const std::size_t end = svg.find('>', at);
    require(end != std::string::npos, "every tag ends");
    const std::string tag = svg.substr(at + 1, end - at - 1);
    const std::string name =
        tag.substr(tag[0] == '/' ? 1 : 0, tag.find_first_of(" />", 1) - (tag[0] == '/' ? 1 : 0));
    if (tag[0] == '?' || tag.back() == '/') continue;
    if (tag[0] == '/') {
      require(!open.empty() && open.back() == name, "elements close in order");
      open.pop_back();
    } else {
      open.push_back(name);
    }
  }
  require(open.empty(), "every element is closed");
}

// One run, records to report, into memory: its status, report and findings.
struct Outcome {
  RunStatus status = RunStatus::OK;
  std::string report;
  Findings findings;
};

Outcome equate_in_memory(const InputRecords& records, RunOptions options) {
  Outcome outcome;
  char* buffer = nullptr;
  std::size_t length = 0;
  std::FILE* stream = open_memstream(&buffer, &length);
  if (stream == nullptr) std::abort();
  ReportTarget target;
  target.stream = stream;
  if (options.explain) {
    options.csv_path = csv_path.c_str();
    options.plot_path = plot_path.c_str();
    if (options.link) options.linked_items_path = linked_items_path.c_str();
  }
  outcome.status = equate_and_report(records, INPUT_NAME, target, options, outcome.findings);
  std::fclose(stream);
  outcome.report.assign(buffer, length);
  std::free(buffer);
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  set_fatal_numeric_handler(throw_fatal_stop);
  csv_path = temporary_file("/tmp/zol_fuzz_csv_XXXXXX");
  plot_path = temporary_file("/tmp/zol_fuzz_svg_XXXXXX");
  linked_items_path = temporary_file("/tmp/zol_fuzz_items_XXXXXX");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::optional<InputRecords> records;
  Findings findings;
  if (!read_bytes(data, size, records, findings)) return 0;
  check_line_ends(data, size, records);
  require(records.has_value() == findings.failure.text.empty(), "a failed read has its cause");
  if (!records) return 0;
  check_records(*records);

  // The options beyond the outputs follow the input's length, which the
  // mutations vary: no linking or one of the methods, and the specified
  // rounding or rounding on the scale to a unit.
  RunOptions options;
  constexpr LinkMethod METHODS[] = {LinkMethod::MEAN_MEAN, LinkMethod::MEAN_SIGMA,
                                    LinkMethod::HAEBARA, LinkMethod::STOCKING_LORD};
  if (size % 5 != 0) options.link = METHODS[size % 5 - 1];
  if ((size / 5) % 3 != 0) options.round_scale_unit = (size / 5) % 3 == 1 ? 1.0 : 0.25;
  const Outcome plain = equate_in_memory(*records, options);
  options.explain = true;
  const Outcome explained = equate_in_memory(*records, options);
  require(plain.status == explained.status && plain.report == explained.report,
          "an explained run writes what a plain run writes");
  require(plain.status == RunStatus::OK || !plain.findings.failure.text.empty(),
          "a failed run has its cause");
  if (plain.status != RunStatus::OK) {
    require(plain.status == RunStatus::NO_MEMORY || plain.status == RunStatus::EQUATING_ERROR ||
                plain.status == RunStatus::NUMERIC_STOP,
            "a computation fails only for memory or for its numbers");
    require(plain.report.empty(), "a failed run writes nothing of the report");
    return 0;
  }
  check_report(*records, options, plain.report);
  check_csv(*records, options, file_text(csv_path));
  // The linking is the explained run's own; its report shows the same A and B.
  if (options.link) {
    const Linking link =
        link_scales(records->new_form, records->old_form, records->theta, *options.link);
    check_linked_items(*records, link, file_text(linked_items_path));
  }
  check_svg(file_text(plot_path));
  return 0;
}
