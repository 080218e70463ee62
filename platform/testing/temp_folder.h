// A fresh folder for one test, removed with everything in it when the object goes.
#ifndef HINMEI_PLATFORM_TESTING_TEMP_FOLDER_H_
#define HINMEI_PLATFORM_TESTING_TEMP_FOLDER_H_

#include <string>

namespace platform::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's path (CP932, ASCII only, no trailing delimiter).
  const std::string& Path() const { return path_; }
  // The folder's path joined with a relative CP932 name ("a\b.txt").
  std::string operator/(const std::string& name) const { return path_ + '\\' + name; }

 private:
  std::string path_;
};

// Removes a folder and everything below it; missing folders are ignored.
void RemoveTree(const std::string& path);

}  // namespace platform::testing

#endif  // HINMEI_PLATFORM_TESTING_TEMP_FOLDER_H_
