// The abstract standard a document is checked against, and the process-wide
// registry that keeps one prototype of each standard under its name. A
// check never uses a prototype but a clone made by name, whose rules are
// rebuilt from the settings of that moment.
#pragma once
#include <list>
#include <set>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"
#include "engine/KeyRule.h"
#include "engine/KeyTable.h"
#include "engine/OutputCondition.h"
#include "engine/RuleContext.h"

class ObjectNode;
class PDFXPreflight;

namespace Zentu {

class Fixer;
class PDFX_Error;

class Conformance {
 public:
  typedef std::vector<boost::shared_ptr<KeyRule>> RuleList;

  Conformance();
  virtual ~Conformance();

  // Runs BuildRules on this standard, then answers a copy of it (rules,
  // key table and fixers shared) that the caller owns.
  virtual Conformance* Clone() = 0;
  // The names of the admitted printing conditions joined with "|"; empty for none.
  virtual std::string GetConditionNamesPattern() const;
  virtual const char* GetReserved() const;
  virtual OutputConditionMap& GetPrintingConditions();
  virtual bool IsColorManaged() const;
  virtual bool IsDeviceColorOnly() const;
  // Puts the profile of the output intent's condition in place of an
  // unreadable "DestOutputProfile": 2 done, 1 when the standard has none.
  virtual int ReplaceDestinationProfile(PDFXPreflight& walker, MyCosObj intent);

  // Every object the walker visits, with the node it was reached through.
  virtual CheckResult CheckNode(PDFXPreflight& walker, const boost::shared_ptr<ObjectNode>& node,
                                const boost::shared_ptr<ObjectNode>& referrer);
  virtual CheckResult CheckObjectOfKind(PDFXPreflight& walker, int objectKind,
                                        const boost::shared_ptr<ObjectNode>& node,
                                        const boost::shared_ptr<ObjectNode>& container);
  // The key table, the feature table and the rule list, in that order.
  virtual CheckResult CheckDict(PDFXPreflight& walker, int objectKind, const MyCosObj& object,
                                const MyCosObj& container);
  // CheckDict with a null container: the trailer, the Info dictionary, the catalog.
  virtual CheckResult CheckCosObj(PDFXPreflight& walker, int objectKind, const MyCosObj& object);
  // Each content-stream operator; the container node is the content stream.
  virtual CheckResult CheckOperator(PDFXPreflight& walker, int objectKind, const char* op,
                                    const boost::shared_ptr<ObjectNode>& objectNode,
                                    const boost::shared_ptr<ObjectNode>& containerNode) = 0;
  // Each page with its boxes; an empty node means the page has no such box.
  virtual bool CheckPageBoxes(PDFXPreflight& walker, const boost::shared_ptr<ObjectNode>& page,
                              const boost::shared_ptr<ObjectNode>& artBox,
                              const boost::shared_ptr<ObjectNode>& bleedBox,
                              const boost::shared_ptr<ObjectNode>& cropBox,
                              const boost::shared_ptr<ObjectNode>& mediaBox,
                              const boost::shared_ptr<ObjectNode>& trimBox) = 0;
  // Whether objects of that kind are checked for a missing embedding.
  virtual bool WantsKindCheck(PDFXPreflight& walker, int objectKind) = 0;

  // One record for one offending operator, filed at once. The object node
  // is the content's holder, the container node the content, whose list of
  // operators to remove gains the name.
  void AddOperatorError(PDFXPreflight& walker, const boost::shared_ptr<ObjectNode>& objectNode,
                        const boost::shared_ptr<ObjectNode>& containerNode, int severity, const std::string& op,
                        const boost::shared_ptr<Fixer>& fixer, DeferredTest test);
  // One summary record for a content's operators put aside (BX, EX, ri and
  // those PDF 1.3 does not know), always filed; the names join what the
  // operator remover takes out of that content.
  void CheckOperatorUsage(PDFXPreflight& walker, const boost::shared_ptr<ObjectNode>& objectNode,
                          const boost::shared_ptr<ObjectNode>& containerNode, const std::list<std::string>& names,
                          DeferredTest test);
  // The base part resets the per-check bookkeeping, empties the rule list,
  // fills the reference printing conditions once and appends the workflow
  // rules the settings switch on; every override runs it first.
  virtual bool BuildRules();

  // Adds key-table entries. An entry for a kind, class and key already
  // present overwrites its type, severity and deferred test, and its
  // message, fixer and values where the new record gives them.
  bool ParseOptions(const KeySpec* entries, int count);
  // The profile chosen for a family (0 default, 1 gray, 2 RGB, 3 CMYK) in
  // the profile settings, its name copied into `name`; empty when nothing is
  // chosen (`name` untouched) or no profile is listed under the name.
  boost::shared_ptr<OutputIntentRecord> FindOutputCondition(int family, std::string& name) const;

  // Takes ownership. False for an empty name; a name already registered
  // keeps its first standard (the new one is destroyed) and answers true.
  static bool Register(Conformance* standard);
  // A new clone of the standard registered under exactly that name, or empty.
  static boost::shared_ptr<Conformance> CreateByName(const std::string& name);
  // Registered names, in registration order.
  static const std::vector<std::string>& RegisteredNames();
  static void BuildKeyTables();
  static const FeatureTable& GetFeatureTable();

  float highestVersionF;
  double highestVersion;
  std::string name;
  ProfileSettings profileSettings;  // the profiles offered per family; Load refreshes them
  boost::shared_ptr<KeyTable> keyTable;
  boost::shared_ptr<RuleList> rules;
  bool rulesBuilt;
  boost::shared_ptr<Fixer> fixer;
  std::string text;
  int secondLimit;  // the page of the transparency record, -1 for none yet
  boost::shared_ptr<PDFX_Error> secondLimitError;  // that record
  int maxSpotColors;  // -1: no limit
  std::set<std::string> spotColorNames;
  boost::shared_ptr<PDFX_Error> spotColorError;
};

}  // namespace Zentu

// Empties the registry of standards and the feature table (module unload).
void ClearGlobalRegistries();
