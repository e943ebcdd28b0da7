// The standard PDF/X-3:2002, registered as "PDF/X-3": colour-managed, its
// rule tree rebuilt from the settings on the prototype at every clone.
#pragma once
#include <set>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "engine/Conformance.h"
#include "engine/Fixer.h"
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
  int ReplaceDestinationProfile(PDFXPreflight& walker, MyCosObj intent) override;
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
  // Device colour wants a colorimetric Default space; once per page and
  // family. The record is filed at once when the document's condition does
  // not cover the colour, else held for the deferred test.
  static int TestDefaultGray(RuleContext* context, CheckResult* result);
  static int TestDefaultRGB(RuleContext* context, CheckResult* result);
  static int TestDefaultCMYK(RuleContext* context, CheckResult* result);
  // Records the condition of the document's GTS_PDFX intent.
  static int SaveOutputIntentsInfo(RuleContext* context, CheckResult* result);
  // A trap network's colour model is that of the document's condition.
  static int TestTrapNetPCM(RuleContext* context, CheckResult* result);
  // Records that colour outside the process colours is used.
  static int SetNonProcessColors(RuleContext* context, CheckResult* result);
  // After the walk: colour outside a registered condition wants a
  // destination profile, and the held records it does not cover are filed.
  static bool TestDestOutputProfile(FixContext& context);

  // Writes the catalog's GTS_PDFX intent for the chosen condition (with its
  // profile when needed) and gives the pages colorimetric Default spaces
  // from the profiles chosen per family.
  class OutputIntentMegaFixer : public Fixer {
   public:
    enum Space { GRAY = 0, RGB = 1, CMYK = 2, kSpaces = 3 };  // the Default spaces, by index

    OutputIntentMegaFixer();
    ~OutputIntentMegaFixer() override;
    // A page's Default-space record repairs the Default spaces; any other
    // record the output intent too.
    int FixIt(FixContext& context, bool interactive) override;
    // Collects the record; the first one carries the deferred test.
    void AddError(PDFX_Error* error) override;
    // Lets go of the held records: the check is over.
    void ReleaseHeld();

    bool nonProcessColors = false;
    bool dataSeen[kSpaces] = {false, false, false};
    std::vector<boost::weak_ptr<PDFX_Error>> errors;  // collected; the walker owns them
    boost::weak_ptr<PDFX_Error> destOutputProfileError;
    boost::shared_ptr<OutputCondition> chosenCondition;    // to write; empty for none
    boost::shared_ptr<OutputCondition> documentCondition;  // of the document's intent
    boost::shared_ptr<OutputCondition> writtenCondition;   // by the last repair
    PDFXPreflight::ErrorList pending[kSpaces];  // held records, owned until filed
    MyCosObj spaces[kSpaces];                   // the ICCBased space made per family

   private:
    bool RepairDefaultSpace(PDFXPreflight& walker, PDFX_Error& record, int space, MyCosObj& remembered);
    bool RepairOutputIntent(PDFXPreflight& walker);
  };

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
  // The Default-space records held back until the deferred test.
  PDFXPreflight::ErrorList holdingList;

 private:
  // The output-intent fixer for the condition the settings choose.
  void MakeOutputIntentFixer();
  // A copy made for a check lets the fixer's held records go with it.
  bool forCheck_ = false;
  void AddKeySettings();
  void AddRuleTree();
};

}  // namespace Zentu
