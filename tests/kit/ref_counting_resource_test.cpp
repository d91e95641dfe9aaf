// RefCountingResource: counting, refusing a decrement past zero, and refusing to
// be destroyed while users remain.
#include "kit/ref_counting_resource.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "kit/error.h"
#include "kit/kit_test_support.h"

namespace {

// A resource as the store is one: its destructor checks for remaining users.
class Resource : public RefCountingResource {
 public:
  ~Resource() noexcept(false) override { checkNoReferences(); }
};

TEST(RefCountingResourceTest, PreAndPostOperatorsReturnNewAndOldCounts) {
  Resource r;
  EXPECT_EQ(0, r.numReferences());
  EXPECT_TRUE(r.canDelete());
  EXPECT_EQ(0, r++);
  EXPECT_EQ(2, ++r);
  EXPECT_FALSE(r.canDelete());
  EXPECT_EQ(2, r--);
  EXPECT_EQ(0, --r);
  EXPECT_TRUE(r.canDelete());
}

TEST(RefCountingResourceTest, DecrementAtZeroThrowsAndKeepsTheCount) {
  Resource r;
  for (int post = 0; post < 2; ++post) {
    try {
      if (post)
        r--;
      else
        --r;
      ADD_FAILURE() << "expected DerefWithNoRefs (post=" << post << ")";
    } catch (const RefCountingResource::DerefWithNoRefs& e) {
      EXPECT_STREQ("DerefWithNoRefs", e.message());
      EXPECT_EQ("Attempted decrement of referece count past zero: DerefWithNoRefs",
                e.description());
    }
    EXPECT_EQ(0, r.numReferences());
  }
  ++r;
  EXPECT_EQ(0, --r);
  EXPECT_TRUE(r.canDelete());
}

TEST(RefCountingResourceTest, DestroyingAResourceInUseThrowsDelResWithRefs) {
  auto* r = new Resource;
  (*r)++;
  try {
    delete r;
    ADD_FAILURE() << "expected DelResWithRefs";
  } catch (const RefCountingResource::DelResWithRefs& e) {
    EXPECT_STREQ("DelResWithRefs", e.message());
    EXPECT_EQ("Attempted delete of a resource with references to it: DelResWithRefs",
              e.description());
  }
  // An unused resource goes quietly.
  EXPECT_NO_THROW({ Resource unused; });
}

TEST(RefCountingResourceTest, InUseDuringUnwindingIsReportedNotThrown) {
  ScratchFolder scratch;
  try {
    Resource r;
    r++;
    throw std::runtime_error("first");
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ("first", e.what()) << "the first exception must arrive intact";
  }
  const std::vector<std::string> lines = logLines();
  ASSERT_EQ(1u, lines.size());
  std::string time, rest;
  ASSERT_TRUE(splitLogLine(lines[0], &time, &rest)) << lines[0];
  EXPECT_EQ("E: Attempted delete of a resource with references to it: DelResWithRefs", rest);
}

}  // namespace
