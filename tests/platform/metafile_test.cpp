// Metafiles record in their own logical units and play back through the
// target's mapping: the picture a window puts on the clipboard (an anisotropic
// metafile whose window is the area drawn) fills whatever rectangle the reader
// gives it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/device_context.h"
#include "platform/win/display_list.h"
#include "platform/win/font_metrics.h"
#include "platform/win/text_dump_renderer.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

std::vector<std::string> dump(const DisplayList& list) {
  std::vector<std::string> lines;
  for (const DrawCommand& c : list.commands()) lines.push_back(TextDumpRenderer::line(c, list.width(), list.height()));
  return lines;
}

class MetafileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WindowManager::instance().reset(800, 600);
    WNDCLASS wc = {};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "MetaTarget";
    RegisterClass(&wc);
    hwnd = CreateWindow("MetaTarget", "t", WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    WindowManager::instance().runUntilIdle();
    hdc = GetDC(hwnd);
  }
  void TearDown() override {
    ReleaseDC(hwnd, hdc);
    WindowManager::instance().reset();
  }
  const DisplayList& list() { return WindowManager::instance().find(hwnd)->list; }
  std::vector<std::string> drawn() { return dump(list()); }
  // The clipboard's picture: anisotropic, its window the area (100, 50) 400 x 300.
  HMETAFILE picture() {
    HDC meta = CreateMetaFile(nullptr);
    SetMapMode(meta, MM_ANISOTROPIC);
    SetWindowOrgEx(meta, 100, 50, nullptr);
    SetWindowExtEx(meta, 400, 300, nullptr);
    Rectangle(meta, 110, 60, 200, 120);
    HFONT f = CreateFont(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    HGDIOBJ old = SelectObject(meta, f);
    SetBkMode(meta, TRANSPARENT);
    TextOut(meta, 120, 130, "Map", 3);
    SelectObject(meta, old);
    DeleteObject(f);
    return CloseMetaFile(meta);
  }
  HWND hwnd = nullptr;
  HDC hdc = nullptr;
};

TEST_F(MetafileTest, RecordsInItsLogicalUnitsWithTheMappingCalls) {
  HMETAFILE mf = picture();
  ASSERT_NE(mf, nullptr);
  const std::vector<std::string> expected = {
      "mapping mapmode 8",
      "mapping windoworg 100,50",
      "mapping windowext 400,300",
      // The rectangle as drawn, in the metafile's units; its pen is one pixel wherever it is played.
      "rectangle (110,60)-(200,120) pen solid 0 #000000 brush solid #FFFFFF rop copy",
      // A 40-unit font, not the one pixel a screen mapping of 400 units to 1 would give.
      "text (120," + std::to_string(130 + FontMetrics::ascent(40)) + ") \"Map\" font Arial 40px 400 width " +
          std::to_string(FontMetrics::textWidth("Map", 3, 40, false)) + " colour #000000",
  };
  EXPECT_EQ(dump(*metafileList(mf)), expected);
  DeleteMetaFile(mf);
}

TEST_F(MetafileTest, PlaysIntoTheTargetRectangle) {
  HMETAFILE mf = picture();
  // The reader's rectangle (10, 20)-(210, 170): half the metafile's window.
  SetMapMode(hdc, MM_ANISOTROPIC);
  SetViewportOrgEx(hdc, 10, 20, nullptr);
  SetViewportExtEx(hdc, 200, 150, nullptr);
  ASSERT_TRUE(PlayMetaFile(hdc, mf));
  std::vector<std::string> lines = drawn();
  ASSERT_EQ(lines.size(), 2u);
  // (110 - 100) / 2 + 10 = 15, (60 - 50) / 2 + 20 = 25, (200 - 100) / 2 + 10 = 60, (120 - 50) / 2 + 20 = 55.
  EXPECT_EQ(lines[0], "rectangle (15,25)-(60,55) pen solid 1 #000000 brush solid #FFFFFF rop copy");
  // The text at (120, 130) lands at (20, 60) with a 20-pixel em, laid out at that size:
  const int ascent = FontMetrics::ascent(20);
  EXPECT_EQ(lines[1], "text (20," + std::to_string(60 + ascent) + ") \"Map\" font Arial 20px 400 width " +
                          std::to_string(FontMetrics::textWidth("Map", 3, 20, false)) + " colour #000000");
  // The metafile's window is now the target's, as PlayMetaFile leaves it on Windows.
  POINT org;
  SIZE ext;
  GetWindowOrgEx(hdc, &org);
  GetWindowExtEx(hdc, &ext);
  EXPECT_EQ(org.x, 100);
  EXPECT_EQ(org.y, 50);
  EXPECT_EQ(ext.cx, 400);
  EXPECT_EQ(ext.cy, 300);

  // Twice the size and upside down: the reader's y axis grows upwards.
  const RECT all = {0, 0, 400, 300};
  SetMapMode(hdc, MM_TEXT);
  SetWindowOrgEx(hdc, 0, 0, nullptr);
  SetViewportOrgEx(hdc, 0, 0, nullptr);
  FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetMapMode(hdc, MM_ANISOTROPIC);
  SetViewportOrgEx(hdc, 0, 300, nullptr);
  SetViewportExtEx(hdc, 800, -600, nullptr);
  ASSERT_TRUE(PlayMetaFile(hdc, mf));
  lines = drawn();
  ASSERT_EQ(lines.size(), 3u);
  // x: (110 - 100) * 2 = 20, (200 - 100) * 2 = 200; y: 300 - 20 = 280, 300 - 140 = 160.
  EXPECT_EQ(lines[1], "rectangle (20,160)-(200,280) pen solid 1 #000000 brush solid #FFFFFF rop copy");
  EXPECT_NE(lines[2].find("font Arial 80px"), std::string::npos) << lines[2];
  DeleteMetaFile(mf);
}

TEST_F(MetafileTest, PensCornersSavesAndClipsPlayAtTheTargetsScale) {
  HDC meta = CreateMetaFile(nullptr);
  SetMapMode(meta, MM_ANISOTROPIC);
  SetWindowExtEx(meta, 100, 100, nullptr);
  HPEN wide = CreatePen(PS_SOLID, 4, RGB(0, 0, 255));
  HPEN dotted = CreatePen(PS_DOT, 0, 0);
  SelectObject(meta, wide);
  RoundRect(meta, 0, 0, 50, 40, 10, 6);
  int saved = SaveDC(meta);
  SetWindowOrgEx(meta, -50, 0, nullptr);  // moves what follows 50 units right
  SelectObject(meta, dotted);
  MoveToEx(meta, 0, 0, nullptr);
  LineTo(meta, 10, 0);
  RestoreDC(meta, saved);
  IntersectClipRect(meta, 0, 0, 20, 20);
  Ellipse(meta, 0, 0, 40, 40);
  SelectObject(meta, GetStockObject(BLACK_PEN));
  HMETAFILE mf = CloseMetaFile(meta);
  DeleteObject(wide);
  DeleteObject(dotted);
  ASSERT_NE(mf, nullptr);

  SetMapMode(hdc, MM_ANISOTROPIC);
  SetViewportExtEx(hdc, 300, 300, nullptr);  // three pixels per unit
  ASSERT_TRUE(PlayMetaFile(hdc, mf));
  const std::vector<std::string> expected = {
      "roundrect (0,0)-(150,120) corner 30x18 pen solid 12 #0000FF brush solid #FFFFFF rop copy",
      // The dotted pen is one pixel wide at any scale, and keeps its dots.
      "polyline [150,0 180,0] pen dot 1 #000000 rop copy",
      // The restore undid the window origin; the metafile's clip is played in the target's units.
      "ellipse (0,0)-(120,120) pen solid 12 #0000FF brush solid #FFFFFF rop copy clip (0,0)-(60,60)",
  };
  EXPECT_EQ(drawn(), expected);
  POINT org;
  GetWindowOrgEx(hdc, &org);
  EXPECT_EQ(org.x, 0) << "the metafile's save and restore are balanced on the target";
  DeleteMetaFile(mf);
}

TEST_F(MetafileTest, TheMetafileContextMeasuresInItsOwnUnits) {
  HDC meta = CreateMetaFile(nullptr);
  SetMapMode(meta, MM_ANISOTROPIC);
  SetWindowExtEx(meta, 400, 300, nullptr);
  HFONT f = CreateFont(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(meta, f);
  SIZE s;
  ASSERT_TRUE(GetTextExtentPoint32(meta, "Hi", 2, &s));
  EXPECT_EQ(s.cx, 18) << "as at one pixel per unit";
  POINT p = {110, 60};
  LPtoDP(meta, &p, 1);
  EXPECT_EQ(p.x, 110) << "a metafile's units are its own";
  SelectObject(meta, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
  DeleteMetaFile(CloseMetaFile(meta));
}

}  // namespace
