// The program's cursor resources: each named cursor has a handle of its own, so
// that code which acts on the current cursor can tell them apart, and a missing
// resource loads as null so that the caller's fallback applies.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/owl/t_window.h"
#include "platform/win/windows_user.h"

namespace {

const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));

TEST(CursorResources, TheTenNamedCursorsHaveHandlesOfTheirOwn) {
  const char* const names[] = {"Hand_Cursor", "Menu_Cursor",   "LinkTo_Cursor", "Expand_Cursor",
                               "Edit_Cursor", "Goto_Cursor",   "Select_Cursor", "Play_Cursor",
                               "Pen_Cursor",  "Eraser_Cursor"};
  std::set<HCURSOR> seen;
  for (const char* n : names) {
    HCURSOR c = LoadCursor(kModule, n);
    ASSERT_NE(nullptr, c) << n;
    EXPECT_TRUE(seen.insert(c).second) << n << " shares a handle";
    EXPECT_GE(reinterpret_cast<uintptr_t>(c), 0x10000u) << n << " collides with a standard cursor";
    EXPECT_EQ(std::string(n), cursorName(c)) << "the handle names its resource";
    EXPECT_EQ(c, LoadCursor(kModule, n)) << n << " loaded again";
  }
  EXPECT_EQ(LoadCursor(kModule, "Hand_Cursor"), LoadCursor(kModule, "HAND_CURSOR"))
      << "resource names compare without letter case";
  EXPECT_EQ(nullptr, LoadCursor(nullptr, "Hand_Cursor")) << "resources need the program's module";
  EXPECT_EQ(nullptr, LoadCursor(kModule, "No_Such_Cursor"));
  EXPECT_EQ(nullptr, LoadCursor(kModule, IDC_ARROW)) << "standard cursors come from no module";

  HCURSOR pen = LoadCursor(kModule, "Pen_Cursor");
  SetCursor(pen);
  EXPECT_EQ(pen, GetCursor());
  EXPECT_NE(LoadCursor(kModule, "Eraser_Cursor"), GetCursor());
}

TEST(CursorResources, AMissingResourceLoadsAsNullAndKeepsItsHandleForLater) {
  HCURSOR before = LoadCursor(kModule, "Goto_Cursor");
  ASSERT_TRUE(withdrawCursorResource("Goto_Cursor"));
  EXPECT_FALSE(withdrawCursorResource("Goto_Cursor")) << "already withdrawn";
  HCURSOR c = LoadCursor(kModule, "Goto_Cursor");
  EXPECT_EQ(nullptr, c) << "a missing resource";
  if (c == nullptr) c = LoadCursor(nullptr, IDC_UPARROW);  // the caller's fallback
  EXPECT_EQ(std::string("uparrow"), cursorName(c));
  EXPECT_EQ(before, supplyCursorResource("Goto_Cursor")) << "supplied again, same handle";
  EXPECT_EQ(before, LoadCursor(kModule, "Goto_Cursor"));

  HCURSOR extra = supplyCursorResource("Lasso_Cursor");
  EXPECT_NE(nullptr, extra);
  EXPECT_EQ(extra, LoadCursor(kModule, "lasso_cursor"));
  EXPECT_EQ(nullptr, supplyCursorResource("")) << "a resource needs a name";
}

TEST(CursorResources, AFrameworkWindowTakesAResourceCursorThroughItsModule) {
  TWindow w(nullptr, "cursor");
  TModule* module = reinterpret_cast<TModule*>(static_cast<uintptr_t>(0x400000));
  EXPECT_TRUE(w.SetCursor(module, "Select_Cursor"));
  EXPECT_FALSE(w.SetCursor(module, "No_Such_Cursor"));
  EXPECT_TRUE(w.SetCursor(nullptr, IDC_CROSS));
  EXPECT_FALSE(w.SetCursor(nullptr, "Select_Cursor")) << "no module, no resources";
}

}  // namespace
