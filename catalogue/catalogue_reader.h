// LoadCatalogue: reads the catalogue file of the install medium into the master list.
//
// The file is CP932 text, one master per line: display name, destination folder, source
// subfolder, separated by commas (further fields are ignored). Lines end at LF or CR LF;
// a CR not followed by LF is dropped; a Ctrl-Z (0x1A) where a line would begin ends the
// file, and one inside a line ends that line and the file. No byte-order mark is
// recognised.
//
// Fields are split as a comma text: blanks (bytes 0x01-0x20) outside quotes separate
// fields like commas, blanks around commas are ignored, two commas give an empty field,
// a comma as the last byte of a line gives a trailing empty field, a field in double
// quotes may hold commas, blanks and doubled quotes (one quote each), a NUL byte ends the
// line, and a double-byte character is always stepped over as a whole.
#ifndef HINMEI_CATALOGUE_CATALOGUE_READER_H_
#define HINMEI_CATALOGUE_CATALOGUE_READER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/master_list.h"
#include "platform/file_system.h"

namespace catalogue {

// Reads the catalogue of `kind` ("kelo.txt" for 1, "zubo.txt" for any other) from the
// working folder (the file is opened by its bare name) into `list`: the source
// subfolders are emptied first, then every line appends a row numbered from 1 with its
// name and destination, and its source subfolder.
//
// Failures propagate, and what was read before them stays in the list: a file that
// cannot be opened or read throws EInOutError; a line with fewer than three fields gets
// its row with the sub-items it has, no source subfolder, and throws EListError with the
// index of the first missing field; no later line is read.
void LoadCatalogue(platform::FileSystem& fs, std::int16_t kind, MasterList& list);

// The same for a catalogue at `path`, read in chunks of `chunk_size` bytes.
void LoadCatalogueFrom(platform::FileSystem& fs, const std::string& path, MasterList& list,
                       std::size_t chunk_size = 64 * 1024);

// Reads the lines of an open catalogue file into `list` (the source subfolders are not
// emptied first), in chunks of `chunk_size` bytes.
void ReadCatalogueLines(platform::File& file, MasterList& list, std::size_t chunk_size = 64 * 1024);

// Splits one line into fields by the rules above.
std::vector<std::string> SplitCatalogueLine(std::string_view line);

}  // namespace catalogue

#endif  // HINMEI_CATALOGUE_CATALOGUE_READER_H_
