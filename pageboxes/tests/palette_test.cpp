// The tool's palettes in this process, with the tool active on page 1 of
// boxes.pdf (zoom 1, page units 1): test palettes of our own template whose
// rows are bound to the tool's media box and boxes, placed, docked, edited
// through their items as a user edits them, and closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/ADMSuites.h"
#include "common/Prefs.h"
#include "core/host.h"
#include "host/calls.h"
#include "pageboxes/BoxControls.h"
#include "pageboxes/BoxMath.h"
#include "pageboxes/FramewickPlugIn.h"
#include "pageboxes/FramewickTool.h"
#include "testing/driver.h"
#include "testing/pdfmaker.h"

namespace {

// Two rows of the eight columns: check, grouping, colour, X, Y, W, H, unit.
#define ROW(base, y)                                                                                          \
  {base + 1, kPIItemCheckBox, "Box", 2, y, 40, 10, 0}, {base + 2, kPIItemStatic, "", 44, y, 20, 10, 0},     \
      {base + 3, kPIItemStatic, "", 66, y, 10, 10, 0}, {base + 4, kPIItemEdit, "", 78, y, 24, 10, 0},       \
      {base + 5, kPIItemEdit, "", 104, y, 24, 10, 0}, {base + 6, kPIItemEdit, "", 130, y, 24, 10, 0},       \
      {base + 7, kPIItemEdit, "", 156, y, 24, 10, 0}, {base + 8, kPIItemStatic, "mm", 182, y, 14, 10, 0}
const PIDialogItemTemplate kRows[] = {ROW(10, 4), ROW(20, 18)};
const PIDialogTemplate kPalettes[] = {{980, "Boxes", 200, 34, "MS Sans Serif", 8, kRows, PI_COUNT_OF(kRows)},
                                      {981, "More", 200, 34, "MS Sans Serif", 8, kRows, PI_COUNT_OF(kRows)}};
const PIResourceTable kTable = {kPalettes, PI_COUNT_OF(kPalettes), nullptr, 0, nullptr, 0};
const PIResourceTable* const kTables[] = {&kTable, &Zentu::kFramewickResources};
const PIResourceDirectory kDirectory = {sizeof(PIResourceDirectory), kTables, PI_COUNT_OF(kTables)};

const ASInt32 kFirst[8] = {11, 12, 13, 14, 15, 16, 17, 18}, kSecond[8] = {21, 22, 23, 24, 25, 26, 27, 28};

// A palette of rows bound to the tool's boxes, rows 3 on copied from row 2.
class TestPalette : public GroupedADMDialog, public BoxControlsOwner {
 public:
  TestPalette(ASInt32 number, const char* name, FramewickTool& tool, std::vector<PageBox*> boxes)
      : number_(number), name_(name), tool_(tool), boxes_(std::move(boxes)) {}
  ~TestPalette() override {
    for (BoxControls* row : rows) delete row;
    ++gDeleted;
  }
  bool DoModeless(ASInt32 style, ASInt32 options) override {
    return OpenModeless(name_, number_, style, options);
  }
  void InitSelf() override {
    if (failInit) throw std::runtime_error("no palette");
    for (size_t i = 0; i < boxes_.size(); ++i) {
      if (i < 2) {
        rows.push_back(new BoxControls(this, &tool_.mediaBox, boxes_[i], i ? kSecond : kFirst));
      } else {
        ADMRect one{}, two{};
        ADMItem::GetBoundsRect(ADMDialog::GetItem(dialog_, 11), &one);
        ADMItem::GetBoundsRect(ADMDialog::GetItem(dialog_, 21), &two);
        rows.push_back(new BoxControls(this, &tool_.mediaBox, boxes_[i], *rows[1],
                                       static_cast<ASInt32>(i - 1) * (two.top - one.top)));
      }
    }
  }
  void DestroySelf() override {}
  void Notify(ADMNotifierRef notifier) override {
    GroupedADMDialog::Notify(notifier);
    if (!ADMNotifier::IsNotifierType(notifier, ADM_NOTIFY_USER_CHANGED)) return;
    if (throwInNotify) throw -1;
    ADMItemRef item = ADMNotifier::GetItem(notifier);
    auto row = rowOfItem.find(ADMItem::GetID(item));
    if (row != rowOfItem.end()) row->second->OnItemNotify(item);
  }

  std::vector<BoxControls*> rows;
  bool failInit = false, throwInNotify = false;
  static int gDeleted;

 private:
  ASInt32 number_;
  const char* name_;
  FramewickTool& tool_;
  std::vector<PageBox*> boxes_;
};
int TestPalette::gDeleted = 0;

std::string Rect(const ASFixedRect& r) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "[%g %g %g %g]", r.left / 65536.0, r.bottom / 65536.0, r.right / 65536.0,
                r.top / 65536.0);
  return buf;
}

class PaletteTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    hosttest::BindTables();
    hosttest::RegisterResources(&kDirectory);
  }
  void SetUp() override {
    ::setenv("PLUGHOST_HOME", home_.File("settings").c_str(), 1);
    Prefs::Section().clear();
    host::SetPreference(39, 1);
    host::SetDocking(false);
    TestPalette::gDeleted = 0;
  }
  void TearDown() override {
    FramewickTool::DeleteInstance();
    host::CloseAllDocuments();
    hosttest::ResetTools();
    Prefs::Section().clear();
  }
  // The tool made active on page 1 of `file`, after `before` was active.
  FramewickTool& Active(const std::string& file, const char* before = "Select") {
    host::OpenInView(file);
    FramewickTool* tool = FramewickTool::Instance();
    tool->dialogGroup.makesPalettes = false;
    AVAppRegisterTool(tool->record);
    std::string why;
    host::ActivateToolOfType(before, &why);
    AVAppSetActiveTool(tool->record, 1);
    return *tool;
  }
  // Palettes added to the tool's group and opened with `style`.
  std::vector<TestPalette*> Open(FramewickTool& tool, int count, ASInt32 style = 5, bool failSecond = false) {
    std::vector<TestPalette*> out;
    for (int i = 0; i < count; ++i) {
      auto* p = new TestPalette(980 + i, i ? "Zent:QFXToolMore" : "Zent:QFXToolBoxes", tool,
                                i ? std::vector<PageBox*>{tool.boxes[0], tool.boxes[1]} : tool.boxes);
      p->failInit = failSecond && i == 1;
      EXPECT_TRUE(tool.dialogGroup.AddDialog(p));
      out.push_back(p);
    }
    EXPECT_EQ(tool.dialogGroup.OpenAll(style, 0), !failSecond);
    return out;
  }
  static host::ItemView View(TestPalette* p, ASInt32 id) {
    for (const auto& item : host::DescribeDialog(p->GetDialogRef()).items)
      if (item.id == id) return item;
    ADD_FAILURE() << "no item " << id;
    return host::ItemView{};
  }
  static void Set(TestPalette* p, ASInt32 id, const std::string& text) {
    std::string why;
    EXPECT_TRUE(host::SetItemText(View(p, id).ref, text, &why)) << why;
    host::DrawPending();
  }
  static bool Track(TestPalette* p, ASInt32 id, ASInt32 x, ASInt32 y) {
    std::string why;
    bool done = host::TrackItem(View(p, id).ref, x, y, &why);
    host::DrawPending();
    return done;
  }
  hosttest::TempDir home_;
};

// Values and labels of the rows, edits through X, Y, W and H, the anchor
// and lock cells, and the copied row of the live-area box.
TEST_F(PaletteTest, RowsShowAndEditTheBoxesInTheUnitOfDisplay) {
  FramewickTool& tool = Active(SAMPLES "/boxes.pdf");
  hosttest::TestDriver driver;
  TestPalette* p = Open(tool, 1)[0];
  PageBox &bleed = *tool.boxes[0], &trim = *tool.boxes[1];
  const struct {
    ASInt32 id;
    const char* text;
    bool enabled;
  } shown[] = {{14, "0.375", true},  {15, "0.375", true},  {16, "7.750", true}, {17, "10.250", true},
               {24, "0.500", true},  {25, "0.500", true},  {26, "7.500", true}, {27, "10.000", true},
               {18, "in", true},     {28, "in", true},     {128, "in", true},   {121, "Art/Live", true},
               {11, "Bleed", true}};
  for (const auto& row : shown) {
    SCOPED_TRACE(row.id);
    EXPECT_EQ(View(p, row.id).text, row.text);
    EXPECT_EQ(View(p, row.id).enabled, row.enabled);
  }
  for (ASInt32 id : {124, 125, 126, 127}) EXPECT_FALSE(View(p, id).enabled) << id;
  EXPECT_FALSE(View(p, 121).on);
  EXPECT_EQ(View(p, 121).bounds.top - View(p, 21).bounds.top, View(p, 21).bounds.top - View(p, 11).bounds.top);
  EXPECT_EQ(View(p, 221).bounds.top - View(p, 121).bounds.top, View(p, 21).bounds.top - View(p, 11).bounds.top);
  std::string why;
  ASSERT_TRUE(host::CheckItem(View(p, 121).ref, true, &why)) << why;
  host::DrawPending();
  EXPECT_EQ(View(p, 126).text + " " + View(p, 127).text, "8.500 11.000");

  // Each edit from the trim box as loaded; a value as shown changes nothing.
  const ASFixedRect loaded = trim.Rect();
  const struct {
    ASInt32 id;
    const char* value;
    const char* rect;
  } edits[] = {{26, "8", "[36 36 612 756]"}, {24, "1", "[72 36 612 756]"},   {27, "11", "[36 -36 576 756]"},
               {25, "0.5", "[36 36 576 756]"}, {26, "7.500", "[36 36 576 756]"}, {24, "x", "[36 36 576 756]"}};
  for (const auto& edit : edits) {
    SCOPED_TRACE(edit.value);
    trim.SetRect(loaded);
    host::DrawPending();
    hosttest::ClearCallLog();
    Set(p, edit.id, edit.value);
    EXPECT_EQ(Rect(trim.Rect()), edit.rect);
    if (Rect(trim.Rect()) == Rect(loaded)) {
      EXPECT_TRUE(hosttest::CallLog().empty());
    }
  }
  EXPECT_EQ(View(p, 24).text, "0.500");  // no number: the value shown comes back

  // Left of the trim cell's middle: the anchor; right of the bleed's: its lock.
  EXPECT_TRUE(Track(p, 22, 0, 5));
  EXPECT_EQ(PageBox::Anchor::Global().Box(), &trim);
  EXPECT_EQ(View(p, 22).text, "icon Zent_Framewick_Anchor");
  EXPECT_EQ(View(p, 12).text, "icon Zent_Framewick_Unlocked");  // the anchor before shows it no more
  EXPECT_TRUE(Track(p, 12, 30, 5));
  EXPECT_TRUE(bleed.Locked());
  EXPECT_EQ(View(p, 12).text, "icon Zent_Framewick_Locked");
  std::string enabled;
  for (ASInt32 id : {14, 15, 16, 17}) enabled += View(p, id).enabled ? "1" : "0";
  EXPECT_EQ(enabled, "0011");
  Set(p, 26, "8");
  EXPECT_EQ(Rect(bleed.Rect()), "[45 27 603 765]");
  // The anchor's lock half, a switched-off box's cell and a point outside: nothing.
  EXPECT_FALSE(Track(p, 22, 30, 5) && trim.Locked());
  EXPECT_FALSE(trim.Locked());
  bleed.SetEnabled(false);
  const bool locked = bleed.Locked();
  Track(p, 12, 30, 5);
  EXPECT_EQ(bleed.Locked(), locked);
  EXPECT_FALSE(host::TrackItem(View(p, 12).ref, 31, 5, &why));
  EXPECT_NE(why.find("outside"), std::string::npos);
}

// The colour cell opens the picker (16-bit x 65536 / 65535 + 0.5, truncated);
// suspended overlays draw and invalidate nothing; A4 in millimetres, and
// 279.4 mm typed is 792 points; with every row gone the unit is read again.
TEST_F(PaletteTest, ColoursOverlaysAndUnits) {
  {
    FramewickTool& tool = Active(SAMPLES "/boxes.pdf");
    hosttest::TestDriver driver;
    driver.AnswerColor(32768, 65535, 0);
    TestPalette* p = Open(tool, 1)[0];
    Track(p, 13, 2, 2);
    EXPECT_EQ(driver.Events().back(), "color 0 0 65535");
    auto draws = [] {
      std::string all;
      for (const std::string& line : host::DrawView(AVAppGetActiveDoc())) all += line + "\n";
      return all;
    };
    EXPECT_NE(draws().find("color 0.50002 1 0\n  rect -2 27 614 765"), std::string::npos);

    for (BoxControls* row : p->rows) row->SetOverlaySuspended(true);
    draws();
    hosttest::ClearCallLog();
    ASFixedRect r = tool.boxes[1]->Rect();
    r.left += 0x10000 * 10, r.right += 0x10000 * 10;
    tool.boxes[1]->SetRect(r);
    EXPECT_EQ(draws(), "DRAW page 1\n");
    for (BoxControls* row : p->rows) row->SetOverlaySuspended(false);
    bool strip = false;
    for (const std::string& line : hosttest::CallLog()) strip = strip || line == "invalidate 46 0 52 792";
    EXPECT_TRUE(strip);
    EXPECT_NE(draws().find("frame 46 36 586 756"), std::string::npos);
  }
  FramewickTool::DeleteInstance();
  EXPECT_EQ(Prefs::Section()["Color|BleedBox"], "0.50002 1 0");
  host::CloseAllDocuments();
  hosttest::ResetTools();

  const std::string a4 = home_.File("a4.pdf");
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595.276 841.89] >>"};
  hosttest::WriteFile(a4, hosttest::MakePdf(spec));
  host::SetPreference(39, 2);
  FramewickTool& tool = Active(a4);
  hosttest::TestDriver driver;
  TestPalette* p = Open(tool, 1)[0];
  std::string why;
  ASSERT_TRUE(host::CheckItem(View(p, 21).ref, true, &why)) << why;
  host::DrawPending();
  EXPECT_EQ(View(p, 18).text, "mm");
  // 16.16 values within 0.001, shown with three decimals.
  EXPECT_NEAR(std::stod(View(p, 26).text), 210, 0.0015);
  EXPECT_NEAR(std::stod(View(p, 27).text), 297, 0.0015);
  Set(p, 27, "279.4");
  EXPECT_EQ(HeightOf(tool.boxes[1]->Rect()), 792 * fixedOne);
  EXPECT_EQ(View(p, 27).text, "279.400");
  host::SetPreference(39, 3);
  driver.AnswerAlert(2);  // the trim box switched on is an edit
  tool.dialogGroup.CloseAll();
  p = Open(tool, 1)[0];
  EXPECT_EQ(View(p, 28).text, "pt");
}

// Placement, docking, refusals and a palette that fails to open.
TEST_F(PaletteTest, PalettesArePlacedStoredAndDocked) {
  const struct {
    bool docking;
    const char* stored;  // the second palette's
    ADMRect first, second;
    bool secondStored;
  } rows[] = {{false, nullptr, {724, 0, 1024, 55}, {724, 55, 1024, 110}, true},
              {false, "10,20,300", {724, 0, 1024, 55}, {724, 55, 1024, 110}, true},
              {false, "10,20,300,400", {724, 0, 1024, 55}, {10, 20, 300, 400}, true},
              {true, nullptr, {724, 0, 1024, 55}, {0, 0, 0, 0}, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.stored ? row.stored : "none");
    Prefs::Section().clear();
    if (row.stored) Prefs::Set("Dialog|More|Bounds", row.stored);
    host::SetDocking(row.docking);
    FramewickTool& tool = Active(SAMPLES "/boxes.pdf");
    hosttest::TestDriver driver;
    auto p = Open(tool, 2);
    const ADMRect a = host::DescribeDialog(p[0]->GetDialogRef()).bounds;
    const ADMRect b = host::DescribeDialog(p[1]->GetDialogRef()).bounds;
    EXPECT_EQ(std::vector<ASInt32>({a.left, a.top, a.right, a.bottom}),
              std::vector<ASInt32>({row.first.left, row.first.top, row.first.right, row.first.bottom}));
    if (!row.docking) {
      EXPECT_EQ(std::vector<ASInt32>({b.left, b.top, b.right, b.bottom}),
                std::vector<ASInt32>({row.second.left, row.second.top, row.second.right, row.second.bottom}));
    }
    EXPECT_FALSE(tool.dialogGroup.AddDialog(p[1]));
    EXPECT_FALSE(tool.dialogGroup.AddDialog(nullptr));
    Prefs::Section().clear();
    tool.dialogGroup.CloseAll();
    EXPECT_EQ(Prefs::Section().count("Dialog|Boxes|Bounds"), 1u);
    EXPECT_EQ(Prefs::Section().count("Dialog|More|Bounds"), row.secondStored ? 1u : 0u);
    EXPECT_EQ(TestPalette::gDeleted, 2);
    TestPalette::gDeleted = 0;
    FramewickTool::DeleteInstance();
    host::CloseAllDocuments();
  }
  FramewickTool& tool = Active(SAMPLES "/boxes.pdf");
  hosttest::TestDriver driver;
  auto p = Open(tool, 2, 5, true);
  EXPECT_TRUE(host::DescribeDialog(p[0]->GetDialogRef()).visible);
  EXPECT_EQ(p[1]->GetDialogRef(), nullptr);
  tool.dialogGroup.CloseAll();
  EXPECT_EQ(TestPalette::gDeleted, 2);
}

// Either close box closes both, stores both placements and ends the editing
// once: the question, then the tool active before. A palette's throw is a
// note. The tool deleted under an open palette asks too.
TEST_F(PaletteTest, ClosingEndsTheEditingOnce) {
  for (int which = 0; which < 2; ++which) {
    SCOPED_TRACE(which);
    FramewickTool& tool = Active(SAMPLES "/boxes.pdf");
    hosttest::TestDriver driver;
    auto p = Open(tool, 2);
    p[which]->throwInNotify = true;
    Set(p[which], 26, "8");
    EXPECT_EQ(driver.Events().back(), "note An unknown error occurred.");
    EXPECT_TRUE(host::DescribeDialog(p[which]->GetDialogRef()).visible);
    p[which]->throwInNotify = false;
    Set(p[which], 26, "8");
    driver.AnswerAlert(2);
    std::string why;
    ASSERT_TRUE(host::PressCloseBox(p[which]->GetDialogRef(), &why)) << why;
    EXPECT_EQ(driver.StepsLeft(), 0u);
    EXPECT_EQ(std::count_if(driver.Events().begin(), driver.Events().end(),
                            [](const std::string& e) { return e.compare(0, 5, "note ") == 0; }),
              1);  // the throw's, no second question
    EXPECT_TRUE(host::OpenDialogs().empty());
    EXPECT_EQ(TestPalette::gDeleted, 2);
    EXPECT_EQ(Prefs::Section().count("Dialog|Boxes|Bounds") + Prefs::Section().count("Dialog|More|Bounds"), 2u);
    EXPECT_EQ(host::ActiveToolType(), "Select");
    EXPECT_EQ(tool.pageView, nullptr);
    FramewickTool::DeleteInstance();
    host::CloseAllDocuments();
    TestPalette::gDeleted = 0;
  }
  FramewickTool& tool = Active(SAMPLES "/boxes.pdf");
  hosttest::TestDriver driver;
  auto p = Open(tool, 1);
  Set(p[0], 26, "8");
  driver.AnswerAlert(2);
  FramewickTool::DeleteInstance();
  EXPECT_EQ(driver.StepsLeft(), 0u);
  EXPECT_EQ(TestPalette::gDeleted, 1);
  Prefs::Load();
  EXPECT_EQ(Prefs::Section().count("Dialog|Boxes|Bounds"), 1u);
}

}  // namespace
