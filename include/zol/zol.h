// zol: IRT true-score and observed-score equating of two test forms, as a library
//
// The one header a user includes. Everything is in namespace zol:
//
//   zol::Expected<zol::Input> input = zol::read_input_file("forms.txt");
//   if (!input) { std::fprintf(stderr, "%s\n", input.error().explanation.c_str()); return 1; }
//   zol::Expected<zol::Results> results = zol::equate(*input, zol::Options{});
//   if (!results) { ... results.error().kind, results.error().message ... }
//   std::fputs(zol::format_report(*results)->c_str(), stdout);
//
// The library never prints, never ends the process and never throws: every
// failure, running out of memory included, comes back as an Error. Calls on
// different inputs may run in several threads at once; nothing is shared
// between them.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "zol/version.h"

namespace zol {

// ---------------------------------------------------------------- inputs

// The item response models. D is the scaling constant (Options, 1.7 by
// default); a 3PL item scores 0 or 1, a K-category item 0..K-1.
//   THREE_PL: P(theta) = c + (1 - c) / (1 + exp(-D a (theta - b))).
//   GPCM: P_k(theta) = exp(sum_{v=1..k} D a (theta - b_v)) / sum_{h=0..K-1}
//         exp(sum_{v=1..h} D a (theta - b_v)), the empty sum being 0; b_v is
//         where categories v - 1 and v are equally likely.
//   GRM: P*_k(theta) = 1 / (1 + exp(-D a (theta - b_k))) for k = 1..K-1,
//        P*_0 = 1, P*_K = 0, P_k = P*_k - P*_(k+1); boundaries increase.
enum class ItemModel { THREE_PL, GPCM, GRM };
inline constexpr ItemModel ITEM_MODELS[] = {ItemModel::THREE_PL, ItemModel::GPCM, ItemModel::GRM};

// The model's name as an input file's records write it: "3PL", "GPCM" or
// "GRM"; and the model a name stands for, in any letter case.
const char* item_model_name(ItemModel model);
std::optional<ItemModel> item_model_named(std::string_view name);

// The scaling constant D of the normal-ogive metric, which equating takes
// unless told otherwise; parameters in the logistic metric need D = 1.
inline constexpr double DEFAULT_SCALING_CONSTANT = 1.7;

// One item. A 3PL item uses a, b and c; a GPCM or GRM item of K categories
// (2 <= K <= 100) uses a and its K - 1 step or boundary parameters in steps.
// Its parameters, in this order, are named a, b, c (3PL) or a, b1 ..
// b(K-1); see parameter_names.
struct Item {
  std::string label;  // names the item to the user and matches common items; any length
  double a = 1.0;     // discrimination (slope)
  double b = 0.0;     // difficulty (3PL)
  double c = 0.0;     // lower asymptote, the chance level (3PL)
  ItemModel model = ItemModel::THREE_PL;
  std::vector<double> steps;  // b_1..b_(K-1) (GPCM, GRM)
  // The line of the item's record in the input file it was read from, where
  // the reader has already warned of its values; 0 for an item made in
  // memory, whose values equate() warns of.
  std::int64_t line = 0;

  Item() = default;
  // A 3PL item.
  Item(std::string name, double slope, double difficulty, double asymptote)
      : label(std::move(name)), a(slope), b(difficulty), c(asymptote) {}
  // A GPCM or GRM item of steps.size() + 1 categories.
  Item(std::string name, ItemModel kind, double slope, std::vector<double> step_parameters)
      : label(std::move(name)), a(slope), model(kind), steps(std::move(step_parameters)) {}
};

// The number of response categories of an item: 2 for a 3PL item.
inline std::size_t categories(const Item& item) {
  return item.model == ItemModel::THREE_PL ? 2 : item.steps.size() + 1;
}

// One test form: its items in order. Raw scores run 0..N, N the sum of the
// items' top scores (1 for a 3PL item, K - 1 for a K-category item).
struct Form {
  std::vector<Item> items;
};

// The names of the item's parameters in their order: "a", "b", "c" for a 3PL
// item, "a", "b1" .. "b(K-1)" for an item of K categories.
std::vector<std::string> parameter_names(const Item& item);

// N, the form's highest raw score.
inline std::int64_t top_score(const Form& form) {
  std::int64_t top = 0;
  for (const Item& item : form.items) top += static_cast<std::int64_t>(categories(item)) - 1;
  return top;
}

// The ability distribution as quadrature points and their weights, entry
// for entry. Weights should sum to 1; within 0.1 of 1 they are used as given.
struct Quadrature {
  std::vector<double> points;
  std::vector<double> weights;
  // The line of the section's header in the input file it was read from,
  // where the reader has already warned of its weights; 0 for a quadrature
  // made in memory, whose weights equate() warns of.
  std::int64_t header_line = 0;
};

// A quadrature of the points with equal weights 1/q, as a one-column
// quadrature section of an input file gets them.
Quadrature equal_weights(std::vector<double> points);

// The old form's raw-to-scale conversion table on a regular raw-score grid:
// row k (from 0) gives the scale score of raw score lowest + k * increment,
// and highest is the last row's raw score. The three values are also the
// bounds and the unit of a rounded scale score.
struct Conversion {
  double lowest = 0.0;
  double highest = 0.0;
  double increment = 1.0;
  std::vector<double> scale;  // unrounded scale score of each row
  // The line of the table's header in the input file it was read from, which
  // warnings about the table name; 0 for a table made in memory.
  std::int64_t header_line = 0;
};

// The sampling covariance of one form's parameter estimates, in the
// program's metric (a, b, c; a, b1 .. b(K-1)) at the run's scaling constant:
// the parameters it names, "LABEL:NAME" with NAME one of the item's
// parameter_names, and their covariance matrix, row by row (names.size()
// squared entries): symmetric, and positive semi-definite (its smallest
// eigenvalue not below -1e-9 times its largest). Parameters it does not name
// are held fixed, as a c fixed in calibration; the two forms' estimates are
// independent. standard_errors_only: the matrix is diagonal because only
// standard errors were given, the covariances taken as 0.
struct Covariance {
  std::vector<std::string> names;
  std::vector<double> matrix;
  bool standard_errors_only = false;
  // A fingerprint of names and matrix that read_covariance_file sets once the
  // matrix has passed its check of definiteness, which equate() then does not
  // repeat while they stay as they were read (any change alters the
  // fingerprint); 0 for a covariance made in memory.
  std::uint64_t definite_fingerprint = 0;
};

// Everything one equating reads: the new and the old form, optionally an
// ability distribution (without one, only true-score equating is done) and
// optionally a conversion table (without one, the identity on the old form's
// raw scores). name is what the report's "Input file:" line shows.
//
// Two groups, as the common-item design has them: with old_theta too, theta
// is the new group's distribution on the new form's scale and old_theta the
// old group's on the old form's scale; observed-score equating is then done
// in their synthetic population (Options::synthetic_weight), and the linking
// criteria weigh the old group's points. With theta alone, one population
// takes both forms, its points used as they are.
//
// With a covariance of either form's parameter estimates, equate() also gives
// the standard errors of the linking and of every equated and scale score.
struct Input {
  Form new_form;
  Form old_form;
  std::optional<Quadrature> theta;
  std::optional<Quadrature> old_theta;
  std::optional<Conversion> conversion;
  std::string name;
  std::optional<Covariance> new_covariance;
  std::optional<Covariance> old_covariance;
};

// ---------------------------------------------------------------- failures

// What failed.
enum class ErrorKind {
  CANNOT_OPEN_INPUT,   // the input file cannot be opened
  INVALID_INPUT,       // the input breaks a rule: of the file format, or of the records
  NOT_COMPUTABLE,      // the equating cannot be computed from this input
  NO_MEMORY,           // memory ran out
  ROOT_NOT_BRACKETED,  // no theta between -THETA_LIMIT and THETA_LIMIT has a raw score's
                       // expected score: the search for it could not start
  ROOT_NOT_CONVERGED,  // the search for the theta of a raw score did not converge
};

// Where it failed, in the order a run meets them: reading the input file,
// checking records, sizing the results, linking the scales, equating (the
// stages' own scratch included), or formatting an output.
enum class Stage { READING, CHECKING, SIZING, LINKING, EQUATING, FORMATTING };

// What a caller can change to avoid a failure or a warning; each front end
// (the program, the packages) says it in its own words.
enum class Hint {
  NONE,
  MIXED_FORMAT,  // the record names its model, which ReadOptions::mixed_format reads
  ROUND_SCALE,   // Options::round_scale_unit rounds on the scale instead
};

// One cause or warning. Those about the input file name its line (the first
// line is 1) or, with line 0, the file as a whole. text names the form, the
// item and the field; hint is said after it.
struct Finding {
  std::string text;
  bool about_input = false;
  std::int64_t line = 0;
  Hint hint = Hint::NONE;
};

// A cause or warning as one line without a line feed: "FILE:LINE: text",
// "FILE: text" or "text", FILE being the input's name, and the hint after it
// in words that name the option of ReadOptions or Options ("...; a record
// that names its model (3PL, GPCM, GRM) is read with mixed_format").
std::string finding_text(const Finding& finding, const std::string& input_name);

// A failure: what failed and where, and its cause. explanation is the cause
// as finding_text gives it, after "linking by METHOD: " for a cause of the
// linking ("linking by haebara: 1 common item ...").
struct Error {
  ErrorKind kind = ErrorKind::NOT_COMPUTABLE;
  Stage stage = Stage::EQUATING;
  Finding cause;
  std::string explanation;
};

// The kind's name in lower case for other languages' errors:
// "cannot_open_input", "invalid_input", "not_computable", "no_memory",
// "root_not_bracketed" or "root_not_converged".
const char* error_kind_name(ErrorKind kind);

// What asking an Expected for what it does not hold does: end the process
// through std::abort(), as a failed assertion would. A caller that may not end
// its process (a package inside an interpreter) defines it before it includes
// this header, to a statement that does not return (throwing, say).
#ifndef ZOL_EXPECTED_MISUSE
#define ZOL_EXPECTED_MISUSE() std::abort()
#endif

// Either a value or the Error that prevented it, never both. Ask which with
// has_value() or operator bool first: value() (and * and ->) on an error,
// and error() on a value, are mistakes of the caller (ZOL_EXPECTED_MISUSE).
// Nothing here throws.
template <typename T>
class [[nodiscard]] Expected {
 public:
  Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Expected(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool has_value() const { return state_.index() == 0; }
  explicit operator bool() const { return has_value(); }
  T& value() { return checked(std::get_if<0>(&state_)); }
  const T& value() const { return checked(std::get_if<0>(&state_)); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  const Error& error() const { return checked(std::get_if<1>(&state_)); }

 private:
  template <typename U>
  static U& checked(U* held) {
    if (held == nullptr) ZOL_EXPECTED_MISUSE();
    return *held;
  }

  std::variant<T, Error> state_;
};

// ---------------------------------------------------------------- reading

// What a successful read or equating found odd: values that are almost
// always mistakes and rules of the format that changed the result, the first
// MOST_WARNINGS of them and a count of the rest.
struct Warnings {
  static constexpr std::size_t MOST_WARNINGS = 10;
  std::vector<Finding> kept;
  std::int64_t not_kept = 0;
};

// Adds from's warnings after into's, within into's one cap: what is shown of
// a read and then an equating of what was read.
void add_warnings(Warnings& into, const Warnings& from);

// The warnings as lines (finding_text), and a last one "NAME: warning: N more
// like these" ("warning: N more like these" without a name) when some were
// not kept.
std::vector<std::string> warning_lines(const Warnings& warnings, const std::string& input_name);

// An input file's records, and what the reader found odd in it.
struct ReadInput {
  Input input;
  Warnings warnings;
};

// How an input file is read beyond the format's rules.
struct ReadOptions {
  // Item records may name their model right after the label: "LABEL a b c"
  // and "LABEL 3PL a b c" are 3PL items, "LABEL GPCM K a b1 .. b(K-1)" and
  // "LABEL GRM K a b1 .. b(K-1)" items of K categories; labels have up to
  // MOST_MIXED_LABEL_CHARACTERS characters. Without it a label is cut after
  // its 8th character, and the rest is read as a, as stored files expect.
  bool mixed_format = false;
  static constexpr std::size_t MOST_MIXED_LABEL_CHARACTERS = 64;
};

// Reads an input file by the format's rules, named by path. The file must be
// one that can be read ahead (a regular file, not a pipe or a terminal).
Expected<ReadInput> read_input_file(const std::string& path, const ReadOptions& options = {});

// The same rules over the text of an input file in memory; name is the
// input's name for the report and the explanations.
Expected<ReadInput> read_input_text(std::string_view text, const std::string& name,
                                    const ReadOptions& options = {});

// The covariances of an input's forms from a covariance file, checked against
// the input's forms: sections $Item_Covariance (the new form) and
// $Link_Item_Covariance (the old form), in either order, each a line of the
// parameters' names ("LABEL:a", "LABEL:b2", blank-separated) and then the
// matrix, one row a line, as its lower triangle (row i holds i numbers) or
// whole (|s_ij - s_ji| at most 1e-9 of the larger); or instead of a form's
// matrix $Item_Standard_Errors / $Link_Item_Standard_Errors, one record per
// item in any order, "LABEL se(a) se(b) se(c)" or "LABEL se(a) se(b1) ..", 0
// for a parameter held fixed, items not listed fixed, the covariances taken
// as 0. The warnings say which form has no section (all its parameters held
// fixed) and which has standard errors alone. A header is its keyword whole
// and alone on its line; blank lines may stand before, between and after the
// sections, and no other line; a form's covariance names at most 10,000
// parameters. A failure's cause names the covariance file's line. The file
// must be one that can be read ahead (a regular file).
struct ReadCovariance {
  std::optional<Covariance> new_covariance;
  std::optional<Covariance> old_covariance;
  Warnings warnings;
};
Expected<ReadCovariance> read_covariance_file(const std::string& path, const Input& input);
Expected<ReadCovariance> read_covariance_text(std::string_view text, const std::string& name,
                                              const Input& input);

// A form's estimates and their covariance in slope-intercept form, as many
// calibration programs write them, carried to the program's metric at the
// scaling constant d by the delta method. The logit D a (theta - b) of a 3PL
// item, of each boundary of a GRM item and of each pair of adjacent
// categories of a GPCM item is written a1 theta + d: each item holds a1 in a
// and d in b (d_k in steps), and the guessing parameter in c as c itself or,
// with logit_guessing, as log(c / (1 - c)). The covariance names the same
// places ("LABEL:a" for a1, "LABEL:b" or "LABEL:bk" for d or d_k, "LABEL:c"
// for the guessing parameter). Gives a = a1 / d, b = -d / a1, c = 1 / (1 +
// exp(-logit c)), and the covariance J S J' with J the derivatives of those,
// over every parameter that hangs on a named estimate, in the form's order.
// INVALID_INPUT for a slope a1 of 0, an estimate that is not finite, a d not
// above 0, or a covariance that breaks Covariance's rules.
struct SlopeInterceptForm {
  Form form;
  std::optional<Covariance> covariance;
};
Expected<SlopeInterceptForm> from_slope_intercept(const SlopeInterceptForm& estimates, double d,
                                                  bool logit_guessing);

// ---------------------------------------------------------------- equating

// The methods of linking: the moment methods mean-mean (A from the means of
// the slopes), mean-sigma (from the spread of the b's) and mean-geometric-mean
// (from the geometric means of the slopes), each with B from the means of the
// b's; and the characteristic-curve methods of Haebara (item curves) and
// Stocking-Lord (the test's expected scores).
enum class LinkMethod { MEAN_MEAN, MEAN_SIGMA, HAEBARA, STOCKING_LORD, MEAN_GMEAN };
inline constexpr LinkMethod LINK_METHODS[] = {LinkMethod::MEAN_MEAN, LinkMethod::MEAN_SIGMA,
                                              LinkMethod::MEAN_GMEAN, LinkMethod::HAEBARA,
                                              LinkMethod::STOCKING_LORD};

// The method's name as the report writes it ("Stocking-Lord") and as the
// command line takes it ("stocking-lord"); the method a command-line name
// stands for, if any.
const char* link_method_title(LinkMethod method);
const char* link_method_option(LinkMethod method);
std::optional<LinkMethod> link_method_named(std::string_view name);
// Every method's command-line name, in LINK_METHODS's order, as a list:
// "mean-mean, mean-sigma, mean-gmean, haebara or stocking-lord".
std::string link_method_options();

// What an equating does beyond the plain report of the forms as they are.
struct Options {
  // Put the new form on the old form's scale through the items whose labels
  // stand in both forms before equating: theta_old = A theta_new + B, every
  // new-form item carried over as a / A, A b + B, c.
  std::optional<LinkMethod> link;
  // Round each scale score to the nearest multiple of this unit (halves away
  // from zero), kept within the smallest and largest scale score of the
  // conversion table, instead of by the table's raw-score bounds and
  // increment. A finite number above 0.
  std::optional<double> round_scale_unit;
  // The scaling constant D of every item model and every stage (linking
  // too), a finite number above 0; DEFAULT_SCALING_CONSTANT when not given.
  // When given, even as 1.7, the report says which.
  std::optional<double> scaling_constant;
  // With two groups: w1, the new group's weight in the synthetic population
  // (the old group's is 1 - w1), from 0 to 1; 0.5 when not given. Needs both
  // ability distributions.
  std::optional<double> synthetic_weight;
  // The characteristic-curve criteria over the N-point Gauss-Hermite rule of
  // the standard normal (weights summing to 1), 2 <= N <= MOST_LINK_POINTS,
  // instead of the input's points.
  std::optional<int> link_quadrature;
  static constexpr int MOST_LINK_POINTS = 200;
  // Haebara or Stocking-Lord also compare the old form's common items carried
  // to the new scale (a A, (b - B) / A, c) with the new form's, over the new
  // group's points, and add the two parts.
  bool symmetric = false;
  // Labels of common items that the linking leaves out; they stay in their
  // forms. Each must be a common item of the two forms.
  std::vector<std::string> excluded_common_items;
};

// The constants of a linking, the number of common items it used and of
// those it left out, and whether the criterion was symmetric.
struct Linking {
  LinkMethod method = LinkMethod::STOCKING_LORD;
  double A = 1.0;
  double B = 0.0;
  std::int32_t common_items = 0;
  std::int32_t excluded = 0;
  bool symmetric = false;
  // With a covariance of the estimates: the standard errors of A and B and
  // their covariance (NaN where they cannot be computed).
  std::optional<double> A_se, B_se, AB_covariance;
};

// A common item as the linking saw it, for screening anchors for drift, in the
// new form's order: its slope and its location (b, or the mean of its steps)
// on the old form and carried from the new one to the old scale, the
// differences b_new - b_old and log(a_new / a_old), and their robust z, (d -
// median) / (0.74 IQR) over the items the linking used (none where the IQR
// is 0, or where a difference or a z leaves the doubles). flagged when either
// |z| > DRIFT_Z.
struct CommonItem {
  std::string label;
  ItemModel model = ItemModel::THREE_PL;
  bool used = true;
  double a_old = 0.0, a_new = 0.0;
  double b_old = 0.0, b_new = 0.0;
  std::optional<double> b_difference;  // none where it leaves the doubles
  std::optional<double> b_robust_z;
  std::optional<double> log_a_ratio;  // none where a slope is not above 0
  std::optional<double> a_robust_z;
  bool flagged = false;
  static constexpr double DRIFT_Z = 2.7;
};

// Unrounded and rounded scale scores of a vector of equated scores, entry for
// entry.
struct ScaleScores {
  std::vector<double> unrounded;
  std::vector<double> rounded;
};

// The bracket of every search for a theta is [-THETA_LIMIT, THETA_LIMIT].
inline constexpr double THETA_LIMIT = 150.0;

// True-score equating, by new-form raw score 0..n_new: the theta of each raw
// score (-150 at or below the chance score and +150 at the top score, where a
// raw score has no theta of its own), its old-form equivalent and its scale
// scores; and the chance score, the sum of the new form's c parameters.
struct TrueScoreEquating {
  double chance_score = 0.0;
  std::vector<double> theta;
  std::vector<double> equated;
  ScaleScores scale;
};

// Observed-score equating: the fitted score distributions of the new form
// (0..n_new) and of the old form (0..n_old), in the synthetic population when
// there are two groups, and by new-form raw score its equipercentile
// equivalent on the old form and its scale scores.
struct ObservedScoreEquating {
  std::vector<double> new_distribution;
  std::vector<double> old_distribution;
  std::vector<double> equated;
  ScaleScores scale;
};

// The standard errors of an equating from the covariances of the forms'
// estimates, by the delta method, by new-form raw score: of the true-score
// and observed-score equivalents and of their unrounded scale scores (the
// latter through the conversion's slope at the equivalent). 0 where the value
// is fixed (the top score); NaN where one cannot be computed (an equivalent
// in an interval of scores of zero probability, a test curve flat at its
// theta), which a warning then explains.
struct StandardErrors {
  std::vector<double> true_score, true_scale;
  std::vector<double> observed_score, observed_scale;  // with observed-score equating
};

// Everything the report, the CSV and the picture show.
struct Results {
  std::string input_name;
  // The scaling constant, when the options gave one.
  std::optional<double> scaling_constant;
  // The forms' top raw scores: raw scores run 0..new_top_score on the new
  // form and 0..old_top_score on the old one.
  std::int32_t new_top_score = 0;
  std::int32_t old_top_score = 0;
  std::optional<Linking> linking;
  // After linking, the new form's items on the old form's scale as they were
  // equated: a / A, A b + B and c.
  std::optional<Form> linked_new_form;
  // After linking, every common item with its drift (excluded ones too).
  std::vector<CommonItem> common_items;
  // With two groups, the new group's weight in the synthetic population whose
  // fitted distributions the observed-score equating shows.
  std::optional<double> synthetic_weight;
  // With a covariance of either form's estimates.
  std::optional<StandardErrors> standard_errors;
  TrueScoreEquating true_score;
  std::optional<ObservedScoreEquating> observed_score;  // with an ability distribution
  // Values of the input that are almost always mistakes (those of records
  // made in memory; the reader warns of a file's), and what the conversion
  // table does to the scale scores.
  Warnings warnings;
};

// Equates the input's forms. Checks first that the records are usable (both
// forms have items, every number is finite, a slope of an item of K
// categories is above 0, the quadrature has a weight per point, the
// conversion table's grid and rows agree): INVALID_INPUT when not.
Expected<Results> equate(const Input& input, const Options& options);

// ---------------------------------------------------------------- the table of scores

// One column of the results by raw score, as the CSV writes it: whole
// numbers, numbers, or words. An empty cell is NaN in numbers and an empty
// string in texts.
struct ScoreColumn {
  enum class Type { WHOLE_NUMBER, NUMBER, TEXT };
  std::string name;
  Type type = Type::NUMBER;
  std::vector<double> numbers;     // WHOLE_NUMBER and NUMBER
  std::vector<std::string> texts;  // TEXT
};

// The results as one table: a row per raw score from 0 to the longer form's
// top score, and the columns in the CSV's order:
//   after linking: link_method, link_A, link_B, and with standard errors
//   link_A_se, link_B_se, link_AB_covariance (filled on the first row only);
//   raw, theta, true_equated, true_scale, true_scale_rounded, new_fitted,
//   old_fitted, observed_equated, observed_scale, observed_scale_rounded;
//   with standard errors true_score_se, observed_score_se, true_scale_se,
//   observed_scale_se (empty where one cannot be computed).
// A cell is empty where there is no value: a theta at or below the chance
// score or at the top, the observed-score cells without an ability
// distribution, new-form cells past the new form's top score, the old form's
// past its own.
struct ScoreTable {
  std::size_t rows = 0;
  std::vector<ScoreColumn> columns;
};

Expected<ScoreTable> score_table(const Results& results);

// ---------------------------------------------------------------- outputs

// The report, byte for byte what the program writes (line feeds alone).
// The formatters fail only when memory runs out.
Expected<std::string> format_report(const Results& results);

// The score table as CSV: a header row, then one row per raw score from 0 to
// the longer form's top score, every number the shortest decimal that reads
// back to the same double, empty cells where there is no value.
Expected<std::string> format_csv(const Results& results);

// The results as a self-contained SVG picture.
Expected<std::string> format_svg(const Results& results);

// After linking, the new form's items on the old form's scale as an
// $Item_Parameters section of an input file, each number with the 17
// significant digits that read back to the same double; empty without a
// linking.
Expected<std::string> format_linked_items(const Results& results);

// After linking, the common items as CSV, one row each in the new form's
// order: label, model, used, a_old, a_new, b_old, b_new, b_difference,
// b_robust_z, log_a_ratio, a_robust_z, flagged; numbers as format_csv writes
// them, an empty cell where a z has no value. Only the header without a
// linking.
Expected<std::string> format_common_items(const Results& results);

}  // namespace zol
