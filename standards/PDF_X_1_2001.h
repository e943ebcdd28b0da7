// The PDF/X-1 family: its common base, never registered by itself, and the
// standard PDF/X-1a:2001. Both are checked with one set of operations; the
// rule tree is rebuilt from the settings on the prototype at every clone.
#pragma once
#include <string>

#include <boost/shared_ptr.hpp>

#include "engine/Conformance.h"

namespace Zentu {

class PDF_X_1_2001 : public Conformance {
 public:
  PDF_X_1_2001();
  ~PDF_X_1_2001() override;

  // Rebuilds this standard's rules, then copies it: the copy shares the
  // rule list, the key table and every fixer. Null when out of memory.
  Conformance* Clone() override;
  // The reference conditions for CMYK printing; empty before the first build.
  std::string GetConditionNamesPattern() const override;
  CheckResult CheckOperator(PDFXPreflight& walker, int objectKind, const char* op,
                            const boost::shared_ptr<ObjectNode>& objectNode,
                            const boost::shared_ptr<ObjectNode>& containerNode) override;
  bool CheckPageBoxes(PDFXPreflight& walker, const boost::shared_ptr<ObjectNode>& page,
                      const boost::shared_ptr<ObjectNode>& artBox, const boost::shared_ptr<ObjectNode>& bleedBox,
                      const boost::shared_ptr<ObjectNode>& cropBox, const boost::shared_ptr<ObjectNode>& mediaBox,
                      const boost::shared_ptr<ObjectNode>& trimBox) override;
  // Only fonts and embedded files must be embedded.
  bool WantsKindCheck(PDFXPreflight& walker, int objectKind) override;
  // Every fixer made anew, the page markers reset, the key table and the
  // rule tree behind the base's workflow rules.
  bool BuildRules() override;

  // Tests that the rule trees name; they file their own records with this
  // family's fixers (none when the standard of the check is another).
  static int TestAnnotation(RuleContext* context, CheckResult* result);
  static int TestAction(RuleContext* context, CheckResult* result);
  static int TestTrapNet(RuleContext* context, CheckResult* result);
  static bool IsUsableAction(const MyCosObj& object);

  boost::shared_ptr<Fixer> artBoxFixer;
  boost::shared_ptr<Fixer> conformanceFixer;  // writes "GTS_PDFXConformance"
  boost::shared_ptr<Fixer> trappedFixer;
  boost::shared_ptr<Fixer> outputIntentFixer;
  boost::shared_ptr<Fixer> annotationFixer;
  boost::shared_ptr<Fixer> actionFixer;
  boost::shared_ptr<Fixer> destOutputProfileFixer;
  int defaultGrayPage;  // the page "TestDefaultGray" last ran on, -1 for none
  int defaultCMYKPage;

 private:
  // The output-intent and destination-profile fixers for the condition
  // the settings choose.
  void MakeOutputIntentFixers();
  // The key table's entries, the conformance fixer being made.
  void AddKeySettings();
  void AddRuleTree();
};

class PDF_X_1a_2001 : public PDF_X_1_2001 {
 public:
  PDF_X_1a_2001();
  ~PDF_X_1a_2001() override;
  Conformance* Clone() override;
};

}  // namespace Zentu
