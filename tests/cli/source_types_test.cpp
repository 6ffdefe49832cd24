// The source types are one table (source_types.h); the patch format's
// documentation must have a row for each, naming every key the type takes.
#include "source_types.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace sehost {
namespace {

TEST(SourceTypes, EachHasADocumentedRowNamingItsKeys) {
  std::ifstream in(std::string(SE_EXAMPLES_DIR) + "/../docs/patch-format.md");
  ASSERT_TRUE(in);
  std::stringstream text;
  text << in.rdbuf();
  const std::string doc = text.str();
  for (const SourceType &type : SourceTypes()) {
    const auto start = doc.find("\n| `" + std::string(type.name) + "` |");
    ASSERT_NE(start, std::string::npos) << "no row for the source type " << type.name;
    const std::string row = doc.substr(start + 1, doc.find('\n', start + 1) - start - 1);
    std::istringstream keys(type.keys);
    for (std::string key; keys >> key;)
      EXPECT_NE(row.find("`" + key + "`"), std::string::npos) << type.name << ": " << key;
  }
}

} // namespace
} // namespace sehost
