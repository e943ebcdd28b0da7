// The standard PDF/X-3:2002, registered as "PDF/X-3": colour-managed, its
// rule tree rebuilt from the settings on the prototype at every clone.
#pragma once
#include <set>
#include <string>

#include <boost/shared_ptr.hpp>

#include "engine/Conformance.h"
#include "engine/PDFXPreflight.h"

namespace Zentu {

class PDF_X_3_2002 : public Conformance {
 public:
  PDF_X_3_2002();
  ~PDF_X_3_2002() override;

  // Rebuilds this standard's rules, then copies it: the copy shares the
  // rule list, the key table, every fixer and the held records. Null when
  // out of memory.
  Conformance* Clone() override;
  // Every reference condition; empty before the first build.
  std::string GetConditionNamesPattern() const override;
  bool IsColorManaged() const override;
  bool IsDeviceColorOnly() const override;
  CheckResult CheckOperator(PDFXPreflight& walker, int objectKind, const char* op,
                            const boost::shared_ptr<ObjectNode>& objectNode,
                            const boost::shared_ptr<ObjectNode>& containerNode) override;
  bool CheckPageBoxes(PDFXPreflight& walker, const boost::shared_ptr<ObjectNode>& page,
                      const boost::shared_ptr<ObjectNode>& artBox, const boost::shared_ptr<ObjectNode>& bleedBox,
                      const boost::shared_ptr<ObjectNode>& cropBox, const boost::shared_ptr<ObjectNode>& mediaBox,
                      const boost::shared_ptr<ObjectNode>& trimBox) override;
  // Every kind must be embedded.
  bool WantsKindCheck(PDFXPreflight& walker, int objectKind) override;
  // Every fixer made anew, the page markers reset, the key table and the
  // rule tree behind the base's workflow rules.
  bool BuildRules() override;

  // Tests that the rule trees name; they file their own records with this
  // standard's fixers (none when the standard of the check is another).
  static int TestAnnotation(RuleContext* context, CheckResult* result);
  static int TestAction(RuleContext* context, CheckResult* result);
  static int TestTrapNet(RuleContext* context, CheckResult* result);
  static bool IsUsableAction(const MyCosObj& object);
  // The catalog's "OutputIntents": exactly one GTS_PDFX intent.
  static int TestOutputIntentsArray(RuleContext* context, CheckResult* result);
  // An output intent against the condition the settings insist on.
  static int TestChosenOutputIntent(RuleContext* context, CheckResult* result);

  // The process colorants' names as atoms: of gray (1), RGB (2), CMYK (3),
  // and all eight (0); made by the first call.
  static const std::set<ASAtom>& ProcessColorants(int family);

  boost::shared_ptr<Fixer> artBoxFixer;
  boost::shared_ptr<Fixer> spareFixer;  // stays empty: no conformance key
  boost::shared_ptr<Fixer> trappedFixer;
  boost::shared_ptr<Fixer> outputIntentFixer;
  boost::shared_ptr<Fixer> annotationFixer;
  boost::shared_ptr<Fixer> actionFixer;
  int defaultGrayPage;  // the page "TestDefaultGray" last ran on, -1 for none
  int defaultRGBPage;
  int defaultCMYKPage;
  // The Default-space records held back until they are filed.
  PDFXPreflight::ErrorList holdingList;

 private:
  // The output-intent fixer for the condition the settings choose.
  void MakeOutputIntentFixer();
  void AddKeySettings();
  void AddRuleTree();
};

}  // namespace Zentu
