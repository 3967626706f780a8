// Input files read into the library's records, from a file or from text in memory
#include "common/errors.h"

#include <new>
#include <system_error>

#include "common/describe.h"
#include "input/file_text.h"
#include "input/input_reader.h"

namespace zol {

namespace {

Error read_failure(ErrorKind kind, Finding cause, const std::string& name) {
  return explained_error(kind, Stage::READING, std::move(cause), name);
}

}  // namespace

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
    std::optional<Input> input = read_input(text, options, findings);
    if (!input) {
      return read_failure(findings.out_of_memory ? ErrorKind::NO_MEMORY : ErrorKind::INVALID_INPUT,
                          findings.failure, name);
    }
    input->name = name;
    ReadInput read{std::move(*input), {}};
    read.warnings.kept = std::move(findings.warnings);
    read.warnings.not_kept = findings.warnings_not_kept;
    return read;
  } catch (const std::bad_alloc&) {
    return read_failure(ErrorKind::NO_MEMORY, about_run("not enough memory to read the input"),
                        name);
  }
}

Expected<ReadInput> read_input_file(const std::string& path, const ReadOptions& options) {
  FileText file = read_file_text(path);
  switch (file.status) {
    case FileStatus::CANNOT_OPEN:
      return read_failure(
          ErrorKind::CANNOT_OPEN_INPUT,
          about_run(path.empty() ? std::string("no input file name was given")
                                 : "cannot open input file '" + path + "': " +
                                       std::generic_category().message(file.error_number)),
          path);
    case FileStatus::NOT_REGULAR:
      // The reader counts each section before reading it, as the format was
      // made for files that can be read ahead.
      return read_failure(ErrorKind::INVALID_INPUT, {NOT_A_REGULAR_FILE, true, 0}, path);
    case FileStatus::NO_MEMORY:
      return read_failure(ErrorKind::NO_MEMORY,
                          {"the file is too large for the memory left", true, 0}, path);
    case FileStatus::READ_ERROR:  // ends the input like the end of the file does
    case FileStatus::OK:
      break;
  }
  return read_input_text(file.text, path, options);
}

}  // namespace zol
