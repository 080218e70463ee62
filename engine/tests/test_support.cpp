#include "engine/tests/test_support.h"

#include "engine/read/table_rows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "engine/check/family_check.h"
#include "engine/family.h"
#include "engine/format/field_codec.h"
#include "engine/read/memo_file.h"
#include "platform/cp932.h"
#include "platform/testing/shared_data.h"

namespace engine::testing {

std::string ReadBytes(const std::string& path) { return platform::ReadWholeFile(platform::OsFileSystem(), path); }

void WriteBytes(const std::string& path, const std::string& bytes) {
  platform::WriteWholeFile(platform::OsFileSystem(), path, bytes);
}

void CopyFile(const std::string& from, const std::string& to) { WriteBytes(to, ReadBytes(from)); }

MemberFile LoadMember(const std::string& path) {
  auto file = platform::OsFileSystem().Open(path, platform::Access::kRead, platform::Share::kReadWrite,
                                            platform::Disposition::kOpenExisting);
  return MemberFile::Load(*file, path);
}

std::vector<std::vector<FieldValue>> ReadRows(const std::string& db_path) {
  return ReadAllRows(platform::OsFileSystem(), db_path);
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names = platform::OsFileSystem().ListFolder(folder);
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<InspectResult> Pxinspect(const std::string& db_path) {
  return Pxinspect(std::vector<std::string>{db_path});
}

std::optional<InspectResult> Pxinspect(const std::vector<std::string>& db_paths) {
#ifdef _WIN32
  (void)db_paths;
  return std::nullopt;
#else
  std::optional<std::string> shared = platform::testing::SharedDir();
  if (!shared || std::system("python3 -c '' >/dev/null 2>&1") != 0) return std::nullopt;
  std::string tool = *shared + "/tools/pxinspect.py";
  std::replace(tool.begin(), tool.end(), '\\', '/');
  std::string command = "python3 '" + tool + "' family";
  for (const std::string& db_path : db_paths) {
    std::string native = platform::Cp932ToUtf8(db_path);
    std::replace(native.begin(), native.end(), '\\', '/');
    command += " '" + native + "'";
  }
  command += " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  InspectResult result;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) result.output.append(buffer, n);
  int status = pclose(pipe);
  result.passed = status == 0;
  return result;
#endif
}

void ExpectSoundFamily(const std::string& db_path) {
  CheckReport report = CheckFamily(platform::OsFileSystem(), db_path);
  EXPECT_TRUE(report.ok()) << report.problems[0];
  if (auto inspect = Pxinspect(db_path)) {
    EXPECT_TRUE(inspect->passed) << inspect->output;
  }
}

std::vector<std::string> FolderSnapshot(const std::string& folder, const std::vector<std::string>& skip) {
  std::vector<std::string> files;
  for (const std::string& name : FilesIn(folder)) {
    if (std::find(skip.begin(), skip.end(), name) != skip.end()) continue;
    files.push_back(name + "=" + ReadBytes(folder + "\\" + name));
  }
  return files;
}

std::string Numbered(const char* prefix, int n) {
  char text[64];
  std::snprintf(text, sizeof text, "%s%d", prefix, n);
  return text;
}

TableSpec SmallSpec(int key_fields) {
  TableSpec shape;
  shape.fields = {{"Code", 'I', 0}, {"Name", 'A', 20}, {"Kana", 'A', 10}};
  shape.key_fields = key_fields;
  shape.block_size_kib = 1;
  return shape;
}

}  // namespace engine::testing
