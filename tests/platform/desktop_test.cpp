// The desktops: default answers, scripted answers and the record of what was shown.
#include <gtest/gtest.h>

#include "platform/system/desktop.h"

namespace {

TEST(Desktop, DefaultAnswerIsTheDefaultButton) {
  struct { UINT type; int answer; } cases[] = {
      {MB_OK, IDOK},
      {MB_OKCANCEL, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_YESNO | MB_ICONSTOP, IDYES},
      {MB_YESNO | MB_DEFBUTTON2, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.answer, defaultMessageBoxAnswer(c.type)) << "type 0x" << std::hex << c.type;
}

TEST(Desktop, HeadlessAnswerDoesLeast) {
  struct { UINT type; int answer; } cases[] = {
      {MB_OK, IDOK},
      {MB_OKCANCEL | MB_ICONSTOP, IDCANCEL},
      {MB_YESNO | MB_ICONSTOP, IDNO},
      {MB_YESNOCANCEL, IDCANCEL},
      {MB_RETRYCANCEL, IDCANCEL},
  };
  HeadlessDesktop headless;
  for (const auto& c : cases) {
    EXPECT_EQ(c.answer, cautiousMessageBoxAnswer(c.type)) << "type 0x" << std::hex << c.type;
    EXPECT_EQ(c.answer, headless.messageBox(nullptr, "text", "caption", c.type));
  }
}

TEST(Desktop, ScriptedDesktopAnswersInOrderAndRecordsEverything) {
  ScriptedDesktop d;
  DesktopScope scope(d);
  d.answer(IDNO);
  d.answerText(IDOK, "a very long answer");
  EXPECT_EQ(IDNO, MessageBox(nullptr, "Save?", "Book", MB_YESNO));
  char buf[8] = "7";
  EXPECT_EQ(IDOK, currentDesktop().inputBox(nullptr, "Title", "Number:", buf, sizeof buf));
  EXPECT_STREQ("a very ", buf) << "the answer is cut to the buffer";
  EXPECT_EQ(IDOK, MessageBox(nullptr, "Done", nullptr, MB_OK)) << "empty queue: default answer";
  MessageBeep(MB_ICONEXCLAMATION);
  currentDesktop().playSound("NXSELECT.WAV", SND_ASYNC | SND_NODEFAULT);

  ASSERT_EQ(5u, d.events().size());
  EXPECT_EQ("Save?", d.events()[0].text);
  EXPECT_EQ("Book", d.events()[0].caption);
  EXPECT_EQ(IDNO, d.events()[0].answer);
  EXPECT_EQ("Number:", d.events()[1].text);
  EXPECT_EQ("Title", d.events()[1].caption);
  ASSERT_EQ(1u, d.eventsOf(ScriptedDesktop::Kind::Beep).size());
  EXPECT_EQ(MB_ICONEXCLAMATION, d.eventsOf(ScriptedDesktop::Kind::Beep)[0].type);
  ASSERT_EQ(1u, d.eventsOf(ScriptedDesktop::Kind::Sound).size());
  EXPECT_EQ("NXSELECT.WAV", d.eventsOf(ScriptedDesktop::Kind::Sound)[0].text);
}

TEST(Desktop, ScopeRestoresThePreviousDesktop) {
  Desktop* before = &currentDesktop();
  {
    ScriptedDesktop d;
    DesktopScope scope(d);
    EXPECT_EQ(&d, &currentDesktop());
  }
  EXPECT_EQ(before, &currentDesktop());
  char buf[4] = "";
  EXPECT_EQ(IDCANCEL, currentDesktop().inputBox(nullptr, "t", "p", buf, sizeof buf))
      << "nobody can type into the headless desktop";
}

}  // namespace
