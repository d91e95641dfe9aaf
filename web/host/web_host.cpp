// The browser's side of the plug-in interface, inside the WebAssembly program:
// the C functions the page's script calls (web/js/bridge.mjs) to play the
// browser for each book on the page. It mirrors what the native host
// (tools/npbrowse/np_host.*) does: the plug-in is reached only through its three
// exports and the function tables they fill, each book gets a browser window
// of its own (a borderless top-level window, one slot of the screen per book),
// streams arrive in the blocks the plug-in asks for, and pointer, wheel and key
// events of the page become the platform's window messages, which also makes
// double clicks by the platform's own timing.
//
// After every call the queue is run until it is idle. A modal loop started
// while a message is dispatched (resizing, rubber-banding, a progress dialog)
// waits for the page's next event with the stack unwound, as a person's next
// move arrives on Windows; at the top level the queue never waits.
//
// Results that are strings or bytes (pictures, symbols, saved history) stay in
// one buffer of the host until the next such call; the script copies them out.
#include <emscripten.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/node_ref.h"
#include "graphics/view_node.h"
#include "platform/npapi/np_function_tables.h"
#include "platform/win/screen_composer.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_user.h"
#include "plugin/c_plugin_window.h"
#include "plugin/plugin_instance.h"
#include "tools/tvx/page_outline.h"
#include "web/host/display_list_json.h"
#include "web/host/web_desktop.h"

extern "C" {
NPError NP_GetEntryPoints(NPPluginFuncs* funcs);
NPError NP_Initialize(NPNetscapeFuncs* browser);
NPError NP_Shutdown();
}

// The page's answers to the plug-in's calls on the browser.
EM_JS(int, tvx_js_get_url, (int book, const char* url, const char* target), {
  return Module.tavixBrowser.getURL(book, UTF8ToString(url), UTF8ToString(target));
});
EM_JS(void, tvx_js_status, (int book, const char* text), {
  Module.tavixBrowser.status(book, UTF8ToString(text));
});
// The page's next event for a modal loop: fills out[0..5] with book, kind
// (1 mouse, 2 key, 3 vertical wheel, 4 horizontal wheel), message or key
// or wheel direction, x or character, y or modifiers, key state;
// 0 when none came within `ms`.
EM_ASYNC_JS(int, tvx_js_wait_input, (int* out, int ms), {
  const e = await Module.tavixBrowser.waitInput(ms);
  if (!e) return 0;
  for (let i = 0; i < 6; ++i) HEAP32[(out >> 2) + i] = e[i] | 0;
  return 1;
});

namespace {

const char* const kMimeType = "application/x-tavixBook";
const int kSlot = 4096;       // each book's browser window has a square of the screen
const int kBooks = 16;        // books on one page at most
const int kLargest = kSlot - 64;

struct Book {
  int id = 0;
  int slot = 0;
  HWND frame = nullptr;
  NPP_t npp{};
  NPWindow window{};
  NPStream stream{};
  std::string url;
  bool live = false;
  bool streaming = false;
  std::vector<char> args;
};

NPPluginFuncs gPlugin{};
NPNetscapeFuncs gBrowser{};
std::map<int, std::unique_ptr<Book>> gBooks;
int gNextId = 1;
int gDispatchDepth = 0;
std::string gResult;  // the last string or byte result
std::unique_ptr<WebDesktop> gDesktop;

Book* bookOf(NPP npp) {
  if (npp == nullptr || npp->ndata == nullptr) return nullptr;
  return static_cast<Book*>(npp->ndata);
}

Book* book(int id) {
  auto it = gBooks.find(id);
  return it == gBooks.end() ? nullptr : it->second.get();
}

// The book whose window `hwnd` is, or is inside; the first book when none.
int bookOfWindow(HWND hwnd) {
  for (int i = 0; hwnd != nullptr && i < 64; ++i) {
    for (auto& b : gBooks) {
      if (b.second->frame == hwnd) return b.first;
    }
    hwnd = GetParent(hwnd);
  }
  return gBooks.empty() ? 0 : gBooks.begin()->first;
}

POINT frameOrigin(const Book& b) { return POINT{0, b.slot * kSlot}; }

NPError geturl(NPP npp, const char* url, const char* target) {
  Book* b = bookOf(npp);
  if (b == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  return static_cast<NPError>(tvx_js_get_url(b->id, url != nullptr ? url : "", target != nullptr ? target : ""));
}

void status(NPP npp, const char* text) {
  if (Book* b = bookOf(npp)) tvx_js_status(b->id, text != nullptr ? text : "");
}

void* memalloc(uint32 size) { return std::malloc(size != 0 ? size : 1); }
void memfree(void* p) { std::free(p); }

// Runs the queue until it is idle; messages dispatched inside a modal loop
// come through the input source below instead.
int pump() {
  int count = 0;
  MSG m;
  while (count < 100000 && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) break;
    ++gDispatchDepth;
    DispatchMessage(&m);
    --gDispatchDepth;
    ++count;
  }
  return count;
}

CPluginWindow* pluginWindow(int id) {
  Book* b = book(id);
  if (b == nullptr || b->npp.pdata == nullptr) return nullptr;
  return static_cast<PluginInstance*>(b->npp.pdata)->pluginWindow;
}

void inject(int id, int kind, int a, int x, int y, int keys) {
  Book* b = book(id);
  if (b == nullptr) return;
  WindowManager& wm = WindowManager::instance();
  if (kind == 1) {
    const POINT o = frameOrigin(*b);
    wm.injectMouse(static_cast<UINT>(a), POINT{o.x + x, o.y + y}, static_cast<UINT>(keys));
  } else if (kind == 2) {
    wm.injectKey(static_cast<UINT>(a), static_cast<char>(x), static_cast<UINT>(y));
  } else if (kind == 3 || kind == 4) {
    // The wheel scrolls the page shown a line at a time, as its scroll bars do.
    CPluginWindow* w = pluginWindow(id);
    if (w != nullptr && w->currentPage() != nullptr) {
      SendMessage(w->currentPage()->GetHandle(), kind == 3 ? WM_VSCROLL : WM_HSCROLL,
                  a > 0 ? SB_LINEDOWN : SB_LINEUP, 0);
    }
  }
}

// Asked when the queue is idle. Inside a dispatched message (a modal loop) it
// waits for the page's next event; at the top level there is none to wait for.
bool nextInput() {
  if (gDispatchDepth == 0) return false;
  int e[6] = {0, 0, 0, 0, 0, 0};
  if (tvx_js_wait_input(e, 50) != 0) inject(e[0], e[1], e[2], e[3], e[4], e[5]);
  return true;  // the loop looks again: a timer may have fallen due meanwhile
}

std::string escapeJson(const std::string& t) {
  std::string o;
  for (unsigned char c : t) {
    if (c < 0x20) continue;
    if (c == '"' || c == '\\') o += '\\';
    o += static_cast<char>(c);
  }
  return o;
}

LRESULT frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE) return 0;  // the page decides when a book goes
  return DefWindowProc(hwnd, msg, wp, lp);
}

}  // namespace

extern "C" {

// Starts the plug-in: its entry points and the browser's table. 0, or the
// plug-in's error.
EMSCRIPTEN_KEEPALIVE int tvx_start() {
  WindowManager& wm = WindowManager::instance();
  wm.reset(kSlot, kSlot * kBooks);
  wm.setInputSource(nextInput);
  gDesktop = std::make_unique<WebDesktop>(bookOfWindow, [](HWND owner, POINT p) {
    if (Book* b = book(bookOfWindow(owner))) {
      const POINT o = frameOrigin(*b);
      p.x -= o.x;
      p.y -= o.y;
    }
    return p;
  });
  setDesktop(gDesktop.get());
  WNDCLASS wc = {};
  wc.lpfnWndProc = frameProc;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_WINDOW + 1));
  wc.lpszClassName = "TavixWebFrame";
  RegisterClass(&wc);
  gBrowser.size = sizeof(NPNetscapeFuncs);
  gBrowser.version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
  gBrowser.geturl = geturl;
  gBrowser.status = status;
  gBrowser.memalloc = memalloc;
  gBrowser.memfree = memfree;
  gPlugin.size = sizeof(NPPluginFuncs);
  NPError e = NP_GetEntryPoints(&gPlugin);
  if (e == NPERR_NO_ERROR) e = NP_Initialize(&gBrowser);
  return e;
}

// A new book: NPP_New with the tag's parameters (`args`: name, NUL, value, NUL
// for each of `argc`) and the saved data of an earlier visit (`savedLen` 0:
// none). The book's number (> 0), or minus the plug-in's error.
EMSCRIPTEN_KEEPALIVE int tvx_new(int argc, const char* args, int argsLen, const char* saved, int savedLen) {
  int slot = 0;
  for (; slot < kBooks; ++slot) {
    bool used = false;
    for (auto& b : gBooks) used = used || b.second->slot == slot;
    if (!used) break;
  }
  if (slot == kBooks || argc < 0 || argsLen < 0 || savedLen < 0 || gPlugin.newp == nullptr) {
    return -NPERR_GENERIC_ERROR;
  }
  auto b = std::make_unique<Book>();
  b->id = gNextId++;
  b->slot = slot;
  b->args.assign(args, args + argsLen);
  b->args.push_back('\0');
  std::vector<char*> names, values;
  std::size_t at = 0;
  for (int i = 0; i < argc && at < b->args.size(); ++i) {
    names.push_back(b->args.data() + at);
    at += std::strlen(b->args.data() + at) + 1;
    if (at >= b->args.size()) {
      names.pop_back();
      break;
    }
    values.push_back(b->args.data() + at);
    at += std::strlen(b->args.data() + at) + 1;
  }
  const POINT o = frameOrigin(*b);
  b->frame = CreateWindow("TavixWebFrame", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, o.x, o.y, 300, 150,
                          nullptr, nullptr, nullptr, nullptr);
  NPSavedData* data = nullptr;
  if (savedLen > 0) {
    // Saved data belongs to the plug-in once handed over: the browser's allocator.
    data = static_cast<NPSavedData*>(memalloc(sizeof(NPSavedData)));
    data->len = savedLen;
    data->buf = memalloc(static_cast<uint32>(savedLen));
    std::memcpy(data->buf, saved, static_cast<std::size_t>(savedLen));
  }
  b->npp.ndata = b.get();
  const NPError e = gPlugin.newp(const_cast<char*>(kMimeType), &b->npp, NP_EMBED, static_cast<int16>(names.size()),
                                 names.data(), values.data(), data);
  if (e != NPERR_NO_ERROR) {
    DestroyWindow(b->frame);
    return -e;
  }
  b->live = true;
  const int id = b->id;
  gBooks[id] = std::move(b);
  pump();
  return id;
}

// NPP_SetWindow with the element's box (CSS pixels).
EMSCRIPTEN_KEEPALIVE int tvx_set_window(int id, int width, int height) {
  Book* b = book(id);
  if (b == nullptr || !b->live) return NPERR_INVALID_INSTANCE_ERROR;
  width = std::clamp(width, 16, kLargest);
  height = std::clamp(height, 16, kLargest);
  const POINT o = frameOrigin(*b);
  SetWindowPos(b->frame, nullptr, o.x, o.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  b->window.window = b->frame;
  b->window.x = 0;
  b->window.y = 0;
  b->window.width = static_cast<uint32>(width);
  b->window.height = static_cast<uint32>(height);
  b->window.clipRect = {0, 0, static_cast<uint16>(height), static_cast<uint16>(width)};
  const NPError e = gPlugin.setwindow(&b->npp, &b->window);
  pump();
  return e;
}

// NPP_NewStream for the book's address and length.
EMSCRIPTEN_KEEPALIVE int tvx_stream_new(int id, const char* url, int length) {
  Book* b = book(id);
  if (b == nullptr || !b->live || b->streaming) return NPERR_INVALID_INSTANCE_ERROR;
  b->url = url != nullptr ? url : "";
  b->stream = NPStream{};
  b->stream.ndata = b;
  b->stream.url = b->url.c_str();
  b->stream.end = static_cast<uint32>(std::max(length, 0));
  uint16 stype = NP_NORMAL;
  const NPError e = gPlugin.newstream(&b->npp, const_cast<char*>(kMimeType), &b->stream, 0, &stype);
  b->streaming = e == NPERR_NO_ERROR;
  return e;
}

// NPP_WriteReady: how many bytes the plug-in takes in the next block.
EMSCRIPTEN_KEEPALIVE int tvx_stream_ready(int id) {
  Book* b = book(id);
  if (b == nullptr || !b->streaming) return 0;
  return gPlugin.writeready(&b->npp, &b->stream);
}

// NPP_Write of `len` bytes at `data`; what the plug-in took.
EMSCRIPTEN_KEEPALIVE int tvx_stream_write(int id, int offset, int len, char* data) {
  Book* b = book(id);
  if (b == nullptr || !b->streaming || len < 0) return -1;
  return gPlugin.write(&b->npp, &b->stream, offset, len, data);
}

// NPP_DestroyStream with the reason (0 done, 1 network error, 2 user break).
EMSCRIPTEN_KEEPALIVE int tvx_stream_end(int id, int reason) {
  Book* b = book(id);
  if (b == nullptr || !b->streaming) return NPERR_INVALID_INSTANCE_ERROR;
  b->streaming = false;
  const NPError e = gPlugin.destroystream(&b->npp, &b->stream, static_cast<NPReason>(reason));
  pump();
  return e;
}

// A pointer event (kind 1: WM_MOUSEMOVE, WM_LBUTTONDOWN ...), a key (kind 2:
// virtual key, character, modifiers) at the element's point.
EMSCRIPTEN_KEEPALIVE int tvx_input(int id, int kind, int a, int x, int y, int keys) {
  inject(id, kind, a, x, y, keys);
  return pump();
}

// Runs what fell due (timers); how many messages were dispatched.
EMSCRIPTEN_KEEPALIVE int tvx_pump() { return pump(); }

// NPP_Destroy: the saved data handed back is the result (tvx_result); its
// length, or -1 when there was none.
EMSCRIPTEN_KEEPALIVE int tvx_destroy(int id) {
  auto it = gBooks.find(id);
  if (it == gBooks.end()) return -1;
  Book* b = it->second.get();
  if (b->streaming) tvx_stream_end(id, NPRES_USER_BREAK);
  NPSavedData* data = nullptr;
  gPlugin.destroy(&b->npp, &data);
  int len = -1;
  gResult.clear();
  if (data != nullptr) {
    if (data->buf != nullptr && data->len > 0) {
      gResult.assign(static_cast<const char*>(data->buf), static_cast<std::size_t>(data->len));
    }
    len = static_cast<int>(gResult.size());
    memfree(data->buf);
    memfree(data);
  }
  DestroyWindow(b->frame);
  gBooks.erase(it);
  pump();
  return len;
}

// The picture of the book's element as JSON (web/host/display_list_json.h);
// its length.
EMSCRIPTEN_KEEPALIVE int tvx_picture(int id) {
  Book* b = book(id);
  gResult.clear();
  if (b == nullptr) return 0;
  HWND child = GetWindow(b->frame, GW_CHILD);
  gResult = displayListJson(ScreenComposer::composeWindow(child != nullptr ? child : b->frame));
  return static_cast<int>(gResult.size());
}

// The page shown and its symbols, as JSON: {"page": its name, "symbols":
// [{"label", "page", "url", "box": [l, t, r, b] in the element's pixels}, ...]}
// with the symbols in reading order; its length.
EMSCRIPTEN_KEEPALIVE int tvx_symbols(int id) {
  Book* b = book(id);
  gResult = "{\"page\":\"\",\"symbols\":[]}";
  if (b == nullptr || b->npp.pdata == nullptr) return static_cast<int>(gResult.size());
  auto* inst = static_cast<PluginInstance*>(b->npp.pdata);
  if (inst->pluginWindow == nullptr || inst->pluginWindow->currentPage() == nullptr) {
    return static_cast<int>(gResult.size());
  }
  ViewNode* page = inst->pluginWindow->currentPage();
  const PageOutline outline = outlinePage(*page);
  RECT client = {0, 0, 0, 0};
  GetClientRect(page->GetHandle(), &client);
  std::string out = "{\"page\":\"" + escapeJson(inst->pluginWindow->statusText()) + "\",\"symbols\":[";
  for (std::size_t i : readingOrder(outline)) {
    const OutlineSymbol& s = outline.symbols[i];
    RECT r = s.rect;
    page->logicalToDevice(r);
    POINT a = {r.left, r.top}, z = {r.right, r.bottom};
    ClientToScreen(page->GetHandle(), &a);
    ClientToScreen(page->GetHandle(), &z);
    ScreenToClient(b->frame, &a);
    ScreenToClient(b->frame, &z);
    std::string label, page_name, url;
    const auto esc = escapeJson;
    if (out.back() != '[') out += ",";
    out += "{\"label\":\"" + esc(s.label) + "\",\"page\":\"" + (s.leadsToPage ? esc(s.pageName) : "") +
           "\",\"url\":\"" + esc(s.url) + "\",\"box\":[" + std::to_string(a.x) + "," + std::to_string(a.y) + "," +
           std::to_string(z.x) + "," + std::to_string(z.y) + "]}";
  }
  out += "]}";
  gResult = out;
  return static_cast<int>(gResult.size());
}

// The page history (the saved-data form, c_plugin_window.h) as the result; its length.
EMSCRIPTEN_KEEPALIVE int tvx_history(int id) {
  gResult.clear();
  CPluginWindow* w = pluginWindow(id);
  if (w == nullptr) return 0;
  const std::vector<char> block = w->historyToBlock();
  gResult.assign(block.begin(), block.end());
  return static_cast<int>(gResult.size());
}

// Shows the page `name` names: a decimal page ID (as the history holds them),
// or anything the tag's "node" parameter takes.
EMSCRIPTEN_KEEPALIVE int tvx_goto(int id, const char* name) {
  CPluginWindow* w = pluginWindow(id);
  if (w == nullptr || name == nullptr) return -1;
  char* end = nullptr;
  const unsigned long page = std::strtoul(name, &end, 10);
  if (name[0] >= '0' && name[0] <= '9' && *end == '\0' && page <= 0xFFFFFFFFul && w->book() != nullptr) {
    NodeRef ref(w->book(), static_cast<ULONG>(page));
    w->loadNode(w, ref, 6, 0, nullptr, true);
  } else {
    w->gotoNode(name);
  }
  pump();
  return 0;
}

// One of the page's zoom commands (GraphicWindow::CmZoom50 ... CmZoomFitPage).
EMSCRIPTEN_KEEPALIVE int tvx_zoom(int id, int command) {
  CPluginWindow* w = pluginWindow(id);
  if (w == nullptr || w->currentPage() == nullptr) return -1;
  if (command < GraphicWindow::CmZoom50 || command > GraphicWindow::CmZoomFitPage ||
      command == GraphicWindow::CmZoomCustom) {
    return -1;
  }
  SendMessage(w->currentPage()->GetHandle(), WM_COMMAND, static_cast<WPARAM>(command), 0);
  pump();
  return w->currentPage()->zoom();
}

// Where the last string or byte result lies.
EMSCRIPTEN_KEEPALIVE const char* tvx_result() { return gResult.data(); }

}  // extern "C"
