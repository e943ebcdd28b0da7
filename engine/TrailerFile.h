// The trailer dictionary as written at a file's tail, and the small PDF file
// through which it is parsed: the trailer's text becomes object 4 of a file
// that holds only a catalog, a page tree and one page. Both work on bytes
// alone, so they can be tried without a disk or a document.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "host/astypes.h"

namespace Zentu {

// The texts with which the tail read gives up; the check ends with them.
extern const char kTrailerReadError[];    // "Error reading directly from file"
extern const char kXrefOffsetError[];     // "Error getting offset of xref table"
extern const char kTrailerTooLargeError[];  // "/Trailer dictionary larger than buffer size!"

// Reads `count` bytes at `pos` into `buffer`; answers how many it read.
typedef std::function<size_t(ASFilePos64 pos, char* buffer, size_t count)> TailReader;

// The text of the trailer dictionary of the last cross-reference section:
// for a table, from after "trailer" and its white space up to "startxref";
// for a cross-reference stream ("N G obj" with /Type /XRef), its
// dictionary from "<<" to the matching ">>". Reads at most 2048 bytes at a
// time. Throws std::runtime_error with one of the texts above.
// `fromStream`, when given, tells whether the section was a stream.
std::string ReadTrailerText(ASFilePos64 fileSize, const TailReader& read, bool* fromStream = nullptr);

// An object of the checked document that gets a stand-in in the file, so
// that references from the trailer to it resolve.
struct TrailerPlaceholder {
  ASInt32 number;
  ASUns16 generation;
};

// The complete file: the fixed head, the trailer text as object 4, one
// object with the value 0 for each placeholder (numbers above 4), the
// cross-reference table, a trailer whose Size counts the entries, and the
// table's offset.
std::string BuildTrailerFile(const std::string& trailerText, const std::vector<TrailerPlaceholder>& placeholders);

// The head's length and the offsets of objects 1 to 4 in it.
const size_t kTrailerFileHeadSize = 170;
extern const long kTrailerFileObjectOffsets[4];

}  // namespace Zentu
