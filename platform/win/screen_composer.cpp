// Putting window pictures together (see screen_composer.h).
#include "platform/win/screen_composer.h"

#include <algorithm>

#include "platform/win/font_metrics.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

// Windows nest at most this deep when drawn; deeper ones are left out.
const int kMaxDepth = 64;

RECT intersect(const RECT& a, const RECT& b) {
  RECT r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

void fill(DisplayList& out, const RECT& r, COLORREF colour, const RECT& clip) {
  DrawCommand c;
  c.op = DrawOp::FillRect;
  c.pen.style = PS_NULL;
  c.brush.style = BS_SOLID;
  c.brush.color = colour;
  c.rect = r;
  c.clip = clip;
  out.add(c);
}

void caption(DisplayList& out, const std::string& text, const RECT& bar, const RECT& clip) {
  if (text.empty()) return;
  DrawCommand c;
  c.op = DrawOp::Text;
  c.font.emHeight = 12;
  c.font.weight = FW_BOLD;
  int ascent = FontMetrics::ascent(12), descent = FontMetrics::descent(12);
  int width = 0;
  for (unsigned char ch : text) {
    c.advances.push_back(FontMetrics::advance(ch, 12, true));
    width += c.advances.back();
  }
  c.text = text;
  c.baseline = bar.top + (bar.bottom - bar.top + ascent - descent) / 2;
  c.rect = {bar.left + 4, c.baseline - ascent, bar.left + 4 + width, c.baseline + descent};
  c.textColor = GetSysColor(COLOR_CAPTIONTEXT);
  c.bkMode = TRANSPARENT;
  c.clip = intersect(clip, bar);
  out.add(c);
}

void scrollBar(DisplayList& out, const RECT& track, const WindowManager::ScrollBar& bar, bool vertical,
               const RECT& clip) {
  fill(out, track, GetSysColor(COLOR_SCROLLBAR), clip);
  const int length = vertical ? track.bottom - track.top : track.right - track.left;
  const int thickness = vertical ? track.right - track.left : track.bottom - track.top;
  const int room = length - 3 * thickness;
  if (room <= 0 || bar.maxPos <= bar.minPos) return;
  const long long offset = static_cast<long long>(room) * (bar.pos - bar.minPos) / (bar.maxPos - bar.minPos);
  RECT thumb = vertical
                   ? RECT{track.left, track.top + thickness + static_cast<LONG>(offset), track.right,
                          track.top + 2 * thickness + static_cast<LONG>(offset)}
                   : RECT{track.left + thickness + static_cast<LONG>(offset), track.top,
                          track.left + 2 * thickness + static_cast<LONG>(offset), track.bottom};
  fill(out, thumb, GetSysColor(COLOR_BTNFACE), clip);
  DrawCommand edge;
  edge.op = DrawOp::Rectangle;
  edge.pen.color = GetSysColor(COLOR_BTNSHADOW);
  edge.brush.style = BS_NULL;
  edge.rect = thumb;
  edge.clip = clip;
  out.add(edge);
}

}  // namespace

void ScreenComposer::drawWindow(HWND hwnd, POINT origin, const RECT& clip, DisplayList& out, int depth) {
  WindowManager& wm = WindowManager::instance();
  const WindowManager::Window* w = wm.find(hwnd);
  if (w == nullptr || depth > kMaxDepth) return;
  const int width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
  const RECT whole = {origin.x, origin.y, origin.x + width, origin.y + height};
  const RECT wclip = intersect(clip, whole);
  const RECT in = wm.nonClientInsets(*w);
  if (in.left > 0 || in.top > 0) {
    fill(out, whole, GetSysColor(COLOR_ACTIVEBORDER), wclip);
    DrawCommand frame;
    frame.op = DrawOp::Rectangle;
    frame.pen.color = GetSysColor(COLOR_WINDOWFRAME);
    frame.brush.style = BS_NULL;
    frame.rect = whole;
    frame.clip = wclip;
    out.add(frame);
  }
  const int frameSize = std::min(in.left, in.right);
  if ((w->style & WS_CAPTION) == WS_CAPTION) {
    RECT bar = {whole.left + frameSize, whole.top + frameSize, whole.right - frameSize,
                whole.top + frameSize + GetSystemMetrics(SM_CYCAPTION)};
    fill(out, bar, GetSysColor(hwnd == wm.active() ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION), wclip);
    caption(out, w->text, bar, wclip);
  }
  const RECT client = {whole.left + in.left, whole.top + in.top, whole.right - in.right, whole.bottom - in.bottom};
  const int bar = GetSystemMetrics(SM_CXVSCROLL);
  if (w->vbar.visible) {
    scrollBar(out, {client.right, client.top, client.right + bar, client.bottom}, w->vbar, true, wclip);
  }
  if (w->hbar.visible) {
    scrollBar(out, {client.left, client.bottom, client.right, client.bottom + bar}, w->hbar, false, wclip);
  }
  const RECT cclip = intersect(wclip, client);
  // The client area starts as the surface colour a new window shows.
  fill(out, client, w->list.background(), cclip);
  out.append(w->list, client.left, client.top, cclip);
  for (HWND c : w->children) {
    const WindowManager::Window* cw = wm.find(c);
    if (cw == nullptr || (cw->style & WS_VISIBLE) == 0) continue;
    drawWindow(c, {client.left + cw->rect.left, client.top + cw->rect.top}, cclip, out, depth + 1);
  }
}

DisplayList ScreenComposer::composeWindow(HWND hwnd) {
  WindowManager& wm = WindowManager::instance();
  const WindowManager::Window* w = wm.find(hwnd);
  if (w == nullptr) return DisplayList();
  DisplayList out(w->rect.right - w->rect.left, w->rect.bottom - w->rect.top);
  RECT all = {0, 0, out.width(), out.height()};
  drawWindow(hwnd, {0, 0}, all, out, 0);
  return out;
}

DisplayList ScreenComposer::composeClient(HWND hwnd) {
  WindowManager& wm = WindowManager::instance();
  const WindowManager::Window* w = wm.find(hwnd);
  if (w == nullptr) return DisplayList();
  RECT in = wm.nonClientInsets(*w);
  RECT client = wm.clientRect(hwnd);
  DisplayList out(client.right, client.bottom);
  drawWindow(hwnd, {-in.left, -in.top}, client, out, 0);
  return out;
}

DisplayList ScreenComposer::composeScreen() {
  WindowManager& wm = WindowManager::instance();
  DisplayList out(wm.screenWidth(), wm.screenHeight());
  out.setBackground(GetSysColor(COLOR_BACKGROUND));
  RECT all = {0, 0, out.width(), out.height()};
  const WindowManager::Window* desk = wm.find(wm.desktop());
  out.append(desk->list, 0, 0, all);
  for (HWND c : desk->children) {
    const WindowManager::Window* cw = wm.find(c);
    if (cw == nullptr || (cw->style & WS_VISIBLE) == 0) continue;
    drawWindow(c, {cw->rect.left, cw->rect.top}, all, out, 1);
  }
  out.append(wm.screenList(), 0, 0, all);
  return out;
}
