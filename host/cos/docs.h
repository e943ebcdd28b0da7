// Documents of the host: one QPDF document each, with the handle table that
// gives Cos objects their two-word identity. Internal to the host.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include "core/host.h"

namespace host {

class SpillFile;        // cos/spill.h
class BlockFileSource;  // cos/filesource.h

struct OpenOptions {
  bool attemptRepair = true;
  std::string password;
};

struct Doc {
  Doc() = default;
  Doc(const Doc&) = delete;
  Doc& operator=(const Doc&) = delete;
  ~Doc();
  ASUns32 id = 0;
  std::unique_ptr<QPDF> qpdf;
  std::string path;  // the file it was opened from; empty for one made in memory
  // The file as it was opened (or last saved to `path`), held open so that
  // reading it never meets another file put at the path meanwhile.
  int fileFd = -1;
  std::string filePath;  // the path fileFd was opened at
  std::shared_ptr<std::string> memoryData;  // the bytes of a document opened from memory
  // What the library reads a document opened from a file from.
  std::shared_ptr<BlockFileSource> source;
  std::vector<QPDFObjectHandle> slots;  // slot 0 is never used
  std::unordered_map<uint64_t, ASUns32> indirectSlots;
  std::unordered_map<const void*, ASUns32> directSlots;
  std::unordered_map<std::string, ASUns32> nameSlots;
  std::unordered_map<ASUns32, std::string> stringCache;  // StringValue's bytes
  ASInt32 flags = 0;  // bit 0: changed since opened or saved
  bool repaired = false;
  bool ownerGranted = false;  // the owner password was given after opening
  uint64_t mutations = 0;
  // Page tree leaves, read again after a change that can have moved pages:
  // one to an object the last walk met (a node, a page, a Kids array), or to
  // a key the walk reads. Other changes keep them, so that changing every
  // page in turn does not walk the whole tree for each page.
  std::vector<QPDFObjectHandle> pages;
  std::vector<QPDFObjectHandle> treeHandles;  // what the walk met, kept alive
  std::unordered_set<const void*> treeObjects;
  uint64_t treeChanges = 0;
  uint64_t pagesAt = UINT64_MAX;
  std::string pageTreeFault;  // why the library could not list the pages
  // An object number's entry in the file's cross-reference data (the first,
  // by generation): its generation and, for an object the file places
  // outside object streams, its offset (else -1). Null for a number it does
  // not list; the entries are indexed when first wanted.
  struct Listed {
    int gen;
    long long offset;
  };
  const Listed* ListedEntry(int number);
  std::unordered_map<int, Listed> listed;
  bool listedIndexed = false;
  // The temporary objects the inline-image reader made, by number, with the
  // addresses of the stream and its direct parts: reading content changes
  // nothing, so destroying one does not mark the document, and takes the
  // handles of its parts with it.
  std::unordered_map<int, std::vector<const void*>> temporaries;
  // The numbers temporaries take, kept taken in the document; once every
  // temporary is gone they serve again, in a fresh scratch document, so a
  // page of a million inline images costs what one does.
  std::vector<int> temporaryNumbers;
  size_t scratchTemporaries = 0;  // made in the scratch document so far
  int scratchTop = 0;             // its highest number
  // Opening read every object (a file that looked damaged): the library
  // numbers new objects without reading the file again.
  bool resolvedAll = false;
  // The highest object number the library can have met while the document
  // is unchanged: the cross-reference data's, those asked for by number and
  // those of temporaries.
  int highestNumber = 0;
  // Holds the temporaries of an unchanged document, so that making one does
  // not have the library read every object to learn the highest number.
  std::unique_ptr<QPDF> scratch;
  // Where large new stream data is kept out of memory, made when first wanted.
  std::shared_ptr<SpillFile> spill;

  CosObj Wrap(QPDFObjectHandle h);
  // Forgets the handles given out from slot `mark` on, with the entries that
  // lead to them; their slots are given out again.
  void ReleaseSlots(ASUns32 mark);
  // Destroys a temporary: it becomes null, and so do the handles of it and
  // of its parts (their slots are never given out again).
  void ForgetTemporary(QPDFObjectHandle temporary);
  // Objects made since the document was opened or saved, and their direct
  // parts: a change to one is no change of the document until something it
  // held before refers to it, which is a change of its own. The parts are
  // known by address and watched, not held: a scratch copy the plug-in lets
  // go of is freed, and an object given its address later is no part of
  // it. Entries of freed parts are dropped as the table grows.
  std::unordered_set<int> madeNumbers;
  std::unordered_map<const void*, std::weak_ptr<QPDFObject>> madeParts;
  size_t madePartsPruned = 0;  // the table's size after its last pruning
  // Direct numbers and names made by the plug-ins: one object for each
  // value (of the first few thousand values), as nothing changes them in
  // place, so that the attributes of ten thousand new images cost one each.
  std::unordered_map<long long, QPDFObjectHandle> madeIntegers;
  std::unordered_map<std::string, QPDFObjectHandle> madeNames;
  // A new object of the document's: counted, but the document is not changed.
  void Made(QPDFObjectHandle h);
  bool IsMade(QPDFObjectHandle h) const;
  // A change to `h`: to its key `key`, or to the object as a whole.
  void Changed(QPDFObjectHandle h, const std::string& key = std::string());
};

// The document as the writer makes it, into memory: streams as they stand,
// no linearization; `decrypted` leaves the encryption out.
std::string WrittenInMemory(QPDF& qpdf, bool decrypted);

// Open documents; a closed one is gone from here and its handles answer null.
Doc* FindDoc(ASUns32 id);
Doc& DocOf(CosDoc doc);  // raises genErrBadHandle for a closed document
Doc& DocOf(PDDoc doc);
CosDoc ToCosDoc(const Doc& doc);
PDDoc ToPDDoc(const Doc& doc);

// The QPDF handle of a Cos object; a null handle for the null object and for
// handles of closed documents. `doc` receives the object's document or null.
QPDFObjectHandle Resolve(CosObj obj, Doc** doc = nullptr);

// Opening raises fileErrNotFound, fileErrPermission, fileErrIsFolder,
// pdErrNeedPassword, pdErrBadFile (the file does not parse) or pdErrOpenFailed.
Doc& OpenFile(const std::string& path, const OpenOptions& options = {});
Doc& OpenBytes(const std::string& bytes, const std::string& description,
               const OpenOptions& options = {});
void CloseDoc(ASUns32 id);
// After a save that made `path` the document's file: holds that file open.
void KeepDocFile(Doc& doc, const std::string& path);
std::vector<ASUns32> OpenDocIds();

// Writes the document to `path` (the file a link names) through a temporary
// file in the same folder and a rename; the document stays usable. Raises
// fileErrPermission when the target may not be written, fileErrIsFolder,
// else pdErrSaveFailed. The version (1.0 to 1.7, 2.0) is the one written;
// any other leaves the document's own. Below 1.5 the file gets a classic
// cross-reference table and no object streams.
void SaveDoc(Doc& doc, const std::string& path, ASInt16 major = 0, ASInt16 minor = 0);
// The version in the document's header; 0.0 when it cannot be read.
void DocVersion(const Doc& doc, ASInt16* major, ASInt16* minor);

// The pages in order, as the library lists them: a page named twice has a
// copy of its own at its second place. A node met twice is passed over.
const std::vector<QPDFObjectHandle>& Pages(Doc& doc);
// Why the document's pages cannot all be read (a loop, a tree nested too
// deep); empty when they can.
std::string PageTreeFault(Doc& doc);

// Runs a QPDF step; any library failure becomes a host raise.
template <class F>
auto Q(F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (...) {
    RaiseFromCurrentException();
  }
}

// A stream to be destroyed after use (an inline image), numbered above
// every object of the document; destroying it leaves its number taken.
QPDFObjectHandle NewTemporaryStream(Doc& doc);

// Decoded data is capped; a bigger stream raises cosErrDataTooLarge.
size_t DecodedDataCap();
void SetDecodedDataCap(size_t bytes);  // tests
// The stream's data: decoded (mode 2) or as stored (0 and 1).
std::string StreamData(QPDFObjectHandle stream, ASInt32 mode);
// Where a stream's raw data lies in the bytes the document was read from,
// when those are its data: an unchanged stream of an unencrypted document.
struct StoredData {
  // Reads bytes at an offset: how many (0 at the end); throws on failure.
  // Null when the data is not read from there.
  std::function<size_t(long long at, char* out, size_t size)> read;
  long long offset = 0, length = 0;
};
StoredData StoredStreamData(QPDFObjectHandle stream);

// A stream over its data (CosStreamOpenStm): an image's decoded data piece by
// piece as it is read (cos/streamdecode.h), any other whole.
ASStm OpenStreamData(QPDFObjectHandle stream, ASInt32 mode);

}  // namespace host
