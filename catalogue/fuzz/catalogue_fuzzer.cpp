// Feeds arbitrary bytes to the catalogue reader as a catalogue file. The first byte picks
// the read chunk size, so that line ends, CR LF pairs and Ctrl-Z bytes fall on chunk
// boundaries; the result must not depend on it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalogue/catalogue_reader.h"
#include "platform/exceptions.h"
#include "platform/memory_file.h"

namespace {

struct Outcome {
  catalogue::InMemoryMasterList list;
  std::string failure;
};

Outcome Read(const std::string& contents, std::size_t chunk_size) {
  Outcome outcome;
  platform::MemoryFile file(contents);
  try {
    catalogue::ReadCatalogueLines(file, outcome.list, chunk_size);
  } catch (const platform::EListError& e) {
    outcome.failure = e.Message();
  }
  return outcome;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::size_t chunk_size = 1 + data[0] % 16;
  std::string contents(reinterpret_cast<const char*>(data) + 1, size - 1);

  Outcome small = Read(contents, chunk_size);
  Outcome large = Read(contents, 1 << 16);
  const auto& rows = small.list.rows;
  const auto& dirs = small.list.source_dirs;

  // The parallel index: every row but a failed last one has its source subfolder.
  Check(dirs.size() == rows.size() || (dirs.size() + 1 == rows.size() && !small.failure.empty()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    Check(rows[i].caption == std::to_string(i + 1));
    Check(rows[i].sub_items.size() == 2 || i + 1 == rows.size());
    Check(!rows[i].ticked);
  }
  // Chunking changes nothing.
  Check(small.failure == large.failure);
  Check(dirs == large.list.source_dirs);
  Check(rows.size() == large.list.rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) Check(rows[i].sub_items == large.list.rows[i].sub_items);
  return 0;
}
