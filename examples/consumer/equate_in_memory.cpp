// Equates a new form to an old one, both held in memory, and prints the report
#include <cstdio>

#include <zol/zol.h>

int main() {
  zol::Input input;
  input.name = "in memory";
  input.new_form.items = {
      {"N1", 1.10, -1.20, 0.20}, {"N2", 0.85, -0.40, 0.18}, {"N3", 1.40, 0.10, 0.25},
      {"N4", 1.00, 0.70, 0.20},  {"N5", 0.95, 1.30, 0.15},
  };
  input.old_form.items = {
      {"O1", 1.00, -1.00, 0.20}, {"O2", 0.90, -0.30, 0.15}, {"O3", 1.25, 0.20, 0.22},
      {"O4", 1.05, 0.80, 0.20},  {"O5", 1.10, 1.50, 0.18},
  };
  // Nine points from -2 to 2 with equal weights; without a conversion table
  // the scale scores are the old form's raw scores.
  input.theta = zol::equal_weights({-2.0, -1.5, -1.0, -0.5, 0.0, 0.5, 1.0, 1.5, 2.0});

  const zol::Expected<zol::Results> results = zol::equate(input, zol::Options{});
  if (!results) {
    // What failed, and why.
    std::fprintf(stderr, "%s: %s\n", zol::error_kind_name(results.error().kind),
                 results.error().explanation.c_str());
    return 1;
  }
  const zol::Expected<std::string> report = zol::format_report(*results);
  if (!report) return 1;
  std::fputs(report->c_str(), stdout);
  std::printf("\nTheta of raw score 3: %.4f\n", results->true_score.theta[3]);
  return 0;
}
