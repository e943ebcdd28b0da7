#include "engine/ICCProfile.h"

#include <sstream>
#include <vector>

#include "engine/ErrorNames.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"
#include "engine/ProfileSettings.h"
#include "host/calls.h"
#include "host/frame.h"
#include "icc/icc.h"

namespace Zentu {

namespace {

const size_t kPiece = 4096;

// Runs host calls in one frame; false when the host raised.
template <class Body>
bool Quietly(Body&& body) {
  return !HostRegion(std::forward<Body>(body)).raised;
}

}  // namespace

ICCProfile::ICCProfile(const boost::shared_ptr<ObjectNode>& profileNode,
                       const boost::shared_ptr<ObjectNode>& containerNode, const MyCosObj& colorSpace)
    : profileNode_(profileNode), containerNode_(containerNode), colorSpace_(colorSpace) {
  if (profileNode_) LoadFromStream(profileNode_->object);
}

ICCProfile::~ICCProfile() { Reset(); }

void ICCProfile::Reset() {
  if (profile_) profile_->del(profile_);
  profile_ = nullptr;
  readFailed_ = false;
}

bool ICCProfile::LoadFromStream(const MyCosObj& stream) {
  std::string data;
  bool read = false;
  try {
    if (stream.CachedType() == CosStream) {
      ASStm stm = stream.OpenStm(cosOpenFiltered);
      std::vector<char> piece(kPiece);
      read = Quietly([&] {
        for (;;) {
          ASSize_t got = ASStmRead(piece.data(), 1, kPiece, stm);
          if (got == 0) break;
          data.append(piece.data(), got);
        }
      });
      Quietly([&] { ASStmClose(stm); });
    }
  } catch (const AcrobatException&) {
    read = false;
  }
  if (!read) {
    Reset();
    readFailed_ = true;
    return false;
  }
  return ReadFromMemory(data);
}

bool ICCProfile::ReadFromMemory(const std::string& data) {
  Reset();
  profile_ = new_icc();
  if (!profile_) {
    readFailed_ = true;
    return false;
  }
  std::stringstream in(data, std::ios::in | std::ios::binary);
  // The header and directory first, then every tag, so that nothing later
  // needs the data again.
  if (profile_->read(profile_, &in, 0) != 0 || profile_->read_all_tags(profile_) != 0) readFailed_ = true;
  profile_->stream = nullptr;
  return !readFailed_;
}

bool ICCProfile::LoadFromFile(const std::string& path) {
  std::string data;
  ASPathName pathName = nullptr;
  ASFile file = nullptr;
  ASErrorCode opened = -1;
  bool read = Quietly([&] {
    ASFileSys fs = ASGetDefaultFileSys();
    pathName = ASFileSysCreatePathName(fs, ASAtomFromString("Cstring"), path.c_str(), nullptr);
    opened = ASFileSysOpenFile(fs, pathName, ASFILE_READ, &file);
    if (opened != 0) return;
    ASFilePos64 size = ASFileGetEOF(file);
    ASFileSetPos(file, 0);
    std::vector<char> piece(kPiece);
    while (static_cast<ASFilePos64>(data.size()) < size) {
      ASSize_t got = ASFileRead(file, piece.data(), kPiece);
      if (got == 0) break;  // shorter than it said: what came is all there is
      data.append(piece.data(), got);
    }
  });
  if (file) Quietly([&] { ASFileClose(file); });
  if (pathName) Quietly([&] { ASFileSysReleasePath(ASGetDefaultFileSys(), pathName); });
  if (!read || opened != 0) {
    Reset();
    readFailed_ = true;
    return false;
  }
  return ReadFromMemory(data);
}

int32_t ICCProfile::GetDeviceClass() const {
  if (!profile_ || !profile_->header || readFailed_) return -1;
  return static_cast<int32_t>(profile_->header->deviceClass);
}

int32_t ICCProfile::GetColorSpace() const {
  if (!profile_ || !profile_->header || readFailed_) return -1;
  return static_cast<int32_t>(profile_->header->colorSpace);
}

bool ICCProfile::GetDescriptionTag(std::string& text) const {
  if (!profile_ || !profile_->header || readFailed_) return false;
  if (profile_->find_tag(profile_, icmSig("desc")) != 0) return false;
  icmBase* tag = profile_->read_tag(profile_, icmSig("desc"));
  if (!tag || tag->tag_type != icmSig("desc")) return false;
  const icmTextDescription* desc = static_cast<const icmTextDescription*>(tag);
  if (!desc->desc || desc->size == 0) return false;
  text.assign(desc->desc);
  return true;
}

bool ICCProfile::TestForPDFX(const std::string&, PDFXPreflight* walker, Conformance*) {
  // What each standard requires of a profile comes with the standards; an
  // unreadable profile fails every one of them.
  if (profile_ && !readFailed_) return true;
  if (walker) {
    walker->AddNodeError("ICC profile can't be read", std::string(), AUTOFIX_ERROR, KIND_ICC_PROFILE,
                         PROBLEM_WRONG_TYPE, containerNode_, profileNode_);
  }
  return false;
}

bool ICCProfile::FromStream(OutputIntentRecord& record) {
  ICCProfile profile{boost::shared_ptr<ObjectNode>(), boost::shared_ptr<ObjectNode>(), MyCosObj()};
  if (record.file.empty() || !profile.LoadFromFile(record.file)) return false;
  record.colorSpace = profile.GetColorSpace();
  record.deviceClass = profile.GetDeviceClass();
  profile.GetDescriptionTag(record.description);
  record.read = true;
  return true;
}

}  // namespace Zentu
