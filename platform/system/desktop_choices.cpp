// The choices a person makes in windows: the headless defaults of every desktop
// and the scripted desktop's answers (see desktop.h).
#include <cstdio>
#include <string>

#include "platform/system/desktop.h"
#include "platform/system/file_dialog.h"
#include "platform/system/system.h"
#include "platform/win/menu.h"
#include "platform/owl/t_dialog.h"

UINT Desktop::trackPopupMenu(HWND, HMENU menu, int, int) {
  const Menu* m = findMenu(menu);
  std::fprintf(stderr, "[menu] %s [none]\n", m != nullptr ? m->describe().c_str() : "");
  return 0;
}

int Desktop::runDialog(TDialog& dialog) {
  std::fprintf(stderr, "[dialog] %s [Cancel]\n", dialog.ResourceName().c_str());
  return IDCANCEL;
}

bool Desktop::fileDialog(HWND, FileDialogRequest& request) {
  std::fprintf(stderr, "[%s] %s [Cancel]\n", request.save ? "save file" : "open file", request.title.c_str());
  return false;
}

namespace {

// What a help request asks for, as the records show it.
std::string helpPage(UINT command, uintptr_t data) {
  switch (command) {
    case HELP_CONTEXT: return "topic " + std::to_string(data);
    case HELP_KEY: return std::string("keyword ") + (data != 0 ? reinterpret_cast<const char*>(data) : "");
    default: return "contents";
  }
}

}  // namespace

bool Desktop::showHelp(HWND, const char* file, UINT command, uintptr_t data) {
  std::fprintf(stderr, "[help] %s, %s\n", file != nullptr ? file : "", helpPage(command, data).c_str());
  return true;
}

bool Desktop::openObject(HWND, const char* className, const void*, std::size_t size, bool play) {
  std::fprintf(stderr, "[object] %s %s, %zu bytes\n", play ? "play" : "edit", className != nullptr ? className : "",
               size);
  return true;
}

bool ScriptedDesktop::openObject(HWND owner, const char* className, const void* data, std::size_t size, bool play) {
  std::string bytes = data != nullptr ? std::string(static_cast<const char*>(data), size) : std::string();
  events_.push_back({Kind::Object, owner, className != nullptr ? className : "", bytes, play ? 1u : 0u,
                     static_cast<int>(size)});
  return true;
}

bool ScriptedDesktop::showHelp(HWND owner, const char* file, UINT command, uintptr_t data) {
  std::string keyword = command == HELP_KEY && data != 0 ? reinterpret_cast<const char*>(data) : "";
  int topic = command == HELP_CONTEXT ? static_cast<int>(data) : 0;
  events_.push_back({Kind::Help, owner, file != nullptr ? file : "", keyword, command, topic});
  return true;
}

UINT ScriptedDesktop::trackPopupMenu(HWND owner, HMENU menu, int, int) {
  UINT chosen = 0;
  if (!menuAnswers_.empty()) {
    chosen = menuAnswers_.front();
    menuAnswers_.pop_front();
  }
  const Menu* m = findMenu(menu);
  events_.push_back({Kind::Menu, owner, m != nullptr ? m->describe() : "", "", 0, static_cast<int>(chosen)});
  return chosen;
}

int ScriptedDesktop::runDialog(TDialog& dialog) {
  int button = IDCANCEL;
  if (!dialogAnswers_.empty()) {
    std::function<int(TDialog&)> script = std::move(dialogAnswers_.front());
    dialogAnswers_.pop_front();
    if (script) button = script(dialog);
  }
  events_.push_back({Kind::Dialog, dialog.HWindow, dialog.ResourceName(), dialog.Title, 0, button});
  return button;
}

bool ScriptedDesktop::fileDialog(HWND owner, FileDialogRequest& request) {
  std::string path;
  if (!fileAnswers_.empty()) {
    path = fileAnswers_.front();
    fileAnswers_.pop_front();
  }
  request.path = path;
  events_.push_back({Kind::FileDialog, owner, path, request.title, request.flags, path.empty() ? 0 : 1});
  return !path.empty();
}
