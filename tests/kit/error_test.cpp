// The error channel: log lines, trace indentation, handlers, message boxes and
// beeps; and the two interactive utilities memOK and getNonNegInt.
#include "kit/error.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "kit/kit_test_support.h"
#include "platform/system/desktop.h"
#include "platform/system/system.h"
#include "platform/owl/t_window.h"

namespace {

using Kind = ScriptedDesktop::Kind;

HWND fakeWindow() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234)); }

class RecordingHandler : public ErrorHandler {
 public:
  explicit RecordingHandler(int result) : result_(result) {}
  int handleError(char kind, const char* text) override {
    calls.emplace_back(kind, text);
    return result_;
  }
  std::vector<std::pair<char, std::string>> calls;

 private:
  int result_;
};

std::vector<std::string> debugOutput;
void recordDebug(const char* text) { debugOutput.push_back(text); }

class ErrorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetErrorTraceIndent();
    ErrorHandler::setApplicationHandler(nullptr);
    ErrorHandler::setMainWindowHandler(nullptr);
    debugOutput.clear();
    previousSink_ = setDebugSink(recordDebug);
  }
  void TearDown() override {
    ErrorHandler::setApplicationHandler(nullptr);
    ErrorHandler::setMainWindowHandler(nullptr);
    setDebugSink(previousSink_);
    clearAvailVirtualOverride();
    resetErrorTraceIndent();
  }

  // The log lines without their time part; fails on a line of the wrong shape.
  std::vector<std::string> loggedMessages() {
    std::vector<std::string> messages;
    for (const std::string& line : logLines()) {
      std::string time, rest;
      EXPECT_TRUE(splitLogLine(line, &time, &rest)) << "not a log line: " << line;
      messages.push_back(rest);
    }
    return messages;
  }

  ScratchFolder scratch_;
  ScriptedDesktop desktop_;
  DesktopScope scope_{desktop_};
  DebugSink previousSink_ = nullptr;
};

TEST_F(ErrorTest, WarningLineHasTheExactLayout) {
  error(HWND_NOBOX, 'W', "Cannot close FHandle: %s", "x");
  const std::string log = readFile(errorLogPath());
  ASSERT_EQ(1 + 24 + 2 + std::string("W: Cannot close FHandle: x\n").size(), log.size()) << log;
  EXPECT_EQ('[', log[0]);
  EXPECT_EQ("] W: Cannot close FHandle: x\n", log.substr(25));
  std::string time, rest;
  EXPECT_TRUE(splitLogLine(log.substr(0, log.size() - 1), &time, &rest)) << log;
  EXPECT_EQ(std::string::npos, time.find('\n'));
}

TEST_F(ErrorTest, LinesAreAppendedToTheLogInTheLogFolder) {
  EXPECT_EQ(scratch_.path() + "/TAVIXAPP.log", errorLogPath());
  writeFile(errorLogPath(), "earlier line\n");
  error(HWND_NOBOX, 'I', "one %d", 1);
  error(HWND_NOBOX, 'E', "two");
  const std::vector<std::string> lines = logLines();
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ("earlier line", lines[0]);
  std::string time, rest;
  ASSERT_TRUE(splitLogLine(lines[1], &time, &rest));
  EXPECT_EQ("I: one 1", rest);
  ASSERT_TRUE(splitLogLine(lines[2], &time, &rest));
  EXPECT_EQ("E: two", rest);
}

TEST_F(ErrorTest, TraceIndentationFollowsEntriesAndExits) {
  error(HWND_NOBOX, 'T', "enter a");
  error(HWND_NOBOX, 'T', "enter b");
  error(HWND_NOBOX, 'W', "inside");
  error(HWND_NOBOX, 't', "leave b");
  error(HWND_NOBOX, 't', "leave a");
  error(HWND_NOBOX, 't', "extra leave");
  EXPECT_EQ(0, errorTraceIndent()) << "a 't' at 0 must stay at 0";
  error(HWND_NOBOX, 'T', "again");
  EXPECT_EQ(1, errorTraceIndent());
  const std::vector<std::string> expected = {
      "T: enter a", "T:  enter b", "W: inside",   "t:  leave b",
      "t: leave a", "t: extra leave", "T: again"};
  EXPECT_EQ(expected, loggedMessages());
}

TEST_F(ErrorTest, NotesAreNeverLoggedButReachTheHandlerBare) {
  RecordingHandler handler(0);
  ErrorHandler::setApplicationHandler(&handler);
  error(fakeWindow(), 'Z', "status %d", 7);
  error(fakeWindow(), 'z', "quiet");
  EXPECT_FALSE(fileExists(errorLogPath()));
  const std::vector<std::pair<char, std::string>> expected = {{'Z', "status 7"},
                                                              {'z', "quiet"}};
  EXPECT_EQ(expected, handler.calls);
  EXPECT_TRUE(desktop_.events().empty()) << "a handler returning 0 takes the message";
}

TEST_F(ErrorTest, NoBoxWindowNeverShowsABoxAndLowersTheKind) {
  RecordingHandler handler(1);  // would ask for a box if one could be shown
  ErrorHandler::setApplicationHandler(&handler);
  const char kinds[] = {'E', 'F', 'W', 'I', 'T', 't', 'Z', 'z', 'q'};
  for (char kind : kinds) error(HWND_NOBOX, kind, "k");
  EXPECT_TRUE(desktop_.events().empty()) << "no box and no beep with the no-box window";
  const std::vector<std::pair<char, std::string>> expected = {
      {'%', "E: k"}, {'&', "F: k"}, {'7', "W: k"}, {')', "I: k"}, {'4', "T: k"},
      {'t', "t: k"}, {':', "Z: k"}, {'z', "z: k"}, {'q', "q: k"}};
  EXPECT_EQ(expected, handler.calls);
}

TEST_F(ErrorTest, BoxIconsAndBeepsFollowTheKind) {
  struct Case {
    char kind;
    UINT icon;
    bool beeps;
  };
  const Case cases[] = {
      {'E', MB_ICONEXCLAMATION, true}, {'W', MB_ICONEXCLAMATION, true},
      {'I', MB_ICONINFORMATION, false}, {'T', MB_ICONQUESTION, false},
      {'t', MB_ICONQUESTION, false},   {'Z', MB_ICONQUESTION, false},
      {'x', MB_ICONQUESTION, false},
  };
  for (const Case& c : cases) {
    desktop_.clear();
    error(fakeWindow(), c.kind, "text %s", "here");
    const std::vector<ScriptedDesktop::Event> events = desktop_.events();
    ASSERT_EQ(c.beeps ? 2u : 1u, events.size()) << "kind " << c.kind;
    EXPECT_EQ(Kind::MessageBox, events[0].kind);
    EXPECT_EQ(fakeWindow(), events[0].owner);
    EXPECT_EQ(std::string(1, c.kind) + ": text here", events[0].text);
    EXPECT_EQ("", events[0].caption) << "the default caption";
    EXPECT_EQ(MB_OK | c.icon, events[0].type) << "kind " << c.kind;
    if (c.beeps) {
      EXPECT_EQ(Kind::Beep, events[1].kind);
      EXPECT_EQ(c.icon, events[1].type) << "kind " << c.kind;
    }
  }
}

TEST_F(ErrorTest, HandlerChoiceApplicationFirstThenMainWindow) {
  RecordingHandler app(0), mainWindow(0);
  ErrorHandler::setMainWindowHandler(&mainWindow);
  error(fakeWindow(), 'I', "to the window");
  ErrorHandler::setApplicationHandler(&app);
  error(fakeWindow(), 'I', "to the application");
  ASSERT_EQ(1u, mainWindow.calls.size());
  EXPECT_EQ('I', mainWindow.calls[0].first);
  EXPECT_EQ("I: to the window", mainWindow.calls[0].second);
  ASSERT_EQ(1u, app.calls.size());
  EXPECT_EQ("I: to the application", app.calls[0].second);
  EXPECT_TRUE(desktop_.eventsOf(Kind::MessageBox).empty());
}

TEST_F(ErrorTest, HandlerAskingForTheBoxGetsItWithTheBeep) {
  RecordingHandler handler(1);
  ErrorHandler::setApplicationHandler(&handler);
  error(nullptr, 'E', "failed");
  ASSERT_EQ(1u, handler.calls.size());
  EXPECT_EQ('E', handler.calls[0].first) << "unlowered when a box may be shown";
  EXPECT_EQ("E: failed", handler.calls[0].second);
  ASSERT_EQ(2u, desktop_.events().size());
  EXPECT_EQ("E: failed", desktop_.events()[0].text);
  EXPECT_EQ(MB_OK | MB_ICONEXCLAMATION, desktop_.events()[0].type);
  EXPECT_EQ(Kind::Beep, desktop_.events()[1].kind);
}

TEST_F(ErrorTest, FatalAnsweredNoGoesToDebugOutputWithoutTheHandler) {
  RecordingHandler handler(0);
  ErrorHandler::setApplicationHandler(&handler);
  desktop_.answer(IDNO);
  error(fakeWindow(), 'F', "store %s", "broken");
  EXPECT_TRUE(handler.calls.empty()) << "a fatal message always asks the person";
  const std::vector<ScriptedDesktop::Event> events = desktop_.events();
  ASSERT_EQ(2u, events.size());
  EXPECT_EQ("F: store broken\n\nAbort program?", events[0].text);
  EXPECT_EQ("", events[0].caption);
  EXPECT_EQ(MB_YESNO | MB_ICONSTOP, events[0].type);
  EXPECT_EQ(Kind::Beep, events[1].kind);
  EXPECT_EQ(MB_ICONSTOP, events[1].type);
  ASSERT_EQ(1u, debugOutput.size());
  EXPECT_EQ("F: store broken", debugOutput[0]);
  EXPECT_EQ(std::vector<std::string>{"F: store broken"}, loggedMessages());
}

TEST_F(ErrorTest, FatalAnsweredYesEndsTheProcessWithStatusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        desktop_.answer(IDYES);
        error(fakeWindow(), 'F', "cannot go on");
      },
      ::testing::ExitedWithCode(1), "");
}

TEST_F(ErrorTest, LongTextsAreCutToTheMessageBuffer) {
  const std::string longText(400, 'a');
  error(HWND_NOBOX, 'W', "%s", longText.c_str());
  const std::vector<std::string> messages = loggedMessages();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("W: " + std::string(296, 'a'), messages[0]);
}

TEST_F(ErrorTest, UnwritableLogIsSkippedSilently) {
  const std::string blocker = scratch_.file("not-a-folder");
  writeFile(blocker, "x");
  setenv("TAVIX_LOG_DIR", (blocker + "/log").c_str(), 1);
  error(fakeWindow(), 'E', "still shown");
  ASSERT_EQ(2u, desktop_.events().size());
  EXPECT_EQ("E: still shown", desktop_.events()[0].text);
}

// ---- memOK ----

// Frees memory (clears the override) when the person presses OK.
class FreeingDesktop : public ScriptedDesktop {
 public:
  int messageBox(HWND owner, const char* text, const char* caption, UINT type) override {
    const int answer = ScriptedDesktop::messageBox(owner, text, caption, type);
    if (answer == IDOK) setAvailVirtualOverride(1u << 30);
    return answer;
  }
};

TEST_F(ErrorTest, MemOKWithEnoughMemoryAsksNothing) {
  setAvailVirtualOverride(5000);
  EXPECT_EQ(1, memOK(nullptr, 4999));
  EXPECT_EQ(1, memOK(nullptr, 5000));
  EXPECT_TRUE(desktop_.events().empty());
  EXPECT_FALSE(fileExists(errorLogPath()));
}

TEST_F(ErrorTest, MemOKWhenLowLogsWarnsAndCancelGivesUp) {
  RecordingHandler handler(0);
  ErrorHandler::setApplicationHandler(&handler);
  setAvailVirtualOverride(1000);
  TWindow window;
  window.HWindow = fakeWindow();
  desktop_.answer(IDCANCEL);
  EXPECT_EQ(0, memOK(&window, 1001));
  EXPECT_EQ(std::vector<std::string>{"W: Memory is low"}, loggedMessages());
  ASSERT_EQ(1u, handler.calls.size());
  EXPECT_EQ('7', handler.calls[0].first);
  EXPECT_EQ("W: Memory is low", handler.calls[0].second);
  const std::vector<ScriptedDesktop::Event> events = desktop_.events();
  ASSERT_EQ(2u, events.size());
  EXPECT_EQ(Kind::Beep, events[0].kind);
  EXPECT_EQ(MB_ICONSTOP, events[0].type);
  EXPECT_EQ(Kind::MessageBox, events[1].kind);
  EXPECT_EQ(fakeWindow(), events[1].owner);
  EXPECT_EQ(
      "Memory is low.  Please close some windows before continuing...\n"
      "Use 'Cancel' to cancel operation",
      events[1].text);
  EXPECT_EQ("Low Memory Condition", events[1].caption);
  EXPECT_EQ(MB_OKCANCEL | MB_ICONSTOP, events[1].type);
}

TEST_F(ErrorTest, MemOKAsksAgainAfterOKUntilMemoryIsFree) {
  FreeingDesktop freeing;
  DesktopScope scope(freeing);
  setAvailVirtualOverride(10);
  EXPECT_EQ(1, memOK(nullptr, 1000));
  ASSERT_EQ(1u, freeing.eventsOf(Kind::MessageBox).size());
  EXPECT_EQ(nullptr, freeing.eventsOf(Kind::MessageBox)[0].owner);
}

TEST_F(ErrorTest, MemOKGivesUpWhenNoBoxCanBeShown) {
  setAvailVirtualOverride(10);
  desktop_.answer(0);
  EXPECT_EQ(0, memOK(nullptr, 1000));
}

// ---- getNonNegInt ----

// Records the edit text each prompt starts with.
class PromptDesktop : public ScriptedDesktop {
 public:
  int inputBox(HWND owner, const char* title, const char* prompt, char* buffer,
               int bufferSize) override {
    shownText.emplace_back(buffer);
    sizes.push_back(bufferSize);
    return ScriptedDesktop::inputBox(owner, title, prompt, buffer, bufferSize);
  }
  std::vector<std::string> shownText;
  std::vector<int> sizes;
};

TEST_F(ErrorTest, GetNonNegIntAsksUntilAWholeNumberAtLeastZero) {
  PromptDesktop prompts;
  DesktopScope scope(prompts);
  prompts.answerText(IDOK, "-3");
  prompts.answerText(IDOK, "abc");
  prompts.answerText(IDOK, "");
  prompts.answerText(IDOK, "12");
  TWindow parent;
  parent.HWindow = fakeWindow();
  EXPECT_EQ(12, getNonNegInt(&parent, "Zoom", "Percent:", 5, -1));
  const std::vector<std::string> expectedShown = {"5", "-3", "abc", ""};
  EXPECT_EQ(expectedShown, prompts.shownText) << "asked again with the text as left";
  EXPECT_EQ(std::vector<int>(4, 8), prompts.sizes);
  const std::vector<ScriptedDesktop::Event> events = prompts.eventsOf(Kind::InputBox);
  ASSERT_EQ(4u, events.size());
  EXPECT_EQ("Percent:", events[0].text);
  EXPECT_EQ("Zoom", events[0].caption);
  EXPECT_EQ(fakeWindow(), events[0].owner);
}

TEST_F(ErrorTest, GetNonNegIntCancelAndFailure) {
  struct Case {
    int answer;
    int expected;
    bool reported;
  };
  const Case cases[] = {{IDCANCEL, -7, false}, {0, -7, true}, {IDABORT, -7, true}};
  for (const Case& c : cases) {
    desktop_.clear();
    desktop_.answer(c.answer);
    EXPECT_EQ(c.expected, getNonNegInt(nullptr, "t", "p", 0, -7)) << "answer " << c.answer;
    const std::vector<ScriptedDesktop::Event> boxes = desktop_.eventsOf(Kind::MessageBox);
    ASSERT_EQ(c.reported ? 1u : 0u, boxes.size()) << "answer " << c.answer;
    if (c.reported) {
      EXPECT_EQ("E: getNonNegInt(): Cannot open input dialog box, status=" +
                    std::to_string(c.answer),
                boxes[0].text);
      EXPECT_EQ(nullptr, boxes[0].owner);
    }
  }
  EXPECT_EQ(2u, loggedMessages().size());
}

TEST_F(ErrorTest, GetNonNegIntKeepsALongInitialValueInItsBuffer) {
  PromptDesktop prompts;
  DesktopScope scope(prompts);
  prompts.answer(IDOK);  // accepts the initial text as shown
  EXPECT_EQ(1234567, getNonNegInt(nullptr, "t", "p", 123456789, -1));
  ASSERT_EQ(1u, prompts.shownText.size());
  EXPECT_EQ("1234567", prompts.shownText[0]);
}

}  // namespace
