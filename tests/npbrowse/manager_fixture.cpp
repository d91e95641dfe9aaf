// The book manager over a copy of the example book (see manager_fixture.h).
#include "manager_fixture.h"

#include <cstdlib>
#include <fstream>

void copyFile(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out << in.rdbuf();
}

void ManagerFixture::SetUp() {
  temp = std::make_unique<OwnTempFolder>(folder_);
  dir = std::getenv("TMPDIR");
  book = dir + "/Solar.tvx";
  copyFile(EXAMPLE_BOOK, book);
  host = std::make_unique<HeadlessHost>(900, 700);
  manager = std::make_unique<OrvaneNexil>();
  window = std::make_unique<OrvaneWindow>(nullptr, "Book", *manager);
  window->Attr.W = 640;
  window->Attr.H = 480;
  ASSERT_TRUE(window->Create());
  manager->setMainWindow(window.get());
}

void ManagerFixture::TearDown() {
  window.reset();
  manager.reset();
  host.reset();
  temp.reset();
}
