// The library from several threads at once: every output as when equated one after another
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "zol/zol.h"

namespace zol {
namespace {

// One equating and everything it writes, or the text of its failure.
struct Job {
  std::string path;
  Options options;
};

std::string outputs_of(const Job& job) {
  const Expected<ReadInput> read = read_input_file(job.path);
  if (!read) return std::string(error_kind_name(read.error().kind)) + read.error().explanation;
  const Expected<Results> results = equate(read->input, job.options);
  if (!results) {
    return std::string(error_kind_name(results.error().kind)) + results.error().explanation;
  }
  return *format_report(*results) + *format_csv(*results) + *format_svg(*results);
}

std::vector<Job> jobs() {
  std::vector<Job> all;
  const std::filesystem::path examples = std::filesystem::path(ZOL_SOURCE_DIR) / "examples";
  for (const auto& entry : std::filesystem::directory_iterator(examples)) {
    if (entry.path().extension() != ".txt") continue;
    all.push_back({entry.path().string(), {}});
    // Each example linked too, and each method: the searches and the failures
    // of linking run side by side with the plain equatings.
    for (LinkMethod method : {LinkMethod::MEAN_MEAN, LinkMethod::MEAN_SIGMA, LinkMethod::HAEBARA,
                              LinkMethod::STOCKING_LORD}) {
      Options options;
      options.link = method;
      all.push_back({entry.path().string(), options});
    }
  }
  return all;
}

TEST(ThreadsTest, ConcurrentEquatingsWriteWhatSerialOnesWrite) {
  const std::vector<Job> all = jobs();
  ASSERT_GE(all.size(), 20u);
  std::vector<std::string> serial;
  for (const Job& job : all) serial.push_back(outputs_of(job));

  constexpr std::size_t THREADS = 4;
  std::vector<std::vector<std::string>> concurrent(THREADS, std::vector<std::string>(all.size()));
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < THREADS; ++t) {
    threads.emplace_back([&, t] {
      // Each thread starts at another job, so that different inputs overlap.
      for (std::size_t k = 0; k < all.size(); ++k) {
        const std::size_t j = (k + t * all.size() / THREADS) % all.size();
        concurrent[t][j] = outputs_of(all[j]);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (std::size_t t = 0; t < THREADS; ++t) {
    for (std::size_t j = 0; j < all.size(); ++j) {
      EXPECT_EQ(concurrent[t][j], serial[j]) << all[j].path << ", thread " << t;
    }
  }
}

}  // namespace
}  // namespace zol
