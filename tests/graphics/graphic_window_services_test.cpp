// What a graphic window offers besides the mouse: lending its device context,
// zoom and scroll mapping, the zoom prompt, printing, the clipboard picture,
// overlap avoidance, highlight, the master found by number, hostile values, and
// the hit index checked against the plain layer walk.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "page_test_support.h"
#include "platform/owl/t_scroller.h"
#include "platform/system/global_memory.h"
#include "platform/win/clipboard.h"
#include "platform/win/device_context.h"
#include "platform/win/text_dump_renderer.h"

namespace {

std::string scratch() {
  const char* d = std::getenv("TMPDIR");
  return d != nullptr ? d : "/tmp";
}

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// The layer walk as the window describes it: from the top layer down, each
// layer from the end of the list toward its start.
SensitiveGraphic* plainWalk(const std::vector<SensitiveGraphic*>& list, LONG point) {
  int ceiling = 0xFF;
  for (;;) {
    int below = -1;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      const int layer = (*it)->paintLayer();
      if (layer == ceiling) {
        if ((*it)->hitTest(point)) return *it;
      } else if (layer < ceiling) {
        below = std::max(below, layer);
      }
    }
    if (ceiling == 0 || below < 0) return nullptr;
    ceiling = below;
  }
}

TEST_F(PageTest, DeviceContextIsLentOnceAndReleasedOnce) {
  HDC a = page->getClientHDC();
  HDC b = page->getClientHDC();
  EXPECT_EQ(a, b);
  EXPECT_EQ(page->dcCount(), 2);
  page->releaseClientHDC();
  EXPECT_NE(findDeviceContext(a), nullptr) << "still lent";
  page->releaseClientHDC();
  EXPECT_EQ(findDeviceContext(a), nullptr) << "given back at 0";
  host->desktop().answer(IDNO);
  page->releaseClientHDC();
  EXPECT_EQ(boxes(), (std::vector<std::string>{
                         "F: Internal error... GraphicWindow::releaseClientHDC: releasing HDC below 0\n\nAbort program?"}));
  EXPECT_EQ(page->dcCount(), 0);
}

TEST_F(PageTest, ZoomAndScrollMapLogicalToDevice) {
  page->box({0, 0, 1990, 1590});
  page->updateScrollBars(1);
  struct Case {
    int zoom;
    LONG scrollRange;  // in device pixels
    POINT logical, device;
  } cases[] = {{100, 2000, {100, 50}, {100, 50}}, {50, 1000, {100, 50}, {50, 25}}, {200, 4000, {100, 50}, {200, 100}}};
  for (const Case& c : cases) {
    page->setZoom(c.zoom);
    EXPECT_EQ(page->Scroller->XRange * GraphicWindow::ScrollUnit, c.scrollRange) << "zoom " << c.zoom;
    POINT p = c.logical;
    page->logicalToDevice(p);
    EXPECT_EQ(p.x, c.device.x);
    EXPECT_EQ(p.y, c.device.y);
    page->Scroller->ScrollTo(2, 1);
    p = c.logical;
    page->logicalToDevice(p);
    EXPECT_EQ(p.x, c.device.x - 40) << "the scroll position moves the origin";
    EXPECT_EQ(p.y, c.device.y - 20);
    page->Scroller->ScrollTo(0, 0);
  }
  page->setZoom(GraphicWindow::FitZoom);
  EXPECT_EQ(page->Scroller->XRange, 0);
  EXPECT_FALSE(page->GetStyle() & WS_HSCROLL) << "no scroll bars to fit";
  POINT corner = {2000, 1600};
  page->logicalToDevice(corner);
  EXPECT_LE(corner.y, page->GetClientRect().bottom) << "the whole page fits";
  RECT area = {0, 0, 10, 10};
  page->zoomRect(area);
  EXPECT_EQ(rectText(area), "(-32767,-32767)-(32767,32767)");
}

TEST_F(PageTest, ZoomCommandsAndTheCustomPrompt) {
  struct Case {
    int button;
    const char* typed;
    int zoom;
    const char* report;
  } cases[] = {{IDOK, "1000", 1000, nullptr},
               {IDOK, "1001", 1000, "E: Zoom must be greater than 0% and less than 1000%"},
               {IDCANCEL, "", 1000, nullptr},
               {IDOK, "75", 75, nullptr},
               {IDOK, "0", 0, nullptr}};
  for (const Case& c : cases) {
    host->desktop().clear();
    host->desktop().answerText(c.button, c.typed);
    page->SendMessage(WM_COMMAND, GraphicWindow::CmZoomCustom);
    EXPECT_EQ(page->zoom(), c.zoom) << c.typed;
    const auto prompts = host->desktop().eventsOf(ScriptedDesktop::Kind::InputBox);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].caption, "Zoom");
    EXPECT_EQ(prompts[0].text, "Enter percentage of zoom (none=100)");
    EXPECT_EQ(boxes(), c.report ? std::vector<std::string>{c.report} : std::vector<std::string>{});
  }
  page->SendMessage(WM_COMMAND, GraphicWindow::CmZoom150);
  EXPECT_EQ(page->zoom(), 150);
  auto checked = [this](UINT id) {
    TCommandEnabler e(id);
    page->EvCommandEnable(e);
    return e.GetCheck() == TCommandEnabler::Checked;
  };
  EXPECT_TRUE(checked(GraphicWindow::CmZoom150));
  EXPECT_FALSE(checked(GraphicWindow::CmZoom100));
  EXPECT_FALSE(checked(GraphicWindow::CmZoomFit));
  page->SendMessage(WM_COMMAND, GraphicWindow::CmZoomFitPage);
  EXPECT_TRUE(checked(GraphicWindow::CmZoomFit));
  EXPECT_TRUE(checked(GraphicWindow::CmZoomFitPage));
  // Values no prompt gives: to fit below 0, at most 1000.
  page->setZoom(-500);
  EXPECT_EQ(page->zoom(), GraphicWindow::FitZoom);
  page->setZoom(40000);
  EXPECT_EQ(page->zoom(), 1000);
}

TEST_F(PageTest, PrintsOnePageOrSaysThereIsNoPrinter) {
  page->box({20, 20, 200, 100});
  page->print();
  EXPECT_EQ(boxes(), (std::vector<std::string>{"E: No printer defined for GraphicWindow"}));
  host->setPrintFolder(scratch());
  TPrinter printer;
  page->setPrinter(&printer);
  page->setColorMode(1);
  page->print();
  ASSERT_EQ(host->printedFiles().size(), 1u);
  const std::string pdf = slurp(host->printedFiles()[0]);
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_NE(pdf.find("/Count 1"), std::string::npos);
  EXPECT_NE(pdf.find("595.2"), std::string::npos) << "an A4 page";
  EXPECT_EQ(page->colorMode(), 1) << "colour drawing comes back after the monochrome print";
  std::remove(host->printedFiles()[0].c_str());
}

struct Clip {
  std::vector<UINT> formats;
  LONG mm = 0, xExt = 0, yExt = 0;
  std::vector<std::string> lines;
};

Clip readClipboard() {
  Clip c;
  OpenClipboard(nullptr);
  for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f)) c.formats.push_back(f);
  if (HGLOBAL h = GetClipboardData(CF_METAFILEPICT)) {
    auto* pict = static_cast<METAFILEPICT*>(GlobalLock(h));
    c.mm = pict->mm;
    c.xExt = pict->xExt;
    c.yExt = pict->yExt;
    const DisplayList* list = metafileList(pict->hMF);
    for (const DrawCommand& d : list->commands()) {
      std::string l = TextDumpRenderer::line(d, list->width(), list->height());
      c.lines.push_back(l.substr(0, l.find(" pen")));
    }
    GlobalUnlock(h);
  }
  CloseClipboard();
  return c;
}

TEST_F(PageTest, CopiesTheSelectionOrAsksForAll) {
  Box* a = page->box({20, 20, 60, 50});
  page->box({100, 60, 180, 90});
  // Nothing selected: the question, and Cancel copies nothing.
  host->desktop().answer(IDCANCEL);
  page->copyToClipboard();
  const auto asked = host->desktop().eventsOf(ScriptedDesktop::Kind::MessageBox);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text,
            "Normally, only selected objects are copied to the clipboard.  However, no objects are currently "
            "selected.\nDo you wish to copy all objects to the clipboard?");
  EXPECT_EQ(asked[0].caption, "Tavix: no objects selected");
  EXPECT_EQ(asked[0].type, MB_OKCANCEL | MB_ICONQUESTION);
  EXPECT_EQ(host->desktop().eventsOf(ScriptedDesktop::Kind::Beep).size(), 1u);
  EXPECT_TRUE(readClipboard().formats.empty());
  // OK: everything, in the metafile's own units, 24 hundredths of a millimetre each.
  host->desktop().answer(IDOK);
  page->copyToClipboard();
  Clip all = readClipboard();
  EXPECT_EQ(all.formats, (std::vector<UINT>{CF_METAFILEPICT}));
  EXPECT_EQ(all.mm, MM_ANISOTROPIC);
  EXPECT_EQ(all.xExt, (182 - 18) * 24);
  EXPECT_EQ(all.yExt, (92 - 18) * 24);
  ASSERT_GE(all.lines.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(all.lines.begin(), all.lines.begin() + 3),
            (std::vector<std::string>{"mapping mapmode 8", "mapping windoworg 18,18", "mapping windowext 164,74"}));
  EXPECT_NE(std::find(all.lines.begin(), all.lines.end(), "rectangle (100,60)-(180,90)"), all.lines.end());
  // One selected: only it, and no question.
  a->setSelected(1, 1);
  host->desktop().clear();
  page->copyToClipboard();
  Clip one = readClipboard();
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(one.xExt, (62 - 18) * 24);
  EXPECT_EQ(std::count_if(one.lines.begin(), one.lines.end(),
                          [](const std::string& l) { return l.rfind("rectangle (", 0) == 0 && l.find("(20,20)-(60,50)") != std::string::npos; }),
            1);
  EXPECT_EQ(std::find(one.lines.begin(), one.lines.end(), "rectangle (100,60)-(180,90)"), one.lines.end());
  EXPECT_EQ(page->options() & (GraphicWindow::RestrictedMode | GraphicWindow::CopyingToClipboard), 0);
  // A large page: 12 per unit up to 2730, then no suggested size.
  a->setSelected(0, 1);
  page->box({2000, 10, 2100, 40})->setSelected(1, 1);
  page->copyToClipboard();
  EXPECT_EQ(readClipboard().xExt, 104 * 12);
  page->box({2800, 10, 2900, 40})->setSelected(1, 1);
  page->copyToClipboard();
  EXPECT_EQ(readClipboard().xExt, 0);
}

TEST_F(PageTest, PlaceClearMovesDownOrPushesOthers) {
  Box* a = page->box({100, 100, 160, 140});
  Box* b = page->box({110, 120, 170, 160});
  b->placeClear(0);
  EXPECT_EQ(rectText(b->where()), "(110,148)-(170,188)") << "below a by 8";
  Box* c = page->box({100, 130, 160, 150});
  a->placeClear(1);
  EXPECT_EQ(rectText(a->where()), "(100,100)-(160,140)") << "a pushes instead of moving";
  EXPECT_EQ(rectText(c->where()), "(100,196)-(160,216)") << "pushed below a, then below b";
  EXPECT_EQ(rectText(b->where()), "(110,148)-(170,188)");
  for (Box* x : {a, b, c}) {
    for (Box* y : {a, b, c}) {
      RECT rx = x->where();
      if (x != y) {
        EXPECT_FALSE(y->rawIntersects(&rx)) << rectText(rx) << " " << rectText(y->where());
      }
    }
  }
}

TEST_F(PageTest, HighlightRaisesTheLayerAndUnhighlightsTheOthers) {
  Box* a = page->box({20, 20, 60, 60});
  Box* b = page->box({100, 20, 140, 60});
  a->setHighlighted(1, 0);
  EXPECT_EQ(a->paintLayer(), 0xFE);
  RECT r;
  a->boundingRect(r);
  EXPECT_EQ(rectText(r), "(13,13)-(67,67)");
  b->setHighlighted(1, 0);
  EXPECT_FALSE(a->isHighlighted());
  EXPECT_EQ(a->paintLayer(), 0x80);
  b->setToNormalState();
  EXPECT_FALSE(b->isHighlighted());
}

TEST_F(PageTest, SlaveFindsItsMasterByNumber) {
  auto* master = new MasterBox(page.get(), {20, 20, 100, 80}, 7);
  page->addSNode(master);
  auto* slave = new SlaveBox(page.get(), {30, 30, 50, 50});
  page->addSNode(slave);
  EXPECT_EQ(slave->setMaster(static_cast<LONG>(7)), 0);
  EXPECT_EQ(slave->master(), static_cast<SimpleMaster*>(master));
  EXPECT_EQ(slave->setMaster(static_cast<LONG>(99)), 0) << "no such number: detached";
  EXPECT_EQ(slave->master(), nullptr);
  EXPECT_EQ(master->told, (std::vector<std::string>{"slave", "none"}));
  SlaveBox loose(nullptr, {0, 0, 5, 5});
  EXPECT_EQ(loose.setMaster(static_cast<LONG>(7)), -1) << "no window";
  // An attached slave is not pushed out of its master.
  slave->setMaster(static_cast<LONG>(7));
  slave->placeClear(1);
  EXPECT_EQ(rectText(slave->where()), "(30,30)-(50,50)");
}

TEST_F(PageTest, HostileCoordinatesAndPointsGiveCleanResults) {
  Box* absent = page->box({0x8000, 0x8000, 0x8000, 0x8000});
  Box* negative = page->box({-0x8000, -0x8000, -0x7000, -0x7000});
  Box* huge = page->box({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
  EXPECT_EQ(rectText(huge->where()), "(-16777215,-16777215)-(16777215,16777215)") << "kept in range";
  page->updateScrollBars(1);
  for (int zoom : {100, 0, -3, 1000, 1}) {
    page->setZoom(zoom);
    page->Invalidate(true);
    host->run();
    click({200, 150});
    drag({10, 10}, {390, 290});
  }
  page->setZoom(100);
  negative->verify();
  EXPECT_GE(negative->where().left, 0) << "brought back onto the page";
  absent->moveBy(10, 10, nullptr);
  EXPECT_EQ(page->logicalToDevice(packPoint(40000, -40000)), packPoint(32767, -32768)) << "clamped, not wrapped";
  host->desktop().answer(IDOK);
  page->deselectAll();
  page->copyToClipboard();
  EXPECT_FALSE(readClipboard().formats.empty());
  page->deleteSelected();
  SUCCEED();
}

TEST_F(PageTest, HitIndexAnswersAsTheLayerWalk) {
  std::mt19937 rng(18);
  const BYTE layers[] = {0x60, 0x61, 0x80, 0x80, 0xFE, 0xFF, 0x00};
  std::vector<Box*> all;
  for (int i = 0; i < 200; ++i) {
    const int x = static_cast<int>(rng() % 1000), y = static_cast<int>(rng() % 1000);
    const int w = i % 50 == 0 ? 3000 : static_cast<int>(rng() % 80), h = static_cast<int>(rng() % 60);
    Box* b = page->box({x, y, x + w, y + h});
    b->setLayer(layers[rng() % 7]);
    if (rng() % 10 == 0) b->setSelected(1, 1);
    if (rng() % 15 == 0) b->setState(Graphic::Hidden);
    all.push_back(b);
  }
  auto compare = [&](int zoom) {
    page->setZoom(zoom);
    for (int k = 0; k < 1500; ++k) {
      GMessage m;
      m.message = WM_MOUSEMOVE;
      m.position = packPoint(static_cast<int>(rng() % 420) - 10, static_cast<int>(rng() % 320) - 10);
      SensitiveGraphic* fromIndex = page->graphicAt(m);
      SensitiveGraphic* walked = plainWalk(page->sensitiveGraphics(), page->deviceToLogical(m.position));
      ASSERT_EQ(fromIndex, walked) << "zoom " << zoom << " at " << pointX(m.position) << "," << pointY(m.position);
    }
    std::string why;
    EXPECT_TRUE(page->hitIndex().check(page->sensitiveGraphics(), page->hitKey(), &why)) << why;
  };
  compare(100);
  compare(25);
  // Moves, layer changes, reordering and removal all reach the index.
  for (int i = 0; i < 40; ++i) all[rng() % all.size()]->moveBy(static_cast<int>(rng() % 50), 7, nullptr);
  for (int i = 0; i < 20; ++i) all[rng() % all.size()]->setLayer(layers[rng() % 7]);
  for (int i = 0; i < 10; ++i) page->bringToFront(all[rng() % all.size()]);
  for (int i = 0; i < 10; ++i) {
    Box* gone = all.back();
    all.pop_back();
    gone->destroy();
  }
  compare(100);
  // Not while a graphic holds the mouse, and only for mouse messages.
  GMessage key;
  key.message = WM_KEYDOWN;
  EXPECT_EQ(page->graphicAt(key), nullptr);
}

TEST_F(PageTest, SessionPictureShowsHandlesAndTheGroupOutline) {
  Box* a = page->box({40, 40, 120, 90});
  Box* b = page->box({180, 60, 260, 120});
  page->box({60, 170, 160, 230});
  click({80, 65});
  click({220, 90}, MK_CONTROL);
  host->press(hwnd(), {80, 65});
  host->move(hwnd(), {85, 70}, MK_LBUTTON);
  host->move(hwnd(), {95, 80}, MK_LBUTTON);
  host->move(hwnd(), {110, 95}, MK_LBUTTON);
  host->run();
  ASSERT_NE(page->groupOutline(), nullptr);
  EXPECT_EQ(rectText(*page->groupOutline()), "(68,68)-(292,152)") << "the selection's union, inflated by 2, moved";
  const std::vector<std::string> lines = picture();
  EXPECT_NE(std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("focusrect", 0) == 0; }),
            lines.end());
  ASSERT_TRUE(host->render(frame->HWindow, scratch() + "/graphic_window_session.png"));
  host->release(hwnd(), {110, 95});
  host->run();
  EXPECT_EQ(page->groupOutline(), nullptr);
  EXPECT_EQ(rectText(a->where()), "(70,70)-(150,120)");
  EXPECT_EQ(rectText(b->where()), "(210,90)-(290,150)");
  EXPECT_EQ(page->modified, 1);
  ASSERT_TRUE(host->render(frame->HWindow, scratch() + "/graphic_window_dropped.png"));
}

}  // namespace
