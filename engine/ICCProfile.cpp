#include "engine/ICCProfile.h"

#include <cstring>
#include <vector>

#include <boost/make_shared.hpp>

#include "common/HostCall.h"
#include "common/MyCosDoc.h"
#include "engine/ErrorNames.h"
#include "engine/Fixers.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"
#include "engine/PDFX_Error.h"
#include "engine/Scopes.h"
#include "host/calls.h"
#include "host/errors.h"
#include "host/frame.h"
#include "icc/icc.h"
#include "icc/icc_memory.h"

namespace Zentu {

namespace {

const size_t kPiece = 4096;
// A profile's size is a 32-bit number; a longer file or stream holds none.
const uint64_t kMaxProfile = 0xFFFFFFFFu;
// Read in place of empty data, which must still fail as a profile.
const unsigned char kNoData[1] = {0};

const char* const kAToB[3] = {"A2B0", "A2B1", "A2B2"};
const char* const kBToA[3] = {"B2A0", "B2A1", "B2A2"};

bool SameObject(const boost::shared_ptr<ObjectNode>& held, const boost::shared_ptr<ObjectNode>& given) {
  return held && given && held->object.Equal(given->object);
}

const unsigned char* BlockOf(const std::string& data) {
  return data.empty() ? kNoData : reinterpret_cast<const unsigned char*>(data.data());
}

}  // namespace

ICCProfile::ICCProfile(const boost::shared_ptr<ObjectNode>& profileNode,
                       const boost::shared_ptr<ObjectNode>& colorSpaceNode) {
  Reset();
  SetSource(profileNode, colorSpaceNode);
}

ICCProfile::~ICCProfile() { DropProfile(); }

void ICCProfile::DropProfile() {
  if (profile_) profile_->del(profile_);
  profile_ = nullptr;
}

void ICCProfile::Reset() {
  DropProfile();
  readFailed_ = false;
  fileError_ = 0;
}

bool ICCProfile::SetSource(const boost::shared_ptr<ObjectNode>& profileNode,
                           const boost::shared_ptr<ObjectNode>& colorSpaceNode) {
  if (!SameObject(profileNode_, profileNode)) profileNode_ = profileNode;
  if (!SameObject(colorSpaceNode_, colorSpaceNode)) colorSpaceNode_ = colorSpaceNode;
  if (!profileNode_) return false;
  return LoadFromStream(profileNode_->object);
}

bool ICCProfile::LoadFromStream(const MyCosObj& stream) {
  std::string data;
  bool hostFailed = stream.CachedType() != CosStream;
  if (!hostFailed) {
    try {
      ASStm stm = stream.OpenStm(cosOpenFiltered);
      StreamCloser closer(stm);
      std::vector<char> piece(kPiece);
      hostFailed = HostRegion([&] {
                     for (;;) {
                       ASSize_t got = ASStmRead(piece.data(), 1, kPiece, stm);
                       if (got == 0 || got > kPiece) break;
                       data.append(piece.data(), got);
                       if (data.size() > kMaxProfile) break;
                     }
                   }).raised;
    } catch (const AcrobatException&) {
      hostFailed = true;  // the decoded data is past the host's cap, or cannot be had
    }
  }
  if (hostFailed || data.size() > kMaxProfile) {
    DropProfile();
    readFailed_ = true;
    return false;
  }
  if (!ReadFromMemory(BlockOf(data), static_cast<uint32_t>(data.size()))) return false;
  stream_ = stream;
  if (!profileNode_) profileNode_ = boost::make_shared<ObjectNode>(stream, 0, std::string());
  return true;
}

bool ICCProfile::ReadFromMemory(const unsigned char* data, uint32_t size) {
  if (!data) return false;
  DropProfile();
  // A good read replaces whatever failed before, so that a repaired profile
  // no longer counts as unreadable.
  readFailed_ = false;
  fileError_ = 0;
  profile_ = new_icc();
  if (!profile_ || icc_read_memory(profile_, data, size) != 0) readFailed_ = true;
  return !readFailed_;
}

bool ICCProfile::LoadFromFile(const std::string& path) {
  std::string data;
  ASPathName pathName = nullptr;
  ASFile file = nullptr;
  ASErrorCode opened = 0;
  bool whole = false;
  HostRegionResult r = HostRegion([&] {
    ASFileSys fs = ASGetDefaultFileSys();
    pathName = ASFileSysCreatePathName(fs, ASAtomFromString("Cstring"), path.c_str(), nullptr);
    opened = ASFileSysOpenFile(fs, pathName, ASFILE_READ, &file);
    if (opened != 0) return;
    const ASFilePos64 length = ASFileGetEOF(file);
    if (length < 0 || static_cast<uint64_t>(length) > kMaxProfile) return;
    ASFileSetPos(file, 0);
    std::vector<char> piece(kPiece);
    while (data.size() < static_cast<uint64_t>(length)) {
      const uint64_t left = static_cast<uint64_t>(length) - data.size();
      ASSize_t got = ASFileRead(file, piece.data(), static_cast<ASSize_t>(left < kPiece ? left : kPiece));
      if (got == 0 || got > kPiece) return;  // shorter than it said: unreadable
      data.append(piece.data(), got);
    }
    whole = true;
  });
  if (file) HostCallQuietly([&] { ASFileClose(file); });
  if (pathName) HostCallQuietly([&] { ASFileSysReleasePath(ASGetDefaultFileSys(), pathName); });
  if (r.raised) {
    fileError_ = r.code ? r.code : fileErrRead;
  } else if (opened != 0) {
    fileError_ = opened;
  } else {
    fileError_ = whole ? 0 : fileErrRead;  // too long for a profile, or shorter than it said
  }
  if (fileError_ != 0) {
    DropProfile();
    readFailed_ = true;
    return false;
  }
  return ReadFromMemory(BlockOf(data), static_cast<uint32_t>(data.size()));
}

std::string ICCProfile::GetErrorText() const {
  if (profile_) return profile_->error_text;
  if (fileError_ == 0) return std::string();
  char text[200] = {};
  HostCallQuietly([&] { ASGetErrorString(fileError_, text, sizeof text); });
  text[sizeof text - 1] = 0;
  return text;
}

bool ICCProfile::Readable() const { return profile_ && profile_->header && !readFailed_; }

int32_t ICCProfile::GetDeviceClass() const {
  return Readable() ? static_cast<int32_t>(profile_->header->deviceClass) : -1;
}

int32_t ICCProfile::GetColorSpace() const {
  return Readable() ? static_cast<int32_t>(profile_->header->colorSpace) : -1;
}

bool ICCProfile::GetDescriptionTag(std::string& text) const {
  if (!Readable() || profile_->find_tag(profile_, icmSig("desc")) != 0) return false;
  icmBase* tag = profile_->read_tag(profile_, icmSig("desc"));
  // A 'desc' entry may name another type; only the text description has one.
  if (!tag || tag->tag_type != icmSig("desc")) return false;
  const icmTextDescription* desc = static_cast<const icmTextDescription*>(tag);
  if (!desc->desc || desc->size == 0) return false;
  const size_t length = strnlen(desc->desc, desc->size);
  if (length == 0) return false;
  text.assign(desc->desc, length);
  return true;
}

bool ICCProfile::FindTag(const char* const sigs[3], int& index) const {
  if (!Readable()) return false;
  index = -1;
  for (int i = 0; i < 3; ++i) {
    const uint32_t sig = str2tag(sigs[i]);
    // find_tag first: asking read_tag for a missing tag would leave its message.
    if (profile_->find_tag(profile_, sig) != 2 && profile_->read_tag(profile_, sig)) {
      index = i;
      return true;
    }
  }
  return false;
}

bool ICCProfile::FindAToBTag(int& index) const { return FindTag(kAToB, index); }

bool ICCProfile::FindBToATag(int& index) const { return FindTag(kBToA, index); }

bool ICCProfile::WriteToCosStream() {
  if (!profile_ || !profileNode_ || !colorSpaceNode_) return false;
  MyCosObj space = colorSpaceNode_->object;
  const MyCosObj old = profileNode_->object;
  if (old.CachedType() != CosStream) return false;
  // An ICCBased array, or an output intent whose destination profile it is.
  const bool intent = space.CachedType() == CosDict;
  if (intent ? !space.Get("DestOutputProfile").Equal(old)
             : space.CachedType() != CosArray || space.Length() < 2 || !space.Get(1).Equal(old))
    return false;

  const unsigned int size = profile_->get_size(profile_);
  if (size == 0) return false;
  std::vector<unsigned char> block(size);  // zero-filled: padding is written as it stands
  if (icc_write_memory(profile_, block.data(), size) != 0) return false;

  const MyCosDoc doc = old.GetDoc();
  MyCosObj dict = old.Dict().Copy(doc, 0);
  MyCosObj filter;
  if (!filter.NewName(doc, 0, "FlateDecode")) return false;
  dict.Put("Filter", filter);
  dict.Remove("DecodeParms");

  ASStm memory = nullptr;
  HostCall("ICCProfile::WriteToCosStream",
           [&] { memory = ASMemStmRdOpen(reinterpret_cast<const char*>(block.data()), size); });
  MyCosObj made;
  {
    StreamCloser closer(memory);
    made.NewStream(doc, 1, memory, 0, 0, dict, MyCosObj(), static_cast<ASInt32>(size));
  }
  if (intent)
    space.Put("DestOutputProfile", made);
  else
    space.Put(1, made);
  profileNode_->Init(made, KIND_ICC_PROFILE, std::string());
  stream_ = made;
  return true;
}

bool ICCProfile::ReplaceWithBuiltIn() {
  if (!profileNode_ || profileNode_->object.CachedType() != CosStream) return false;
  const MyCosObj components = profileNode_->object.Get("N");
  if (components.CachedType() != CosInteger) return false;
  const long n = static_cast<long>(components);
  if (n != 1 && n != 4) return false;
  uint32_t size = 0;
  const unsigned char* bytes = LoadProfileResource(n == 1 ? 0 : 1, size);
  return bytes && ReadFromMemory(bytes, size);
}

bool ICCProfile::TestForPDFX(const std::string& standardName, PDFXPreflight* walker) {
  auto file = [&](const char* message, int severity, int problem, const boost::shared_ptr<Fixer>& fixer) {
    if (!walker) return;
    boost::shared_ptr<PDFX_Error> record = walker->AddNodeError(message, std::string(), severity, KIND_ICC_PROFILE,
                                                                problem, colorSpaceNode_, profileNode_);
    if (record && fixer) record->AttachFixer(fixer);
  };
  if (!Readable()) {
    file("ICC profile can't be read", AUTOFIX_ERROR, PROBLEM_WRONG_TYPE, GlobalFixers::ReplaceProfile());
    return false;
  }
  if (standardName == "PDF/X-1a:2001" && !HasColorimetricTable()) {
    file("ICC profile does not contain an AtoB1 tag", UNFIXABLE_ERROR, PROBLEM_MISSING, nullptr);
    return false;
  }
  if (standardName == "PDF/X-3" && !IsOutputProfile()) {
    file("ICC profile is not an output device profile", UNFIXABLE_ERROR, PROBLEM_INVALID, nullptr);
    return false;
  }
  return true;
}

bool ICCProfile::HasColorimetricTable() const {
  const uint32_t colorimetric = icmSig("A2B1");
  return profile_->find_tag(profile_, colorimetric) != 2 && profile_->read_tag(profile_, colorimetric);
}

bool ICCProfile::IsOutputProfile() const { return profile_->header->deviceClass == icmSig("prtr"); }

bool ICCProfile::MeetsStandard(const std::string& standardName) const {
  if (!profile_ || !profile_->header) return false;
  if (standardName == "PDF/X-1a:2001") return HasColorimetricTable();
  if (standardName == "PDF/X-3") return IsOutputProfile();
  return true;
}

const unsigned char* LoadProfileResource(int index, uint32_t& size) {
  size = 0;
  if (index != 0 && index != 1) return nullptr;
  const ASInt32 number = index == 0 ? 110 : 112;
  const void* bytes = nullptr;
  ASUns32 length = 0;
  HostCallQuietly([&] {
    WinModule module = WinModuleHandle(reinterpret_cast<const void*>(&LoadProfileResource));
    WinResource found = WinFindResource(module, number, "ICCPROFILE");
    WinResourceData loaded = found ? WinLoadResource(module, found) : nullptr;
    if (!loaded) return;
    bytes = WinLockResource(loaded);
    length = WinSizeofResource(module, found);
  });
  if (!bytes || length == 0) return nullptr;
  size = length;
  return static_cast<const unsigned char*>(bytes);
}

}  // namespace Zentu
