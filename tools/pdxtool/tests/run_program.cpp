#include "tools/pdxtool/tests/run_program.h"

#include <cstdio>
#include <sstream>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "platform/cp932.h"
#include "platform/file_system.h"
#include "tools/pdxtool/commands.h"

namespace pdxtool {

using platform::Utf8ToCp932;

Result RunCommand(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int code = Run(platform::OsFileSystem(), args, out, err);
  return Result{code, out.str(), err.str()};
}

Result RunProgram(const std::string& arguments_utf8) {
  std::string exe = PDXTOOL_EXE;
#ifdef _WIN32
  if (!exe.empty() && exe[0] == '/') {  // the build tree's path, as Wine sees it
    for (char& c : exe) c = c == '/' ? '\\' : c;
    exe = "Z:" + exe;
  }
  // cmd.exe drops the outer quotes of the command; the arguments go as UTF-16.
  std::u16string command = platform::Cp932ToUtf16(Utf8ToCp932("\"\"" + exe + "\" " + arguments_utf8 + " 2>&1\""));
  FILE* pipe = _wpopen(std::wstring(command.begin(), command.end()).c_str(), L"rb");
#else
  FILE* pipe = popen(("'" + exe + "' " + arguments_utf8 + " 2>&1").c_str(), "r");
#endif
  Result r;
  if (pipe == nullptr) return Result{-1, "", "cannot start"};
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) r.out.append(buffer, n);
#ifdef _WIN32
  r.code = _pclose(pipe);
  // The program writes its lines in text mode (CR LF), in the console's code page 932.
  for (std::size_t at; (at = r.out.find("\r\n")) != std::string::npos;) r.out.erase(at, 1);
  r.out = platform::Cp932ToUtf8(r.out);
#else
  int status = pclose(pipe);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  return r;
}

}  // namespace pdxtool
