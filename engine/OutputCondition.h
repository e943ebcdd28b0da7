// Reference printing conditions and a standard's per-family choice of them.
#pragma once
#include <list>
#include <map>
#include <string>

#include <boost/shared_ptr.hpp>

// What is known of a condition's ICC profile; the profile code fills the
// fields after the identifier.
struct OutputConditionProfile {
  OutputConditionProfile(const std::string& profilePath, const std::string& conditionId)
      : path(profilePath), identifier(conditionId) {}

  std::string path;
  int colorSpace = -1;   // header signature, -1 until read
  int deviceClass = -1;  // header signature, -1 until read
  std::string identifier;
  bool hasProfile = false;
  bool read = false;
  std::string description;
};

struct OutputCondition {
  OutputCondition(const std::string& id, const boost::shared_ptr<OutputConditionProfile>& prof, int conditionKind,
                  bool isReference, const std::string& text)
      : identifier(id), profile(prof), kind(conditionKind), reference(isReference), description(text) {}

  std::string identifier;  // as registered, e.g. "CGATS TR 001"
  boost::shared_ptr<OutputConditionProfile> profile;
  int kind;        // 2 CMYK printing conditions, 1 the RGB one
  bool reference;  // one of the built-in reference conditions
  std::string description;
};

typedef std::map<std::string, boost::shared_ptr<OutputCondition>> OutputConditionMap;

// Per family (1 Gray, 2 RGB, 3 CMYK; 0 unused by the callers): the known
// conditions and the name of the one chosen (empty = none).
struct OutputConditionSet {
  static const int kFamilies = 4;

  OutputConditionMap conditions;
  std::list<boost::shared_ptr<OutputCondition>> families[kFamilies];
  std::string chosen[kFamilies];
};
