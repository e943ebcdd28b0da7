// The ICC profiles offered per colour family, as the preference store keeps
// them, and what is known of each profile.
#pragma once
#include <cstdint>
#include <list>
#include <map>
#include <string>

#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"

// One profile and the facts read from it: a profile file offered in the
// settings or named by a printing condition, or the profile stream of an
// output intent.
struct OutputIntentRecord {
  OutputIntentRecord() { Reset(); }

  // Reads the profile of `stream` (a null stream reads as nothing); the
  // facts are stored only when it was read.
  bool ReadProfile(const MyCosObj& stream);
  // Reads the profile file at `path` (as it stands) and keeps the path; when
  // it cannot be read, the reason goes into the extra text. An empty path
  // reads nothing.
  bool LoadFile(const std::string& path);
  // Signatures and indexes -1, the flags false, the extra text empty; the
  // file and description stay.
  void Reset();

  std::string file;         // the profile's file name
  int32_t colorSpace = -1;  // header signature, -1 until read
  int32_t deviceClass = -1;
  std::string description;  // the 'desc' text, or the name stored in the settings
  bool hasAToB = false;     // one of A2B0, A2B1, A2B2
  bool hasBToA = false;     // one of B2A0, B2A1, B2A2
  int aToBIndex = -1;       // the first of them present, 0 to 2
  int bToAIndex = -1;
  bool hasProfile = false;  // a profile file or stream was given
  bool read = false;        // the profile was read
  std::string extraText;    // why it was not
};

// One profile offered in a family.
struct ProfileEntry {
  enum Family { GRAY = 0, RGB = 1, CMYK = 2, OTHER = 3 };

  // Reads the profile file of a record that was only named in the
  // settings, once; the family follows its colour space.
  ProfileEntry(const std::string& entryName, const boost::shared_ptr<OutputIntentRecord>& entryRecord, bool entryFlag);

  std::string name;
  boost::shared_ptr<OutputIntentRecord> record;
  int family = OTHER;
  bool flag;
  std::string description;
};

// The profile lists of the four families (default, gray, RGB, CMYK), each
// kept under three keys of the plug-in's own preference section: the chosen
// profile, the names and the file names ("|" between the items).
class ProfileSettings {
 public:
  static const int kFamilies = 4;
  typedef std::list<boost::shared_ptr<OutputIntentRecord>> RecordList;

  // Refills every family's list from the settings; a name already indexed
  // takes the newer record. Always true.
  bool Load();
  // Writes every family's names, file names and chosen profile. A record
  // whose description or file is empty or holds "|" cannot be read back in
  // pairs: it is left out and the answer is false.
  bool Save();
  // Empties family `family`'s list; false for a family that does not exist.
  bool ClearFamily(int family);

  std::map<std::string, boost::shared_ptr<OutputIntentRecord>> nameIndex;
  RecordList families[kFamilies];
  std::string chosen[kFamilies];
};
