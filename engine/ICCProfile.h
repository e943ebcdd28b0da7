// One ICC profile of a PDF stream, as the checks see it: the header's
// device class and colour space and the 'desc' text. Made for one call and
// destroyed afterwards; a profile that cannot be read is remembered as
// unreadable, never thrown.
#pragma once
#include <cstdint>
#include <string>

#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"

struct icc;
class ObjectNode;
class PDFXPreflight;
struct OutputIntentRecord;

namespace Zentu {

class Conformance;

class ICCProfile {
 public:
  // Loads the profile of `profileNode`'s stream, if any. `containerNode` is
  // the node of the object that names the stream, `colorSpace` the colour
  // space that holds it; either may be empty.
  ICCProfile(const boost::shared_ptr<ObjectNode>& profileNode, const boost::shared_ptr<ObjectNode>& containerNode,
             const MyCosObj& colorSpace);
  virtual ~ICCProfile();
  ICCProfile(const ICCProfile&) = delete;
  ICCProfile& operator=(const ICCProfile&) = delete;

  // Files a record through `walker` for each requirement of the standard the
  // profile misses; true when it filed none.
  bool TestForPDFX(const std::string& standardName, PDFXPreflight* walker, Conformance* standard);
  // Drops the held profile and clears the flags.
  void Reset();
  // Reads the stream's decoded data and parses it; false, without throwing,
  // when no profile could be read.
  bool LoadFromStream(const MyCosObj& stream);
  // Header signatures of the held profile; -1 when none was read.
  int32_t GetDeviceClass() const;
  int32_t GetColorSpace() const;
  // The ASCII text of the 'desc' tag; false (text untouched) when there is none.
  bool GetDescriptionTag(std::string& text) const;
  // Fills the record's signatures and description from the profile file it
  // names and marks it read; false when the file holds no readable profile.
  static bool FromStream(OutputIntentRecord& record);

  bool ReadFailed() const { return readFailed_; }
  bool HasProfile() const { return profile_ != nullptr; }

 private:
  // Parses a whole profile held in memory.
  bool ReadFromMemory(const std::string& data);
  bool LoadFromFile(const std::string& path);

  boost::shared_ptr<ObjectNode> profileNode_;
  boost::shared_ptr<ObjectNode> containerNode_;
  MyCosObj colorSpace_;
  icc* profile_ = nullptr;  // owned
  bool readFailed_ = false;
};

}  // namespace Zentu
