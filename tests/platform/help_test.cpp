// Help: a help file opened at its contents, a topic or a keyword goes to the
// desktop, which shows it (or records or prints the request); requests that name
// nothing are refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/render/headless_host.h"
#include "platform/system/desktop.h"
#include "platform/system/system.h"

namespace {

TEST(Help, OpensThroughTheDesktop) {
  HeadlessHost host;
  ScriptedDesktop& d = host.desktop();
  d.clear();
  const char* keyword = "links";
  struct Case {
    UINT command;
    uintptr_t data;
    BOOL result;
    std::size_t events;
  };
  const Case cases[] = {
      {HELP_CONTENTS, 0, TRUE, 1},
      {HELP_CONTEXT, 42, TRUE, 2},
      {HELP_KEY, reinterpret_cast<uintptr_t>(keyword), TRUE, 3},
      {HELP_KEY, 0, FALSE, 3},
      {0x7777, 0, FALSE, 3},
      {HELP_QUIT, 0, TRUE, 3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.result, WinHelp(nullptr, "NPTavix.hlp", c.command, c.data)) << c.command;
    EXPECT_EQ(c.events, d.eventsOf(ScriptedDesktop::Kind::Help).size()) << c.command;
  }
  EXPECT_EQ(FALSE, WinHelp(nullptr, "", HELP_CONTENTS, 0)) << "no file";
  std::vector<ScriptedDesktop::Event> help = d.eventsOf(ScriptedDesktop::Kind::Help);
  ASSERT_EQ(3u, help.size());
  EXPECT_EQ("NPTavix.hlp", help[0].text);
  EXPECT_EQ(static_cast<UINT>(HELP_CONTENTS), help[0].type);
  EXPECT_EQ(42, help[1].answer);
  EXPECT_EQ("links", help[2].caption);
}
}  // namespace
