// The trailer step: the trailer dictionary as written at the file's tail,
// parsed through a small temporary PDF file (TrailerFile.h), its Encrypt
// dictionary checked against the standard and its Size looked for. The
// host's object layer shows the trailer only as it keeps it; the standards'
// rules are about the one written.
#include <algorithm>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Prefs.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/Fixers.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"
#include "engine/TrailerFile.h"
#include "host/errors.h"
#include "host/frame.h"

namespace {

const char kWhere[] = "PDFXPreflight::ReadTrailerFromFile";
const char kCreateWhere[] = "PDFXPreflight::CreateTrailerTempFile";
const char kTempPrefix[] = "ZentuPDFXPlugin";
const char kOpenFailed[] = "There was an error opening the temporary file while trying to parse the Trailer dictionary";
const char kParseFailed[] = "There was an error parsing the Trailer dictionary";
const char kStreamFeature[] = "Cross-reference streams are a PDF 1.5 feature";
const char kDamaged[] = "The file's cross-reference data is damaged";

template <class Body>
void HostCall(const char* where, Body&& body) {
  HostRegionResult r = HostRegion(std::forward<Body>(body));
  if (r.raised) throw Zentu::AcrobatException(-1, r.code, where);
}

// The temporary file, made once with a name no one else can hold, and the
// document opened from it: both are gone when this goes, however the step
// ends.
class TempTrailerFile {
 public:
  TempTrailerFile() = default;
  TempTrailerFile(const TempTrailerFile&) = delete;
  TempTrailerFile& operator=(const TempTrailerFile&) = delete;
  ~TempTrailerFile() {
    CloseDocument();
    if (!path_) return;
    ASFileSys fileSys = nullptr;
    HostRegion([&] {
      fileSys = ASGetDefaultFileSys();
      ASFileSysRemoveFile(fileSys, path_);
    });
    HostRegion([&] { ASFileSysReleasePath(fileSys, path_); });
  }

  // False when no temporary file could be made.
  bool Create() {
    std::string name = TempFileName(nullptr, kTempPrefix);
    if (name.empty()) return false;
    HostCall(kWhere, [&] {
      path_ = ASFileSysCreatePathName(ASGetDefaultFileSys(), ASAtomFromString("Cstring"), name.c_str(), nullptr);
    });
    return path_ != nullptr;
  }
  ASPathName Path() const { return path_; }
  void Hold(const MyCosDoc& doc) { doc_ = doc; }
  void CloseDocument() {
    if (!doc_.IsValid()) return;
    CosDoc doc = doc_.GetCosDoc();
    doc_ = MyCosDoc();
    HostRegion([&] { CosDocClose(doc); });
  }

 private:
  ASPathName path_ = nullptr;
  MyCosDoc doc_;
};

ASBool CollectIndirect(CosObj object, CosObj, void* clientData) {
  auto* objects = static_cast<std::vector<CosObj>*>(clientData);
  // Nothing may leave through the host's enumeration.
  try {
    objects->push_back(object);
    return true;
  } catch (...) {
    objects->clear();
    return false;
  }
}

}  // namespace

void PDFXPreflight::ReadTrailerFromFile() {
  if (!standard_) return;
  // The standards' trailer rules concern the file, not a dictionary held here.
  standard_->CheckCosObj(*this, KIND_TRAILER, MyCosObj());

  ASFile file = nullptr;
  ASFilePos64 size = 0;
  ASBool repaired = 0;
  HostCall(kWhere, [&] {
    file = PDDocGetFile(pdDoc_);
    size = ASFileGetEOF(file);
    repaired = CosDocWasRepaired(mainDoc_.GetCosDoc());
  });
  bool fromStream = false;
  std::string text;
  try {
    text = Zentu::ReadTrailerText(
        size,
        [&](ASFilePos64 pos, char* buffer, size_t count) {
          size_t got = 0;
          HostCall(kWhere, [&] {
            ASFileSetPos(file, pos);
            got = ASFileRead(file, buffer, static_cast<ASSize_t>(count));
          });
          return got;
        },
        &fromStream);
  } catch (const std::runtime_error&) {
    // The host read the damaged file by repair: its trailer is the one to check.
    if (!repaired) throw;
    CheckRepairedTrailer();
    return;
  }
  // PDF 1.3 has no cross-reference streams; the host writes a table when
  // it saves below 1.5, so saving is the repair. Shaped as the /ID record:
  // the trailer in memory is not the one written.
  if (fromStream) AddXrefStreamError();

  TempTrailerFile temp;
  MyCosDoc doc;
  bool openFailed = false;
  if (temp.Create()) {
    try {
      doc = CreateTrailerTempFile(temp.Path(), text, false);
    } catch (const Zentu::AcrobatException&) {
      try {
        doc = CreateTrailerTempFile(temp.Path(), text, true);
      } catch (const Zentu::AcrobatException&) {
        openFailed = true;
      }
    }
    temp.Hold(doc);
  }

  MyCosObj trailer = doc.IsValid() ? doc.GetObjByID(4) : MyCosObj();
  const bool sizeMissing = trailer.IsNull() || trailer.Get("Size").IsNull();
  if (repaired && (openFailed || sizeMissing)) {
    CheckRepairedTrailer();
    return;
  }
  if (openFailed) {
    AddNodeError(kOpenFailed, std::string(), PROBLEM, KIND_TRAILER, PROBLEM_GENERAL,
                 boost::shared_ptr<ObjectNode>(), boost::shared_ptr<ObjectNode>());
  }
  if (doc.IsValid()) {
    // A table that also names a cross-reference stream (a hybrid file)
    // hides objects from readers of PDF 1.4 as a stream does.
    if (!fromStream && !trailer.Get("XRefStm").IsNull()) AddXrefStreamError();
    MyCosObj encrypt = trailer.Get("Encrypt");
    // A reference to an object only the checked document has.
    ASInt32 number = CosObjIsZero(encrypt.GetCosObj()) ? -1 : encrypt.GetID();
    if (encrypt.IsNull() && number != -1) {
      temp.CloseDocument();
      doc = CreateTrailerTempFile(temp.Path(), text, true);
      temp.Hold(doc);
      if (doc.IsValid()) encrypt = doc.GetObjByID(4).Get("Encrypt");
    }
    if (!encrypt.IsNull() || number != -1) CheckTrailerEncrypt(encrypt, number);
  }
  if (sizeMissing) {
    AddNodeError(kParseFailed, std::string(), PROBLEM, KIND_TRAILER, PROBLEM_GENERAL,
                 boost::shared_ptr<ObjectNode>(), boost::shared_ptr<ObjectNode>());
  }
}

void PDFXPreflight::AddXrefStreamError() {
  AddError(MyCosObj(), MyCosObj(), kStreamFeature, "XRef", AUTOFIX_ERROR, KIND_TRAILER, PROBLEM_INVALID)
      ->AttachFixer(Zentu::GlobalFixers::JustSave());
}

void PDFXPreflight::CheckRepairedTrailer() {
  // Saving writes the cross-reference data anew, as it writes a table for a stream.
  AddError(MyCosObj(), MyCosObj(), kDamaged, "xref", AUTOFIX_ERROR, KIND_TRAILER, PROBLEM_INVALID)
      ->AttachFixer(Zentu::GlobalFixers::JustSave());
  CosObj raw{0, 0};
  HostCall(kWhere, [&] { raw = CosDocGetTrailer(mainDoc_.GetCosDoc()); });
  const MyCosObj encrypt = MyCosObj(raw).Get("Encrypt");
  if (encrypt.IsNull()) return;
  CheckTrailerEncrypt(encrypt, encrypt.IsIndirect() ? encrypt.GetID() : -1);
}

void PDFXPreflight::CheckTrailerEncrypt(const MyCosObj& encrypt, ASInt32 number) {
  // Records name the checked document's own trailer and Encrypt dictionary,
  // never objects of the temporary document, which is closed after this step.
  CosObj rawTrailer{0, 0};
  HostCall(kWhere, [&] { rawTrailer = CosDocGetTrailer(mainDoc_.GetCosDoc()); });
  MyCosObj trailer(rawTrailer);

  if (number != -1) {
    MyCosObj target = mainDoc_.GetObjByID(number);
    if (target.IsNull()) return;
    standard_->CheckDict(*this, KIND_ENCRYPT, target, trailer);
    EnterVisited(target, KIND_ENCRYPT);
    return;
  }

  // A direct dictionary, checked as it stands; nothing to enter in the map.
  if (encrypt.CachedType() != CosDict) return;
  MyCosObj own = trailer.IsNull() ? MyCosObj() : trailer.Get("Encrypt");
  if (own.CachedType() != CosDict || own.IsIndirect()) {
    // The document no longer holds it as written: check a copy it does hold,
    // made without marking the document changed.
    ASInt32 flags = 0;
    HostCall(kWhere, [&] { flags = PDDocGetFlags(pdDoc_); });
    std::exception_ptr failure;
    try {
      own = encrypt.Copy(mainDoc_, false);
    } catch (...) {
      failure = std::current_exception();
    }
    if ((flags & 1) == 0) HostCall(kWhere, [&] { PDDocClearFlags(pdDoc_, 1); });
    if (failure) std::rethrow_exception(failure);
  }
  standard_->CheckDict(*this, KIND_ENCRYPT, own, trailer);
}

MyCosDoc PDFXPreflight::CreateTrailerTempFile(ASPathName path, const std::string& trailerText, bool extended) {
  // Stand-ins for the checked document's dictionaries, so that references
  // in the trailer (such as its Encrypt entry) resolve.
  std::vector<Zentu::TrailerPlaceholder> placeholders;
  if (extended) {
    std::vector<CosObj> objects;
    HostCall(kCreateWhere, [&] { CosDocEnumIndirect(mainDoc_.GetCosDoc(), &CollectIndirect, &objects); });
    for (const CosObj& raw : objects) {
      MyCosObj object(raw);
      if (object.CachedType() != CosDict || !object.IsIndirect()) continue;
      ASInt32 number = object.GetID();
      if (number > 4) placeholders.push_back(Zentu::TrailerPlaceholder{number, object.GetGeneration()});
    }
  }
  const std::string bytes = Zentu::BuildTrailerFile(trailerText, placeholders);

  ASFile file = nullptr;
  ASErrorCode opened = 0;
  HostRegionResult r = HostRegion([&] {
    opened = ASFileSysOpenFile(ASGetDefaultFileSys(), path, ASFILE_WRITE | ASFILE_CREATE, &file);
  });
  if (r.raised || opened != 0 || !file) return MyCosDoc();
  ASSize_t written = 0;
  HostRegionResult w = HostRegion([&] {
    ASFileSetPos(file, 0);
    written = ASFileWrite(file, bytes.data(), static_cast<ASSize_t>(bytes.size()));
  });
  HostRegion([&] { ASFileClose(file); });
  // A file only partly written is no better than none.
  if (w.raised || written != bytes.size()) return MyCosDoc();

  CosDoc cosDoc = nullptr;
  CosType trailerType = CosNull;
  HostRegionResult o = HostRegion([&] {
    CosDocOpenParams params{sizeof(CosDocOpenParams), 1, ASGetDefaultFileSys(), path, nullptr};
    cosDoc = CosDocOpenWithParams(&params);
    // Objects are read when first asked for, and one that does not parse
    // reads as null: a trailer text that is no dictionary fails here, as a
    // file that does not open.
    trailerType = CosObjGetType(CosDocGetObjByID(cosDoc, 4));
  });
  if (o.raised || trailerType != CosDict) {
    if (cosDoc) HostRegion([&] { CosDocClose(cosDoc); });
    throw Zentu::AcrobatException(-1, o.raised ? o.code : cosErrBadSyntax,
                                  "CosDocOpenWithParams in PDFXPreflight::CreateTrailerTempFile");
  }
  return MyCosDoc(cosDoc);
}
