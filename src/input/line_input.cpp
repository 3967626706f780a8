// Line input of the reader: whole lines, look-ahead line counts and field splitting
#include <limits>

#include "input/reader_parts.h"

namespace zol {

namespace {

bool ends_line(char c) {
  return c == '\0' || c == '\n' || c == '\r';
}

bool ends_field(char c) {
  return ends_line(c) || c == ' ' || c == '\t';
}

// Counts the lines ahead, up to most and up to the first line that
// stop_before accepts, and returns to where the stream was: the sections are
// counted before they are read so that their arrays are allocated once.
template <typename StopBefore>
std::int64_t count_ahead(std::FILE* input, std::int64_t most, StopBefore stop_before) {
  std::fpos_t start;
  if (std::fgetpos(input, &start) != 0) return CANNOT_READ_AHEAD;
  std::int64_t count = 0;
  LineReader ahead{input, {}, 0};
  while (count < most && next_line(ahead) && !stop_before(ahead.line)) ++count;
  // Returning also clears the end-of-file indicator that the count may have set.
  if (std::fsetpos(input, &start) != 0) return CANNOT_READ_AHEAD;
  return count;
}

}  // namespace

bool next_line(LineReader& reader) {
  std::string& line = reader.line;
  line.clear();
  // A read error ends the line like the end of the file does, so no caller
  // can wait for an end-of-file indicator that never comes.
  for (int c = std::getc(reader.input); c != EOF; c = std::getc(reader.input)) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      line.push_back('\n');
      ++reader.number;
      return true;
    }
    line.push_back(static_cast<char>(c));
  }
  if (line.empty()) return false;
  ++reader.number;
  return true;
}

std::int64_t count_records(LineReader& reader) {
  return count_ahead(
      reader.input, std::numeric_limits<std::int64_t>::max(),
      [](const std::string& line) { return line[0] == '\n' || line[0] == '\r' || line[0] == '$'; });
}

std::int64_t count_lines_ahead(LineReader& reader, std::int64_t most) {
  return count_ahead(reader.input, most, [](const std::string&) { return false; });
}

int split_fields(const char* line, std::span<char> storage, std::span<const char*> starts) {
  const std::size_t budget = storage.size();
  std::size_t used = 0;
  std::size_t fields = 0;
  const char* next = line;
  for (;;) {
    while (*next == ' ' || *next == '\t') ++next;
    if (ends_line(*next) || fields == starts.size()) return static_cast<int>(fields);
    // A field counts only when all of it and its terminator fit the budget;
    // the first one that does not fit ends the count.
    const std::size_t start = used;
    while (!ends_field(*next)) {
      if (used == budget) return static_cast<int>(fields);
      storage[used++] = *next++;
    }
    if (used == budget) return static_cast<int>(fields);
    storage[used++] = '\0';
    starts[fields++] = storage.data() + start;
  }
}

}  // namespace zol
