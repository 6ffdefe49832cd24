// The one reader of choice lists, now also run at compile time: the values
// after '=' as the run-time reader always took them.
#include "se_choice_list.h"
#include "se_pin_meta.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace setest {
namespace {

std::vector<std::pair<std::string, int>> Items(std::string_view list) {
  std::vector<std::pair<std::string, int>> items;
  se::ForEachChoice(list, [&](const se::ChoiceItem &item) {
    items.emplace_back(std::string(item.text), item.value);
  });
  return items;
}

using List = std::vector<std::pair<std::string, int>>;

TEST(ChoiceListReader, ValuesAfterTheLastEqualsSign) {
  EXPECT_EQ(Items("LP=0, HP=1"), (List{{"LP", 0}, {"HP", 1}}));
  EXPECT_EQ(Items("2 = 0, X = 4, Y"), (List{{"2", 0}, {"X", 4}, {"Y", 2}}));
  EXPECT_EQ(Items("a=b=7, m=-3, z=007"), (List{{"a=b", 7}, {"m", -3}, {"z", 7}}));
  EXPECT_EQ(Items(" "), List{});
}

// What is not a whole number in int stays part of the text, and the item
// takes its position.
TEST(ChoiceListReader, NoNumberAfterTheSignKeepsThePosition) {
  EXPECT_EQ(Items("a=+5,b=-,c=,d=1.5,e=2147483648,f=-2147483648,g=2147483647"),
            (List{{"a=+5", 0},
                  {"b=-", 1},
                  {"c=", 2},
                  {"d=1.5", 3},
                  {"e=2147483648", 4},
                  {"f", -2147483647 - 1},
                  {"g", 2147483647}}));
}

TEST(ChoiceListReader, CountsAtCompileTime) {
  static_assert(se::ChoiceCount("Oct,Khz,Hz") == 3);
  static_assert(se::ChoiceCount("") == 0);
  static_assert(se::ChoiceCount("High=1") == 1);
  constexpr auto items = se::ChoicesOf<3>("A=2, B, C=9", 1);
  static_assert(items[0].value == 2 && items[0].shown == 3 && items[1].value == 1 &&
                items[2].text == "C" && items[2].shown == 10);
  SUCCEED();
}

} // namespace
} // namespace setest
