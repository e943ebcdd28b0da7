// The PDF/X-1 family: its common base, never registered by itself, and the
// standard PDF/X-1a:2001. Both are checked with one set of operations; the
// rule tree is rebuilt from the settings on the prototype at every clone.
#pragma once
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "engine/Conformance.h"
#include "engine/Fixer.h"

namespace Zentu {

class PDF_X_1_2001 : public Conformance {
 public:
  PDF_X_1_2001();
  ~PDF_X_1_2001() override;

  // Rebuilds this standard's rules, then copies it: the copy shares the
  // rule list, the key table and every fixer. Null when out of memory.
  Conformance* Clone() override;
  int ReplaceDestinationProfile(PDFXPreflight& walker, MyCosObj intent) override;
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
  // The catalog's "OutputIntents": exactly one GTS_PDFX intent.
  static int TestOutputIntentsArray(RuleContext* context, CheckResult* result);
  // An output intent against the condition the settings insist on.
  static int TestChosenOutputIntent(RuleContext* context, CheckResult* result);
  // An output intent of an unregistered condition has a destination profile.
  static int TestDestOutputProfile(RuleContext* context, CheckResult* result);
  // A page's DefaultGray (DefaultCMYK) is no colorimetric space; once per page.
  static int TestDefaultGray(RuleContext* context, CheckResult* result);
  static int TestDefaultCMYK(RuleContext* context, CheckResult* result);
  // After the walk: the records about a colorimetric Default space the
  // output-intent repair removes become repairable with it.
  static bool TestDefaultSpacesAgainstOutputIntent(FixContext& context);

  // Removes the pages' colorimetric Default spaces and writes the catalog's
  // GTS_PDFX output intent for its condition, at index 0.
  class OutputIntentMegaFixer : public Fixer {
   public:
    explicit OutputIntentMegaFixer(const boost::shared_ptr<OutputCondition>& condition);
    ~OutputIntentMegaFixer() override;
    int FixIt(FixContext& context, bool interactive) override;
    // Collects the record; the first one carries the deferred test.
    void AddError(PDFX_Error* error) override;
    const boost::shared_ptr<OutputCondition>& GetCondition() const { return condition_; }
    const std::vector<PDFX_Error*>& GetErrors() const { return errors_; }

   private:
    std::vector<PDFX_Error*> errors_;  // the walker owns them
    boost::shared_ptr<OutputCondition> condition_;
  };

  // Embeds the condition's profile file as the GTS_PDFX intent's
  // "DestOutputProfile".
  class DestOutputProfileFixer : public Fixer {
   public:
    explicit DestOutputProfileFixer(const boost::shared_ptr<OutputCondition>& condition);
    ~DestOutputProfileFixer() override;
    int FixIt(FixContext& context, bool interactive) override;
    const boost::shared_ptr<OutputCondition>& GetCondition() const { return condition_; }

   private:
    boost::shared_ptr<OutputCondition> condition_;
  };

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
