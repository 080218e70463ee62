// The failure catalogue for support staff and the program's messages agree: every
// message a layer declares (HINMEI_MESSAGE in its texts header) has its heading in the
// catalogue, and every heading of the catalogue's message sections is such a message.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "docs/tests/source_files.h"

namespace docs {
namespace {

using testing::SourceFile;

const char* const kTextHeaders[] = {"platform/system_texts.h", "engine/engine_texts.h", "install/install_texts.h",
                                    "ui/ui_texts.h"};
constexpr char kCatalogue[] = "docs/failure-catalogue.md";

// The text of the C++ string literals from `at` up to the closing parenthesis of the
// macro, joined, with their escapes undone; a line end at either end of the text is
// dropped (it stands for the path that follows or precedes it).
std::string LiteralsFrom(const std::string& source, std::size_t at) {
  std::string text;
  while (at < source.size() && source[at] != ')') {
    if (source[at] != '"') {
      ++at;
      continue;
    }
    for (++at; at < source.size() && source[at] != '"'; ++at) {
      if (source[at] != '\\') {
        text += source[at];
        continue;
      }
      char escaped = source[++at];
      text += escaped == 'r' ? '\r' : escaped == 'n' ? '\n' : escaped;
    }
    ++at;
  }
  while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
  return text;
}

// Every message of the program, as "text" -> "header: name".
std::map<std::string, std::string> ProgramMessages() {
  std::map<std::string, std::string> messages;
  const std::regex macro(R"(HINMEI_MESSAGE\((\w+),)");
  for (const char* header : kTextHeaders) {
    const std::string source = SourceFile(header);
    EXPECT_FALSE(source.empty()) << header;
    for (auto it = std::sregex_iterator(source.begin(), source.end(), macro); it != std::sregex_iterator(); ++it) {
      std::size_t after = static_cast<std::size_t>(it->position(0) + it->length(0));
      messages[LiteralsFrom(source, after)] = std::string(header) + ": " + (*it)[1].str();
    }
  }
  return messages;
}

// The headings "### text" of the catalogue: one per message.
std::set<std::string> CatalogueHeadings() {
  std::set<std::string> headings;
  std::istringstream lines(SourceFile(kCatalogue));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("### ", 0) == 0) headings.insert(line.substr(4));
  }
  return headings;
}

TEST(FailureCatalogue, ListsEveryMessageOfTheProgram) {
  const std::set<std::string> headings = CatalogueHeadings();
  ASSERT_FALSE(headings.empty()) << kCatalogue << " is missing or has no message";
  const std::map<std::string, std::string> messages = ProgramMessages();
  EXPECT_GT(messages.size(), 60u);
  for (const auto& [text, where] : messages) {
    EXPECT_EQ(headings.count(text), 1u) << where << " is not in the catalogue: ### " << text;
  }
}

TEST(FailureCatalogue, ListsNoMessageTheProgramCannotShow) {
  const std::map<std::string, std::string> messages = ProgramMessages();
  for (const std::string& heading : CatalogueHeadings()) {
    EXPECT_EQ(messages.count(heading), 1u) << "the catalogue lists a message the program does not have: " << heading;
  }
}

TEST(FailureCatalogue, ReadsTheMacrosOfTheTextHeaders) {
  const std::string source = "HINMEI_MESSAGE(A, \"one \\\\ \" \"two\\r\\n\")";
  EXPECT_EQ(LiteralsFrom(source, source.find(',') + 1), "one \\ two");
}

}  // namespace
}  // namespace docs
