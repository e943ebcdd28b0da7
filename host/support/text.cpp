// The "ASExtra" table: host text objects. Their 8-bit form (encoding 0) is
// one character a byte; their Unicode form is UTF-16.
#include <map>
#include <memory>

#include "dialogs/internal.h"

namespace host {
namespace {

struct TextRec {
  std::u16string unicode;
};

std::map<ASText, std::unique_ptr<TextRec>>& Texts() {
  static auto* texts = new std::map<ASText, std::unique_ptr<TextRec>>;
  return *texts;
}

#define ENTER(sel) Enter(TableId::ASExtra, ASExtraSel::sel)

ASText ASTextFromEncodedImpl(const char* text, ASInt32 encoding) {
  ENTER(TextFromEncoded);
  if (encoding != kASTextEncodingByte) Raise(genErrBadParm);
  auto rec = std::make_unique<TextRec>();
  rec->unicode = Utf16FromBytes(text ? text : "");
  ASText handle = reinterpret_cast<ASText>(rec.get());
  Texts()[handle] = std::move(rec);
  return handle;
}

void ASTextDestroyImpl(ASText text) {
  ENTER(TextDestroy);
  if (text && !Texts().erase(text)) Raise(genErrBadHandle);
}

const ASUns16* ASTextGetUnicodeImpl(ASText text) {
  ENTER(TextGetUnicode);
  auto it = Texts().find(text);
  if (it == Texts().end()) Raise(genErrBadHandle);
  static_assert(sizeof(char16_t) == sizeof(ASUns16), "UTF-16 units");
  return reinterpret_cast<const ASUns16*>(it->second->unicode.c_str());
}

ASText ASTextNewImpl() {
  ENTER(TextNew);
  auto rec = std::make_unique<TextRec>();
  ASText handle = reinterpret_cast<ASText>(rec.get());
  Texts()[handle] = std::move(rec);
  return handle;
}

TextRec& TextOf(ASText text) {
  auto it = Texts().find(text);
  if (it == Texts().end()) Raise(genErrBadHandle);
  return *it->second;
}

void ASTextSetUnicodeImpl(ASText text, const ASUns16* units, ASInt32 format) {
  ENTER(TextSetUnicode);
  const ASInt32 bigEndian = 0, hostOrder = 1;
  if (format != bigEndian && format != hostOrder) Raise(genErrBadParm);
  TextRec& rec = TextOf(text);
  std::u16string value;
  for (const ASUns16* p = units; p && *p; ++p) {
    ASUns16 unit = *p;
    if (format == bigEndian) {
      const auto* bytes = reinterpret_cast<const ASUns8*>(p);
      unit = static_cast<ASUns16>(bytes[0] << 8 | bytes[1]);
    }
    value += static_cast<char16_t>(unit);
  }
  rec.unicode = std::move(value);
}

void ASTextSetEncodedImpl(ASText text, const char* bytes, ASInt32 encoding) {
  ENTER(TextSetEncoded);
  if (encoding != kASTextEncodingByte) Raise(genErrBadParm);
  TextOf(text).unicode = Utf16FromBytes(bytes ? bytes : "");
}

void ASTextMakeEmptyImpl(ASText text) {
  ENTER(TextMakeEmpty);
  TextOf(text).unicode.clear();
}

void AppendUtf8(std::string& out, ASUns32 c) {
  if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  }
  out += static_cast<char>(0x80 | (c & 0x3F));
}

}  // namespace

std::string TextBytes(ASText text) {
  auto it = Texts().find(text);
  if (it == Texts().end()) Raise(genErrBadHandle);
  static_assert(sizeof(char16_t) == sizeof(ASUns16), "UTF-16 units");
  return BytesFromUtf16(reinterpret_cast<const ASUns16*>(it->second->unicode.c_str()));
}

std::u16string Utf16FromBytes(const std::string& bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) out += static_cast<char16_t>(c);
  return out;
}

// The inverse of BytesFromUtf16: a UTF-8 sequence of a character from
// U+0100 up is that character (two units above U+FFFF); every other byte is
// the unit it stands for.
std::u16string Utf16FromHostBytes(const std::string& bytes) {
  std::u16string out;
  for (size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    size_t n = b >= 0xF0 ? (b < 0xF5 ? 4 : 1) : b >= 0xE0 ? 3 : b >= 0xC4 ? 2 : 1;
    ASUns32 c = n == 4 ? b & 0x07 : n == 3 ? b & 0x0F : b & 0x1F;
    bool sequence = n > 1 && i + n <= bytes.size();
    for (size_t k = 1; sequence && k < n; ++k) {
      const auto t = static_cast<unsigned char>(bytes[i + k]);
      sequence = (t & 0xC0) == 0x80;
      c = c << 6 | (t & 0x3F);
    }
    sequence = sequence && c >= 0x100 && c < 0x110000 && (n != 3 || (c >= 0x800 && (c < 0xD800 || c >= 0xE000))) &&
               (n != 4 || c >= 0x10000);
    if (!sequence) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += n;
  }
  return out;
}

// Units below 0x100 are the bytes they stand for, so a text made from bytes
// comes back byte for byte; other characters come back as UTF-8, and a lone
// surrogate as U+FFFD.
std::string BytesFromUtf16(const ASUns16* text) {
  std::string out;
  for (const ASUns16* p = text; p && *p; ++p) {
    ASUns32 c = *p;
    if (c < 0x100) {
      out += static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
      ++p;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

void InitASExtraTable() {
  HFT t = NewTable(ASEXTRA_HFT_NAME, HFT_VERSION(5, 0), ASExtraSel::Last);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(t, ASExtraSel, AS##name##Impl, name, ret, params);
  HOST_ASEXTRA_PROCS(FILL)
#undef FILL
  Publish(t);
}

}  // namespace host

namespace hosttest {
int LiveTexts() { return static_cast<int>(host::Texts().size()); }
}  // namespace hosttest
