// Line input of the reader: whole lines, look-ahead line counts and field splitting
#include <cassert>
#include <cstring>
#include <limits>

#include "input_reader.h"

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
  if (std::fgetpos(input, &start) != 0) return 0;
  std::int64_t count = 0;
  std::string line;
  while (count < most && read_line(input, line) && !stop_before(line)) ++count;
  // Returning also clears the end-of-file indicator that the count may have set.
  if (std::fsetpos(input, &start) != 0) return 0;
  return count;
}

}  // namespace

bool read_line(std::FILE* input, std::string& line) {
  line.clear();
  // A read error ends the line like the end of the file does, so no caller
  // can wait for an end-of-file indicator that never comes.
  for (int c = std::getc(input); c != EOF; c = std::getc(input)) {
    if (c == '\n') {
      // A file written with carriage return-line feed line ends must read
      // exactly like the same file with line feeds.
      if (!line.empty() && line.back() == '\r') line.pop_back();
      line.push_back('\n');
      return true;
    }
    line.push_back(static_cast<char>(c));
  }
  return !line.empty();
}

std::int64_t count_lines_until(std::FILE* input, const char* marker) {
  const std::size_t marker_length = marker == nullptr ? 0 : std::strlen(marker);
  return count_ahead(input, std::numeric_limits<std::int64_t>::max(), [&](const std::string& line) {
    if (line[0] == '\n' || line[0] == '\r') return true;
    return marker_length > 0 && line.compare(0, marker_length, marker) == 0;
  });
}

std::int64_t count_records(std::FILE* input) {
  return count_lines_until(input, "$");
}

std::int64_t count_lines_ahead(std::FILE* input, std::int64_t most) {
  return count_ahead(input, most, [](const std::string&) { return false; });
}

int split_fields(int most_fields, std::span<char> storage, const char* line,
                 std::span<const char*> starts) {
  assert(most_fields >= 0 && starts.size() >= static_cast<std::size_t>(most_fields));
  const std::size_t budget = storage.size();
  std::size_t used = 0;
  int fields = 0;
  const char* next = line;
  for (;;) {
    while (*next == ' ' || *next == '\t') ++next;
    if (ends_line(*next) || fields == most_fields) return fields;
    // A field counts only when all of it and its terminator fit the budget;
    // the first one that does not fit ends the count.
    const std::size_t start = used;
    while (!ends_field(*next)) {
      if (used == budget) return fields;
      storage[used++] = *next++;
    }
    if (used == budget) return fields;
    storage[used++] = '\0';
    starts[static_cast<std::size_t>(fields++)] = storage.data() + start;
  }
}
