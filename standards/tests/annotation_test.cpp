// The annotation, action and trap-network tests of both families, called
// as their rules call them, on a checked document.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ErrorNames.h"
#include "engine/PDFX_Error.h"
#include "standards/FamilyChecks.h"
#include "standards/PDF_X_1_2001.h"
#include "standards/PDF_X_3_2002.h"
#include "standards_fixture.h"

namespace {

using standardstest::kStandards;
using standardstest::Record;

const char kObscures[] = "Non-TrapNet annotations must not obscure the visual impression of a page";
const char kActions[] = "Actions are not allowed";
const char kTrapped[] = "If a TrapNet annotation is present, the /Trapped key in the Info dictionary must be /True";
// Page 3 prints within its BleedBox [10 10 590 790]; its annotations are 5 and 6.
const char kPage[] = "/MediaBox [0 0 600 800] /BleedBox [10 10 590 790] /TrimBox [20 20 580 780] /Annots [5 0 R]";
const char kUri[] = " /A << /S /URI /URI (http://example.com) >>";

// One family's tests, and the fixers of the standard of the check.
struct Family {
  CheckCallback annotation;
  CheckCallback action;
  CheckCallback trapNet;
  Zentu::family::AnnotationFixers (*fixers)(const RuleContext*);
};
const Family kFamilies[2] = {
    {&Zentu::PDF_X_1_2001::TestAnnotation, &Zentu::PDF_X_1_2001::TestAction, &Zentu::PDF_X_1_2001::TestTrapNet,
     &Zentu::family::FixersOf<Zentu::PDF_X_1_2001>},
    {&Zentu::PDF_X_3_2002::TestAnnotation, &Zentu::PDF_X_3_2002::TestAction, &Zentu::PDF_X_3_2002::TestTrapNet,
     &Zentu::family::FixersOf<Zentu::PDF_X_3_2002>},
};

Record Annotation(const char* message, const char* detail, int container) {
  return Record{message, detail, 5, KIND_ANNOTATION, PROBLEM_INVALID, container, 3};
}

class AnnotationTest : public standardstest::StandardsFixture {
 protected:
  // Checks the open document under standard `i`, then calls `test` on
  // object `number` held by object `holder` (0: none), as on the page of
  // that index (-1: outside the pages). Expects the verdict and the
  // records filed, with their fixers: 'a' annotation, 'x' action, 't'
  // Trapped, '-' none.
  void Expect(int i, CheckCallback Family::*test, int number, int holder, int verdict,
              const std::vector<Record>& records, const std::string& fixers, int page = 0) {
    walker_ = CheckWith(kStandards[i]);
    walker_->SetCurrentPage(page);
    const size_t before = walker_->GetErrorList().size();
    RuleContext context;
    context.standard = walker_->GetConformance().get();
    context.walker = walker_.get();
    context.value = Obj(number);
    context.container = holder ? Obj(holder) : MyCosObj();
    CheckResult result;
    EXPECT_EQ((kFamilies[i].*test)(&context, &result), verdict);

    const Zentu::family::AnnotationFixers own = kFamilies[i].fixers(&context);
    ASSERT_TRUE(own.annotation && own.action && own.trapped);
    filed_.assign(std::next(walker_->GetErrorList().begin(), static_cast<long>(before)),
                  walker_->GetErrorList().end());
    std::vector<Record> reduced;
    std::string attached;
    for (const auto& error : filed_) {
      reduced.push_back(standardstest::Reduced(*error));
      const auto& fixer = error->GetFixer();
      attached += !fixer                   ? '-'
                  : fixer == own.annotation ? 'a'
                  : fixer == own.action     ? 'x'
                  : fixer == own.trapped    ? 't'
                                            : '?';
    }
    EXPECT_EQ(reduced, records);
    EXPECT_EQ(attached, fixers);
  }

  boost::shared_ptr<PDFXPreflight> walker_;
  std::vector<standardstest::ErrorPtr> filed_;
};

TEST_F(AnnotationTest, AnnotationsOverThePrintAreaAndTheirActions) {
  struct Case {
    std::string annotation;  // 5
    std::string popup;       // 6
    std::vector<Record> filed;
    std::string fixers;
    int page = 0;
  } cases[] = {
      {"/Subtype /Link /Rect [100 100 200 200]" + std::string(kUri), "", {Annotation(kObscures, "Rect", 5)}, "a"},
      {"/Subtype /Link /Rect [590 100 650 200]", "", {}, ""},
      {"/Subtype /Square /Rect [0 0 5 5] /AA << /E << /S /JavaScript /JS (1) >> >>", "", {}, ""},
      {"/Subtype /Text /Rect [100 100 120 120]" + std::string(kUri), "",
       {Annotation(kObscures, "Rect", 5), Annotation(kActions, "", 5)}, "ax"},
      {"/Subtype /Text /Rect [100 100 120 120] /Popup 6 0 R" + std::string(kUri),
       "<< /Type /Annot /Subtype /Popup /Rect [595 0 700 5] /A [3 0 R /Fit] >>",
       {Annotation(kObscures, "Rect", 5), Annotation(kActions, "", 5), Annotation(kActions, "", 6)}, "axx"},
      {"/Subtype /Text /Rect [0 0 5 5] /Popup 6 0 R", "<< /Type /Annot /Subtype /Popup /Rect [300 300 400 400] >>",
       {Annotation(kObscures, "Rect", 6)}, "a"},
      {"/Subtype /TrapNet /Rect [0 0 600 800]" + std::string(kUri), "", {}, ""},
      // Damaged or out of place: nothing is thrown, what can be judged is.
      {"/Subtype /Text /Rect [0 0 5 5] /Popup 6 0 R", "42", {}, ""},
      {"/Subtype /Link /Rect [100 100 200 200]" + std::string(kUri), "", {Annotation(kActions, "", 5)}, "x", -1},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(c.annotation + " " + c.popup + " under " + kStandards[i]);
      OnePage(kPage, "", {"<< /Type /Annot " + c.annotation + " >>", c.popup.empty() ? "null" : c.popup});
      Expect(i, &Family::annotation, 5, 3, 0, c.filed, c.fixers, c.page);
    }
  }
}

TEST_F(AnnotationTest, TrapNetworksWantNoFauxingAndATrappedDocument) {
  const Record fauxing{"TrapNet annotation is illegal", "FontFauxing", 7, KIND_PAGE, PROBLEM_INVALID, 5, 3};
  const Record trapped{kTrapped, "Trapped", 5, KIND_PAGE, PROBLEM_INVALID, 5, 3};
  struct Case {
    const char* fauxing;
    const char* info;  // object 6, the Information dictionary
    std::vector<Record> filed;
    const char* fixers;
  } cases[] = {
      {"/FontFauxing [/F1]", "<< /Trapped /False >>", {fauxing, trapped}, "-t"},
      {"/FontFauxing []", "<< /Trapped /True >>", {}, ""},
      {"", "<< /Trapped (True) >>", {trapped}, "t"},
      {"", "<< /Title (no Trapped) >>", {trapped}, "t"},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(std::string(c.fauxing) + " " + c.info + " under " + kStandards[i]);
      OnePage(kPage, "", {"<< /Type /Annot /Subtype /TrapNet /Rect [0 0 600 800] " + std::string(c.fauxing) + " >>",
                          c.info},
              "/Root 1 0 R /Info 6 0 R");
      Expect(i, &Family::trapNet, 5, 3, 0, c.filed, c.fixers);
    }
  }
}

TEST_F(AnnotationTest, ActionsAreFiledAgainstTheObjectHoldingThem) {
  struct Case {
    std::string catalog;  // entries of catalog 1
    std::string page;     // entries of page 3
    int tested;
    int holder;
    bool filed;
  } cases[] = {
      {"/OpenAction << /S /URI /URI (http://example.com) >>", "", 1, 0, true},
      {"/OpenAction [3 0 R /Fit]", "", 1, 0, false},
      {"/OpenAction << /URI (http://example.com) >>", "", 1, 0, false},
      {"", "/AA << /O << /S /JavaScript /JS (1) >> >>", 3, 2, true},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(c.catalog + c.page + " under " + kStandards[i]);
      OnePage("/MediaBox [0 0 600 800] /TrimBox [0 0 600 800] " + c.page, "", {}, "/Root 1 0 R", c.catalog);
      if (!c.filed) {
        Expect(i, &Family::action, c.tested, c.holder, 0, {}, "");
        continue;
      }
      // A holder of the top level has the null object as its holder.
      const Record record{kActions, "", 5, KIND_UNKNOWN, PROBLEM_INVALID, c.tested, c.holder ? c.holder : -1};
      Expect(i, &Family::action, c.tested, c.holder, PROBLEM_INVALID, {record}, "x");
      // The repair empties the holder of its actions and keeps it.
      ASSERT_EQ(filed_.size(), 1u);
      EXPECT_EQ(ApplyFixes(walker_, filed_[0], false), 2);
      EXPECT_TRUE(Obj(c.tested).Get("OpenAction").IsNull() && Obj(c.tested).Get("AA").IsNull());
      EXPECT_FALSE(Obj(c.tested).Get("Type").IsNull());
    }
  }
}

}  // namespace
