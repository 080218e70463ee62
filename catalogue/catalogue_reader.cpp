#include "catalogue/catalogue_reader.h"

#include <memory>
#include <optional>

#include "catalogue/data_layout.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"

namespace catalogue {
namespace {

constexpr char kCtrlZ = '\x1A';

bool IsBlank(char c) {
  unsigned char byte = static_cast<unsigned char>(c);
  return byte >= 0x01 && byte <= 0x20;
}

// Reads a file line by line with the text-mode rules, a chunk at a time, so that a read
// failure in the middle of the file leaves the lines before it delivered.
class LineReader {
 public:
  LineReader(platform::File& file, std::size_t chunk_size) : file_(file), chunk_size_(chunk_size) {}

  // The next line, or nothing at the end of the file.
  std::optional<std::string> Next() {
    if (ended_ || !Fill()) return std::nullopt;
    if (buffer_[pos_] == kCtrlZ) {
      ended_ = true;
      return std::nullopt;
    }
    std::string line;
    for (;;) {
      if (!Fill()) return line;
      char c = buffer_[pos_++];
      if (c == '\n') return line;
      if (c == kCtrlZ) {
        ended_ = true;
        return line;
      }
      if (c == '\r') {
        if (Fill() && buffer_[pos_] == '\n') {
          ++pos_;
          return line;
        }
        continue;  // a lone CR is dropped
      }
      line += c;
    }
  }

 private:
  // Makes sure a byte is buffered at pos_; false at the physical end of the file.
  bool Fill() {
    if (pos_ < buffer_.size()) return true;
    if (at_end_) return false;
    buffer_.resize(chunk_size_);
    std::size_t n = file_.ReadAt(offset_, buffer_.data(), buffer_.size());
    buffer_.resize(n);
    offset_ += n;
    pos_ = 0;
    at_end_ = n == 0;
    return n > 0;
  }

  platform::File& file_;
  std::size_t chunk_size_;
  std::string buffer_;
  std::size_t pos_ = 0;
  std::uint64_t offset_ = 0;  // file offset after the buffered bytes
  bool at_end_ = false;       // the physical end was reached
  bool ended_ = false;        // a Ctrl-Z ended the file
};

void AppendEntry(const std::vector<std::string>& fields, int number, MasterList& list) {
  list.AppendRow(std::to_string(number));
  for (int index = 0; index < 2; ++index) {
    if (index >= static_cast<int>(fields.size())) throw platform::EListError(index);
    list.AppendSubItem(fields[static_cast<std::size_t>(index)]);
  }
  if (fields.size() < 3) throw platform::EListError(2);
  list.AppendSourceDir(fields[2]);
}

}  // namespace

std::vector<std::string> SplitCatalogueLine(std::string_view line) {
  line = line.substr(0, line.find('\0'));
  std::vector<std::string> fields;
  std::size_t pos = 0;
  auto skip_blanks = [&] {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
  };
  skip_blanks();
  while (pos < line.size()) {
    std::string field;
    if (line[pos] == '"') {
      ++pos;
      while (pos < line.size()) {
        std::size_t length = platform::CharLengthAt(line, pos);
        if (length == 1 && line[pos] == '"') {
          if (pos + 1 < line.size() && line[pos + 1] == '"') {
            field += '"';
            pos += 2;
            continue;
          }
          ++pos;  // the closing quote
          break;
        }
        field.append(line, pos, length);
        pos += length;
      }
    } else {
      while (pos < line.size() && line[pos] != ',' && !IsBlank(line[pos])) {
        std::size_t length = platform::CharLengthAt(line, pos);
        field.append(line, pos, length);
        pos += length;
      }
    }
    fields.push_back(std::move(field));
    skip_blanks();
    if (pos < line.size() && line[pos] == ',') {
      if (pos + 1 == line.size()) fields.emplace_back();
      ++pos;
      skip_blanks();
    }
  }
  return fields;
}

void ReadCatalogueLines(platform::File& file, MasterList& list, std::size_t chunk_size) {
  int number = 1;
  LineReader reader(file, chunk_size);
  while (std::optional<std::string> line = reader.Next()) {
    AppendEntry(SplitCatalogueLine(*line), number, list);
    ++number;
  }
}

void LoadCatalogueFrom(platform::FileSystem& fs, const std::string& path, MasterList& list,
                       std::size_t chunk_size) {
  list.ClearSourceDirs();
  std::unique_ptr<platform::File> file =
      fs.Open(path, platform::Access::kRead, platform::Share::kRead,
              platform::Disposition::kOpenExisting);
  // On a failure the file closes quietly in its destructor and the failure propagates;
  // on the normal way out a failing close is a file failure of its own.
  ReadCatalogueLines(*file, list, chunk_size);
  file->Close();
}

void LoadCatalogue(platform::FileSystem& fs, std::int16_t kind, MasterList& list) {
  LoadCatalogueFrom(fs, std::string(CatalogueFileName(kind)), list);
}

}  // namespace catalogue
