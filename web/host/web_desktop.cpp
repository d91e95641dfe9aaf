// The browser's desktop (see web_desktop.h).
#include "web/host/web_desktop.h"

#include <emscripten.h>

#include <cstring>

#include "platform/win/menu.h"
#include "platform/win/windows_user.h"

// Each returns the button, command or prompt result the person chose; the
// page's answer arrives after the stack was unwound.
EM_ASYNC_JS(int, tvx_js_message_box, (int book, const char* text, const char* caption, unsigned type), {
  return await Module.tavixDesktop.messageBox(book, UTF8ToString(text), UTF8ToString(caption), type);
});

EM_ASYNC_JS(int, tvx_js_input_box, (int book, const char* title, const char* prompt, char* buffer, int size), {
  const r = await Module.tavixDesktop.inputBox(book, UTF8ToString(title), UTF8ToString(prompt),
                                               UTF8ToString(buffer));
  if (r === null) return 2;
  stringToUTF8(r, buffer, size);
  return 1;
});

EM_ASYNC_JS(unsigned, tvx_js_popup_menu, (int book, const char* items, int x, int y), {
  return await Module.tavixDesktop.popupMenu(book, UTF8ToString(items), x, y);
});

namespace {

void describe(HMENU menu, std::string& out, int depth) {
  const int n = GetMenuItemCount(menu);
  for (int i = 0; i < n && i < 1000; ++i) {
    const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    char text[256] = "";
    GetMenuString(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    std::string flags;
    if (state & MF_GRAYED) flags += 'g';
    if (state & MF_CHECKED) flags += 'c';
    if (state & MF_SEPARATOR) flags += 's';
    HMENU sub = GetSubMenu(menu, i);
    if (sub != nullptr && depth < 8) flags += '>';
    for (char& c : text) {
      if (c == '\n' || c == '|') c = ' ';
    }
    out += std::to_string(sub != nullptr ? 0u : GetMenuItemID(menu, i)) + "|" + flags + "|" + text + "\n";
    if (sub != nullptr && depth < 8) {
      describe(sub, out, depth + 1);
      out += "0|<|\n";
    }
  }
}

}  // namespace

std::string WebDesktop::describeMenu(HMENU menu) {
  std::string out;
  describe(menu, out, 0);
  return out;
}

int WebDesktop::messageBox(HWND owner, const char* text, const char* caption, UINT type) {
  return tvx_js_message_box(bookOf_(owner), text != nullptr ? text : "", caption != nullptr ? caption : "", type);
}

int WebDesktop::inputBox(HWND owner, const char* title, const char* prompt, char* buffer, int bufferSize) {
  if (buffer == nullptr || bufferSize <= 0) return IDCANCEL;
  const int r = tvx_js_input_box(bookOf_(owner), title != nullptr ? title : "", prompt != nullptr ? prompt : "",
                                 buffer, bufferSize);
  buffer[bufferSize - 1] = '\0';
  return r == 1 ? IDOK : IDCANCEL;
}

void WebDesktop::beep(UINT) {}

bool WebDesktop::playSound(const char*, UINT) { return false; }

UINT WebDesktop::trackPopupMenu(HWND owner, HMENU menu, int x, int y) {
  const std::string items = describeMenu(menu);
  const POINT at = inBook_(owner, POINT{x, y});
  return tvx_js_popup_menu(bookOf_(owner), items.c_str(), at.x, at.y);
}

bool WebDesktop::showHelp(HWND, const char*, UINT, uintptr_t) { return false; }
