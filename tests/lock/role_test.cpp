#include "lock/role.h"

#include <gtest/gtest.h>

#include "tests/fakes/call_log.h"

namespace corvel {
namespace {

// Only the exact arguments that Corvel gives itself claim a role; whatever else is typed starts a
// plain lock. The claim is checked against the shared memory before it is taken.
TEST(RoleTest, OnlyCorvelsOwnArgumentsClaimARole) {
  struct Case {
    const wchar_t* arguments;
    RoleClaim claim;
  };
  const Case cases[] = {
      {L"", {}},
      {L"/watch 1234 56", {Role::kWatcher, 1234, 56}},
      {L"/watch 4294967295 0", {Role::kWatcher, 4294967295, 0}},
      {L"/watch 4294967296 56", {}},  // beyond 32 bits
      {L"/watch 1234", {}},
      {L"/watch 1234 56 78", {}},
      {L"/watch  1234 56", {}},
      {L"/watch 12a4 56", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(pw::testing::Utf8(c.arguments));
    const RoleClaim claim = ClaimedRole(c.arguments);
    EXPECT_EQ(claim.role, c.claim.role);
    EXPECT_EQ(claim.starter, c.claim.starter);
    EXPECT_EQ(claim.section, c.claim.section);
    if (claim.role != Role::kLock) EXPECT_EQ(RoleArguments(claim), c.arguments);
  }
}

}  // namespace
}  // namespace corvel
