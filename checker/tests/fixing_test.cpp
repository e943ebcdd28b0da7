// Fixing a checked document through the user-interface object, and the
// details dialog over its results, on real documents: the samples with the
// records the standard files, and records of the test's own with fake
// fixers where a case needs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include <boost/make_shared.hpp>

#include "checker/CheckerDlgADM.h"  // the checker's resources
#include "checker/CheckerPlugIn.h"
#include "checker/DetailsDlgADM.h"
#include "checker/Results.h"
#include "checker/ResultsListBox.h"
#include "checker/UIInterface.h"
#include "common/CommonDialogs.h"
#include "common/MyCosDoc.h"
#include "common/Prefs.h"
#include "dialogs/manager.h"
#include "dialogs/metrics.h"
#include "engine/Fixers.h"
#include "documents.h"
#include "testing/driver.h"
#include "testing/pdfmaker.h"

namespace {

PI_EXPORT_RESOURCES(&Zentu::kCheckerResources, &Zentu::kCommonResources);

typedef boost::shared_ptr<Zentu::PDFX_Error> ErrorPtr;
const char kTrapped[] = "/Trapped key (must be \"True\" or \"False\")";
const char kBoxes[] = "One but not both of /ArtBox and /TrimBox must be set for the page";

std::string Sample(const std::string& name) { return std::string(SAMPLES) + "/" + name + ".pdf"; }

// A fixer that answers as told and counts its calls.
class FakeFixer : public Zentu::Fixer {
 public:
  explicit FakeFixer(int answer) : answer(answer) {}
  int FixIt(FixContext&, bool) override {
    ++calls;
    return answer;
  }
  int answer, calls = 0;
};

// The plug-in's own object, with the security checks counted.
class CountingUI : public Zentu::WinUIInterface {
 public:
  bool CheckSecurity() override {
    ++securityChecks;
    const bool allowed = UIInterface::CheckSecurity();
    refused = refused || !allowed;
    return allowed;
  }
  int ShowPreferences() override { return preferencesAnswer; }
  int securityChecks = 0, preferencesAnswer = 0;
  bool refused = false;
};

class FixingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    hosttest::BindTables();
    hosttest::RegisterResources(&PIResources);
  }
  void SetUp() override {
    ::setenv("PLUGHOST_HOME", dir_.File("settings").c_str(), 1);
    Prefs::Section().clear();
    host::SetAlertHandler([this](const host::AlertRequest& request) {
      alerts_.push_back(request.message);
      if (request.kind != 2) return 1;
      return alertAnswer_;
    });
    ASSERT_TRUE(PluginInit());
    gUIStack.assign(1, &ui_);
  }
  void TearDown() override {
    ui_.CloseChecker();
    gUIStack.clear();
    EXPECT_TRUE(PluginUnload());
    host::SetAlertHandler(nullptr);
    host::SetPasswordHandler(nullptr);
    hosttest::SetSecurityHandlerName("");
    host::CloseAllDocuments();
    Prefs::Section().clear();
  }

  // Checks a copy of the file as the check command does; none: `pdf`.
  // Unless `asFiled`, what the standard filed takes no part.
  void Check(const std::string& file, const std::string& pdf = std::string(), bool asFiled = false) {
    const std::string copy = dir_.File(file.empty() ? "doc.pdf" : file.substr(file.find_last_of('/') + 1));
    hosttest::WriteFile(copy, file.empty() ? pdf : hosttest::ReadFile(file));
    av_ = host::OpenInView(copy);
    ui_.SetDocument(av_);
    ASSERT_TRUE(ui_.ShowChecker());
    ASSERT_TRUE(ui_.RunCheck());
    ASSERT_NE(ui_.GetResults(), nullptr);
    if (!asFiled)
      for (const auto& error : Walker()->GetErrorList()) error->SetFixed(true);
  }
  const boost::shared_ptr<PDFXPreflight>& Walker() { return ui_.GetWalker(); }
  static MyCosObj Page(PDDoc doc, int index) {
    PDPage page = PDDocAcquirePage(doc, index);
    MyCosObj dict(PDPageGetCosObj(page));
    PDPageRelease(page);
    return dict;
  }
  MyCosObj Page(int index) { return Page(ui_.GetPDDoc(), index); }
  ErrorPtr File(const std::string& message, int severity, int page, const boost::shared_ptr<Zentu::Fixer>& fixer,
                const std::string& detail = std::string(), int kind = 1) {
    MyCosObj holder = page < 0 ? MyCosDoc(PDDocGetCosDoc(ui_.GetPDDoc())).GetInfoDict() : Page(page);
    ErrorPtr error = Walker()->AddError(holder, holder, message, detail, severity, kind, 2);
    error->SetPageIndex(page);
    if (fixer) error->AttachFixer(fixer);
    return error;
  }
  int Open(unsigned long mask) { return ui_.GetResults()->Count(Zentu::Results::Severities(mask)); }
  std::vector<std::string> PageNotices() {
    std::vector<std::string> out;
    for (const auto& line : hosttest::CallLog())
      if (line.compare(0, 22, "page contents changed ") == 0) out.push_back(line.substr(22));
    return out;
  }

  hosttest::TempDir dir_;
  CountingUI ui_;
  AVDoc av_ = nullptr;
  std::vector<std::string> alerts_;
  int alertAnswer_ = 1;
};

TEST_F(FixingTest, FixAllMakesTheFixableSampleGood) {
  Check(Sample("x1a-fixable"), "", true);
  EXPECT_EQ(ui_.FixDocument(), 2);
  EXPECT_EQ(Open(Zentu::Results::kErrors), 0);
  const std::string out = dir_.File("out.pdf");
  host::SaveDocument(ui_.GetPDDoc(), out);

  PDDoc saved = host::OpenDocument(out);
  MyCosObj info = MyCosDoc(PDDocGetCosDoc(saved)).GetInfoDict();
  EXPECT_EQ(info.Get("Trapped").GetType(), CosName);
  EXPECT_EQ(info.Get("Trapped").ValueAsString(), "False");
  EXPECT_EQ(info.Get("Zent_PDFX_Corvane").ValueAsString(), "1.3");
  MyCosObj dict = Page(saved, 0);
  EXPECT_EQ(dict.Get("TrimBox").ValueAsString(), dict.Get("MediaBox").ValueAsString());
  EXPECT_EQ(dict.Get("ArtBox").GetType(), CosNull);
  host::CloseDocument(saved);
  EXPECT_EQ(hosttest::ReadFile(out).compare(0, 8, "%PDF-1.3"), 0);
  std::string report;
  EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(out), &report), 0) << report;
  // Its own check files nothing.
  ui_.CloseChecker();
  ui_.SetDocument(host::OpenInView(out));
  ASSERT_TRUE(ui_.ShowChecker());
  ASSERT_TRUE(ui_.RunCheck());
  EXPECT_EQ(Walker()->GetErrorList().size(), 0u);
}

// "Fix Item" of the record "Fix all" left (rg beside ri, which it took out)
// takes its operator out of the content "Fix all" wrote.
TEST_F(FixingTest, FixItemAfterFixAllTakesOutItsOwnOperator) {
  Check("", hosttest::MakePagesPdf(1, "0.5 0.7 0.5 rg /Perceptual ri 0 0 100 100 re f"), true);
  ErrorPtr rg;
  for (const auto& error : Walker()->GetErrorList()) rg = error->GetMessage() == "'rg'" ? error : rg;
  ASSERT_TRUE(rg);
  ui_.FixDocument();
  EXPECT_FALSE(rg->IsFixed());
  EXPECT_EQ(ui_.FixErrors(rg, true), 2);
  char text[128] = "";
  ASStm stm = Page(0).Get("Contents").OpenStm(cosOpenFiltered);
  text[ASStmRead(text, 1, sizeof text - 1, stm)] = 0;
  ASStmClose(stm);
  EXPECT_STREQ(text, " 0 0 100 100 re f");
}

// A repair that gives up is regraded as it happens, so after "Fix all" no open
// record still says the button fixes it, unless the document may not change.
TEST_F(FixingTest, AfterFixAllNoOpenRecordClaimsTheButtonFixesIt) {
  int fixed = 0;
  for (const char* standard : {standardstest::kX1a, standardstest::kX3}) {
    Prefs::Set("conformance", standard);
    std::vector<std::pair<std::string, std::string>> documents = {{"baseline", standardstest::Baseline(standard).Pdf()}};
    for (const standardstest::Variant& v : standardstest::Variants())
      documents.emplace_back(v.name, standardstest::Make(standard, v.name).Pdf());
    for (const char* sample : {"rgb-font", "sample", "x1a-fixable", "x1a-good", "x3-good", "xref-stream"})
      documents.emplace_back(sample, hosttest::ReadFile(Sample(sample)));
    for (const auto& d : documents) {
      SCOPED_TRACE(d.first + " under " + standard);
      ui_.CloseChecker();
      host::CloseAllDocuments();
      Check("", d.second, true);
      ui_.refused = false;
      ui_.FixDocument();
      if (ui_.refused) continue;
      ++fixed;
      EXPECT_EQ(Open(1 << 5), 0);
    }
  }
  EXPECT_GT(fixed, 50);
}

// Pages are told after the passes: the current page, then each fixed page
// once, in ascending order.
TEST_F(FixingTest, FixAllTellsTheCurrentPageThenEachFixedPage) {
  Check("", hosttest::MakePagesPdf(4));
  auto fixer = boost::make_shared<FakeFixer>(2);
  for (int page : {3, 3, 0}) File("fixable", 5, page, fixer);
  AVPageViewGoTo(AVDocGetPageView(av_), 2);
  hosttest::ClearCallLog();
  EXPECT_EQ(ui_.FixDocument(), 2);
  EXPECT_EQ(PageNotices(), (std::vector<std::string>{"2", "0", "3"}));

  // Without results nothing is counted, so no pass: the current page only.
  ui_.CloseChecker();
  hosttest::ClearCallLog();
  EXPECT_EQ(ui_.FixDocument(), 2);
  EXPECT_EQ(PageNotices(), std::vector<std::string>{"2"});
}

TEST_F(FixingTest, FixersAreCalledAsTheRecordsAllow) {
  const char kNoWay[] = "\"Fixable\" error has no way to be fixed";
  const struct {
    const char* name;
    int severity;       // of the record with the fake fixer
    bool fixedBefore;
    int answer;         // the fake fixer's
    bool withoutFixer;  // a further automatically fixable record without one
    int result, calls, notes;
  } rows[] = {
      {"fixed before", 5, true, 2, false, 2, 0, 0},
      {"no fixer beside", 5, false, 2, true, 4, 1, 10},
      // A repair that answers "not fixed" is tried once: its record is unfixable from then on.
      {"never fixed", 5, false, 1, false, 1, 1, 0},
      {"no fixer, never fixed", 5, false, 1, true, 4, 1, 10},
      {"only severity 6", 6, false, 2, false, 2, 0, 0},
      {"a warning of severity 2", 2, false, 2, false, 2, 1, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Check(Sample("x1a-good"));
    auto fixer = boost::make_shared<FakeFixer>(row.answer);
    ErrorPtr error = File("fake", row.severity, 0, fixer);
    if (row.fixedBefore) error->SetFixed(true);
    if (row.withoutFixer) File("without", 5, 0, nullptr);
    alerts_.clear();
    ui_.securityChecks = 0;
    if (row.fixedBefore) {
      EXPECT_EQ(ui_.ApplyFixes(error, true), 2);
      EXPECT_EQ(ui_.securityChecks, 0);
    }
    EXPECT_EQ(ui_.FixDocument(), row.result);
    EXPECT_EQ(fixer->calls, row.calls);
    EXPECT_EQ(std::count(alerts_.begin(), alerts_.end(), kNoWay), row.notes);
    char version[16] = "";
    PDDocGetInfo(ui_.GetPDDoc(), "Zent_PDFX_Corvane", version, sizeof version);
    EXPECT_STREQ(version, row.calls && row.answer == 2 ? "1.3" : "");
    ui_.CloseChecker();
    host::CloseAllDocuments();
  }
}

// The sample encrypted with an empty user password and the owner password
// "own"; without the permission to change it only "own" lets fixes in.
TEST_F(FixingTest, AnEncryptedDocumentIsChangedOnlyWithItsOwnerPassword) {
  const std::string plain = dir_.File("plain.pdf"), locked = dir_.File("locked.pdf");
  hosttest::WriteFile(plain, hosttest::ReadFile(Sample("x1a-fixable")));
  const char kWrong[] = "You must enter the correct password in order to make fixes to this document";
  const char kOther[] = "Cannot change permissions for a security handler other than the standard one.";
  const struct {
    const char* modify;    // qpdf's --modify
    const char* handler;   // "": the document's own
    const char* password;  // none: cancelled
    int result, asked;
    const char* note;      // none: no note
  } rows[] = {
      {"n", "", "wrong", 1, 1, kWrong},          {"n", "", nullptr, 1, 1, kWrong},
      {"n", "", "own", 2, 1, nullptr},           {"n", "Other", "own", 1, 0, kOther},
      {"y", "Other", "wrong", 2, 0, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.modify) + " " + row.handler + " " + (row.password ? row.password : "cancel"));
    ASSERT_EQ(hosttest::RunCommand("qpdf --allow-weak-crypto --encrypt '' own 40 --modify=" + std::string(row.modify) +
                                   " -- " + hosttest::Quoted(plain) + " " + hosttest::Quoted(locked)),
              0);
    hosttest::SetSecurityHandlerName(row.handler);
    int asked = 0;
    host::SetPasswordHandler([&](const host::PasswordRequest& request, std::string* password) {
      ++asked;
      EXPECT_EQ(request.file, "locked.pdf");
      if (row.password) *password = row.password;
      return row.password != nullptr;
    });
    Check(locked, "", true);
    alerts_.clear();
    EXPECT_EQ(ui_.FixDocument(), row.result);
    EXPECT_EQ(asked, row.asked);
    EXPECT_EQ(alerts_, row.note ? std::vector<std::string>{row.note} : std::vector<std::string>{});
    EXPECT_EQ(Open(Zentu::Results::kFixable), row.result == 2 ? 0 : 2);
    EXPECT_EQ(Open(Zentu::Results::kUnfixable), 1);
    ui_.CloseChecker();
    host::CloseAllDocuments();
  }
}

// The details dialog over the checked results, run as the verdict runs it.
class DetailsTest : public FixingTest {
 protected:
  // Runs the dialog; `steps` drive it and must end it.
  void RunDetails(const std::function<void(hosttest::TestDriver&)>& steps) {
    hosttest::TestDriver driver;
    steps(driver);
    Zentu::DetailsDlgADM details(ui_.GetResults());
    details_ = &details;
    EXPECT_EQ(details.DoModal(), 1);
    details_ = nullptr;
    EXPECT_EQ(driver.StepsLeft(), 0u);
  }
  static host::ItemView Item(ADMDialogRef dialog, ASInt32 id, int nth = 1) {
    for (const auto& item : host::DescribeDialog(dialog).items)
      if (item.id == id && --nth == 0) return item;
    ADD_FAILURE() << "no item " << id;
    return host::ItemView{};
  }
  static std::vector<std::string> Rows(ADMDialogRef dialog) {
    std::vector<std::string> out;
    for (const auto& entry : host::DescribeList(Item(dialog, 1001).ref)) {
      std::string line;
      for (size_t i = 0; i < entry.drawn.size(); ++i) line += (i ? "\t" : "") + entry.drawn[i];
      out.push_back(line);
    }
    return out;
  }
  static std::string FirstCell(ADMDialogRef dialog, size_t row) {
    auto entries = host::DescribeList(Item(dialog, 1001).ref);
    return row < entries.size() && !entries[row].drawn.empty() ? entries[row].drawn[0] : "";
  }
  Zentu::DetailsDlgADM* details_ = nullptr;
};

const char kHeader[] = "Fixed?\tPage\tError level\tLocation\tType\tDescription";

TEST_F(DetailsTest, TheListShowsEachRecordAndFixItemFixesTheSelectedOne) {
  Check(Sample("x1a-fixable"), "", true);
  const struct {
    int button;  // of the /Trapped question: 2 "/False", 3 "Cancel"
    const char* cell;
    bool fixItem;
  } rows[] = {{3, "No", true}, {2, "Yes", false}};
  for (const auto& row : rows) {
    alertAnswer_ = row.button;
    alerts_.clear();
    RunDetails([&](hosttest::TestDriver& driver) {
      driver.Look([&](ADMDialogRef d) {
        host::DialogView view = host::DescribeDialog(d);
        EXPECT_EQ(view.number, 134);
        EXPECT_EQ(view.title, "Zentu PDF/X Corvane details");
        EXPECT_EQ(Item(d, 0).text, kHeader);
        std::vector<std::string> shown = Rows(d);
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[0], std::string("No\tn/a\tAutoFix error\tInfo dictionary\tmissing value\t") + kTrapped);
        EXPECT_EQ(shown[1], std::string("No\t1\tAutoFix error\tPage\tmissing value\t") + kBoxes);
        EXPECT_TRUE(Item(d, 1004).enabled);
        EXPECT_FALSE(Item(d, 1003).enabled);
      });
      driver.Choose(1001, 0);
      driver.Look([&](ADMDialogRef d) { EXPECT_TRUE(Item(d, 1003).enabled); });
      driver.Press(1003);
      driver.Look([&](ADMDialogRef d) {
        EXPECT_EQ(FirstCell(d, 0), row.cell);
        EXPECT_EQ(Item(d, 1003).enabled, row.fixItem);
      });
      driver.Press(1);
    });
    EXPECT_EQ(alerts_, std::vector<std::string>{"Choose a value for the /Trapped key \n(or press \"Cancel\")"});
  }
  EXPECT_EQ(Open(Zentu::Results::kFixable), 1);

  // Fix All Errors: every row "Yes", both fixing buttons disabled.
  RunDetails([&](hosttest::TestDriver& driver) {
    driver.Press(1004);
    driver.Look([&](ADMDialogRef d) {
      EXPECT_EQ(FirstCell(d, 0), "Yes");
      EXPECT_EQ(FirstCell(d, 1), "Yes");
      EXPECT_FALSE(Item(d, 1003).enabled);
      EXPECT_FALSE(Item(d, 1004).enabled);
    });
    driver.Press(1);
  });
}

// "Fix Item" follows the selected record's severity and fixed flag.
TEST_F(DetailsTest, FixItemIsEnabledForAnOpenRecordItCanFix) {
  const struct {
    int severity;
    bool fixed;
    const char* cell;
    bool fixItem;
  } rows[] = {{4, false, "No", false}, {6, false, "No", true},  {7, false, "No", false},
              {3, false, "No", true},  {5, true, "Yes", false}, {-1, false, "Yes", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.severity);
    Check(Sample("rgb-font"));
    const ASInt32 index = static_cast<ASInt32>(Walker()->GetErrorList().size());
    ErrorPtr error = File("record", 5, 0, nullptr);
    error->SetSeverity(row.severity);
    if (row.fixed) error->SetFixed(true);
    RunDetails([&](hosttest::TestDriver& driver) {
      driver.Look([&](ADMDialogRef d) { EXPECT_EQ(Item(d, 1004).enabled, row.severity == 6); });
      driver.Choose(1001, index);
      driver.Look([&](ADMDialogRef d) {
        EXPECT_EQ(FirstCell(d, static_cast<size_t>(index)), row.cell);
        EXPECT_EQ(Item(d, 1003).enabled, row.fixItem);
      });
      driver.Press(1);
    });
    ui_.CloseChecker();
    host::CloseAllDocuments();
  }
}

// The Title fix asks for the text, preset to the file's name.
TEST_F(DetailsTest, AFixThatAsksTakesTheTextEntered) {
  for (ASInt32 button : {2, 1}) {
    Check("", hosttest::ReadFile(Sample("x1a-good")));
    const ASInt32 index = static_cast<ASInt32>(Walker()->GetErrorList().size());
    File("/Title key", 5, -1, Zentu::GlobalFixers::InfoDict(), "Title", 4);
    RunDetails([&](hosttest::TestDriver& driver) {
      driver.Choose(1001, index).Press(1003);
      driver.Look([](ADMDialogRef d) {
        EXPECT_EQ(host::DescribeDialog(d).title, "Please enter the requested string");
        EXPECT_EQ(Item(d, 1006).text, "Enter the string to be used for the Title key in the Info dictionary");
        EXPECT_EQ(Item(d, 1005).text, "doc");
      });
      driver.SetText(1005, "Proof", 136).Press(button, 136);
      driver.Look([&](ADMDialogRef d) { EXPECT_EQ(FirstCell(d, static_cast<size_t>(index)), button == 1 ? "Yes" : "No"); });
      driver.Press(1);
    });
    char title[32] = "";
    PDDocGetInfo(ui_.GetPDDoc(), "Title", title, sizeof title);
    EXPECT_STREQ(title, button == 1 ? "Proof" : "x1a-good");
    ui_.CloseChecker();
    host::CloseAllDocuments();
  }
}

// Rows wider than the list: a scrollbar whose maximum is the excess, and
// scrolling it moves the header and the rows; a narrow table hides it.
TEST_F(DetailsTest, WideRowsScrollWithTheHeader) {
  namespace m = host::metrics;
  Check(Sample("x1a-fixable"), "", true);
  auto table = ui_.GetResults()->WriteTable();
  std::vector<int> widths = {m::TextWidth("Fixed?")};
  for (size_t c = 0; c < table->titles.size(); ++c) {
    int width = m::TextWidth(table->titles[c]);
    for (auto& row : table->rows) width = std::max(width, m::TextWidth(row.Cell(c)));
    widths.push_back(width);
  }
  int total = 3 - 6;
  for (int width : widths) total += width + 6;
  const int visible = m::DialogUnitsToPixelsX(359) - 2 * m::kListInset - m::kScrollbarWidth;
  const int maximum = total - visible;
  ASSERT_GT(maximum, 0);
  RunDetails([&](hosttest::TestDriver& driver) {
    driver.Look([&](ADMDialogRef d) {
      host::ItemView bar = Item(d, 0, 2);
      EXPECT_EQ(bar.type, "ADM Scrollbar Type");
      EXPECT_EQ(bar.maximum, maximum);
      EXPECT_EQ(bar.bounds.bottom, Item(d, 1001).bounds.bottom + m::kScrollbarWidth);
      std::string why;
      ASSERT_TRUE(host::ScrollItem(bar.ref, maximum, &why)) << why;
      host::DrawPending();
      EXPECT_EQ(details_->GetListBox()->HorizontalOffset(), maximum);
      // "Fixed?" and "Page" lie left of the list now.
      EXPECT_EQ(Item(d, 0).text.find("Fixed?"), std::string::npos);
      EXPECT_NE(Rows(d).back().compare(0, 3, "No\t"), 0);
      EXPECT_NE(Rows(d).back().find(kBoxes), std::string::npos);
      details_->GetListBox()->Layout(boost::make_shared<Zentu::ResultsTable>());
      host::DrawPending();
      bar = Item(d, 0, 2);
      EXPECT_FALSE(bar.visible);
      EXPECT_FALSE(bar.enabled);
      EXPECT_EQ(Item(d, 0).text.compare(0, 6, "Fixed?"), 0);
    });
    driver.Press(1);
  });
}

// Changed settings are noted for the verdict; the details stay open.
TEST_F(DetailsTest, EmptyResultsShowTheHeaderAlone) {
  ui_.SetDocument(host::OpenInView(Sample("x1a-good")));
  ui_.preferencesAnswer = 1;
  hosttest::TestDriver driver;
  driver.Look([](ADMDialogRef d) {
    host::DialogView view = host::DescribeDialog(d);
    EXPECT_EQ(Item(d, 0).text, kHeader);
    EXPECT_TRUE(Rows(d).empty());
    EXPECT_FALSE(Item(d, 1003).enabled);
    EXPECT_FALSE(Item(d, 1004).enabled);
    EXPECT_EQ(std::count_if(view.items.begin(), view.items.end(), [](const host::ItemView& i) { return i.id == 0; }), 1);
  });
  driver.Press(1027).Look([this](ADMDialogRef) { EXPECT_TRUE(ui_.PreferencesChanged()); }).Press(1);
  Zentu::DetailsDlgADM details(boost::make_shared<Zentu::Results>(boost::shared_ptr<PDFXPreflight>()));
  EXPECT_EQ(details.DoModal(), 1);
}

}  // namespace
