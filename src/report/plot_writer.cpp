// The results as an SVG picture: equating functions as differences, and the fitted distributions
#include <algorithm>
#include <cmath>
#include <vector>

#include "report/result_files.h"

#include "common/text.h"

namespace zol {

namespace {

// 7.5 by 10 inches at 96 pixels to the inch: a screen's height, and a page of
// A4 or letter paper with its margins.
constexpr double WIDTH = 720.0;
constexpr double HEIGHT = 960.0;
// The first panel and its axis title, with the margin below them of the whole page.
constexpr double ONE_PANEL_HEIGHT = 510.0;
constexpr double PLOT_LEFT = 90.0;
constexpr double PLOT_RIGHT = 690.0;
constexpr double PANEL_HEIGHT = 330.0;
constexpr double FIRST_PANEL_TOP = 122.0;
constexpr double SECOND_PANEL_TOP = 572.0;
// Above this many points a series is a line only: markers would hide it.
constexpr std::size_t MOST_MARKERS = 200;
constexpr int TICKS = 6;
// Axes span at most this many powers of ten either way; beyond, the labels
// are written in exponent notation.
constexpr int MOST_DIGITS = 310;
constexpr int MOST_DECIMALS = 10;
constexpr double LARGEST_FIXED = 1e12;

constexpr const char* FIRST_COLOUR = "#0072B2";   // blue
constexpr const char* SECOND_COLOUR = "#D55E00";  // vermillion, apart from blue for every eye

// An axis from lo to hi with ticks every step, labelled with decimals
// places. Only +, -, *, / and rounding to whole numbers: the same bytes on
// every platform, which logarithms would not promise.
struct Axis {
  double lo = 0.0;
  double hi = 1.0;
  double step = 1.0;
  int decimals = 0;
};

// The frame reaches this fraction of the data's range beyond each end, so
// that no point, line or marker touches it; the ticks are the round values
// inside the frame.
constexpr double HEADROOM = 1.0 / 20.0;

Axis nice_axis(double lo, double hi, bool whole_numbers) {
  if (!(hi > lo)) {
    const double pad = whole_numbers || lo == 0.0 ? 1.0 : std::fabs(lo) / 2.0;
    lo -= pad;
    hi += pad;
  }
  // Scaled before differences: an old form of 1e308 items' worth of score
  // must not overflow the arithmetic of its axis.
  const double margin = hi * HEADROOM - lo * HEADROOM;
  if (std::isfinite(lo - margin) && std::isfinite(hi + margin)) lo -= margin, hi += margin;
  const double rough = hi / TICKS - lo / TICKS;
  double power = 1.0;
  int exponent = 0;
  while (power > rough && exponent > -MOST_DIGITS) power /= 10.0, --exponent;
  while (power * 10.0 <= rough && exponent < MOST_DIGITS) power *= 10.0, ++exponent;
  double step = power;
  if (rough > 5.0 * power) {
    step = 10.0 * power, ++exponent;
  } else if (rough > 2.0 * power) {
    step = 5.0 * power;
  } else if (rough > power) {
    step = 2.0 * power;
  }
  if (whole_numbers && step < 1.0) step = 1.0, exponent = 0;
  return {lo, hi, step, exponent < 0 ? -exponent : 0};
}

// The axis's tick values inside its frame, from its low end up, a few at most.
std::vector<double> ticks(const Axis& axis) {
  std::vector<double> values;
  const double first = std::ceil(axis.lo / axis.step);
  const double last = std::floor(axis.hi / axis.step);
  for (int k = 0; k <= 4 * TICKS && first + k <= last; ++k)
    values.push_back((first + k) * axis.step);
  return values;
}

// A panel's plotting area and the axes that map values into it.
struct Frame {
  double top;
  Axis x, y;

  // Halved first, so that no difference overflows.
  double px(double value) const {
    return PLOT_LEFT + (value / 2 - x.lo / 2) / (x.hi / 2 - x.lo / 2) * (PLOT_RIGHT - PLOT_LEFT);
  }
  double py(double value) const {
    return top + PANEL_HEIGHT - (value / 2 - y.lo / 2) / (y.hi / 2 - y.lo / 2) * PANEL_HEIGHT;
  }
};

// One series of points: y[i] at raw score i, and the half-width of a band
// about it (none when empty; NaN where a raw score has none).
struct Series {
  std::vector<double> y;
  const char* colour;
  const char* name;
  bool squares;
  std::vector<double> band = {};
};

std::string escaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    // Bytes of a well-formed UTF-8 sequence pass; any other byte that XML
    // cannot hold becomes '?'.
    std::size_t length = c < 0x80           ? 1
                         : (c >> 5) == 0x6  ? 2
                         : (c >> 4) == 0xE  ? 3
                         : (c >> 3) == 0x1E ? 4
                                            : 0;
    for (std::size_t k = 1; k < length; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) >> 6) != 0x2) length = 0;
    }
    if (length > 1) {
      out.append(text, i, length);
      i += length - 1;
    } else if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '"') {
      out += "&quot;";
    } else {
      out.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
    }
  }
  return out;
}

// The tick labels of a value, with no minus sign on a zero.
void write_tick_label(std::string& out, const Axis& axis, double value, double x, double y,
                      const char* anchor) {
  if (std::fabs(value) < axis.step / 2.0) value = 0.0;
  appendf(out, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"%s\">", x, y, anchor);
  if (axis.decimals <= MOST_DECIMALS && std::fabs(axis.lo) < LARGEST_FIXED &&
      std::fabs(axis.hi) < LARGEST_FIXED) {
    appendf(out, "%.*f</text>\n", axis.decimals, value);
  } else {
    appendf(out, "%.3g</text>\n", value);
  }
}

void write_axes(std::string& out, const Frame& f, const char* x_title, const char* y_title) {
  const double bottom = f.top + PANEL_HEIGHT;
  appendf(out,
               "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" "
               "stroke=\"#444\"/>\n",
               PLOT_LEFT, f.top, PLOT_RIGHT - PLOT_LEFT, PANEL_HEIGHT);
  out += "<g stroke=\"#ddd\">\n";
  for (double v : ticks(f.x)) {
    appendf(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>\n", f.px(v), f.top,
                 f.px(v), bottom);
  }
  for (double v : ticks(f.y)) {
    appendf(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>\n", PLOT_LEFT,
                 f.py(v), PLOT_RIGHT, f.py(v));
  }
  out += "</g>\n<g font-size=\"12\" fill=\"#222\">\n";
  for (double v : ticks(f.x)) write_tick_label(out, f.x, v, f.px(v), bottom + 18.0, "middle");
  for (double v : ticks(f.y)) {
    write_tick_label(out, f.y, v, PLOT_LEFT - 8.0, f.py(v) + 4.0, "end");
  }
  appendf(out,
               "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\" font-size=\"14\">%s</text>\n",
               (PLOT_LEFT + PLOT_RIGHT) / 2.0, bottom + 42.0, x_title);
  const double y_middle = f.top + PANEL_HEIGHT / 2.0;
  appendf(out,
               "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\" font-size=\"14\" "
               "transform=\"rotate(-90 %.1f %.1f)\">%s</text>\n</g>\n",
               PLOT_LEFT - 62.0, y_middle, PLOT_LEFT - 62.0, y_middle, y_title);
}

// The series as one polyline. Where many raw scores share a pixel column,
// only the first, lowest, highest and last of them are drawn, which keeps the
// line's shape and the file small for forms of thousands of items.
void write_series(std::string& out, const Frame& f, const Series& s) {
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < s.y.size();) {
    const double column = std::floor(f.px(static_cast<double>(i)));
    std::size_t low = i, high = i, last = i;
    for (; last + 1 < s.y.size() && std::floor(f.px(static_cast<double>(last + 1))) == column;) {
      ++last;
      if (s.y[last] < s.y[low]) low = last;
      if (s.y[last] > s.y[high]) high = last;
    }
    for (std::size_t k : {i, std::min(low, high), std::max(low, high), last}) {
      if (kept.empty() || kept.back() != k) kept.push_back(k);
    }
    i = last + 1;
  }
  appendf(out, "<polyline fill=\"none\" stroke=\"%s\" stroke-width=\"2\" points=\"", s.colour);
  for (std::size_t k : kept) {
    appendf(out, "%.1f,%.1f ", f.px(static_cast<double>(k)), f.py(s.y[k]));
  }
  out += "\"/>\n";
  if (s.y.size() > MOST_MARKERS) return;
  appendf(out, "<g fill=\"%s\">\n", s.colour);
  for (std::size_t i = 0; i < s.y.size(); ++i) {
    const double x = f.px(static_cast<double>(i)), y = f.py(s.y[i]);
    if (s.squares) {
      appendf(out, "<rect x=\"%.1f\" y=\"%.1f\" width=\"7\" height=\"7\"/>\n", x - 3.5,
                   y - 3.5);
    } else {
      appendf(out, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"3.5\"/>\n", x, y);
    }
  }
  out += "</g>\n";
}

// The band of the series as shaded polygons, one over each run of raw scores
// that have a half-width.
void write_band(std::string& out, const Frame& f, const Series& s) {
  for (std::size_t from = 0; from < s.band.size();) {
    if (!std::isfinite(s.band[from])) {
      ++from;
      continue;
    }
    std::size_t to = from;
    while (to + 1 < s.band.size() && std::isfinite(s.band[to + 1])) ++to;
    appendf(out, "<polygon fill=\"%s\" fill-opacity=\"0.18\" stroke=\"none\" points=\"",
            s.colour);
    for (std::size_t i = from; i <= to; ++i) {
      appendf(out, "%.1f,%.1f ", f.px(static_cast<double>(i)), f.py(s.y[i] + s.band[i]));
    }
    for (std::size_t i = to + 1; i-- > from;) {
      appendf(out, "%.1f,%.1f ", f.px(static_cast<double>(i)), f.py(s.y[i] - s.band[i]));
    }
    out += "\"/>\n";
    from = to + 1;
  }
}

// The legend in a row above the plotting area.
void write_legend(std::string& out, const Frame& f, const std::vector<Series>& series,
                  const char* zero_line) {
  double x = PLOT_LEFT;
  const double y = f.top - 12.0;
  out += "<g font-size=\"13\" fill=\"#222\">\n";
  for (const Series& s : series) {
    appendf(out,
                 "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" "
                 "stroke-width=\"2\"/>\n",
                 x, y - 4.0, x + 24.0, y - 4.0, s.colour);
    // The series' marker, where its points carry markers.
    const bool markers = s.y.size() <= MOST_MARKERS;
    if (markers && s.squares) {
      appendf(out, "<rect x=\"%.1f\" y=\"%.1f\" width=\"7\" height=\"7\" fill=\"%s\"/>\n",
                   x + 8.5, y - 7.5, s.colour);
    } else if (markers) {
      appendf(out, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"3.5\" fill=\"%s\"/>\n", x + 12.0,
                   y - 4.0, s.colour);
    }
    appendf(out, "<text x=\"%.1f\" y=\"%.1f\">%s</text>\n", x + 30.0, y, s.name);
    x += 210.0;
  }
  if (zero_line != nullptr) {
    appendf(out,
                 "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#777\" "
                 "stroke-dasharray=\"6 4\"/>\n<text x=\"%.1f\" y=\"%.1f\">%s</text>\n",
                 x, y - 4.0, x + 24.0, y - 4.0, x + 30.0, y, zero_line);
  }
  out += "</g>\n";
}

void write_panel_title(std::string& out, double top, const char* title) {
  appendf(out,
               "<text x=\"%.1f\" y=\"%.1f\" font-size=\"16\" font-weight=\"bold\" "
               "fill=\"#222\">%s</text>\n",
               PLOT_LEFT, top - 36.0, title);
}

// Equated score minus raw score of every raw score of the new form.
void write_differences(std::string& out, const Results& r) {
  std::vector<Series> series;
  const auto differences = [](std::span<const double> equated) {
    std::vector<double> d(equated.size());
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = equated[i] - static_cast<double>(i);
    return d;
  };
  // With standard errors, a band of two of them either way about each line.
  const auto two_errors = [](const std::vector<double>& errors) {
    std::vector<double> band(errors.size());
    for (std::size_t i = 0; i < band.size(); ++i) band[i] = 2.0 * errors[i];
    return band;
  };
  const StandardErrors* errors = r.standard_errors ? &*r.standard_errors : nullptr;
  series.push_back({differences(r.true_score.equated), FIRST_COLOUR, "True-score equating", false,
                    errors ? two_errors(errors->true_score) : std::vector<double>()});
  if (r.observed_score) {
    series.push_back({differences(r.observed_score->equated), SECOND_COLOUR,
                      "Observed-score equating", true,
                      errors ? two_errors(errors->observed_score) : std::vector<double>()});
  }
  double lo = 0.0, hi = 0.0;
  for (const Series& s : series) {
    lo = std::min(lo, *std::min_element(s.y.begin(), s.y.end()));
    hi = std::max(hi, *std::max_element(s.y.begin(), s.y.end()));
    for (std::size_t i = 0; i < s.band.size(); ++i) {
      if (!std::isfinite(s.band[i])) continue;
      lo = std::min(lo, s.y[i] - s.band[i]);
      hi = std::max(hi, s.y[i] + s.band[i]);
    }
  }
  const auto top = static_cast<double>(r.true_score.equated.size() - 1);
  const Frame f{FIRST_PANEL_TOP, nice_axis(0.0, top, true), nice_axis(lo, hi, false)};
  write_panel_title(out, f.top, errors ? "Equated score minus raw score, with two standard "
                                          "errors either way"
                                        : "Equated score minus raw score");
  write_legend(out, f, series, "No difference");
  write_axes(out, f, "Raw score on the new form",
             "Equated minus raw score (old-form raw-score units)");
  appendf(out,
               "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#777\" "
               "stroke-dasharray=\"6 4\"/>\n",
               PLOT_LEFT, f.py(0.0), PLOT_RIGHT, f.py(0.0));
  for (const Series& s : series) write_band(out, f, s);
  for (const Series& s : series) write_series(out, f, s);
}

void write_distributions(std::string& out, const Results& r) {
  write_panel_title(out, SECOND_PANEL_TOP, "Fitted score distributions");
  const ObservedScoreEquating& o = *r.observed_score;
  const std::vector<Series> series = {
      {{o.new_distribution.begin(), o.new_distribution.end()}, FIRST_COLOUR, "New form", false},
      {{o.old_distribution.begin(), o.old_distribution.end()}, SECOND_COLOUR, "Old form", true}};
  double hi = 0.0;
  for (const Series& s : series) hi = std::max(hi, *std::max_element(s.y.begin(), s.y.end()));
  const auto top =
      static_cast<double>(std::max(o.new_distribution.size(), o.old_distribution.size()) - 1);
  const Frame f{SECOND_PANEL_TOP, nice_axis(0.0, top, true), nice_axis(0.0, hi, false)};
  write_legend(out, f, series, nullptr);
  write_axes(out, f, "Raw score", "Probability");
  for (const Series& s : series) write_series(out, f, s);
}

}  // namespace

void write_plot(std::string& out, const Results& results) {
  // Without an ability distribution there are no fitted distributions: a
  // picture of the first panel alone.
  const double height = results.observed_score ? HEIGHT : ONE_PANEL_HEIGHT;
  appendf(out,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
               "viewBox=\"0 0 %.0f %.0f\" font-family=\"sans-serif\">\n",
               WIDTH, height, WIDTH, height);
  const std::string title = "Equating of " + escaped(results.input_name);
  appendf(out, "<title>%s</title>\n<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
               title.c_str());
  // A long file name gets smaller letters, so that it stays on the page.
  const double size = std::min(19.0, 19.0 * 56.0 / static_cast<double>(title.size()));
  appendf(out,
               "<text x=\"%.1f\" y=\"34\" text-anchor=\"middle\" font-size=\"%.1f\" "
               "font-weight=\"bold\" fill=\"#222\">%s</text>\n",
               WIDTH / 2.0, size, title.c_str());
  if (results.linking) {
    appendf(out,
                 "<text x=\"%.1f\" y=\"56\" text-anchor=\"middle\" font-size=\"14\" "
                 "fill=\"#222\">New form linked to the old scale by the %s method: "
                 "A = %.6f, B = %.6f</text>\n",
                 WIDTH / 2.0, link_method_title(results.linking->method), results.linking->A,
                 results.linking->B);
  }
  write_differences(out, results);
  if (results.observed_score) write_distributions(out, results);
  out += "</svg>\n";
}

}  // namespace zol
