// The book manager on a copy of the example book: a headless screen, the
// manager and its main window, 640 by 480, over a private temporary folder
// that holds the copy. The suites of the book manager and of find start here.
#ifndef TESTS_NPBROWSE_MANAGER_FIXTURE_H
#define TESTS_NPBROWSE_MANAGER_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/core_test_support.h"
#include "platform/render/headless_host.h"
#include "plugin/orvane_nexil.h"
#include "plugin/orvane_window.h"

// Copies a file whole, replacing what `to` held.
void copyFile(const std::string& from, const std::string& to);

class ManagerFixture : public ::testing::Test {
 protected:
  explicit ManagerFixture(const char* folder) : folder_(folder) {}
  void SetUp() override;
  void TearDown() override;

  std::unique_ptr<OwnTempFolder> temp;
  std::string dir, book;  // the temporary folder and the copy in it
  std::unique_ptr<HeadlessHost> host;
  std::unique_ptr<OrvaneNexil> manager;
  std::unique_ptr<OrvaneWindow> window;

 private:
  const char* folder_;
};

#endif  // TESTS_NPBROWSE_MANAGER_FIXTURE_H
