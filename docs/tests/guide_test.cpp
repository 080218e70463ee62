// The Japanese guide: linked from the README, every picture and file it points to is in
// the repository, and each catalogue line of its table of rules splits into the fields
// the table says.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/catalogue_reader.h"
#include "docs/tests/source_files.h"
#include "platform/cp932.h"

namespace docs {
namespace {

using testing::SourceFile;

constexpr char kGuide[] = "README.ja.md";

TEST(Guide, IsLinkedFromTheReadme) {
  EXPECT_NE(SourceFile("README.md").find("](README.ja.md)"), std::string::npos);
}

TEST(Guide, PointsOnlyAtFilesThatExist) {
  const std::string guide = SourceFile(kGuide);
  ASSERT_FALSE(guide.empty());
  const std::regex link(R"(\]\(([^)#\s]+)(#[^)]*)?\))");
  int pictures = 0;
  for (auto it = std::sregex_iterator(guide.begin(), guide.end(), link); it != std::sregex_iterator(); ++it) {
    const std::string target = (*it)[1].str();
    if (target.rfind("http", 0) == 0) continue;
    if (target.size() > 4 && target.compare(target.size() - 4, 4, ".png") == 0) {
      ++pictures;
      EXPECT_EQ(SourceFile(target).substr(0, 8), "\x89PNG\r\n\x1A\n") << target << " is no PNG picture";
    } else {
      EXPECT_FALSE(SourceFile(target).empty()) << target;
    }
  }
  EXPECT_GE(pictures, 4) << "the guide shows the window at each step of an install";
}

// The guide's table of catalogue rules: "| `line` | [field] [field] ... | why |".
TEST(Guide, CatalogueRulesSplitAsTheGuideSays) {
  std::istringstream lines(SourceFile(kGuide));
  const std::regex row(R"(^\| `([^`]*)` \| ((?:\[[^\]]*\] ?)*)\|)");
  const std::regex field(R"(\[([^\]]*)\])");
  int rules = 0;
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, row)) continue;
    ++rules;
    std::vector<std::string> said;
    const std::string fields = m[2].str();
    for (auto it = std::sregex_iterator(fields.begin(), fields.end(), field); it != std::sregex_iterator(); ++it) {
      said.push_back(platform::Utf8ToCp932((*it)[1].str()));
    }
    EXPECT_EQ(catalogue::SplitCatalogueLine(platform::Utf8ToCp932(m[1].str())), said) << line;
  }
  EXPECT_GE(rules, 6);
}

}  // namespace
}  // namespace docs
