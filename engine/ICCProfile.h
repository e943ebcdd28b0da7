// One ICC profile as the checks and fixers see it: read from a profile
// stream of the document (an ICCBased colour space's or an output intent's),
// from a file or from the built-in resources; its header, description and
// AToB/BToA tags; written back into the document as a new stream.
#pragma once
#include <cstdint>
#include <string>

#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"

struct icc;
class ObjectNode;
class PDFXPreflight;

namespace Zentu {

class ICCProfile {
 public:
  // Reads the profile of `profileNode`'s stream; `colorSpaceNode` is the
  // ICCBased array that names it. Either may be empty: a fixer makes its
  // profile without nodes and points it at each profile it repairs.
  ICCProfile(const boost::shared_ptr<ObjectNode>& profileNode, const boost::shared_ptr<ObjectNode>& colorSpaceNode);
  virtual ~ICCProfile();
  ICCProfile(const ICCProfile&) = delete;
  ICCProfile& operator=(const ICCProfile&) = delete;

  // Drops the held profile and clears the read-failed flag and file error.
  void Reset();
  // Takes the nodes (a node naming the object already held is kept) and
  // reads the profile node's stream; false without a profile node.
  bool SetSource(const boost::shared_ptr<ObjectNode>& profileNode,
                 const boost::shared_ptr<ObjectNode>& colorSpaceNode);
  // Reads the stream's decoded data; a stream the host cannot read counts
  // as unreadable, never thrown. On success the stream is kept, and a node
  // is made for it when there was no profile node.
  bool LoadFromStream(const MyCosObj& stream);
  // Reads a whole profile from memory. Null data changes nothing; any other
  // failure sets read failed, which no later read clears (only Reset).
  bool ReadFromMemory(const unsigned char* data, uint32_t size);
  // Reads a profile file; the path goes to the host as it stands. The
  // open's error code is kept for GetErrorText.
  bool LoadFromFile(const std::string& path);

  // Why the last read failed: the library's message, else the host's text
  // for the file error, else empty.
  std::string GetErrorText() const;
  // Header signatures; -1 without a readable profile.
  int32_t GetColorSpace() const;
  int32_t GetDeviceClass() const;
  // The ASCII text of the 'desc' tag; false (text untouched) when there is
  // none or it is empty.
  bool GetDescriptionTag(std::string& text) const;
  // The first of A2B0, A2B1, A2B2 (B2A0, B2A1, B2A2) present: index 0 to 2,
  // -1 and false when none is. Without a profile false, index untouched.
  bool FindAToBTag(int& index) const;
  bool FindBToATag(int& index) const;

  // Writes the held profile as a new indirect Flate-compressed stream at
  // element 1 of the ICCBased array, which must hold the profile stream
  // there; the profile node then names the new stream. The old stream is
  // left in place for the caller to hand to the walker's clean-up. False
  // and nothing changed when the array or the profile cannot take it.
  bool WriteToCosStream();
  // Replaces the held profile by the built-in one of the stream's /N (1
  // gray, 4 CMYK); false for any other /N. A read failure stays recorded.
  bool ReplaceWithBuiltIn();

  // Files a record through `walker` for each requirement of the standard
  // named (its registry name) that the profile misses; true when none.
  bool TestForPDFX(const std::string& standardName, PDFXPreflight* walker);
  // Whether the profile held would meet what TestForPDFX asks beyond being
  // read: a profile a repair is about to write (a replacement, whose own
  // read counts, whatever the profile before it).
  bool MeetsStandard(const std::string& standardName) const;

  bool ReadFailed() const { return readFailed_; }
  bool HasProfile() const { return profile_ != nullptr; }
  const MyCosObj& GetStream() const { return stream_; }
  const boost::shared_ptr<ObjectNode>& GetProfileNode() const { return profileNode_; }

 private:
  bool Readable() const;
  bool HasColorimetricTable() const;  // 'A2B1', read through the library
  bool IsOutputProfile() const;       // device class 'prtr'
  bool FindTag(const char* const sigs[3], int& index) const;
  void DropProfile();

  boost::shared_ptr<ObjectNode> profileNode_;
  boost::shared_ptr<ObjectNode> colorSpaceNode_;
  MyCosObj stream_;
  icc* profile_ = nullptr;  // owned
  bool readFailed_ = false;
  ASErrorCode fileError_ = 0;
};

// Built-in profile `index` (0 gray, 1 CMYK) from the resources of this
// module: the bytes, which belong to the module, with their count in
// `size`; null and 0 when there is none.
const unsigned char* LoadProfileResource(int index, uint32_t& size);

}  // namespace Zentu
