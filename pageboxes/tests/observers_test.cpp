#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "pageboxes/Subject.h"

namespace {

struct Recorder : Observer {
  void Update(Subject* subject, bool subjectDying) override { heard.emplace_back(subject, subjectDying); }
  std::vector<std::pair<Subject*, bool>> heard;
};

TEST(Observers, LinksHoldOnBothSidesWhicheverSideGoesFirst) {
  Subject subject;
  Recorder kept;
  subject.Attach(&kept);
  subject.Attach(&kept);
  subject.Notify();
  EXPECT_EQ(kept.heard.size(), 1u);

  // An observer destroyed first is never called again (the sanitizer build
  // would catch the call).
  auto gone = std::make_unique<Recorder>();
  subject.Attach(gone.get());
  EXPECT_TRUE(gone->Watches(&subject));
  gone.reset();
  subject.Notify();
  EXPECT_EQ(kept.heard.size(), 2u);

  // A subject destroyed first tells each observer once, and is forgotten.
  auto dying = std::make_unique<Subject>();
  Subject* raw = dying.get();
  dying->Attach(&kept);
  dying.reset();
  ASSERT_EQ(kept.heard.size(), 3u);
  EXPECT_EQ(kept.heard.back(), std::make_pair(raw, true));
  EXPECT_FALSE(kept.Watches(raw));

  // A notifier notifies once, and only when its flag was set.
  { Subject::Notifier untouched(&subject); }
  EXPECT_EQ(kept.heard.size(), 3u);
  {
    Subject::Notifier batch(&subject);
    batch.changed = true;
  }
  EXPECT_EQ(kept.heard.size(), 4u);
}

}  // namespace
