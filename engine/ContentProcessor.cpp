#include "common/HostCall.h"
#include "engine/Scopes.h"
#include "engine/ContentProcessor.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "common/MyCosDoc.h"
#include "host/calls.h"
#include "host/errors.h"
#include "host/frame.h"

namespace {

// Rewritten streams are read in pieces of at most this many bytes.
const long long kChunk = 2048;


bool Listed(const std::list<std::string>& names, const char* op) {
  return std::find(names.begin(), names.end(), std::string(op)) != names.end();
}

}  // namespace

ContentProcessor::ContentProcessor(const boost::shared_ptr<PDFXPreflight>& walker, const MyCosObj& contents,
                                   const MyCosObj& resources)
    : contents_(contents), resources_(resources), walker_(walker), completion_(&ContentProcessor::Completion) {
  if (contents_.IsNull()) throw std::runtime_error("No Contents stream.");
}

ContentProcessor::~ContentProcessor() = default;

bool ContentProcessor::Run(const std::list<std::string>& names) {
  Collect(names);
  Rewrite();
  return true;
}

void ContentProcessor::Mark(ASInt32 stream, long long start, long long end) {
  // A range that begins where the last one ended joins it.
  if (!marks_.empty() && marks_.back().stream == stream && marks_.back().offset == start) {
    marks_.back().offset = end;
    return;
  }
  marks_.push_back(Position{stream, start});
  marks_.push_back(Position{stream, end});
}

void ContentProcessor::Collect(const std::list<std::string>& names) {
  marks_.clear();
  const ASInt32 count = contents_.Length();
  for (ASInt32 i = 0; i < count; ++i) {
    const MyCosObj stream = Source(i);
    // A broken element (null, a missing object) holds no content.
    if (stream.CachedType() != CosStream) continue;
    CollectStream(i, stream, names);
  }
}

void ContentProcessor::CollectStream(ASInt32 index, const MyCosObj& stream, const std::list<std::string>& names) {
  ASStm stm = nullptr;
  try {
    stm = stream.OpenStm(cosOpenFiltered);
  } catch (const Zentu::AcrobatException& e) {
    // Data that cannot be decoded was no content to the check either: it stays as it is.
    if (e.ErrorCode() != cosErrReadError) throw;
    return;
  }
  StreamCloser closer(stm);
  if (!stm) return;
  long long runStart = 0;  // where the tokens since the last operator began
  long long runLength = 0;
  PDToken token;
  for (;;) {
    ASInt32 used = 0;
    HostCall("ContentProcessor::Collect", [&] { used = PDReadContentToken(stm, &token); });
    // The end, or bytes that form no token: the check read no further either.
    if (used <= 0 || token.type == kPDTokenNone) return;
    runLength += used;
    if (token.type != kPDTokenKeyword || token.text[0] == '/') continue;

    if (std::strcmp(token.text, "BI") == 0) {
      // The image's dictionary and data up to its EI belong to the BI. It
      // is read as the check read it: without resources when there are
      // none, which only a named colour space needs.
      const CosDoc cosDoc = stream.GetDoc().GetCosDoc();
      CosObj image = MyCosObj::NullObj();
      ASInt32 consumed = 0;
      HostRegionResult r =
          HostRegion([&] { image = PDReadInlineImage(stm, resources_.GetCosObj(), cosDoc, &consumed); });
      // An image that cannot be read ends the stream, as it did for the
      // check; everything after it is kept.
      if (r.raised && r.code == cosErrBadSyntax) return;
      if (r.raised && r.code != 0) throw Zentu::AcrobatException(-1, r.code, "ContentProcessor::Collect");
      TemporaryObject temporary{MyCosObj(image)};
      runLength += consumed;
    }
    if (Listed(names, token.text)) Mark(index, runStart, runStart + runLength);
    runStart += runLength;
    runLength = 0;
  }
}

void ContentProcessor::Rewrite() {
  size_t m = 0;
  const ASInt32 count = contents_.Length();
  for (ASInt32 i = 0; i < count; ++i) {
    while (m < marks_.size() && marks_[m].stream < i) ++m;
    if (m >= marks_.size() || marks_[m].stream != i) continue;
    // This stream's positions: [m, end).
    size_t end = m;
    while (end < marks_.size() && marks_[end].stream == i) ++end;

    const MyCosObj stream = Source(i);
    std::string kept;
    {
      ASStm stm = stream.OpenStm(cosOpenFiltered);
      StreamCloser closer(stm);
      long long pos = 0;
      size_t next = m;  // even: outside a removed range; odd: inside one
      char buffer[kChunk];
      for (;;) {
        while (next < end && marks_[next].offset == pos) ++next;
        const long long chunk = next < end ? std::min(kChunk, marks_[next].offset - pos) : kChunk;
        ASSize_t got = 0;
        HostCall("ContentProcessor::Rewrite",
                 [&] { got = ASStmRead(buffer, 1, static_cast<ASSize_t>(chunk), stm); });
        if (got == 0) break;
        if ((next - m) % 2 == 0) kept.append(buffer, got);
        pos += static_cast<long long>(got);
      }
    }
    RewriteStream(i, kept);
    m = end;
  }
}

MyCosObj ContentProcessor::Source(ASInt32 index) const {
  const MyCosObj element = contents_.Get(index);
  return walker_ ? walker_->LatestVersion(element) : element;
}

void ContentProcessor::RewriteStream(ASInt32 index, const std::string& kept) {
  const MyCosObj element = contents_.Get(index);
  const MyCosObj old = Source(index);
  // Every entry stays, the filters too: the new data is encoded as the old was.
  MyCosObj dict = old.Dict().Clone();
  dict.Remove("Length");
  const MyCosDoc doc = old.GetDoc();

  ASStm memory = nullptr;
  HostCall("ContentProcessor::RewriteStream",
           [&] { memory = ASMemStmRdOpen(kept.data(), static_cast<ASSize_t>(kept.size())); });
  MyCosObj made;
  {
    StreamCloser closer(memory);
    made.NewStream(doc, 1, memory, 0, 0, dict, MyCosObj(), -1);
  }

  if (contents_.CachedType() == CosArray && !element.IsIndirect()) {
    MyCosObj array = contents_;
    array.PutAt(index, made);
    MyCosObj gone = element;
    gone.Destroy();
    return;
  }
  if (walker_) walker_->Supersede(old, made, completion_, 0);
}

void ContentProcessor::Completion(MyCosObj& old, ASInt32) { OnStreamReplaced(old); }

bool ContentProcessor::OnStreamReplaced(MyCosObj& old) {
  // The pages in view are held while the old stream goes, then told.
  std::vector<PDPage> pages;
  HostRegion([&] {
    AVDoc view = AVAppGetActiveDoc();
    if (!view) return;
    AVPageView pageView = AVDocGetPageView(view);
    PDDoc pd = AVDocGetPDDoc(view);
    if (!pageView || !pd) return;
    const ASInt32 first = AVPageViewGetFirstVisiblePageNum(pageView);
    const ASInt32 last = AVPageViewGetLastVisiblePageNum(pageView);
    for (ASInt32 n = first; n >= 0 && n <= last; ++n) pages.push_back(PDDocAcquirePage(pd, n));
  });
  // Without a view nothing is shown, so nothing needs telling.
  auto release = [&pages](bool notify) {
    for (PDPage page : pages) {
      HostRegion([&] {
        if (notify) PDPageNotifyContentsDidChange(page);
      });
      HostRegion([&] { PDPageRelease(page); });
    }
    pages.clear();
  };
  try {
    old.Destroy();
  } catch (...) {
    release(false);
    throw;
  }
  release(true);
  return true;
}
