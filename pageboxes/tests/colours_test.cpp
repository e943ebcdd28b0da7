#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/Prefs.h"
#include "core/host.h"
#include "pageboxes/PageBox.h"

namespace {

std::vector<ASFixed> ColourOf(const PageBox& box) {
  return {box.Colour()[0], box.Colour()[1], box.Colour()[2], box.Colour()[3]};
}

// The first colours loaded in this process, with an empty preference section.
TEST(BoxColours, DefaultsComeInTurnAndStoredColoursRoundTrip) {
  hosttest::BindTables();
  ASSERT_TRUE(Prefs::Section().empty());
  const ASFixed one = 0x10000;
  const std::vector<std::vector<ASFixed>> table = {{one, 0, 0, 0}, {0, 0, one, 0}, {one, 0, one, 0},
                                                   {0, one, 0, 0}, {0, one, one, 0}, {one, 0, 0, 0}};
  {
    std::vector<std::unique_ptr<PageBox>> boxes;
    for (const auto& colour : table) {
      boxes.push_back(std::make_unique<PageBox>(false, "TrimBox", "Trim"));
      EXPECT_EQ(boxes.back()->ColourSpace(), -1);  // loaded at the first Reset of use
      boxes.back()->Reset();
      EXPECT_EQ(boxes.back()->ColourSpace(), 1);
      EXPECT_EQ(ColourOf(*boxes.back()), colour);
    }
  }
  std::string stored;
  ASSERT_TRUE(Prefs::Get("Color|TrimBox", stored));
  EXPECT_EQ(stored, "1 0 0");

  // Two numbers are no colour: the next of the table instead.
  Prefs::Set("Color|BleedBox", "1 0");
  PageBox bleed(false, "BleedBox", "Bleed");
  bleed.Reset();
  EXPECT_EQ(ColourOf(bleed), table[1]);

  // A stored colour is loaded once, and written back as it was read.
  Prefs::Set("Color|ArtBox", "0.5 0.25 1");
  {
    PageBox art(false, "ArtBox", "Art/Live");
    art.Reset();
    EXPECT_EQ(ColourOf(art), (std::vector<ASFixed>{32768, 16384, 65536, 0}));
    Prefs::Set("Color|ArtBox", "0 0 0");
    art.Reset();
    EXPECT_EQ(ColourOf(art), (std::vector<ASFixed>{32768, 16384, 65536, 0}));
  }
  ASSERT_TRUE(Prefs::Get("Color|ArtBox", stored));
  EXPECT_EQ(stored, "0.5 0.25 1");
}

}  // namespace
