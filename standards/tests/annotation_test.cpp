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

using standardstest::ErrorPtr;
using standardstest::kStandards;
using standardstest::Record;
using standardstest::StandardsFixture;
typedef boost::shared_ptr<Zentu::Fixer> FixerPtr;

const char kObscures[] = "Non-TrapNet annotations must not obscure the visual impression of a page";
const char kActions[] = "Actions are not allowed";
const char kFauxing[] = "TrapNet annotation is illegal";
const char kTrapped[] = "If a TrapNet annotation is present, the /Trapped key in the Info dictionary must be /True";

// One family's tests and the fixers of the standard of the check.
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

// A record and the fixer it must carry: 'a' annotation, 'x' action, 't'
// Trapped, '-' none.
struct Expected {
  Record record;
  char fixer;
};

class AnnotationTest : public StandardsFixture {
 protected:
  // Checks the open document under standard `i`, then calls `test` on
  // object `number` held by object `holder` (0: none), as on the page of
  // that index (-1: outside the pages). Answers the verdict; `filed`
  // receives the records the test filed.
  int Call(int i, CheckCallback Family::*test, int number, int holder, std::vector<ErrorPtr>& filed,
           int page = 0) {
    walker_ = CheckWith(kStandards[i]);
    walker_->SetCurrentPage(page);
    const size_t before = walker_->GetErrorList().size();
    context_.standard = walker_->GetConformance().get();
    context_.walker = walker_.get();
    context_.value = Obj(number);
    context_.container = holder ? Obj(holder) : MyCosObj();
    CheckResult result;
    const int verdict = (kFamilies[i].*test)(&context_, &result);
    filed.assign(std::next(walker_->GetErrorList().begin(), static_cast<long>(before)), walker_->GetErrorList().end());
    return verdict;
  }

  void ExpectFiled(int i, const std::vector<ErrorPtr>& filed, const std::vector<Expected>& expected) {
    const Zentu::family::AnnotationFixers fixers = kFamilies[i].fixers(&context_);
    ASSERT_TRUE(fixers.annotation && fixers.action && fixers.trapped);
    ASSERT_EQ(filed.size(), expected.size());
    for (size_t r = 0; r < filed.size(); ++r) {
      EXPECT_EQ(standardstest::Reduced(*filed[r]), expected[r].record);
      const char fixer = expected[r].fixer;
      EXPECT_EQ(filed[r]->GetFixer(), fixer == 'a'   ? fixers.annotation
                                      : fixer == 'x' ? fixers.action
                                      : fixer == 't' ? fixers.trapped
                                                     : FixerPtr())
          << filed[r]->GetMessage();
    }
  }

  boost::shared_ptr<PDFXPreflight> walker_;
  RuleContext context_;
};

// Page 3 prints within its BleedBox [10 10 590 790]; its annotations are 5 and 6.
const char kPage[] = "/MediaBox [0 0 600 800] /BleedBox [10 10 590 790] /TrimBox [20 20 580 780] /Annots [5 0 R]";
const char kUri[] = "/A << /S /URI /URI (http://example.com) >>";

TEST_F(AnnotationTest, AnnotationsOverThePrintAreaAndTheirActions) {
  struct Case {
    const char* name;
    std::string annotation;  // 5
    std::string popup;       // 6
    std::vector<Expected> filed;
    int page = 0;
  } cases[] = {
      {"a link with an action inside the area",
       "<< /Type /Annot /Subtype /Link /Rect [100 100 200 200] " + std::string(kUri) + " >>",
       "",
       {{{kObscures, "Rect", 5, KIND_ANNOTATION, PROBLEM_INVALID, 5, 3}, 'a'}}},
      {"a link touching the area along its edge", "<< /Type /Annot /Subtype /Link /Rect [590 100 650 200] >>", "",
       {}},
      {"a square outside the area with actions by trigger",
       "<< /Type /Annot /Subtype /Square /Rect [0 0 5 5] /AA << /E << /S /JavaScript /JS (1) >> >> >>",
       "",
       {}},
      {"a note with an action inside the area",
       "<< /Type /Annot /Subtype /Text /Rect [100 100 120 120] " + std::string(kUri) + " >>",
       "",
       {{{kObscures, "Rect", 5, KIND_ANNOTATION, PROBLEM_INVALID, 5, 3}, 'a'},
        {{kActions, "", 5, KIND_ANNOTATION, PROBLEM_INVALID, 5, 3}, 'x'}}},
      {"its pop-up outside the area with an action",
       "<< /Type /Annot /Subtype /Text /Rect [100 100 120 120] " + std::string(kUri) + " /Popup 6 0 R >>",
       "<< /Type /Annot /Subtype /Popup /Rect [595 0 700 5] /A [3 0 R /Fit] >>",
       {{{kObscures, "Rect", 5, KIND_ANNOTATION, PROBLEM_INVALID, 5, 3}, 'a'},
        {{kActions, "", 5, KIND_ANNOTATION, PROBLEM_INVALID, 5, 3}, 'x'},
        {{kActions, "", 5, KIND_ANNOTATION, PROBLEM_INVALID, 6, 3}, 'x'}}},
      {"its pop-up inside the area without an action",
       "<< /Type /Annot /Subtype /Text /Rect [0 0 5 5] /Popup 6 0 R >>",
       "<< /Type /Annot /Subtype /Popup /Rect [300 300 400 400] >>",
       {{{kObscures, "Rect", 5, KIND_ANNOTATION, PROBLEM_INVALID, 6, 3}, 'a'}}},
      {"a trap network over the page", "<< /Type /Annot /Subtype /TrapNet /Rect [0 0 600 800] " +
       std::string(kUri) + " >>", "", {}},
      // Damaged or out of place: nothing is thrown, what can be judged is.
      {"a pop-up that is no dictionary", "<< /Type /Annot /Subtype /Text /Rect [0 0 5 5] /Popup 6 0 R >>", "42",
       {}},
      {"a link met outside the pages",
       "<< /Type /Annot /Subtype /Link /Rect [100 100 200 200] " + std::string(kUri) + " >>",
       "",
       {{{kActions, "", 5, KIND_ANNOTATION, PROBLEM_INVALID, 5, 3}, 'x'}},
       -1},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(std::string(c.name) + " under " + kStandards[i]);
      OnePage(kPage, "", {c.annotation, c.popup.empty() ? "null" : c.popup});
      std::vector<ErrorPtr> filed;
      EXPECT_EQ(Call(i, &Family::annotation, 5, 3, filed, c.page), 0);
      ExpectFiled(i, filed, c.filed);
    }
  }
}

TEST_F(AnnotationTest, TrapNetworksWantNoFauxingAndATrappedDocument) {
  struct Case {
    const char* fauxing;
    const char* info;  // object 6, the Information dictionary
    std::vector<Expected> filed;
  } cases[] = {
      {"/FontFauxing [/F1]",
       "<< /Trapped /False >>",
       {{{kFauxing, "FontFauxing", 7, KIND_PAGE, PROBLEM_INVALID, 5, 3}, '-'},
        {{kTrapped, "Trapped", 5, KIND_PAGE, PROBLEM_INVALID, 5, 3}, 't'}}},
      {"/FontFauxing []", "<< /Trapped /True >>", {}},
      {"", "<< /Trapped (True) >>", {{{kTrapped, "Trapped", 5, KIND_PAGE, PROBLEM_INVALID, 5, 3}, 't'}}},
      {"", "<< /Title (no Trapped) >>", {{{kTrapped, "Trapped", 5, KIND_PAGE, PROBLEM_INVALID, 5, 3}, 't'}}},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(std::string(c.fauxing) + " " + c.info + " under " + kStandards[i]);
      OnePage(kPage, "", {"<< /Type /Annot /Subtype /TrapNet /Rect [0 0 600 800] " + std::string(c.fauxing) + " >>",
                          c.info},
              "/Root 1 0 R /Info 6 0 R");
      std::vector<ErrorPtr> filed;
      EXPECT_EQ(Call(i, &Family::trapNet, 5, 3, filed), 0);
      ExpectFiled(i, filed, c.filed);
    }
  }
}

TEST_F(AnnotationTest, ActionsAreFiledAgainstTheObjectHoldingThem) {
  struct Case {
    const char* name;
    std::string catalog;  // 1
    std::string page;     // entries of page 3
    int tested;
    int holder;
    int verdict;
  } cases[] = {
      {"a catalog opening with a link", "/OpenAction << /S /URI /URI (http://example.com) >>", "", 1, 0, 3},
      {"a catalog opening at a destination", "/OpenAction [3 0 R /Fit]", "", 1, 0, 0},
      {"an open action without /S", "/OpenAction << /URI (http://example.com) >>", "", 1, 0, 0},
      {"a page with actions by trigger", "", "/AA << /O << /S /JavaScript /JS (1) >> >>", 3, 2, 3},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(std::string(c.name) + " under " + kStandards[i]);
      OnePage("/MediaBox [0 0 600 800] /TrimBox [0 0 600 800] " + c.page, "", {}, "/Root 1 0 R", c.catalog);
      std::vector<ErrorPtr> filed;
      EXPECT_EQ(Call(i, &Family::action, c.tested, c.holder, filed), c.verdict);
      if (c.verdict == 0) {
        EXPECT_TRUE(filed.empty());
        continue;
      }
      ExpectFiled(i, filed,
                  {{{kActions, "", 5, KIND_UNKNOWN, PROBLEM_INVALID, c.tested, c.holder ? c.holder : -1}, 'x'}});
      // The repair empties the holder of its actions and keeps it.
      ASSERT_EQ(filed.size(), 1u);
      EXPECT_EQ(ApplyFixes(walker_, filed[0], false), 2);
      const MyCosObj tested = Obj(c.tested);
      EXPECT_TRUE(tested.Get("OpenAction").IsNull() && tested.Get("AA").IsNull());
      EXPECT_FALSE(tested.Get("Type").IsNull());
      EXPECT_FALSE(Obj(1).Get("Pages").IsNull());
    }
  }
}

}  // namespace
