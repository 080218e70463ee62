// pdxtool: dumps, checks, indexes and appends to Paradox tables with the program's own
// engine (commands.h). Its commands write UTF-8; the program writes that in the
// console's encoding: UTF-8 on Linux, code page 932 on Windows, where the program's
// users have Japanese consoles.
#include <iostream>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/file_system.h"
#include "tools/pdxtool/commands.h"

namespace {

#ifdef _WIN32
// Passes UTF-8 output on to `target` in code page 932, a line at a time. A line that
// does not convert goes out as it is.
class Cp932Lines : public std::streambuf {
 public:
  explicit Cp932Lines(std::streambuf* target) : target_(target) {}
  ~Cp932Lines() override { sync(); }

 protected:
  int overflow(int c) override {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    line_ += static_cast<char>(c);
    if (c == '\n') sync();
    return c;
  }
  int sync() override {
    if (line_.empty()) return 0;
    std::string out;
    try {
      out = platform::Utf8ToCp932(line_);
    } catch (const platform::EConvertError&) {
      out = line_;
    }
    line_.clear();
    target_->sputn(out.data(), static_cast<std::streamsize>(out.size()));
    return target_->pubsync();
  }

 private:
  std::streambuf* target_;
  std::string line_;
};

int RunWith(const std::vector<std::string>& args) {
  Cp932Lines out_lines(std::cout.rdbuf()), err_lines(std::cerr.rdbuf());
  std::ostream out(&out_lines), err(&err_lines);
  int code = pdxtool::Run(platform::OsFileSystem(), args, out, err);
  out.flush();
  err.flush();
  return code;
}
#else
int RunWith(const std::vector<std::string>& args) {
  return pdxtool::Run(platform::OsFileSystem(), args, std::cout, std::cerr);
}
#endif

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
