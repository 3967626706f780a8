// Tests of section headers and of the quadrature's field splitting
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input_reader.h"

namespace {

TEST(SectionKeywordTest, SelectsByLeadingPartInTableOrder) {
  using enum SectionKind;
  const std::vector<std::pair<const char*, SectionKind>> cases = {
      {"$Item_Parameters\n", ITEM_PARAMETERS},
      {"$Item_Parameters new form\n", ITEM_PARAMETERS},
      {"$Item\n", ITEM_PARAMETERS},
      {"$\n", ITEM_PARAMETERS},
      {"$ \t \n", ITEM_PARAMETERS},
      {"$Link\n", LINK_ITEM_PARAMETERS},
      {"$Link_\n", LINK_ITEM_PARAMETERS},
      {"$Link_C\n", LINK_CONVERSION},
      {"$ \tLink_Conversion\tx\n", LINK_CONVERSION},
      {"$Link_Conversion", LINK_CONVERSION},
      {"$T\n", THETA_DISTRIBUTION},
      {"$", NONE},
      {"$item_parameters\n", NONE},
      {"$Item_Parameters2\n", NONE},
      {"$Link_Conversions\n", NONE},
      {" $Item_Parameters\n", NONE},
      {"Item_Parameters\n", NONE},
      {"", NONE},
  };
  for (const auto& [line, kind] : cases) EXPECT_EQ(section_keyword(line), kind) << '"' << line;
}

TEST(SplitFieldsTest, TakesFieldsWhileTheyFitTheBudget) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"-1." + std::string(20, '0') + " 0." + std::string(18, '1') + "\n", 1},  // 23 + 20
      {std::string(40, '7') + "\n", 0},
      {std::string(39, '7') + " 1\n", 1},
      {std::string(19, '1') + " " + std::string(19, '2'), 2},
      {"-2.0 0.1 9\n", 2},
      {" \t \n", 0},
      {"\t1\t2\r\n", 2},
      {"1\n 2 3\n", 1},
  };
  char storage[40];
  const char* starts[2];
  for (const auto& [line, fields] : cases) {
    EXPECT_EQ(split_fields(2, storage, line.c_str(), starts), fields) << '"' << line;
  }
  ASSERT_EQ(split_fields(2, storage, "  -2.0\t0.1\n", starts), 2);
  EXPECT_STREQ(starts[0], "-2.0");
  EXPECT_STREQ(starts[1], "0.1");
}

}  // namespace
