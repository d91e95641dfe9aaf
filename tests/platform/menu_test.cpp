// Popup menus tracked through the desktop, and the clipboard's formats and blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win/clipboard.h"
#include "platform/system/desktop.h"
#include "platform/system/global_memory.h"
#include "platform/win/menu.h"
#include "platform/render/headless_host.h"
#include "platform/owl/t_window.h"
#include "platform/win/windows_gdi.h"

namespace {

class CommandSink : public TWindow {
 public:
  CommandSink() : TWindow(nullptr, "sink") {}
  LRESULT EvCommand(UINT id, HWND, UINT) override {
    last = id;
    return 0;
  }
  UINT last = 0;
};

HMENU pageMenu() {
  HMENU links = CreatePopupMenu();
  AppendMenu(links, MF_STRING, 501, "&1 level");
  AppendMenu(links, MF_STRING, 502, "&n levels...");
  HMENU m = CreatePopupMenu();
  AppendMenu(m, MF_STRING, 401, "&Open");
  AppendMenu(m, MF_STRING | MF_GRAYED, 402, "&Placeholder Link to");
  AppendMenu(m, MF_SEPARATOR, 0, nullptr);
  AppendMenu(m, MF_POPUP, reinterpret_cast<uintptr_t>(links), "S&how Links");
  AppendMenu(m, MF_STRING | MF_CHECKED, 403, "&Sounds");
  return m;
}

TEST(MenuTest, TrackingAnswersOnlyEnabledCommands) {
  HeadlessHost host;
  CommandSink sink;
  ASSERT_TRUE(sink.Create());
  HMENU m = pageMenu();
  struct Case {
    UINT answer;
    UINT expected;
    const char* what;
  };
  const Case cases[] = {{401, 401, "an item"},     {502, 502, "an item of a submenu"},
                        {402, 0, "a grayed item"}, {999, 0, "no such item"},
                        {0, 0, "nothing chosen"}};
  for (const Case& c : cases) {
    host.menuChoice(c.answer);
    EXPECT_EQ(static_cast<UINT>(TrackPopupMenu(m, TPM_RETURNCMD, 10, 10, 0, sink.HWindow, nullptr)), c.expected)
        << c.what;
  }
  EXPECT_EQ(host.desktop().events().back().text,
            "&Open|[&Placeholder Link to]|-|S&how Links{&1 level|&n levels...}|*&Sounds");
  // Without TPM_RETURNCMD the choice arrives as WM_COMMAND.
  host.menuChoice(403);
  EXPECT_TRUE(TrackPopupMenu(m, TPM_RIGHTBUTTON, 10, 10, 0, sink.HWindow, nullptr));
  host.run();
  EXPECT_EQ(sink.last, 403u);
  EXPECT_EQ(CheckMenuItem(m, 403, MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
  EXPECT_EQ(GetMenuState(m, 403, MF_BYCOMMAND) & MF_CHECKED, 0u);
  EnableMenuItem(m, 402, MF_ENABLED);
  host.menuChoice(402);
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, sink.HWindow, nullptr), 402);
  EXPECT_EQ(GetMenuItemCount(m), 5);
  char text[16];
  EXPECT_EQ(GetMenuString(m, 0, text, 4, MF_BYPOSITION), 3);
  EXPECT_STREQ(text, "&Op");
  HMENU sub = GetSubMenu(m, 3);
  EXPECT_TRUE(IsMenu(sub));
  EXPECT_TRUE(DestroyMenu(m));
  EXPECT_FALSE(IsMenu(sub)) << "submenus go with their menu";
  // The headless answer is no choice.
  HeadlessDesktop headless;
  DesktopScope scope(headless);
  HMENU again = pageMenu();
  EXPECT_EQ(TrackPopupMenu(again, TPM_RETURNCMD, 0, 0, 0, sink.HWindow, nullptr), 0);
  DestroyMenu(again);
}

HGLOBAL block(const char* text) {
  HGLOBAL h = GlobalAlloc(GHND, std::strlen(text) + 1);
  std::memcpy(GlobalLock(h), text, std::strlen(text) + 1);
  GlobalUnlock(h);
  return h;
}

TEST(ClipboardTest, FormatsBlocksAndOrder) {
  UINT node = RegisterClipboardFormat("TavixOrvaneNode");
  UINT link = RegisterClipboardFormat("ObjectLink");
  EXPECT_GE(node, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat("tavixorvanenode"), node) << "names compare without case";
  EXPECT_NE(link, node);
  char name[32];
  EXPECT_EQ(GetClipboardFormatName(link, name, sizeof name), 10);
  EXPECT_STREQ(name, "ObjectLink");
  EXPECT_EQ(SetClipboardData(CF_TEXT, block("x")), nullptr) << "the clipboard must be open";

  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(OpenClipboard(nullptr)) << "opened once at a time";
  ASSERT_TRUE(EmptyClipboard());
  SetClipboardData(node, block("#CM&^# page"));
  SetClipboardData(CF_TEXT, block("text"));
  HDC meta = CreateMetaFile(nullptr);
  Rectangle(meta, 0, 0, 10, 10);
  HGLOBAL pict = GlobalAlloc(GHND, sizeof(METAFILEPICT));
  auto* mp = static_cast<METAFILEPICT*>(GlobalLock(pict));
  *mp = {MM_ANISOTROPIC, 240, 240, CloseMetaFile(meta)};
  HMETAFILE mf = mp->hMF;
  GlobalUnlock(pict);
  SetClipboardData(CF_METAFILEPICT, pict);
  SetClipboardData(CF_TEXT, block("newer"));  // replaces, keeps its place
  CloseClipboard();

  EXPECT_EQ(EnumClipboardFormats(0), node);
  EXPECT_EQ(EnumClipboardFormats(node), CF_TEXT);
  EXPECT_EQ(EnumClipboardFormats(CF_TEXT), CF_METAFILEPICT);
  EXPECT_EQ(EnumClipboardFormats(CF_METAFILEPICT), 0u);
  EXPECT_TRUE(IsClipboardFormatAvailable(node));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL t = GetClipboardData(CF_TEXT);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(t)), "newer");
  GlobalUnlock(t);
  EXPECT_EQ(GetClipboardData(link), nullptr);
  EmptyClipboard();
  EXPECT_EQ(GetObjectType(mf), 0u) << "emptying deletes the metafile of a picture";
  CloseClipboard();
  EXPECT_EQ(EnumClipboardFormats(0), 0u) << "emptied: no format is left";
  EXPECT_EQ(GlobalAlloc(GHND, kMaxGlobalBlock + 1), nullptr) << "a huge block is refused";
}

}  // namespace
