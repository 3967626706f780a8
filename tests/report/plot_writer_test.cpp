// The picture: names made safe for XML, spikes kept through thinning, markers only on short series
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "zol/zol.h"

namespace zol {
namespace {

// The picture of a true-score equating whose equated scores are raw + difference.
std::string picture(const std::vector<double>& differences, const std::string& name) {
  std::vector<double> equated(differences.size());
  for (std::size_t i = 0; i < equated.size(); ++i)
    equated[i] = static_cast<double>(i) + differences[i];
  Results results;
  results.input_name = name;
  results.true_score.equated = equated;
  return *format_svg(results);
}

TEST(PlotWriterTest, TheInputNameIsWrittenAsXmlText) {
  const struct {
    std::string name, written;
  } cases[] = {
      {"a&b.txt", "Equating of a&amp;b.txt<"},
      {"<x>.txt", "Equating of &lt;x&gt;.txt<"},
      {"\"q\".txt", "Equating of &quot;q&quot;.txt<"},
      {"bad\xff\xc3.txt", "Equating of bad??.txt<"},
      {"caf\xc3\xa9.txt", "Equating of caf\xc3\xa9.txt<"},
  };
  for (const auto& c : cases) {
    const std::string svg = picture({0.0, 0.0}, c.name);
    EXPECT_NE(svg.find("<title>" + c.written), std::string::npos) << c.name;
  }
}

// The y values of the first polyline's points.
std::set<std::string> polyline_heights(const std::string& svg) {
  const std::string start = "points=\"";
  std::size_t at = svg.find(start);
  std::set<std::string> heights;
  if (at == std::string::npos) return heights;
  const std::size_t end = svg.find('"', at + start.size());
  for (at += start.size(); at < end;) {
    const std::size_t comma = svg.find(',', at), space = svg.find(' ', at);
    heights.insert(svg.substr(comma + 1, space - comma - 1));
    at = space + 1;
  }
  return heights;
}

TEST(PlotWriterTest, OnePointSpikesOfALongSeriesSurviveThinning) {
  // About 30 raw scores to a pixel column; the spikes stand inside theirs.
  std::vector<double> differences(20000, 0.0);
  differences[10007] = 50.0;
  differences[14003] = -50.0;
  // The flat line, the spike up and the spike down.
  EXPECT_EQ(polyline_heights(picture(differences, "spikes")).size(), 3u);
}

TEST(PlotWriterTest, OnlySeriesOfAtMost200PointsCarryMarkers) {
  for (const std::size_t points : {200u, 201u}) {
    const std::string svg = picture(std::vector<double>(points, 0.0), "long");
    std::size_t circles = 0;
    for (std::size_t at = svg.find("<circle"); at != std::string::npos;
         at = svg.find("<circle", at + 1)) {
      ++circles;
    }
    // A marker for each point, and one in the legend.
    EXPECT_EQ(circles, points <= 200 ? points + 1 : 0u) << points;
  }
}

// The first polyline's points.
std::vector<std::pair<double, double>> polyline_points(const std::string& svg) {
  std::vector<std::pair<double, double>> points;
  std::size_t at = svg.find("points=\"") + 8;
  double x = 0.0, y = 0.0;
  int used = 0;
  while (std::sscanf(svg.c_str() + at, "%lf,%lf %n", &x, &y, &used) == 2) {
    points.emplace_back(x, y);
    at += static_cast<std::size_t>(used);
  }
  return points;
}

TEST(PlotWriterTest, NoPointOrMarkerTouchesTheFrame) {
  // Ends on round tick values: 0 at raw 0, 15 at raw 45; and a flat series.
  std::vector<double> rising(46);
  for (std::size_t i = 0; i < rising.size(); ++i) rising[i] = static_cast<double>(i) / 3.0;
  for (const auto& series : {rising, std::vector<double>(61, 0.0)}) {
    const auto points = polyline_points(picture(series, "frame"));
    ASSERT_EQ(points.size(), series.size());
    for (const auto& [x, y] : points) {
      // The first panel's frame runs from 90 to 690 across and from 122 to
      // 452 down; a marker reaches 3.5 pixels from its point.
      EXPECT_TRUE(x > 93.5 && x < 686.5 && y > 125.5 && y < 448.5) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace zol
