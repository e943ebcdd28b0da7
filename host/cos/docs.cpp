#include "cos/docs.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <set>
#include <stdexcept>

#include <qpdf/Pipeline.hh>
#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFWriter.hh>

#include "cos/decoders.h"
#include "cos/filesource.h"
#include "cos/streamdecode.h"
#include "support/filesys.h"
#include "support/streams.h"

namespace host {
namespace {

struct Registry {
  std::map<ASUns32, std::unique_ptr<Doc>> docs;
  ASUns32 nextId = 1;  // ids are never reused, so a closed document's handles stay dead
  // Below the one-allocation cap of the sanitizer runs (256 MiB), so that a
  // bomb meets our own error first; CappedPipe never grows past it either.
  size_t decodedCap = size_t(192) << 20;
};

Registry& R() {
  static auto* r = new Registry;
  return *r;
}

uint64_t ObjGenKey(QPDFObjGen og) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(og.getObj())) << 32) |
         static_cast<uint32_t>(og.getGen());
}

// Fails once more bytes pass than the cap allows.
class CappedPipe : public Pipeline {
 public:
  CappedPipe(std::string& out, size_t cap) : Pipeline("capped", nullptr), out_(out), cap_(cap) {}
  void write(unsigned char const* data, size_t len) override {
    if (len > cap_ - out_.size()) throw TooLarge();
    ReserveCapped(out_, len, cap_);
    out_.append(reinterpret_cast<const char*>(data), len);
  }
  void finish() override {}
  struct TooLarge {};

 private:
  std::string& out_;
  size_t cap_;
};

// Each byte's class in PDF syntax.
enum ByteClass : unsigned char { kRegular, kWhite, kDelimiter };
struct ByteClasses {
  ByteClass of[256];
  constexpr ByteClasses() : of() {
    for (int i = 0; i < 256; ++i) of[i] = kRegular;
    for (unsigned char w : {0, 9, 10, 12, 13, 32}) of[w] = kWhite;
    for (unsigned char d : {'(', ')', '<', '>', '[', ']', '{', '}', '/', '%'}) of[d] = kDelimiter;
  }
  constexpr ByteClass operator[](unsigned c) const { return of[c]; }
};
constexpr ByteClasses kClass;

// Looks, in bytes given piece by piece, for a reference "N G R" or an
// object "N G obj" whose number N is above `highest`: a number the
// cross-reference data does not list. Comments count as white space and
// strings hold no reference, as for the library; it may find one in stream
// data, never miss one. With `watchStreams`, Feed stops where a "stream"
// keyword ends, so that the caller can pass over the data.
class HighNumberScan {
 public:
  HighNumberScan(long long highest, bool watchStreams) : highest_(highest), watch_(watchStreams) {}
  // The bytes taken: all of them, or those up to the end of a keyword.
  size_t Feed(const char* data, size_t size) {
    streamEnded_ = false;
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    size_t i = 0;
    while (i < size && !found_) {
      // Runs of bytes that change no more than what the last byte sets go
      // by in tight loops; the bytes where more may change, one by one.
      const size_t from = i;
      if (string_ > 0) {
        // A string's bytes, up to a parenthesis or an escape.
        if (!escape_)
          while (i < size && p[i] != '(' && p[i] != ')' && p[i] != '\\') ++i;
      } else if (comment_) {
        while (i < size && p[i] != '\r' && p[i] != '\n') ++i;
        if (i > from) continue;  // a comment's bytes leave the last byte as it was
      } else if (state_ == kOther) {
        const ByteClass cls = kClass[p[i]];
        if (cls == kRegular) {
          // A word's bytes (a keyword's, a name's, a real's) where no number begins.
          if (kClass[prev_] != kRegular) {
            wordLength_ = 0;
            named_ = prev_ == '/';
          }
          for (; i < size && kClass[p[i]] == kRegular; ++i) {
            const unsigned c = p[i];
            if (IsDigit(c) && !inToken_) break;
            if (wordLength_ < sizeof word_) word_[wordLength_++] = static_cast<char>(c);
            inToken_ = c != '+' && c != '-';
          }
        } else if (p[i] != '(' && p[i] != '%' && !(watch_ && !named_ && IsStream())) {
          // White space and delimiters that open nothing.
          while (i < size && kClass[p[i]] != kRegular && p[i] != '(' && p[i] != '%') ++i;
          wordLength_ = 0;
          inToken_ = false;
        }
      } else if (state_ == kFirst || state_ == kSecond) {
        while (i < size && IsDigit(p[i])) Add(p[i++]);
      }
      if (i > from) {
        prev_ = p[i - 1];
        continue;
      }
      Step(p[i]);
      if (streamEnded_) return i;  // that byte follows the keyword, and is taken again
      ++i;
    }
    return found_ ? size : i;
  }
  bool Found() const { return found_; }
  bool StreamEnded() const { return streamEnded_; }
  void Assume() { found_ = true; }  // for bytes that could not be read
  // Where an object begins: what came before ends there.
  void Restart() {
    state_ = kOther;
    comment_ = escape_ = false;
    string_ = 0;
    wordLength_ = 0;
    prev_ = ' ';
  }

 private:
  enum State { kOther, kFirst, kAfterFirst, kSecond, kAfterSecond };
  static bool IsDigit(unsigned c) { return c >= '0' && c <= '9'; }
  bool IsStream() const { return wordLength_ == 6 && std::memcmp(word_, "stream", 6) == 0; }
  void Add(unsigned c) { value_ = std::min(value_ * 10 + (c - '0'), kCap); }
  void Step(unsigned c) {
    if (string_ > 0) {
      if (escape_) escape_ = false;
      else if (c == '\\') escape_ = true;
      else if (c == '(') ++string_;
      else if (c == ')') --string_;
      prev_ = c;
      return;
    }
    if (comment_) {
      comment_ = c != '\r' && c != '\n';
      if (!comment_) prev_ = c;
      return;
    }
    const ByteClass cls = kClass[c];
    if (cls == kRegular) {
      // A keyword is a word of its own, no name's.
      if (kClass[prev_] != kRegular) {
        wordLength_ = 0;
        named_ = prev_ == '/';
      }
      if (wordLength_ < sizeof word_) word_[wordLength_++] = static_cast<char>(c);
    } else if (watch_ && !named_ && IsStream()) {
      wordLength_ = 0;
      streamEnded_ = true;
      state_ = kOther;
      prev_ = ' ';
      return;
    } else {
      wordLength_ = 0;
    }
    const bool digit = IsDigit(c);
    const bool gap = cls == kWhite || c == '%';  // what may stand between the three tokens
    comment_ = c == '%';
    string_ = c == '(' ? 1 : 0;
    switch (state_) {
      case kOther:
        if (digit && !inToken_) Begin(kFirst, c);
        break;
      case kFirst:
      case kSecond:
        if (digit) Add(c);
        else if (!gap) state_ = kOther;
        else if (state_ == kSecond) state_ = kAfterSecond;
        else if (value_ > highest_) state_ = kAfterFirst;
        else state_ = kOther;
        break;
      case kAfterFirst:
        if (digit) Begin(kSecond, c);
        else if (!gap) state_ = kOther;
        break;
      case kAfterSecond:
        // "N G R", "N G obj"; a third number may be the start of another.
        if (c == 'R' || c == 'o') found_ = true;
        else if (digit) Begin(value_ > highest_ ? kSecond : kFirst, c);
        else if (!gap) state_ = kOther;
        break;
    }
    // Digits right after a regular byte (a name's, a real's) begin no number; a sign may.
    inToken_ = cls == kRegular && c != '+' && c != '-';
    prev_ = c;
  }
  void Begin(State state, unsigned c) {
    state_ = state;
    value_ = 0;
    Add(c);
  }
  static constexpr long long kCap = 1LL << 40;
  long long highest_;
  bool watch_;
  State state_ = kOther;
  long long value_ = 0;
  bool comment_ = false, escape_ = false, inToken_ = false, named_ = false;
  int string_ = 0;
  char word_[7] = {};
  size_t wordLength_ = 0;
  unsigned prev_ = ' ';
  bool streamEnded_ = false;
  bool found_ = false;
};

// Counts the bytes that pass and fails once they are more than the cap;
// they pass through `scan` too.
class CountingPipe : public Pipeline {
 public:
  CountingPipe(size_t cap, HighNumberScan& scan) : Pipeline("counting", nullptr), cap_(cap), scan_(scan) {}
  void write(unsigned char const* data, size_t len) override {
    if (len > cap_ - count_) throw CappedPipe::TooLarge();
    count_ += len;
    scan_.Feed(reinterpret_cast<const char*>(data), len);
  }
  void finish() override {}

 private:
  size_t cap_;
  size_t count_ = 0;
  HighNumberScan& scan_;
};

// The library decodes an object stream whole, with no bound, when one of
// its objects is first read. Each is measured once here against the cap, so
// that a small file cannot ask for all the memory there is later. The
// decoded objects are scanned for numbers above the listed ones.
void CheckObjectStreams(QPDF& qpdf, const std::map<QPDFObjGen, QPDFXRefEntry>& xref, HighNumberScan& scan) {
  std::set<int> numbers;
  for (auto& entry : xref)
    if (entry.second.getType() == 2) numbers.insert(entry.second.getObjStreamNumber());
  for (int number : numbers) {
    try {
      QPDFObjectHandle stream = qpdf.getObjectByID(number, 0);
      if (!stream.isStream()) continue;
      CountingPipe counter(R().decodedCap, scan);
      stream.pipeStreamData(&counter, nullptr, 0, qpdf_dl_specialized, true, false);
    } catch (const CappedPipe::TooLarge&) {
      SetFailureDetail("object stream " + std::to_string(number) + " decodes to more than the host allows");
      Raise(cosErrDataTooLarge);
    } catch (const std::exception&) {
      // A broken object stream is the library's to report when its objects are read.
    }
  }
}

// Bytes of the document at an offset: how many were read (0 at the end), -1
// on failure.
using ReadAt = std::function<long long(long long at, char* out, size_t size)>;
// Told where a stream's data lies (from, to), as the scan passes over it.
using StreamDataAt = std::function<void(long long from, long long to)>;

// Bytes of a document held in memory at an offset: how many (0 at the end).
size_t ReadBytes(const std::string& data, long long at, char* out, size_t size) {
  const size_t from = static_cast<size_t>(std::min<long long>(at, static_cast<long long>(data.size())));
  const size_t n = std::min(size, data.size() - from);
  std::memcpy(out, data.data() + from, n);
  return n;
}

// Where the data of the stream whose "stream" keyword ends at `keywordEnd`
// begins, when the library found it there: after a line end it does not
// warn of, with "endstream" (after white space) /Length bytes on. -1
// otherwise, and for a length past any offset.
long long FoundDataStart(const ReadAt& read, long long keywordEnd, QPDFObjectHandle length) {
  char eol[2] = {0, 0};
  const long long got = read(keywordEnd, eol, 2);
  long long data = -1;
  if (got >= 1 && eol[0] == '\n') data = keywordEnd + 1;
  if (got == 2 && eol[0] == '\r' && eol[1] == '\n') data = keywordEnd + 2;
  if (data < 0 || !length.isInteger()) return -1;
  const long long size = length.getIntValue();
  if (size < 0 || size > LLONG_MAX - 64 - data) return -1;
  char text[64];
  const long long n = read(data + size, text, sizeof text);
  long long i = 0;
  while (i < n && (text[i] == 0 || std::strchr(" \t\r\n\f", text[i]))) ++i;
  return n - i >= 9 && std::memcmp(text + i, "endstream", 9) == 0 ? data : -1;
}

// True when the bytes hold no run of `digits` digits, the fewest a number
// above the listed ones has: they name no such number, whatever their
// syntax, and whatever data of a stream they hold need not be passed over.
bool NoLongNumber(const char* p, size_t n, int digits) {
  int run = 0;
  for (size_t i = 0; i < n; ++i) {
    run = static_cast<unsigned char>(p[i] - '0') < 10 ? run + 1 : 0;
    if (run >= digits) return false;
  }
  return true;
}

// Does the document name a number above `highest`? Every byte is looked
// at but the data of the streams the cross-reference data lists: where an
// object's first "stream" keyword ends, its data (the library's /Length)
// is passed over, when "endstream" follows it there as the library found.
// A stream is read only as far as its dictionary, so a large image costs a
// few reads.
bool NamesHigherNumber(QPDF& qpdf, const std::map<QPDFObjGen, QPDFXRefEntry>& xref, int highest,
                       const ReadAt& read, const StreamDataAt& streamData) {
  std::vector<std::pair<long long, QPDFObjGen>> starts;
  for (auto& entry : xref)
    if (entry.second.getType() == 1) starts.emplace_back(entry.second.getOffset(), entry.first);
  std::sort(starts.begin(), starts.end());
  HighNumberScan scan(highest, true);
  const int digits = static_cast<int>(std::to_string(static_cast<long long>(highest) + 1).size());
  std::vector<char> block(size_t(1) << 16);
  long long blockAt = 0, blockSize = 0;  // the bytes of the file the block holds
  size_t next = 0;       // the first object starting after the bytes scanned
  bool passed = true;    // the current object's data was passed over, or there is none
  bool begun = false;    // `at` is where an object begins
  long long at = 0;
  while (!scan.Found()) {
    // An object that begins here ends what came before; one passed by
    // (in damaged data) is not its data's to pass over.
    for (; next < starts.size() && starts[next].first <= at; ++next) {
      if (starts[next].first < at) continue;
      scan.Restart();
      passed = false;
      begun = true;
    }
    if (at < blockAt || at >= blockAt + blockSize) {
      blockAt = at;
      blockSize = read(at, block.data(), block.size());
      if (blockSize < 0) scan.Assume();
      if (blockSize <= 0) break;
    }
    const long long until = next < starts.size() ? starts[next].first : LLONG_MAX;
    const size_t want = static_cast<size_t>(std::min(blockAt + blockSize, until) - at);
    // Most objects are passed whole by a quick look at their bytes; the
    // scan proper reads the rest.
    const bool whole = begun && until <= blockAt + blockSize;
    begun = false;
    if (whole && NoLongNumber(block.data() + (at - blockAt), want, digits)) {
      at = until;
      continue;
    }
    const size_t taken = scan.Feed(block.data() + (at - blockAt), want);
    at += static_cast<long long>(taken);
    if (!scan.StreamEnded() || passed) continue;
    passed = true;
    try {
      QPDFObjectHandle stream = qpdf.getObject(starts[next - 1].second);
      if (qpdf.anyWarnings()) return true;
      QPDFObjectHandle length = stream.isStream() ? stream.getDict().getKey("/Length") : QPDFObjectHandle();
      const long long data = FoundDataStart(read, at, length);
      if (data >= 0) {
        at = data + length.getIntValue();
        if (streamData) streamData(data, at);
      }
    } catch (const std::exception&) {
      return true;
    }
  }
  return scan.Found();
}

Doc& Adopt(std::unique_ptr<QPDF> qpdf, const std::string& path) {
  auto doc = std::make_unique<Doc>();
  doc->id = R().nextId++;
  doc->qpdf = std::move(qpdf);
  doc->path = path;
  doc->slots.emplace_back();  // slot 0 stays unused
  doc->repaired = doc->qpdf->anyWarnings();
  Doc& ref = *doc;
  R().docs[ref.id] = std::move(doc);
  return ref;
}

// The writer's output into a save's temporary file, every write checked.
// It never throws: the writer finishes pipelines from destructors, where an
// exception would end the process. The first failure is kept, the rest of
// the output dropped, and the save looks at Error() once the writer is done.
class FilePipe : public Pipeline {
 public:
  explicit FilePipe(int fd) : Pipeline("save file", nullptr), fd_(fd) {}
  void write(unsigned char const* data, size_t len) override {
    if (err_) return;
    if (len >= kBuffer - buffer_.size()) {
      if (!buffer_.empty()) Put(buffer_.data(), buffer_.size());
      if (!err_) Put(data, len);
    } else {
      buffer_.append(reinterpret_cast<const char*>(data), len);
    }
  }
  void finish() override {
    if (err_) return;
    err_ = FlushFile(fd_);
    if (!err_ && !buffer_.empty()) Put(buffer_.data(), buffer_.size());
  }
  int Error() const { return err_; }

 private:
  static constexpr size_t kBuffer = 1 << 16;
  void Put(const void* data, size_t len) {
    err_ = WriteFully(fd_, data, len);
    buffer_.clear();
  }
  int fd_;
  int err_ = 0;
  std::string buffer_;
};

// A trailer /ID the writer cannot read (not two strings, a damaged string
// read as null) would stop every save; the writer makes a fresh one instead.
void DropUnusableId(QPDF& qpdf) {
  QPDFObjectHandle trailer = qpdf.getTrailer();
  if (!trailer.isDictionary() || !trailer.hasKey("/ID")) return;
  QPDFObjectHandle id = trailer.getKey("/ID");
  bool usable = id.isArray() && id.getArrayNItems() == 2 && id.getArrayItem(0).isString() &&
                id.getArrayItem(1).isString();
  if (!usable) trailer.removeKey("/ID");
}

// The writer gives /Size its value only in place of one the trailer holds:
// a trailer without it (a damaged file's, as repaired) would be written so.
void GiveTrailerSize(QPDF& qpdf) {
  QPDFObjectHandle trailer = qpdf.getTrailer();
  if (trailer.isDictionary() && !trailer.getKey("/Size").isInteger())
    trailer.replaceKey("/Size", QPDFObjectHandle::newInteger(0));
}

// Runs the writer. It goes on past memory it lost while it read a stream,
// whose data it then wrote cut short: that run fails as memory gone.
void WriteAll(QPDFWriter& w) {
  const unsigned long failedBefore = FailedAllocations();
  w.write();
  if (FailedAllocations() != failedBefore) throw std::bad_alloc();
}

// Opening succeeds only when the catalog and the page tree root can be read.
void CheckOpened(QPDF& qpdf) {
  QPDFObjectHandle root = qpdf.getRoot();
  if (!root.isDictionary()) Raise(pdErrBadFile);
  if (!root.getKey("/Pages").isDictionary()) Raise(pdErrNoPages);
}

// The library numbers a new object one above the highest number it has
// met, references to missing objects included, and refuses past 2^31-1: a
// damaged file that names such a number could never be repaired.
bool NoRoomForNewObjects(size_t highest) { return highest > static_cast<size_t>(std::numeric_limits<int>::max() / 2); }

// The document written to memory and read again: its objects are numbered
// afresh from 1, and references to objects the file does not have are gone,
// read as null as they were. Costs a copy of the file in memory and one
// pass of the writer at opening.
std::unique_ptr<QPDF> Renumbered(QPDF& old, const std::string& description, const OpenOptions& options,
                                 std::shared_ptr<std::string>* bytes) {
  *bytes = std::make_shared<std::string>(WrittenInMemory(old, false));
  auto qpdf = std::make_unique<QPDF>();
  qpdf->setSuppressWarnings(true);
  qpdf->processMemoryFile(description.c_str(), (*bytes)->data(), (*bytes)->size(), options.password.c_str());
  return qpdf;
}

int HighestListed(const std::map<QPDFObjGen, QPDFXRefEntry>& xref) {
  return xref.empty() ? 0 : xref.rbegin()->first.getObj();
}

// The desktop host reads a file without "%%EOF" in its last 1024 bytes by
// repair, as damaged; the library reads it as it stands.
bool EndMarkerMissing(const ReadAt& read, long long size) {
  const long long from = std::max(0LL, size - 1024);
  std::string tail(static_cast<size_t>(size - from), '\0');
  const long long n = read(from, &tail[0], tail.size());
  tail.resize(static_cast<size_t>(std::max(0LL, n)));
  return tail.find("%%EOF") == std::string::npos;
}

Doc& Open(const std::function<void(QPDF&)>& process, const ReadAt& read, const StreamDataAt& streamData,
          long long size, const std::string& path, const OpenOptions& options) {
  RegisterStreamDecoders();
  RegisterDctDecoder();
  auto qpdf = std::make_unique<QPDF>();
  qpdf->setSuppressWarnings(true);
  qpdf->setAttemptRecovery(options.attemptRepair);
  std::shared_ptr<std::string> renumbered;
  bool warned = false;
  bool resolvedAll = false;
  int highest = 0;
  try {
    process(*qpdf);
    {
      const auto xref = qpdf->getXRefTable();
      highest = HighestListed(xref);
      HighNumberScan packed(highest, false);
      CheckObjectStreams(*qpdf, xref, packed);
      CheckOpened(*qpdf);
      // The highest number is the listed one unless the file names a higher
      // one, or it is damaged (a repair can list more objects) or read as
      // written: then every object is read now, as the library does to learn it.
      resolvedAll = !options.attemptRepair || qpdf->anyWarnings() || packed.Found();
      if (!resolvedAll) resolvedAll = NamesHigherNumber(*qpdf, xref, highest, read, streamData) || qpdf->anyWarnings();
    }
    if (NoRoomForNewObjects(resolvedAll ? qpdf->getObjectCount() : static_cast<size_t>(highest))) {
      warned = qpdf->anyWarnings();
      qpdf = Renumbered(*qpdf, path.empty() ? "document" : path, options, &renumbered);
      CheckOpened(*qpdf);
      highest = HighestListed(qpdf->getXRefTable());
      resolvedAll = false;
    }
  } catch (const ASHostRaise&) {
    throw;
  } catch (const QPDFExc& e) {
    SetFailureDetail(e.what());
    if (e.getErrorCode() == qpdf_e_password) Raise(pdErrNeedPassword);
    if (e.getErrorCode() == qpdf_e_system) Raise(pdErrOpenFailed);
    Raise(pdErrBadFile);
  } catch (const std::bad_alloc&) {
    Raise(genErrNoMemory);
  } catch (const std::exception& e) {
    SetFailureDetail(e.what());
    Raise(pdErrBadFile);
  }
  Doc& doc = Adopt(std::move(qpdf), path);
  doc.resolvedAll = resolvedAll;
  doc.highestNumber = highest;
  if (renumbered) {
    // Read from memory, while its file (for the trailer and the path) stays the one opened.
    doc.memoryData = renumbered;
    doc.repaired = true;
  }
  doc.repaired = doc.repaired || warned || (options.attemptRepair && EndMarkerMissing(read, size));
  return doc;
}

}  // namespace

Doc::~Doc() {
  if (fileFd >= 0) ::close(fileFd);
}

void KeepDocFile(Doc& doc, const std::string& path) {
  if (doc.fileFd >= 0) ::close(doc.fileFd);
  doc.fileFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  doc.filePath = path;
}

namespace {

// A number for temporaries that the document keeps taken (as a null), so
// that nothing it makes later gets it: the next one the library would give.
int TakeTemporaryNumber(Doc& doc) {
  // Changed, or read whole at opening: the library numbers it cheaply, or
  // must read every object to number anything new anyway.
  if (doc.resolvedAll || doc.mutations > 0 || doc.highestNumber >= std::numeric_limits<int>::max() - 1) {
    QPDFObjectHandle reserved = QPDFObjectHandle::newReserved(doc.qpdf.get());
    doc.qpdf->replaceReserved(reserved, QPDFObjectHandle::newNull());
    return reserved.getObjectID();
  }
  const int number = doc.highestNumber + 1;
  doc.qpdf->replaceObject(QPDFObjGen(number, 0), QPDFObjectHandle::newNull());
  doc.highestNumber = number;
  return number;
}

const QPDFObjectHandle& Gone() {
  static auto* gone = new QPDFObjectHandle(QPDFObjectHandle::newNull());
  return *gone;
}

}  // namespace

QPDFObjectHandle NewTemporaryStream(Doc& doc) {
  // Temporaries live in a scratch document of their own, apart from the
  // document's objects; when none is left, a fresh one takes their numbers again.
  if (doc.temporaries.empty() && doc.scratchTemporaries > 0) {
    doc.scratch.reset();
    doc.scratchTemporaries = 0;
    doc.scratchTop = 0;
  }
  if (doc.scratchTemporaries == doc.temporaryNumbers.size()) doc.temporaryNumbers.push_back(TakeTemporaryNumber(doc));
  const int number = doc.temporaryNumbers[doc.scratchTemporaries];
  if (!doc.scratch) doc.scratch = std::make_unique<QPDF>();
  // The scratch document gives the next number: make it this one.
  if (number > 1 && number - 1 > doc.scratchTop) doc.scratch->replaceObject(QPDFObjGen(number - 1, 0), QPDFObjectHandle::newNull());
  QPDFObjectHandle s = doc.scratch->newStream();
  if (s.getObjectID() != number) throw std::logic_error("a temporary's number was not free");
  doc.scratchTop = number;
  ++doc.scratchTemporaries;
  return s;
}

void Doc::ForgetTemporary(QPDFObjectHandle temporary) {
  auto found = temporaries.find(temporary.getObjectID());
  if (found == temporaries.end()) return;
  std::vector<const void*> parts = std::move(found->second);
  temporaries.erase(found);
  parts.push_back(temporary.getObjectPtr());
  temporary.getOwningQPDF()->replaceObject(temporary.getObjGen(), QPDFObjectHandle::newNull());
  for (const void* part : parts) {
    auto it = directSlots.find(part);
    if (it == directSlots.end()) continue;
    const ASUns32 slot = it->second;
    if (slots[slot].isName()) {
      auto name = nameSlots.find(slots[slot].getName());
      if (name != nameSlots.end() && name->second == slot) nameSlots.erase(name);
    }
    stringCache.erase(slot);
    slots[slot] = Gone();
    directSlots.erase(it);
  }
}

CosObj Doc::Wrap(QPDFObjectHandle h) {
  if (!h.isInitialized()) return CosObj{0, 0};
  // A temporary of the scratch document shares numbers with none of ours,
  // but is told apart by its address like a direct object.
  if (h.isIndirect() && h.getOwningQPDF() == qpdf.get()) {
    uint64_t key = ObjGenKey(h.getObjGen());
    auto it = indirectSlots.find(key);
    if (it != indirectSlots.end()) return CosObj{id, it->second};
    ASUns32 slot = static_cast<ASUns32>(slots.size());
    slots.push_back(h);
    indirectSlots.emplace(key, slot);
    return CosObj{id, slot};
  }
  if (h.isNull()) return CosObj{0, 0};
  const void* ptr = h.getObjectPtr();
  auto it = directSlots.find(ptr);
  if (it != directSlots.end()) return CosObj{id, it->second};
  ASUns32 slot = static_cast<ASUns32>(slots.size());
  slots.push_back(h);  // keeps the object alive, so its address stays unique
  directSlots.emplace(ptr, slot);
  return CosObj{id, slot};
}

namespace {
template <class Map, class Key>
void EraseSlot(Map& map, const Key& key, ASUns32 slot) {
  auto it = map.find(key);
  if (it != map.end() && it->second == slot) map.erase(it);
}
}  // namespace

void Doc::ReleaseSlots(ASUns32 mark) {
  mark = std::max<ASUns32>(mark, 1);
  while (slots.size() > mark) {
    const ASUns32 slot = static_cast<ASUns32>(slots.size() - 1);
    QPDFObjectHandle& h = slots.back();
    // As Wrap filed it: an indirect object of ours by number, anything
    // else by address, and a key's name also by its text.
    if (h.isIndirect() && h.getOwningQPDF() == qpdf.get()) {
      EraseSlot(indirectSlots, ObjGenKey(h.getObjGen()), slot);
    } else {
      EraseSlot(directSlots, static_cast<const void*>(h.getObjectPtr()), slot);
      if (h.isName()) EraseSlot(nameSlots, h.getName(), slot);
    }
    stringCache.erase(slot);
    slots.pop_back();
  }
}

const Doc::Listed* Doc::ListedEntry(int number) {
  if (!listedIndexed) {
    for (auto& entry : qpdf->getXRefTable())
      listed.emplace(entry.first.getObj(),
                     Listed{entry.first.getGen(), entry.second.getType() == 1 ? entry.second.getOffset() : -1});
    listedIndexed = true;
  }
  auto it = listed.find(number);
  return it == listed.end() ? nullptr : &it->second;
}

void Doc::Made(QPDFObjectHandle h) {
  if (madeParts.size() > std::max<size_t>(1024, 2 * madePartsPruned)) {
    for (auto it = madeParts.begin(); it != madeParts.end();)
      it = it->second.expired() ? madeParts.erase(it) : std::next(it);
    madePartsPruned = madeParts.size();
  }
  if (h.isIndirect()) {
    ++mutations;
    madeNumbers.insert(h.getObjectID());
  }
  // Its direct parts, down to the objects it refers to: none for a number,
  // a name or a string, which most new objects are.
  if (!h.isStream() && !h.isArray() && !h.isDictionary()) return;
  std::vector<QPDFObjectHandle> parts{h.isStream() ? h.getDict() : h};
  while (!parts.empty()) {
    QPDFObjectHandle part = parts.back();
    parts.pop_back();
    if (!part.isArray() && !part.isDictionary()) continue;
    madeParts[part.getObjectPtr()] = part.getObj();
    if (part.isArray()) {
      for (QPDFObjectHandle& item : part.getArrayAsVector())
        if (!item.isIndirect()) parts.push_back(item);
    } else {
      for (const std::string& key : part.getKeys()) {
        QPDFObjectHandle value = part.getKey(key);
        if (!value.isIndirect()) parts.push_back(value);
      }
    }
  }
}

bool Doc::IsMade(QPDFObjectHandle h) const {
  if (h.isIndirect()) return h.getOwningQPDF() == qpdf.get() && madeNumbers.count(h.getObjectID()) > 0;
  // A part still alive at the address is this object: two live objects
  // never share one.
  auto it = madeParts.find(h.getObjectPtr());
  return it != madeParts.end() && !it->second.expired();
}

void Doc::Changed(QPDFObjectHandle h, const std::string& key) {
  ++mutations;
  if (IsMade(h)) return;
  flags |= 1;
  // A key: only the ones the page walk reads count, in any dictionary (a
  // page can become a node, and a node a page, by them). A whole object (an
  // array changed, an object destroyed): when the walk met it.
  bool moved = key.empty() ? treeObjects.count(h.getObjectPtr()) > 0
                           : key == "/Kids" || key == "/Type" || key == "/Pages" || key == "/Root";
  if (moved) ++treeChanges;
}

std::string WrittenInMemory(QPDF& qpdf, bool decrypted) {
  DropUnusableId(qpdf);
  GiveTrailerSize(qpdf);
  Pl_Buffer buffer("in memory");
  QPDFWriter w(qpdf);
  w.setOutputPipeline(&buffer);
  w.setPreserveEncryption(!decrypted);
  w.setCompressStreams(false);
  w.setDecodeLevel(qpdf_dl_none);
  w.setLinearization(false);
  w.setObjectStreamMode(qpdf_o_preserve);
  WriteAll(w);
  std::unique_ptr<Buffer> written(buffer.getBuffer());
  return std::string(reinterpret_cast<const char*>(written->getBuffer()), written->getSize());
}

Doc* FindDoc(ASUns32 id) {
  auto it = R().docs.find(id);
  return it == R().docs.end() ? nullptr : it->second.get();
}

static ASUns32 HandleId(const void* handle) {
  return static_cast<ASUns32>(reinterpret_cast<uintptr_t>(handle));
}

Doc& DocOf(CosDoc doc) {
  Doc* d = FindDoc(HandleId(doc));
  if (!d) Raise(genErrBadHandle);
  return *d;
}

Doc& DocOf(PDDoc doc) {
  Doc* d = FindDoc(HandleId(doc));
  if (!d) Raise(genErrBadHandle);
  return *d;
}

CosDoc ToCosDoc(const Doc& doc) { return reinterpret_cast<CosDoc>(static_cast<uintptr_t>(doc.id)); }
PDDoc ToPDDoc(const Doc& doc) { return reinterpret_cast<PDDoc>(static_cast<uintptr_t>(doc.id)); }

QPDFObjectHandle Resolve(CosObj obj, Doc** docOut) {
  if (docOut) *docOut = nullptr;
  if (obj.a == 0) return QPDFObjectHandle::newNull();
  Doc* doc = FindDoc(obj.a);
  if (!doc || obj.b == 0 || obj.b >= doc->slots.size()) return QPDFObjectHandle::newNull();
  if (docOut) *docOut = doc;
  return doc->slots[obj.b];
}

Doc& OpenFile(const std::string& path, const OpenOptions& options) {
  // Opened here rather than by the library, so that a missing file, a refused
  // permission and a folder each get their own code, never "damaged".
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat st;
  int err = fd < 0 ? errno : ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  if (err) {
    if (fd >= 0) ::close(fd);
    SetFailureDetail(path + ": " + std::strerror(err));
    Raise(FileErrorCode(err, pdErrOpenFailed));
  }
  if (!S_ISREG(st.st_mode)) {
    SetFailureDetail(path + ": not a regular file");
    ::close(fd);
    Raise(pdErrOpenFailed);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // The document keeps its path absolute (links as given), so that it still
  // names the file when the working folder changes.
  std::string kept = path;
  char folder[PATH_MAX];
  if (kept[0] != '/' && ::getcwd(folder, sizeof folder)) {
    while (kept.compare(0, 2, "./") == 0) kept.erase(0, 2);
    kept = (std::string(folder) == "/" ? "" : std::string(folder)) + "/" + kept;
  }
  int held = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);  // the library closes its own
  Doc* doc = nullptr;
  std::shared_ptr<BlockFileSource> source;
  try {
    doc = &Open(
        [&](QPDF& q) {
          source = std::make_shared<BlockFileSource>(path, fd);
          fd = -1;  // the source closes it
          q.processInputSource(source, options.password.c_str());
        },
        // Through the library's own source, so that what the scan reads is
        // read once for both.
        [&](long long at, char* out, size_t size) {
          try {
            return static_cast<long long>(source->ReadAt(at, out, size));
          } catch (const std::exception&) {
            return -1LL;
          }
        },
        [&](long long from, long long to) { source->PassOver(from, to); },
        static_cast<long long>(st.st_size), kept, options);
  } catch (...) {
    if (fd >= 0) ::close(fd);
    if (held >= 0) ::close(held);
    throw;
  }
  doc->fileFd = held;
  doc->filePath = kept;
  if (!doc->memoryData) doc->source = source;  // not when renumbered into memory
  return *doc;
}

Doc& OpenBytes(const std::string& bytes, const std::string& description,
               const OpenOptions& options) {
  auto data = std::make_shared<std::string>(bytes);
  Doc& doc = Open(
      [&](QPDF& q) {
        q.processMemoryFile(description.c_str(), data->data(), data->size(),
                            options.password.c_str());
      },
      [&](long long at, char* out, size_t size) { return static_cast<long long>(ReadBytes(*data, at, out, size)); },
      StreamDataAt(), static_cast<long long>(data->size()), "", options);
  // QPDF reads lazily from the buffer, which must live as long as the
  // document: this one, unless it was renumbered into bytes of its own.
  if (!doc.memoryData) doc.memoryData = data;
  return doc;
}

void CloseDoc(ASUns32 id) { R().docs.erase(id); }

std::vector<ASUns32> OpenDocIds() {
  std::vector<ASUns32> ids;
  for (auto& kv : R().docs) ids.push_back(kv.first);
  return ids;
}

// A save names a refused permission and a folder; anything else (a missing
// folder included) is a failed save.
ASErrorCode SaveErrorCode(int err) {
  return err == ENOENT || err == ENOTDIR ? pdErrSaveFailed : FileErrorCode(err, pdErrSaveFailed);
}

void DocVersion(const Doc& doc, ASInt16* major, ASInt16* minor) {
  int a = 0, b = 0;
  if (std::sscanf(doc.qpdf->getPDFVersion().c_str(), "%d.%d", &a, &b) != 2) a = b = 0;
  *major = static_cast<ASInt16>(a);
  *minor = static_cast<ASInt16>(b);
}

namespace {

std::string& SaveNote() {
  static auto* note = new std::string;
  return *note;
}

SaveFailure& Failed() {
  static auto* failed = new SaveFailure;
  return *failed;
}

struct Version {
  int major = 1, minor = 0, extension = 0;
  bool operator<(const Version& o) const {
    return major != o.major ? major < o.major : minor != o.minor ? minor < o.minor : extension < o.extension;
  }
};

// The least version that can hold the document's encryption as it stands;
// false when the document is not encrypted.
bool EncryptionNeeds(QPDF& qpdf, Version* least) {
  int R = 0, P = 0, V = 0;
  QPDF::encryption_method_e stream = QPDF::e_none, string = QPDF::e_none, file = QPDF::e_none;
  if (!qpdf.isEncrypted(R, P, V, stream, string, file)) return false;
  const bool aes = stream == QPDF::e_aes || string == QPDF::e_aes || file == QPDF::e_aes;
  *least = R >= 6 ? Version{1, 7, 8}
         : R == 5 ? Version{1, 7, 3}
         : R == 4 ? Version{1, aes ? 6 : 5, 0}
         : R == 3 || V > 1 ? Version{1, 4, 0}
                           : Version{1, 3, 0};
  return true;
}

}  // namespace

const std::string& LastSaveNote() { return SaveNote(); }
const SaveFailure& LastSaveFailure() { return Failed(); }

void NoteSaveRefused(const std::string& path, ASErrorCode code) { Failed() = SaveFailure{path, ErrorText(code)}; }

bool FailSaveForMemory() {
  SaveFailure& failed = Failed();
  // Under way: named, and no reason yet.
  if (failed.path.empty() || !failed.reason.empty()) return false;
  failed.reason = "out of memory";
  SetFailureDetail(failed.reason);
  return true;
}

void SaveDoc(Doc& doc, const std::string& path, ASInt16 major, ASInt16 minor) {
  SaveNote().clear();
  Failed() = SaveFailure{path, ""};
  auto fail = [&](const std::string& reason, ASErrorCode code) {
    Failed().reason = reason;
    Raise(code);
  };
  // The host's own words where it has them (a folder, a refused permission),
  // else the system's.
  auto reason = [](int err) {
    const ASErrorCode code = SaveErrorCode(err);
    return code == pdErrSaveFailed ? std::string(std::strerror(err)) : std::string(ErrorText(code));
  };
  FileReplacement out;
  if (int err = out.Begin(path, FileReplacement::Mode::Inherit)) {
    SetFailureDetail(out.Detail());
    fail(reason(err), SaveErrorCode(err));
  }
  try {
    DropUnusableId(*doc.qpdf);
    GiveTrailerSize(*doc.qpdf);
    FilePipe pipe(out.fd());
    QPDFWriter w(*doc.qpdf);
    w.setOutputPipeline(&pipe);
    w.setCompressStreams(false);
    w.setDecodeLevel(qpdf_dl_none);
    w.setLinearization(false);
    ASInt16 ownMajor = 0, ownMinor = 0;
    DocVersion(doc, &ownMajor, &ownMinor);
    bool known = (major == 1 && minor >= 0 && minor <= 7) || (major == 2 && minor == 0);
    if (!known || (major == ownMajor && minor == ownMinor)) {
      major = ownMajor;
      minor = ownMinor;
    } else {
      // The writer would leave out encryption the version cannot hold: the
      // version gives way instead, and the save says so.
      Version asked{major, minor, 0}, least;
      if (EncryptionNeeds(*doc.qpdf, &least) && asked < least) {
        asked = least;
        major = static_cast<ASInt16>(least.major);
        minor = static_cast<ASInt16>(least.minor);
        SaveNote() = "version " + std::to_string(major) + "." + std::to_string(minor) + ": the encryption needs it";
      }
      w.forcePDFVersion(std::to_string(major) + "." + std::to_string(minor), asked.extension);
    }
    // Old versions get a classic cross-reference table and no object streams.
    w.setObjectStreamMode(major == 1 && minor < 5 ? qpdf_o_disable : qpdf_o_preserve);
    WriteAll(w);
    // Memory gone where the writer's output goes is memory gone too.
    if (pipe.Error() == ENOMEM) throw std::bad_alloc();
    if (int err = pipe.Error()) {
      // The temporary file goes with `out`; the target stays as it was.
      SetFailureDetail(std::strerror(err));
      fail(std::strerror(err), pdErrSaveFailed);
    }
  } catch (const ASHostRaise&) {
    throw;
  } catch (const std::bad_alloc&) {
    // The writer's tables are gone with it, but what it read stays in the
    // document: room for the words of the failure first.
    ReleaseMemoryReserve();
    SetFailureDetail("out of memory");
    fail("out of memory", pdErrSaveFailed);
  } catch (const std::exception& e) {
    SetFailureDetail(e.what());
    fail(e.what(), pdErrSaveFailed);
  }
  if (int err = out.Commit()) {
    SetFailureDetail(out.Detail());
    fail(reason(err), SaveErrorCode(err));
  }
  Failed() = SaveFailure();
  doc.flags &= ~1;
  // What is saved is the document's own from now on.
  doc.madeNumbers.clear();
  doc.madeParts.clear();
  doc.madePartsPruned = 0;
}

namespace {
// Deeper trees than any real document's; the library walks them by
// recursion, which a fuzzed one of many thousand levels would overflow.
const size_t kDeepestTree = 256;

// Reads the page tree again: the pages, or why they cannot be read.
void ReadPages(Doc& doc) {
  doc.pages.clear();
  doc.treeHandles.clear();
  doc.treeObjects.clear();
  doc.pageTreeFault.clear();
  doc.pagesAt = doc.treeChanges;
  // Everything the walk reads, so that a change to any of it is noticed.
  auto met = [&](QPDFObjectHandle h) {
    if (!h.isIndirect() && h.isNull()) return;  // a missing key: nothing to change in place
    if (doc.treeObjects.insert(h.getObjectPtr()).second) doc.treeHandles.push_back(h);
  };
  auto fault = [&](const std::string& why) {
    if (doc.pageTreeFault.empty()) doc.pageTreeFault = why;
  };
  auto named = [](const QPDFObjectHandle& node) {
    return "the node" + (node.isIndirect() ? " " + node.getObjGen().unparse(' ') : std::string());
  };
  // Our own walk, with no Parent and no repair of the tree. Pages are
  // numbered as the library lists them: a page named again counts again,
  // as a copy of its own that its edits go to. A node met again (a loop),
  // kids that are no dictionary and /Kids that are no array are passed
  // over, and make a tree whose pages cannot all be read.
  std::set<QPDFObjGen> nodes, pages;
  std::vector<std::pair<QPDFObjectHandle, int>> stack;
  QPDFObjectHandle catalog = doc.qpdf->getRoot();
  met(catalog);
  QPDFObjectHandle root = catalog.getKey("/Pages");
  met(root);
  if (root.isDictionary()) stack.emplace_back(root, 0);
  if (root.isIndirect()) nodes.insert(root.getObjGen());
  while (!stack.empty()) {
    auto& top = stack.back();
    QPDFObjectHandle kids = top.first.getKey("/Kids");
    met(kids);
    if (!kids.isArray() && !kids.isNull()) fault("the /Kids of " + named(top.first) + " is no array");
    if (!kids.isArray() || top.second >= kids.getArrayNItems()) {
      stack.pop_back();
      continue;
    }
    const int at = top.second++;
    QPDFObjectHandle kid = kids.getArrayItem(at);
    met(kid);
    if (!kid.isDictionary()) {
      fault("kid " + std::to_string(at + 1) + " of " + named(top.first) + " is no page");
      continue;
    }
    QPDFObjectHandle grandKids = kid.getKey("/Kids");
    met(grandKids);
    const bool node = !grandKids.isNull() && !kid.getKey("/Type").isNameAndEquals("/Page");
    if (node) {
      if (kid.isIndirect() && !nodes.insert(kid.getObjGen()).second) {
        fault("a loop: the node " + kid.getObjGen().unparse(' ') + " is met twice");
        continue;
      }
      stack.emplace_back(kid, 0);
      if (stack.size() > kDeepestTree) {
        fault("its nodes are nested more than " + std::to_string(kDeepestTree) + " deep");
        stack.pop_back();
      }
      continue;
    }
    if (kid.isIndirect() && !pages.insert(kid.getObjGen()).second) {
      // The library numbers the copy, which reads every object first.
      kid = doc.qpdf->makeIndirectObject(kid.shallowCopy());
      kids.setArrayItem(at, kid);
      doc.resolvedAll = true;
      met(kid);
    }
    doc.pages.push_back(kid);
  }
  if (!doc.pages.empty() || !root.isDictionary()) return;
  // A root that is itself a page is the document's one page, as readers
  // repair such a tree. A root without kids holds none of the pages its
  // /Count names: a tree that cannot be read, not a document of no pages.
  QPDFObjectHandle kids = root.getKey("/Kids"), count = root.getKey("/Count");
  if (root.getKey("/Type").isNameAndEquals("/Page") && !kids.isArray()) {
    doc.pages.push_back(root);
    return;
  }
  const bool counted = count.isInteger() && count.getIntValue() > 0;
  if (kids.isArray() ? !counted : !kids.isNull()) return;
  fault("its root" + (root.isIndirect() ? ", " + named(root) + "," : std::string()) + " has no " +
        (kids.isArray() ? "kids" : "/Kids") +
        (counted ? ", though its /Count gives " + std::to_string(count.getIntValue()) +
                       (count.getIntValue() == 1 ? " page" : " pages")
                 : ""));
}
}  // namespace

const std::vector<QPDFObjectHandle>& Pages(Doc& doc) {
  if (doc.pagesAt != doc.treeChanges) ReadPages(doc);
  return doc.pages;
}

std::string PageTreeFault(Doc& doc) {
  Pages(doc);
  return doc.pageTreeFault;
}

size_t DecodedDataCap() { return R().decodedCap; }
void SetDecodedDataCap(size_t bytes) { R().decodedCap = bytes; }

namespace {

// The stream's filters as a text for messages: "FlateDecode, JBIG2Decode".
std::string FilterNames(QPDFObjectHandle dict) {
  QPDFObjectHandle filter = dict.getKey("/Filter");
  std::vector<QPDFObjectHandle> names;
  if (filter.isArray()) {
    names = filter.getArrayAsVector();
  } else {
    names.push_back(filter);
  }
  std::string text;
  for (auto& name : names) {
    if (!name.isName()) continue;
    text += (text.empty() ? "" : ", ") + name.getName().substr(1);
  }
  return text;
}

}  // namespace

std::string StreamData(QPDFObjectHandle stream, ASInt32 mode) {
  std::string out;
  CappedPipe pipe(out, R().decodedCap);
  bool attempted = false;
  bool ok;
  QPDFObjectHandle dict = stream.getDict();
  const bool filtered = mode == cosOpenFiltered;
  // JPX samples are those of the image's colour space, which must be given.
  const bool jpx = filtered && HasFilter(dict, "/JPXDecode");
  const int components = jpx ? ColorSpaceComponents(dict.getKey("/ColorSpace")) : -1;
  if (jpx && components == 0) {
    SetFailureDetail("JPXDecode data without a colour space the host knows cannot be decoded");
    Raise(cosErrReadError);
  }
  if (filtered) {
    // What an image declares, and a predictor's rows, are measured before
    // the library allocates for them: data read whole is held, and an image
    // that declares far more than the cap is refused before it costs.
    if (DeclaredImageBytes(dict) > uint64_t(4) * R().decodedCap) {
      SetFailureDetail("the image declares more data than the host allows");
      Raise(cosErrDataTooLarge);
    }
    CheckPredictorRows(dict, R().decodedCap);
  }
  std::string why;
  try {
    DecodingImage expect(dict, components);
    ok = stream.pipeStreamData(&pipe, &attempted, 0, filtered ? qpdf_dl_all : qpdf_dl_none, true, false);
    why = DecodingImage::Failure();
  } catch (const CappedPipe::TooLarge&) {
    SetFailureDetail("decoded stream data exceeds the host's cap");
    Raise(cosErrDataTooLarge);
  }
  if (!ok || (filtered && !attempted && dict.hasKey("/Filter"))) {
    // A filter the host cannot decode: never hand encoded bytes as decoded.
    std::string filters = FilterNames(dict);
    SetFailureDetail("stream data could not be decoded" + (filters.empty() ? "" : " (filter " + filters + ")") +
                     (why.empty() ? "" : ": " + why));
    Raise(cosErrReadError);
  }
  return out;
}

StoredData StoredStreamData(QPDFObjectHandle stream) {
  StoredData stored;
  if (!stream.isStream() || !stream.isIndirect()) return stored;
  Doc* doc = nullptr;
  for (auto& kv : R().docs)
    if (kv.second->qpdf.get() == stream.getOwningQPDF()) doc = kv.second.get();
  // Encrypted data is the library's to decrypt; a new stream's is in memory.
  if (!doc || doc->qpdf->isEncrypted() || doc->madeNumbers.count(stream.getObjectID())) return stored;
  const Doc::Listed* listed = doc->ListedEntry(stream.getObjectID());
  if (!listed || listed->offset < 0 || listed->gen != stream.getGeneration()) return stored;
  if (doc->source) {
    std::shared_ptr<BlockFileSource> source = doc->source;
    stored.read = [source](long long at, char* out, size_t size) { return source->ReadAt(at, out, size); };
  } else if (doc->memoryData) {
    std::shared_ptr<std::string> data = doc->memoryData;
    stored.read = [data](long long at, char* out, size_t size) { return ReadBytes(*data, at, out, size); };
  } else {
    return stored;
  }
  const ReadAt read = [&stored](long long at, char* out, size_t size) {
    return static_cast<long long>(stored.read(at, out, size));
  };
  // The object's text up to its "stream" keyword, within a bound for its dictionary.
  HighNumberScan keyword(LLONG_MAX, true);
  std::vector<char> block(4096);
  long long at = listed->offset;
  const long long most = at + (1 << 20);
  for (;;) {
    const long long n = read(at, block.data(), block.size());
    if (n <= 0 || at >= most) return StoredData();
    at += static_cast<long long>(keyword.Feed(block.data(), static_cast<size_t>(n)));
    if (keyword.StreamEnded()) break;
  }
  QPDFObjectHandle length = stream.getDict().getKey("/Length");
  const long long data = FoundDataStart(read, at, length);
  if (data < 0) return StoredData();
  stored.offset = data;
  stored.length = length.getIntValue();
  return stored;
}

ASStm OpenStreamData(QPDFObjectHandle stream, ASInt32 mode) {
  if (mode == cosOpenFiltered)
    if (std::unique_ptr<Stm> image = OpenImageData(stream)) return AdoptStm(std::move(image));
  return NewMemStm(StreamData(stream, mode));
}

}  // namespace host
