#include "pd/content.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDFTokenizer.hh>

#include "core/tables.h"
#include "host/procs.h"

namespace host {
namespace {

// Character classes, looked up once per byte.
enum : unsigned char { kWhite = 1, kDelim = 2 };
struct CharClasses {
  unsigned char of[256] = {};
  CharClasses() {
    for (int c : {0, 9, 10, 12, 13, 32}) of[c] = kWhite;
    for (int c : {'(', ')', '<', '>', '[', ']', '{', '}', '/', '%'}) of[c] = kDelim;
  }
};
const CharClasses kClasses;

bool IsWhite(int c) { return c >= 0 && c < 256 && kClasses.of[c] == kWhite; }
bool IsDelim(int c) { return c >= 0 && c < 256 && kClasses.of[c] == kDelim; }
bool IsRegular(int c) { return c >= 0 && c < 256 && kClasses.of[c] == 0; }

// Whether a regular token is a number, fed byte by byte: the whole token
// counts, not only the part its text keeps.
class NumberScan {
 public:
  void Add(int c) {
    if (c >= '0' && c <= '9') digits_ = true;
    else if (c == '.' && !dot_) dot_ = true;
    else if (!((c == '+' || c == '-') && count_ == 0)) bad_ = true;
    ++count_;
  }
  bool IsNumber() const { return digits_ && !bad_; }

 private:
  size_t count_ = 0;
  bool digits_ = false, dot_ = false, bad_ = false;
};

// Reads bytes and keeps a copy when asked.
class Reader {
 public:
  Reader(Stm& stm, std::string* raw) : stm_(stm), raw_(raw) {}
  int Get() {
    int c = stm_.Get();
    if (c >= 0) {
      ++count_;
      if (raw_) raw_->push_back(static_cast<char>(c));
    }
    return c;
  }
  void Unget() {
    stm_.Unget();
    --count_;
    if (raw_) raw_->pop_back();
  }
  int Peek() { return stm_.Peek(); }
  size_t count() const { return count_; }

 private:
  Stm& stm_;
  std::string* raw_;
  size_t count_ = 0;
};

class TokenText {
 public:
  explicit TokenText(PDToken& t) : t_(t) { t_.text[0] = 0; }
  void Add(int c) {
    if (len_ + 1 < PD_TOKEN_TEXT_SIZE) {
      t_.text[len_++] = static_cast<char>(c);
      t_.text[len_] = 0;
    }
  }
  // The text as kept; whole for tokens shorter than the cut.
  const char* text() const { return t_.text; }
  size_t kept() const { return len_; }

 private:
  PDToken& t_;
  size_t len_ = 0;
};

size_t Fail(PDToken& token) {
  token.type = kPDTokenNone;
  token.text[0] = 0;
  return 0;
}

}  // namespace

std::string DecodeName(const char* written) {
  if (!std::strchr(written, '#')) return written;
  // As the library reads the names of resource dictionaries, a stray "#"
  // included (it becomes a zero byte); a name it cannot read names nothing.
  auto input = std::make_shared<BufferInputSource>("name", std::string(written) + " ");
  QPDFTokenizer tokenizer;
  const QPDFTokenizer::Token token = tokenizer.readToken(input, "name", true);
  return token.getType() == QPDFTokenizer::tt_name ? token.getValue() : std::string();
}

size_t ReadToken(Stm& stm, PDToken& token, std::string* raw) {
  Reader r(stm, raw);
  TokenText text(token);
  int c;
  for (;;) {
    c = r.Get();
    if (c < 0) return Fail(token);
    if (IsWhite(c)) continue;
    if (c == '%') {
      while ((c = r.Get()) >= 0 && c != '\n' && c != '\r') {
      }
      if (c < 0) return Fail(token);
      continue;
    }
    break;
  }
  switch (c) {
    case '/': {
      text.Add(c);
      while ((c = r.Get()) >= 0) {
        if (!IsRegular(c)) {
          r.Unget();
          break;
        }
        text.Add(c);
      }
      token.type = kPDTokenKeyword;
      return r.count();
    }
    case '(': {
      text.Add(c);
      int depth = 1;
      while (depth > 0) {
        c = r.Get();
        if (c < 0) return Fail(token);  // cut off inside the string
        text.Add(c);
        if (c == '\\') {
          c = r.Get();
          if (c < 0) return Fail(token);
          text.Add(c);
        } else if (c == '(') {
          ++depth;
        } else if (c == ')') {
          --depth;
        }
      }
      token.type = kPDTokenString;
      return r.count();
    }
    case '<': {
      if (r.Peek() == '<') {
        r.Get();
        text.Add('<');
        text.Add('<');
        token.type = kPDTokenDictBegin;
        return r.count();
      }
      text.Add(c);
      for (;;) {
        c = r.Get();
        if (c < 0) return Fail(token);
        text.Add(c);
        if (c == '>') break;
        if (!IsWhite(c) && !std::isxdigit(c)) return Fail(token);
      }
      token.type = kPDTokenHexString;
      return r.count();
    }
    case '>':
      if (r.Peek() != '>') return Fail(token);
      r.Get();
      text.Add('>');
      text.Add('>');
      token.type = kPDTokenDictEnd;
      return r.count();
    case '[':
    case ']':
    case '{':
    case '}':
      text.Add(c);
      token.type = c == '[' ? kPDTokenArrayBegin
                 : c == ']' ? kPDTokenArrayEnd
                 : c == '{' ? kPDTokenBraceBegin
                            : kPDTokenBraceEnd;
      return r.count();
    case ')':
      return Fail(token);
    default:
      break;
  }
  text.Add(c);
  NumberScan number;
  number.Add(c);
  size_t length = 1;
  while ((c = r.Get()) >= 0) {
    if (!IsRegular(c)) {
      r.Unget();
      break;
    }
    text.Add(c);
    number.Add(c);
    ++length;
  }
  const char* start = text.text();
  if (number.IsNumber()) token.type = kPDTokenNumber;
  else if ((length == 4 && std::strcmp(start, "true") == 0) || (length == 5 && std::strcmp(start, "false") == 0))
    token.type = kPDTokenBoolean;
  else if (length == 4 && std::strcmp(start, "null") == 0) token.type = kPDTokenNull;
  else token.type = kPDTokenKeyword;
  return r.count();
}

namespace {

const std::map<std::string, std::string>& FilterNames() {
  static const std::map<std::string, std::string> names = {
      {"/AHx", "/ASCIIHexDecode"}, {"/A85", "/ASCII85Decode"}, {"/LZW", "/LZWDecode"},
      {"/Fl", "/FlateDecode"},     {"/RL", "/RunLengthDecode"}, {"/CCF", "/CCITTFaxDecode"},
      {"/DCT", "/DCTDecode"}};
  return names;
}

std::string FullFilterName(const std::string& name) {
  auto it = FilterNames().find(name);
  return it == FilterNames().end() ? name : it->second;
}

QPDFObjectHandle Key(QPDFObjectHandle dict, const char* a, const char* b) {
  QPDFObjectHandle v = dict.getKey(a);
  return v.isNull() ? dict.getKey(b) : v;
}

// Components of a colour space, or 0 when unknown.
int Components(QPDFObjectHandle cs, QPDFObjectHandle resources, int depth) {
  if (depth > 8) return 0;
  if (cs.isName()) {
    std::string n = cs.getName();
    if (n == "/G" || n == "/DeviceGray" || n == "/CalGray" || n == "/I" || n == "/Indexed") return 1;
    if (n == "/RGB" || n == "/DeviceRGB" || n == "/CalRGB" || n == "/Lab") return 3;
    if (n == "/CMYK" || n == "/DeviceCMYK") return 4;
    if (resources.isDictionary()) {
      QPDFObjectHandle named = resources.getKey("/ColorSpace");
      if (named.isDictionary() && named.hasKey(n)) return Components(named.getKey(n), QPDFObjectHandle(), depth + 1);
    }
    return 0;
  }
  if (cs.isArray() && cs.getArrayNItems() > 0 && cs.getArrayItem(0).isName()) {
    std::string family = cs.getArrayItem(0).getName();
    if (family == "/I" || family == "/Indexed" || family == "/Separation" || family == "/CalGray") return 1;
    if (family == "/CalRGB" || family == "/Lab") return 3;
    if (family == "/DeviceN" && cs.getArrayNItems() > 1 && cs.getArrayItem(1).isArray())
      return cs.getArrayItem(1).getArrayNItems();
    if (family == "/ICCBased" && cs.getArrayNItems() > 1 && cs.getArrayItem(1).isStream()) {
      QPDFObjectHandle n = cs.getArrayItem(1).getDict().getKey("/N");
      return n.isInteger() && n.getIntValue() > 0 && n.getIntValue() <= 32 ? static_cast<int>(n.getIntValue()) : 0;
    }
  }
  return 0;
}

// The exact data length of an unfiltered image, or -1 when it cannot be told.
long long UnfilteredLength(QPDFObjectHandle dict, QPDFObjectHandle resources) {
  QPDFObjectHandle w = Key(dict, "/W", "/Width"), h = Key(dict, "/H", "/Height");
  if (!w.isInteger() || !h.isInteger()) return -1;
  long long width = w.getIntValue(), height = h.getIntValue();
  QPDFObjectHandle mask = Key(dict, "/IM", "/ImageMask");
  int bpc = 1, comps = 1;
  if (!(mask.isBool() && mask.getBoolValue())) {
    QPDFObjectHandle b = Key(dict, "/BPC", "/BitsPerComponent");
    if (!b.isInteger()) return -1;
    bpc = static_cast<int>(b.getIntValue());
    comps = Components(Key(dict, "/CS", "/ColorSpace"), resources, 0);
  }
  // No colour space has more than 32 components; within these bounds the
  // length fits 64 bits.
  if (width <= 0 || height <= 0 || bpc <= 0 || bpc > 16 || comps <= 0 || comps > 32 || width > (1 << 24) ||
      height > (1 << 24))
    return -1;
  return (width * comps * bpc + 7) / 8 * height;
}

// Bytes after a candidate "EI" look like content: white space or the end
// first, then a few printable tokens.
bool PlausibleAfter(const std::string& after, bool atEnd) {
  if (after.empty()) return atEnd;
  if (!IsWhite(static_cast<unsigned char>(after[0])) && !IsDelim(static_cast<unsigned char>(after[0]))) return false;
  for (unsigned char c : after)
    if (c > 126 || (c < 32 && !IsWhite(c))) return false;
  return true;
}

}  // namespace

bool ReadInlineImage(Stm& stm, QPDFObjectHandle resources, InlineImage& image) {
  std::string dictText;
  size_t consumed = 0;
  PDToken t;
  // The dictionary: every token up to the keyword ID.
  for (;;) {
    std::string raw;
    size_t n = ReadToken(stm, t, &raw);
    if (n == 0) return false;
    consumed += n;
    if (t.type == kPDTokenKeyword && std::strcmp(t.text, "ID") == 0) break;
    dictText += raw;
    if (dictText.size() > (1 << 20)) return false;
  }
  try {
    image.dict = QPDFObjectHandle::parse("<<" + dictText + " >>", "inline image");
  } catch (const std::exception&) {
    return false;
  }
  if (!image.dict.isDictionary()) return false;
  // One white-space byte separates ID from the data.
  int c = stm.Get();
  if (c < 0) return false;
  if (IsWhite(c)) ++consumed;
  else stm.Unget();

  // The first filter is the first one decoding applies: the bytes in the
  // content are its encoding, so it tells where they end.
  QPDFObjectHandle filter = Key(image.dict, "/F", "/Filter");
  std::string outer;
  if (filter.isName()) outer = FullFilterName(filter.getName());
  else if (filter.isArray() && filter.getArrayNItems() > 0 && filter.getArrayItem(0).isName())
    outer = FullFilterName(filter.getArrayItem(0).getName());

  std::string& data = image.data;
  data.clear();
  auto finishAt = [&](size_t dataEnd, size_t eiEnd, const std::string& read) {
    // `read` holds the bytes taken from the stream; those past "EI" go back.
    data = read.substr(0, dataEnd);
    stm.PushBack(read.substr(eiEnd));
    image.consumed = consumed + eiEnd;
    return true;
  };
  // "EI" after optional white space, at `from` in `read`; answers the end of "EI" or npos.
  auto eiAfter = [&](const std::string& read, size_t from) -> size_t {
    size_t i = from;
    while (i < read.size() && IsWhite(static_cast<unsigned char>(read[i]))) ++i;
    if (i + 2 <= read.size() && read[i] == 'E' && read[i + 1] == 'I' &&
        (i + 2 == read.size() || !IsRegular(static_cast<unsigned char>(read[i + 2]))))
      return i + 2;
    return std::string::npos;
  };

  // Small images are the common case: read a little first, more as needed,
  // so that little goes back to the stream afterwards.
  std::string read;
  char chunk[65536];
  size_t chunkSize = 128;
  auto more = [&]() {
    size_t n = stm.Read(chunk, chunkSize);
    read.append(chunk, n);
    if (chunkSize < sizeof chunk) chunkSize *= 2;
    return n > 0;
  };

  if (filter.isNull()) {
    long long length = UnfilteredLength(image.dict, resources);
    if (length >= 0) {
      while (read.size() < static_cast<size_t>(length) + 64 && more()) {
      }
      if (read.size() >= static_cast<size_t>(length)) {
        size_t end = eiAfter(read, static_cast<size_t>(length));
        if (end != std::string::npos) return finishAt(static_cast<size_t>(length), end, read);
      }
    }
  } else if (outer == "/ASCIIHexDecode" || outer == "/ASCII85Decode") {
    const char* eod = outer == "/ASCIIHexDecode" ? ">" : "~>";
    // Each time, only what is new (and the marker's first byte before it)
    // is looked at.
    size_t at, from = 0;
    while ((at = read.find(eod, from)) == std::string::npos) {
      from = read.size() > 0 ? read.size() - 1 : 0;
      if (!more()) break;
    }
    if (at != std::string::npos) {
      size_t dataEnd = at + std::strlen(eod);
      while (read.size() < dataEnd + 64 && more()) {
      }
      size_t end = eiAfter(read, dataEnd);
      if (end != std::string::npos) return finishAt(dataEnd, end, read);
    }
  }
  // Otherwise search: the first "EI" after white space that is followed by
  // what looks like content. Data may hold "EI" itself.
  size_t from = 0;
  for (;;) {
    size_t at = read.find("EI", from);
    if (at == std::string::npos) {
      from = read.size() > 2 ? read.size() - 2 : 0;
      if (!more()) return false;
      continue;
    }
    while (read.size() < at + 2 + 64 && more()) {
    }
    bool precededByWhite = at > 0 && IsWhite(static_cast<unsigned char>(read[at - 1]));
    std::string after = read.substr(at + 2, 64);
    bool atEnd = read.size() == at + 2;
    if (precededByWhite && PlausibleAfter(after, atEnd)) return finishAt(at - 1, at + 2, read);
    from = at + 1;
  }
}

ASInt32 PDReadContentTokenImpl(ASStm stm, PDToken* token) {
  Enter(TableId::PDModel, PDModelSel::ReadContentToken);
  if (!token) Raise(genErrBadParm);
  size_t n = ReadToken(StmOf(stm), *token);
  return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<ASInt32>(n);
}

CosObj PDReadInlineImageImpl(ASStm stm, CosObj resources, CosDoc d, ASInt32* consumed) {
  Enter(TableId::PDModel, PDModelSel::ReadInlineImage);
  if (consumed) *consumed = 0;
  Doc& doc = DocOf(d);
  QPDFObjectHandle res = Resolve(resources);
  InlineImage image;
  bool ok;
  try {
    ok = ReadInlineImage(StmOf(stm), res, image);
  } catch (const ASHostRaise&) {
    throw;
  } catch (...) {
    ok = false;
  }
  if (!ok) {
    SetFailureDetail("the inline image could not be read");
    Raise(cosErrBadSyntax);
  }
  if (consumed) *consumed = static_cast<ASInt32>(image.consumed);
  try {
    // A temporary stream of the image's dictionary and data; the caller
    // destroys it when done.
    QPDFObjectHandle s = NewTemporaryStream(doc);
    s.replaceDict(image.dict);
    s.replaceStreamData(image.data, QPDFObjectHandle(), QPDFObjectHandle());
    // Its parts, whose handles go with it: the dictionary and what it holds.
    std::vector<const void*>& parts = doc.temporaries[s.getObjectID()];
    std::vector<QPDFObjectHandle> open{s.getDict()};
    while (!open.empty()) {
      QPDFObjectHandle part = open.back();
      open.pop_back();
      parts.push_back(part.getObjectPtr());
      if (part.isArray()) {
        for (QPDFObjectHandle& item : part.getArrayAsVector())
          if (!item.isIndirect()) open.push_back(item);
      } else if (part.isDictionary()) {
        for (const std::string& key : part.getKeys())
          if (!part.getKey(key).isIndirect()) open.push_back(part.getKey(key));
      }
    }
    return doc.Wrap(s);
  } catch (...) {
    RaiseFromCurrentException();
  }
}

}  // namespace host
