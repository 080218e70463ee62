// Reading the repository's own files in the document tests.
#ifndef HINMEI_DOCS_TESTS_SOURCE_FILES_H_
#define HINMEI_DOCS_TESTS_SOURCE_FILES_H_

#include <fstream>
#include <sstream>
#include <string>

namespace docs::testing {

// The file at `relative` below the repository's root, as its bytes (UTF-8 for the
// sources and documents); empty when it cannot be read.
inline std::string SourceFile(const std::string& relative) {
  std::ifstream in(std::string(HINMEI_SOURCE_DIR) + "/" + relative, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace docs::testing

#endif  // HINMEI_DOCS_TESTS_SOURCE_FILES_H_
