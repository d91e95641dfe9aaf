// The headless host (see headless_host.h).
#include "platform/render/headless_host.h"

#include "platform/render/cairo_renderer.h"
#include "platform/render/svg_renderer.h"
#include "platform/win/screen_composer.h"
#include "platform/owl/t_printer.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"

namespace {

const DWORD kActionGap = 1000;
const DWORD kEventGap = 20;

bool endsWith(const std::string& s, const char* tail) {
  std::string t(tail);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

LRESULT frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  // The frame of the host: children fill it; closing it only hides it.
  if (msg == WM_CLOSE) {
    ShowWindow(hwnd, SW_HIDE);
    return 0;
  }
  return DefWindowProc(hwnd, msg, wp, lp);
}

std::string safeName(const std::string& title) {
  std::string s;
  for (char c : title) s += (c == '/' || c == '\\' || c == '\0') ? '_' : c;
  return s.empty() ? "printout" : s;
}

}  // namespace

HeadlessHost::HeadlessHost(int screenWidth, int screenHeight) {
  WindowManager& wm = WindowManager::instance();
  wm.reset(screenWidth, screenHeight);
  scope_ = std::make_unique<DesktopScope>(desktop_);
  wm.setInputSource([this] {
    if (steps_.empty()) return false;
    std::function<void()> s = std::move(steps_.front());
    steps_.pop_front();
    s();
    return true;
  });
  WNDCLASS wc = {};
  if (!GetClassInfo(nullptr, "TavixHostFrame", &wc)) {
    wc.lpfnWndProc = frameProc;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_WINDOW + 1));
    wc.lpszClassName = "TavixHostFrame";
    RegisterClass(&wc);
  }
  TPrinter::SetOutput([this](const std::string& title, const std::vector<const DisplayList*>& pages, int dpi) {
    std::string path = printFolder_ + "/" + safeName(title) + ".pdf";
    if (!CairoRenderer::writePdf(pages, path, dpi)) return false;
    printed_.push_back(path);
    return true;
  });
}

HeadlessHost::~HeadlessHost() {
  TPrinter::SetOutput(nullptr);
  WindowManager::instance().setInputSource(nullptr);
  WindowManager::instance().reset();
}

HWND HeadlessHost::makeTopLevel(int width, int height, const char* title, int x, int y) {
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE | WS_CLIPCHILDREN;
  // The frame's own size: a 3-pixel frame around and the caption above.
  const int frame = GetSystemMetrics(SM_CXDLGFRAME);
  return CreateWindow("TavixHostFrame", title, style, x, y, width + 2 * frame,
                      height + 2 * frame + GetSystemMetrics(SM_CYCAPTION), nullptr, nullptr, nullptr,
                      nullptr);
}

void HeadlessHost::step(std::function<void()> action, DWORD gap) {
  steps_.push_back([action = std::move(action), gap] {
    WindowManager::instance().advanceClock(gap);
    action();
  });
}

void HeadlessHost::mouse(UINT msg, HWND hwnd, POINT p, UINT keys, DWORD gap) {
  step(
      [msg, hwnd, p, keys] {
        POINT s = p;
        ClientToScreen(hwnd, &s);
        WindowManager::instance().injectMouse(msg, s, keys);
      },
      gap);
}

void HeadlessHost::press(HWND hwnd, POINT p, UINT keys) { mouse(WM_LBUTTONDOWN, hwnd, p, keys, kActionGap); }
void HeadlessHost::move(HWND hwnd, POINT p, UINT keys) { mouse(WM_MOUSEMOVE, hwnd, p, keys, kEventGap); }
void HeadlessHost::release(HWND hwnd, POINT p, UINT keys) { mouse(WM_LBUTTONUP, hwnd, p, keys, kEventGap); }

void HeadlessHost::click(HWND hwnd, POINT p, UINT keys) {
  mouse(WM_MOUSEMOVE, hwnd, p, keys, kActionGap);
  mouse(WM_LBUTTONDOWN, hwnd, p, keys, kEventGap);
  mouse(WM_LBUTTONUP, hwnd, p, keys, kEventGap);
}

void HeadlessHost::doubleClick(HWND hwnd, POINT p, UINT keys) {
  click(hwnd, p, keys);
  mouse(WM_LBUTTONDOWN, hwnd, p, keys, kEventGap);
  mouse(WM_LBUTTONUP, hwnd, p, keys, kEventGap);
}

void HeadlessHost::rightClick(HWND hwnd, POINT p, UINT keys) {
  mouse(WM_MOUSEMOVE, hwnd, p, keys, kActionGap);
  mouse(WM_RBUTTONDOWN, hwnd, p, keys, kEventGap);
  mouse(WM_RBUTTONUP, hwnd, p, keys, kEventGap);
}

void HeadlessHost::drag(HWND hwnd, POINT from, POINT to, int steps, UINT keys) {
  if (steps < 1) steps = 1;
  mouse(WM_MOUSEMOVE, hwnd, from, keys, kActionGap);
  mouse(WM_LBUTTONDOWN, hwnd, from, keys, kEventGap);
  for (int i = 1; i <= steps; ++i) {
    POINT p = {from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps};
    mouse(WM_MOUSEMOVE, hwnd, p, keys | MK_LBUTTON, kEventGap);
  }
  mouse(WM_LBUTTONUP, hwnd, to, keys, kEventGap);
}

void HeadlessHost::key(UINT virtualKey, char ch) {
  step([virtualKey, ch] { WindowManager::instance().injectKey(virtualKey, ch); }, kActionGap);
}

namespace {

// The key a character is typed with on a US keyboard, and whether Shift is held
// (a character's code is not its key: '.' would be the Delete key).
UINT keyFor(char c, UINT* modifiers) {
  *modifiers = 0;
  unsigned char u = static_cast<unsigned char>(c);
  if (c == '\r' || c == '\n') return VK_RETURN;
  if (c == '\t') return VK_TAB;
  if (c == '\b') return VK_BACK;
  if (u >= 'a' && u <= 'z') return u - 'a' + 'A';
  if ((u >= 'A' && u <= 'Z') || u == ' ' || (u >= '0' && u <= '9')) {
    if (u >= 'A' && u <= 'Z') *modifiers = MK_SHIFT;
    return u;
  }
  static const char kPlain[] = "`-=[]\\;',./";
  static const char kShifted[] = "~_+{}|:\"<>?";
  static const UINT kKeys[] = {0xC0, 0xBD, 0xBB, 0xDB, 0xDD, 0xDC, 0xBA, 0xDE, 0xBC, 0xBE, 0xBF};
  static const char kDigitShifted[] = ")!@#$%^&*(";
  for (int i = 0; i < 11; ++i) {
    if (c == kPlain[i]) return kKeys[i];
    if (c == kShifted[i]) {
      *modifiers = MK_SHIFT;
      return kKeys[i];
    }
  }
  for (int i = 0; i < 10; ++i) {
    if (c == kDigitShifted[i]) {
      *modifiers = MK_SHIFT;
      return static_cast<UINT>('0' + i);
    }
  }
  return 0xE5;  // no key of its own: the character alone counts
}

}  // namespace

void HeadlessHost::type(const std::string& text) {
  for (char c : text) {
    UINT modifiers = 0;
    UINT vk = keyFor(c, &modifiers);
    step([vk, c, modifiers] { WindowManager::instance().injectKey(vk, c == '\n' ? '\r' : c, modifiers); },
         kEventGap);
  }
}

void HeadlessHost::wait(DWORD ms) {
  step([] {}, ms);
}

int HeadlessHost::run(int limit) {
  int count = 0;
  MSG m;
  while (count < limit && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) break;
    DispatchMessage(&m);
    ++count;
  }
  return count;
}

DisplayList HeadlessHost::picture(HWND hwnd) const {
  return hwnd == nullptr ? ScreenComposer::composeScreen() : ScreenComposer::composeWindow(hwnd);
}

bool HeadlessHost::render(HWND hwnd, const std::string& path) const {
  DisplayList p = picture(hwnd);
  if (endsWith(path, ".svg")) return SvgRenderer::writeFile(p, path);
  if (endsWith(path, ".png")) return CairoRenderer::writePng(p, path);
  if (endsWith(path, ".pdf")) return CairoRenderer::writePdf({&p}, path);
  return false;
}
