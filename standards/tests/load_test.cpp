// Loading and unloading the standards, in a program that names none of
// them: only the load function can have put them in the registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <boost/weak_ptr.hpp>

#include "core/host.h"
#include "engine/Conformance.h"
#include "engine/Fixers.h"
#include "standards/Standards.h"

namespace {

TEST(StandardsLoad, TwoStandardsFromLoadToUnloadAndAgain) {
  hosttest::BindTables();
  const std::vector<std::string> registered = {"PDF/X-1a:2001", "PDF/X-3"};
  EXPECT_TRUE(Zentu::Conformance::RegisteredNames().empty()) << "nothing registers itself";
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE("load " + std::to_string(round + 1));
    Zentu::LoadStandards();
    Zentu::LoadStandards();
    EXPECT_EQ(Zentu::Conformance::RegisteredNames(), registered);
    EXPECT_TRUE(Zentu::GlobalFixers::OperatorRemoval() && Zentu::GlobalFixers::TransparencyRemoval());
    // Exact names only: the family's base, the version text and other spellings make none.
    for (const char* other : {"PDF/X-1:2001", "PDF/X-3:2002", "pdf/x-3", ""})
      EXPECT_FALSE(Zentu::Conformance::CreateByName(other)) << other;
    for (const std::string& name : registered) {
      boost::shared_ptr<Zentu::Conformance> first = Zentu::Conformance::CreateByName(name);
      boost::shared_ptr<Zentu::Conformance> second = Zentu::Conformance::CreateByName(name);
      ASSERT_TRUE(first && second) << name;
      EXPECT_NE(first, second);
      EXPECT_EQ(first->name, name);
      EXPECT_TRUE(first->highestVersionF == 1.3f && first->highestVersion == 1.3) << name;
    }
    boost::weak_ptr<Zentu::Fixer> unheld = Zentu::GlobalFixers::OperatorRemoval();
    Zentu::UnloadStandards();
    EXPECT_TRUE(Zentu::Conformance::RegisteredNames().empty());
    EXPECT_TRUE(unheld.expired());
  }
}

}  // namespace
