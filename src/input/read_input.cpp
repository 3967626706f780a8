// Input files read into the library's records, from a file or from text in memory
#include "common/errors.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <system_error>

#include "common/describe.h"
#include "input/input_reader.h"

namespace zol {

namespace {

// Bytes read from a file at a time.
constexpr std::size_t READ_CHUNK = 1 << 16;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

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
      return read_failure(ErrorKind::INVALID_INPUT, {NOT_A_REGULAR_FILE, true, 0}, path);
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
    return read_failure(ErrorKind::NO_MEMORY, {"the file is too large for the memory left", true, 0},
                        path);
  }
  return read_input_text(text, path, options);
}

}  // namespace zol
