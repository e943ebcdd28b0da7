#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alternates/Commands.h"
#include "testing/driver.h"

namespace {

const ASUns32 kPalette[] = {0xFFFFFF};
const ASUns8 kPixels[4] = {0, 0, 0, 0};
const PIBitmapResource kBitmaps[] = {{6, 2, 2, 1, kPalette, kPixels}};  // no bitmap 7
const PIDialogItemTemplate kItems[] = {{1, kPIItemPushButton, "OK", 10, 60, 40, 14, kPIItemDefault},
                                       {7, kPIItemPicture, "Seven", 10, 10, 40, 40, 0},
                                       {6, kPIItemPicture, "Six", 60, 10, 40, 40, 0}};
const PIDialogTemplate kDialogs[] = {{129, "About Glimmerset", 120, 80, "", 8, kItems, PI_COUNT_OF(kItems)}};
const PIResourceTable kTable = {kDialogs, PI_COUNT_OF(kDialogs), kBitmaps, PI_COUNT_OF(kBitmaps), nullptr, 0};
const PIResourceTable* const kTables[] = {&kTable};
const PIResourceDirectory kDirectory = {sizeof(PIResourceDirectory), kTables, 1};

TEST(AboutPictureTest, CopiesItsBitmapAndOneMissingDrawsNothing) {
  hosttest::BindTables();
  hosttest::RegisterResources(&kDirectory);
  int bitmaps = hosttest::LiveBitmaps(), contexts = hosttest::LiveDeviceContexts();
  {
    hosttest::TestDriver driver;
    driver.Look([](ADMDialogRef d) {
      for (const host::ItemView& item : host::DescribeDialog(d).items) {
        if (item.id == 6) {
          EXPECT_EQ(item.text, "bitmap 6");
          EXPECT_EQ(item.bounds.right - item.bounds.left, 60);  // not resized to the bitmap
        } else if (item.id == 7) {
          EXPECT_EQ(item.text, "Seven");
        }
      }
      EXPECT_EQ(hosttest::LiveDeviceContexts(), 0);  // the memory context went after the copy
    });
    driver.Press(1);
    AboutCommand().Execute();
    EXPECT_EQ(driver.Events(), (std::vector<std::string>{"open 129", "close 129 1"}));
  }
  EXPECT_EQ(hosttest::LiveBitmaps(), bitmaps);
  EXPECT_EQ(hosttest::LiveDeviceContexts(), contexts);
}

}  // namespace
