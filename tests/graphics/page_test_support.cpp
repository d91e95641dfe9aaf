// The shared fixture of the graphics tests (see page_test_support.h).
#include "page_test_support.h"

#include "platform/win/text_dump_renderer.h"
#include "platform/win/window_manager.h"

std::vector<std::string> PageTest::picture() {
  host->run();
  std::vector<std::string> lines;
  const DisplayList list = host->picture(hwnd());
  for (const DrawCommand& c : list.commands()) lines.push_back(TextDumpRenderer::line(c, list.width(), list.height()));
  return lines;
}

std::vector<std::string> PageTest::sounds() const {
  std::vector<std::string> out;
  for (const auto& e : host->desktop().eventsOf(ScriptedDesktop::Kind::Sound)) out.push_back(e.text);
  return out;
}

std::vector<std::string> PageTest::boxes() const {
  std::vector<std::string> out;
  for (const auto& e : host->desktop().eventsOf(ScriptedDesktop::Kind::MessageBox)) out.push_back(e.text);
  return out;
}

std::string rectText(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}
