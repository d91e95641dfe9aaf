// A fixture for the drawing tests: a fresh window manager with one visible
// window of a given size, a device context on it, and the window's recorded
// display list, its last command as text and its pixels as the PNG renderer
// draws them.
#ifndef TESTS_PLATFORM_CANVAS_TEST_SUPPORT_H
#define TESTS_PLATFORM_CANVAS_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/render/cairo_renderer.h"
#include "platform/win/display_list.h"
#include "platform/win/text_dump_renderer.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

class CanvasTest : public ::testing::Test {
 protected:
  CanvasTest(int screenWidth, int screenHeight, const char* className, int width, int height)
      : screenWidth_(screenWidth), screenHeight_(screenHeight), className_(className),
        width_(width), height_(height) {}

  void SetUp() override {
    WindowManager::instance().reset(screenWidth_, screenHeight_);
    WNDCLASS wc = {};
    wc.lpfnWndProc = DefWindowProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = className_;
    RegisterClass(&wc);
    hwnd = CreateWindow(className_, "canvas", WS_VISIBLE, 0, 0, width_, height_, nullptr, nullptr,
                        nullptr, nullptr);
    WindowManager::instance().runUntilIdle();
    hdc = GetDC(hwnd);
  }
  void TearDown() override {
    ReleaseDC(hwnd, hdc);
    WindowManager::instance().reset();
  }
  const DisplayList& list() { return WindowManager::instance().find(hwnd)->list; }
  std::string last() {
    const auto& cmds = list().commands();
    return cmds.empty() ? "" : TextDumpRenderer::line(cmds.back(), list().width(), list().height());
  }
  std::vector<uint32_t> pixels() { return CairoRenderer::renderPixels(list()); }
  uint32_t at(const std::vector<uint32_t>& px, int x, int y) const {
    return px[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
  }

  HWND hwnd = nullptr;
  HDC hdc = nullptr;

 private:
  int screenWidth_, screenHeight_;
  const char* className_;
  int width_, height_;
};

#endif  // TESTS_PLATFORM_CANVAS_TEST_SUPPORT_H
