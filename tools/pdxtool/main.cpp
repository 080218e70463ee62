// pdxtool: dumps, checks, indexes and appends to Paradox tables with the program's own
// engine (commands.h).
#include <iostream>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/file_system.h"
#include "tools/pdxtool/commands.h"

namespace {

int RunWith(const std::vector<std::string>& args) {
  return pdxtool::Run(platform::OsFileSystem(), args, std::cout, std::cerr);
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  try {
    for (int i = 1; i < argc; ++i) {
      std::wstring w(argv[i]);
      args.push_back(platform::Utf16ToCp932(std::u16string(w.begin(), w.end())));
    }
  } catch (const platform::EConvertError&) {
    std::cerr << "pdxtool: an argument holds characters that CP932 cannot hold\n";
    return pdxtool::kExitFailure;
  }
  return RunWith(args);
}
#else
int main(int argc, char** argv) {
  std::vector<std::string> args;
  try {
    for (int i = 1; i < argc; ++i) args.push_back(platform::Utf8ToCp932(argv[i]));
  } catch (const platform::EConvertError&) {
    std::cerr << "pdxtool: an argument is not valid UTF-8 or holds characters that CP932 cannot hold\n";
    return pdxtool::kExitFailure;
  }
  return RunWith(args);
}
#endif
