// One small rule of a standard's rule tree: it tests an object (its kind, a
// key and its value, its Cos type, array elements, or a named callback),
// files an error when it fails and reports, and when it passes runs its
// child rules on the value it selects and its follow-up rules on the same
// object.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "engine/RuleContext.h"

namespace Zentu {
class Fixer;
}

class KeyRule {
 public:
  enum Kind { OBJECT_KIND = 1, OBJECT_KINDS = 2, KEY = 3, COS_TYPE = 4, ELEMENTS = 5, TEST_CALLBACK = 6 };
  enum Presence { REQUIRED = 1, PROHIBITED = 2, NO_PRESENCE = 3, RECOMMENDED = 4 };
  typedef std::pair<int, int> Range;  // [first, end); an end below 1 runs to the array's end

  explicit KeyRule(int objectKind);
  KeyRule(int presence, const std::vector<int>& objectKinds);
  KeyRule(int presence, int cosType);
  KeyRule(int presence, const std::string& keyNames, const std::string& values, char separator);
  KeyRule(int presence, Range range, const std::string& values, char separator);
  KeyRule(CheckCallback callback, const std::string& callbackName);

  // Every field back to its default; the kind stays.
  void Clear();
  // Makes the rule report: its severity, message (empty: composed) and
  // problem kind; nothing else changes.
  void SetError(int severityValue, const std::string& text, int problem);
  void SetNegate(bool on) { negate = on; }
  void SetReportOnContainer(bool on) { reportOnContainer = on; }
  void SetFixer(const boost::shared_ptr<Zentu::Fixer>& f);
  void SetCallback(CheckCallback cb, const std::string& name);
  void AddFollowUp(boost::shared_ptr<KeyRule> rule) { followUps.push_back(rule); }
  void AddChild(boost::shared_ptr<KeyRule> rule) { children.push_back(rule); }
  // Replaces the list by the pieces of the text between separators.
  static void ParseValueList(std::vector<std::string>& list, const std::string& text, char separator);

  // The rule's verdict after negation; files errors on the way.
  bool Check(RuleContext& context, CheckResult& result);
  // Builds the message for a failure with `code` and files one error.
  void Describe(RuleContext& context, int code, const std::string& text);

  bool negate;
  bool silent;  // a silent rule never files; it only gates its follow-ups and children
  bool reportOnContainer;
  int severity;
  int problemKind;  // 12: take the code of the failing test
  std::string message;
  boost::shared_ptr<Zentu::Fixer> fixer;
  int presence;
  int kind;
  int objectKind;
  std::vector<int> objectKinds;
  std::vector<int> cosTypes;
  std::vector<Range> ranges;
  std::vector<std::string> keyNames;
  std::vector<std::string> values;
  CheckCallback callback;
  std::string callbackName;  // for diagnostics only
  std::vector<boost::shared_ptr<KeyRule>> followUps;
  std::vector<boost::shared_ptr<KeyRule>> children;

 private:
  // The first of keyNames the value has, or -1.
  int FindKey(const MyCosObj& value, MyCosObj* found) const;
  // The key a kind-3 rule talks about: the one found, else the first listed.
  std::string SelectedKey(const MyCosObj& value) const;
  void CheckChildren(RuleContext& context, CheckResult& result, const MyCosObj& keyValue);
};
