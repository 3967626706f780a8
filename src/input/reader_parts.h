// The pieces of the input reader: line input, section headers and section readers
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/describe.h"
#include "common/findings.h"
#include "zol/zol.h"

namespace zol {

// The text being read, where reading stands in it, and the current line: the
// line's characters, then its line feed when it has one (a carriage return
// right before the line feed is dropped, so that a file saved on Windows
// reads the same), and its number as a text editor counts lines, from 1.
struct LineReader {
  std::string_view text;
  std::size_t position = 0;
  std::string line;
  std::int64_t number = 0;
  // Item records may name their model after the label (3PL, GPCM, GRM), and
  // their labels are longer.
  bool mixed_format = false;

  // The most characters of a label: a longer one is cut there, and the rest
  // of it is scanned as a, as stored files expect.
  std::size_t label_width() const {
    return mixed_format ? ReadOptions::MOST_MIXED_LABEL_CHARACTERS : PLAIN_LABEL_CHARACTERS;
  }
  static constexpr std::size_t PLAIN_LABEL_CHARACTERS = 8;
};

// A label as scanned: at most label_width() characters and a terminator.
using LabelBuffer = std::array<char, ReadOptions::MOST_MIXED_LABEL_CHARACTERS + 1>;

// Scans the label at the start of text into label, as "%Ns%n" with the
// reader's label width; false at a line of blanks. end is where it ended.
bool scan_label(const LineReader& reader, const char* text, LabelBuffer& label, int& end);

// Reads the next whole line, however long. False, with the line empty, at
// the end of the text.
bool next_line(LineReader& reader);

// Number of lines from the current position up to the first blank line (one
// that starts with a line feed or a carriage return), the first line that
// starts with "$" or the end of the file. The position stays where it is.
std::int64_t count_records(LineReader& reader);

// Number of lines, up to most, from the current position to the end of the
// file, blank lines included. The position stays where it is.
std::int64_t count_lines_ahead(LineReader& reader, std::int64_t most);

// Copies the line's blank- or tab-separated fields into storage, each with a
// terminator, and stores where each begins in starts. Takes fields from the
// left while they fit in storage.size() characters and at most starts.size()
// of them; returns how many it took.
int split_fields(const char* line, std::span<char> storage, std::span<const char*> starts);

// What a "$" line selects; the values are the section numbers of the format.
enum class SectionKind : int {
  NONE = 0,
  ITEM_PARAMETERS = 1,
  LINK_ITEM_PARAMETERS = 2,
  THETA_DISTRIBUTION = 3,
  LINK_CONVERSION = 4,
  LINK_THETA_DISTRIBUTION = 5,
};

SectionKind section_keyword(const std::string& line);

// The section's full header and what it holds, for the user.
const char* section_title(SectionKind kind);

// Section readers, called with the reader right after the section's header.
// Each leaves in reader.line the line that follows the section (empty at the
// end of the file) and fills its record only on success; a failure's cause,
// and any value that is almost surely a mistake, go to findings. Every item
// keeps the line of its record, the quadrature and the table that of their
// header. A one-column quadrature gets equal weights.
[[nodiscard]] bool read_item_section(LineReader& reader, SectionKind kind, Form& form,
                                     Findings& findings);
[[nodiscard]] bool read_theta_section(LineReader& reader, SectionKind kind,
                                      std::optional<Quadrature>& theta, Findings& findings);
[[nodiscard]] bool read_conversion_section(LineReader& reader,
                                           std::optional<Conversion>& conversion,
                                           Findings& findings);

// One item record, the current line: "LABEL a b c", and with mixed_format
// also "LABEL 3PL a b c" and "LABEL GPCM|GRM K a b1 .. b(K-1)".
[[nodiscard]] bool read_item_record(const LineReader& reader, Item& item, Findings& findings);

// Warnings of rules that probably hid a mistake, for a read that succeeds.
// The line that ended the input, when text follows it: reads the rest of the
// file to say how much was not read.
void warn_about_unread_rest(LineReader& reader, Findings& findings);
// Whether a record that scanned was read whole: ends holds where its label
// (when with_label) and each number ended in record, as "%n" gives them, and
// right after each comes a blank, the end of the line or, after the last,
// nothing but blanks (the last only when with_label).
bool read_whole(const std::string& record, bool with_label, std::span<const int> ends);
// Warns of a record of the current line read in part: a label longer than
// the reader's label width, a number cut short by the characters right after
// it (a decimal comma, a unit), an item record with more fields than it
// needs. name names the record ("item N03").
void warn_about_fields(const LineReader& reader, const std::string& record, bool with_label,
                       std::span<const int> ends, const std::string& name, Findings& findings);
// Labels that stand more than once in one form; title names the section.
void warn_about_repeated_labels(std::span<const Item> items, const std::string& title,
                                Findings& findings);
// A first quadrature line too long for its second column to be seen, which
// holds two numbers nonetheless.
void warn_about_second_column(const LineReader& reader, Findings& findings);
// Weights accepted although their total is not 1.
void warn_about_weight_total(std::int64_t header_line, std::span<const double> weights,
                             Findings& findings);

// An item record that names its model after the label, with the label
// already scanned and rest the text after it: THREE_PL when the word after
// the label names no model (the record is read as a 3PL record),
// THREE_PL_NAMED when it is "3PL" (*three_pl_rest then points past it),
// PARTIAL_CREDIT with item filled for "GPCM K a b1 .. b(K-1)" or "GRM K a
// b1 .. b(K-1)", K in decimal digits, 2 <= K <= 100; FAILED, with the
// cause in findings, when such a record breaks a rule.
enum class ModelWord { THREE_PL, THREE_PL_NAMED, PARTIAL_CREDIT, FAILED };

// Whether the first word of text names an item model, in any letter case.
bool names_a_model(const char* text);
ModelWord read_model_word(const LineReader& reader, const char* label, const char* rest,
                          const char** three_pl_rest, Item& item, Findings& findings);

// A cause or warning about the current line, or (line 0) the file.
Finding at_line(const LineReader& reader, std::string text);
Finding about_file(std::string text);

// Why a record does not scan: which of its fields is missing or not a
// number. names lists the fields the record needs after its label, if it has
// one (with_label), separated by commas; name names the record ("item N03",
// "conversion row 2").
std::string unscannable_record(const LineReader& reader, const std::string& record,
                               bool with_label, const char* names, const std::string& name);

// The k-th number of a record (from 0, after the label when with_label),
// quoted as the user wrote it.
std::string field_text(const LineReader& reader, const std::string& record, bool with_label,
                       std::size_t k);

}  // namespace zol
