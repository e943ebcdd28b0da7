// The host's content-stream reader: tokens and inline images.
#pragma once
#include <string>

#include <qpdf/QPDFObjectHandle.hh>

#include "cos/docs.h"
#include "host/astypes.h"
#include "support/streams.h"

namespace host {

// Reads one token; answers the bytes consumed, white space and comments
// before the token included, or 0 at the end and on bytes that form no token
// (an unterminated string, a stray ")"). `token` is filled in either way.
// `raw`, when given, receives every byte consumed.
size_t ReadToken(Stm& stm, PDToken& token, std::string* raw = nullptr);

// A name as the file wrote it ("/Im#201") made into the name it stands for
// ("/Im 1"), as the library reads the names of resource dictionaries: a "#"
// without two hex digits is a zero byte there; "" for a name it refuses.
std::string DecodeName(const char* written);

// After "BI": reads the image's dictionary, "ID", its data and "EI". Answers
// false when the image cannot be read (the stream then ends there).
// `resources` resolves a named colour space when the data length must be
// computed.
struct InlineImage {
  QPDFObjectHandle dict;  // the keys as written (W, H, CS, F ...)
  std::string data;       // as stored, still encoded
  size_t consumed = 0;
};
bool ReadInlineImage(Stm& stm, QPDFObjectHandle resources, InlineImage& image);

ASInt32 PDReadContentTokenImpl(ASStm stm, PDToken* token);
CosObj PDReadInlineImageImpl(ASStm stm, CosObj resources, CosDoc doc, ASInt32* consumed);

}  // namespace host
