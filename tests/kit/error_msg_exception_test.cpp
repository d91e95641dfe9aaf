// ErrorMsgException and the family macro: messages, kind texts, descriptions and
// the line an exception reports.
#include "kit/error_msg_exception.h"

#include <gtest/gtest.h>

#include "kit/error.h"
#include "kit/kit_test_support.h"
#include "kit/ref_counting_resource.h"

namespace {

// A family shaped like the store's: an abstract middle class and concrete leaves.
class FamilyException : public ErrorMsgException {
 public:
  explicit FamilyException(const char* message) : ErrorMsgException(message) {}
};
TVX_DECLARE_EXCEPTION(LeafException, FamilyException, "Bad leaf");
TVX_DECLARE_EXCEPTION(DeeperException, LeafException, "Deeper leaf");

TEST(ErrorMsgExceptionTest, KindTextsAndDescriptions) {
  struct Case {
    const ErrorMsgException& e;
    const char* kind;
    const char* message;
    const char* description;
  };
  const LeafException leafEmpty;
  const LeafException leaf("Read failed");
  const DeeperException deeper("x");
  const DeeperException deeperNull(nullptr);
  const RefCountingResource::DerefWithNoRefs deref("DerefWithNoRefs");
  const RefCountingResource::DelResWithRefs delres("DelResWithRefs");
  const RefCountingResource::DelResWithRefs delresEmpty;
  const Case cases[] = {
      {leafEmpty, "Bad leaf", "", "Bad leaf"},
      {leaf, "Bad leaf", "Read failed", "Bad leaf: Read failed"},
      {deeper, "Deeper leaf", "x", "Deeper leaf: x"},
      {deeperNull, "Deeper leaf", "", "Deeper leaf"},
      {deref, "Attempted decrement of referece count past zero", "DerefWithNoRefs",
       "Attempted decrement of referece count past zero: DerefWithNoRefs"},
      {delres, "Attempted delete of a resource with references to it", "DelResWithRefs",
       "Attempted delete of a resource with references to it: DelResWithRefs"},
      {delresEmpty, "Attempted delete of a resource with references to it", "",
       "Attempted delete of a resource with references to it"},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(c.kind, c.e.kindText());
    EXPECT_STREQ(c.message, c.e.message());
    EXPECT_STREQ(c.message, c.e.what());
    EXPECT_EQ(c.description, c.e.description());
  }
}

TEST(ErrorMsgExceptionTest, KeepsItsOwnCopyOfTheMessage) {
  char text[] = "handle 12";
  const LeafException e(text);
  text[0] = 'X';
  EXPECT_STREQ("handle 12", e.message());
  const LeafException copy(e);
  EXPECT_STREQ("handle 12", copy.message());
}

TEST(ErrorMsgExceptionTest, CaughtThroughTheFamilyBases) {
  try {
    throw DeeperException("deep");
  } catch (const FamilyException& e) {
    EXPECT_STREQ("Deeper leaf", e.kindText());
    EXPECT_EQ("Deeper leaf: deep", e.description());
  }
}

TEST(ErrorMsgExceptionTest, ReportLogsKindTextAndMessage) {
  ScratchFolder scratch;
  LeafException("Write failed").report(HWND_NOBOX, 'W');
  LeafException().report(HWND_NOBOX, 'E');
  const std::vector<std::string> lines = logLines();
  ASSERT_EQ(2u, lines.size());
  const char* expected[] = {"W: Bad leaf: Write failed", "E: Bad leaf."};
  for (int i = 0; i < 2; ++i) {
    std::string time, rest;
    ASSERT_TRUE(splitLogLine(lines[i], &time, &rest)) << lines[i];
    EXPECT_EQ(expected[i], rest);
  }
}

}  // namespace
