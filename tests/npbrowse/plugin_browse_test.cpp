// The plug-in as a browser drives it: through its three exports only, on the
// example book and on damaged copies of it, with the browser of our own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/core_test_support.h"
#include "platform/system/system.h"
#include "platform/win/windows_user.h"
#include "tools/npbrowse/np_host.h"

namespace {

// Where the example's symbols are in a 640 x 480 tag.
const POINT kJupiterOnHome = {146, 328};
const POINT kSunOnHome = {598, 243};
const POINT kSunOnJupiter = {598, 242};

std::vector<char> exampleBytes() {
  std::ifstream in(EXAMPLE_BOOK, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string run(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

// Every text drawn in the picture, one per line.
std::string texts(const DisplayList& picture) {
  std::string out;
  for (const DrawCommand& c : picture.commands()) {
    if (c.op == DrawOp::Text) out += c.text + "\n";
  }
  return out;
}

bool shows(const NpHost& host, const std::string& text) {
  return texts(host.picture()).find(text + "\n") != std::string::npos;
}

// The distinct fill colours of the figures drawn.
std::set<COLORREF> fills(const DisplayList& picture) {
  std::set<COLORREF> out;
  for (const DrawCommand& c : picture.commands()) {
    if (c.op == DrawOp::Ellipse || c.op == DrawOp::Polygon || c.op == DrawOp::RoundRect) out.insert(c.brush.color);
  }
  return out;
}

// The page windows under `root`, and which of them are visible.
void pageWindows(HWND root, int* all, int* visible) {
  for (HWND w = ::GetWindow(root, GW_CHILD); w != nullptr; w = ::GetWindow(w, GW_HWNDNEXT)) {
    char name[64] = "";
    ::GetClassName(w, name, sizeof name);
    if (std::string(name) == "NPTavixPane") {
      ++*all;
      if (::IsWindowVisible(w)) ++*visible;
    }
    pageWindows(w, all, visible);
  }
}

std::string idOf(const char* page) {
  TestNexil app;
  DBRef book;
  if (app.addDB(book, "", EXAMPLE_BOOK, 0, 0x40) != 0) return "";
  return std::to_string(book.db()->resolveName(String(page)));
}

int leftoverCopies() { return static_cast<int>(findFiles((std::string(std::getenv("TMPDIR")) + "/Tvx*.tmp").c_str()).size()); }

class PluginBrowseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp = std::make_unique<OwnTempFolder>("plugin");
    host = std::make_unique<NpHost>(640, 480);
    std::string why;
    ASSERT_TRUE(host->open(PLUGIN_LIBRARY, &why)) << why;
    ASSERT_EQ(host->start(), NPERR_NO_ERROR);
  }
  void TearDown() override {
    host.reset();
    temp.reset();
  }
  // A new instance with `params`, shown in the tag, given `bytes`.
  void show(const std::vector<std::pair<std::string, std::string>>& params, const std::vector<char>& bytes,
            const std::vector<char>& saved = {}) {
    ASSERT_EQ(host->newInstance(params, saved), NPERR_NO_ERROR);
    ASSERT_EQ(host->setWindow(), NPERR_NO_ERROR);
    ASSERT_EQ(host->stream(bytes), NPERR_NO_ERROR);
  }
  std::vector<char> destroy() {
    std::vector<char> saved;
    EXPECT_EQ(host->destroyInstance(&saved), NPERR_NO_ERROR);
    return saved;
  }

  std::unique_ptr<OwnTempFolder> temp;
  std::unique_ptr<NpHost> host;
};

TEST(PluginLibraryTest, ExportsExactlyTheThreeEntryPointsOnTheLibrariesBelowIt) {
  const std::string exported = run("nm -D --defined-only " + std::string(PLUGIN_LIBRARY) + " | awk '{print $3}'");
  EXPECT_EQ(exported, "NP_GetEntryPoints\nNP_Initialize\nNP_Shutdown\n");
  const std::string needed = run("readelf -d " + std::string(PLUGIN_LIBRARY) + " | grep NEEDED");
  for (const char* lib : {"libnexil.so", "libmapread.so", "libnexkit32.so", "libtvxplatform.so"}) {
    EXPECT_NE(needed.find(lib), std::string::npos) << lib;
  }
}

TEST_F(PluginBrowseTest, EntryPointsCheckTheBrowsersTables) {
  NPPluginFuncs funcs{};
  EXPECT_EQ(host->getEntryPoints()(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
  funcs.size = 43;
  EXPECT_EQ(host->getEntryPoints()(&funcs), NPERR_INVALID_FUNCTABLE_ERROR);
  EXPECT_EQ(funcs.newp, nullptr);
  funcs.size = 44;
  EXPECT_EQ(host->getEntryPoints()(&funcs), NPERR_NO_ERROR);
  EXPECT_EQ(funcs.version, 6);
  EXPECT_NE(funcs.newp, nullptr);
  EXPECT_NE(funcs.print, nullptr);
  EXPECT_EQ(funcs.event, nullptr);

  NPNetscapeFuncs browser = host->browserFuncs();
  EXPECT_EQ(host->initialize()(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
  browser.version = 0x0106;
  EXPECT_EQ(host->initialize()(&browser), NPERR_INCOMPATIBLE_VERSION_ERROR);
  browser.version = 0x0009;
  browser.size = 51;
  EXPECT_EQ(host->initialize()(&browser), NPERR_INVALID_FUNCTABLE_ERROR);
  EXPECT_EQ(host->initialize()(&host->browserFuncs()), NPERR_NO_ERROR);
  // Calls without an instance are refused.
  EXPECT_EQ(funcs.newp(nullptr, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(funcs.setwindow(nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(funcs.destroy(nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(funcs.writeready(nullptr, nullptr), 1023);
  char block[10] = {};
  EXPECT_EQ(funcs.write(nullptr, nullptr, 0, 10, block), 10);
  ASSERT_FALSE(host->boxes().empty());
  EXPECT_EQ(host->boxes().back().second, "E: NPP_Write: bad instance");
}

TEST_F(PluginBrowseTest, HelpSaveAsAndPrintAnswerFromThePage) {
  show({}, exampleBytes());
  host->pressHelp();
  host->run();
  const auto help = host->screen().desktop().eventsOf(ScriptedDesktop::Kind::Help);
  ASSERT_EQ(help.size(), 1u);
  EXPECT_EQ(help[0].text, "NPTavix.hlp");

  // "Save as..." on the page's menu writes the book the browser gave.
  const std::string copy = std::string(std::getenv("TMPDIR")) + "/saved.tvx";
  host->screen().menuChoice(24334);
  host->screen().desktop().answerFile(copy);
  host->rightClick({300, 60});
  host->run();
  std::ifstream in(copy, std::ios::binary);
  EXPECT_EQ(std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), exampleBytes());

  // A whole-window instance leaves printing to the browser.
  NPPrint print{};
  print.mode = NP_FULL;
  print.print.fullPrint.pluginPrinted = 1;
  NPP_t stranger{};
  host->pluginFuncs().print(&stranger, &print);  // not an instance: nothing
  EXPECT_EQ(print.print.fullPrint.pluginPrinted, 1);
  host->pluginFuncs().print(host->instance(), &print);
  EXPECT_EQ(print.print.fullPrint.pluginPrinted, 0);
  destroy();
}

TEST_F(PluginBrowseTest, ShowsTheHomePageFollowsSymbolsGoesBackAndOpensWebAddresses) {
  show({}, exampleBytes());
  ASSERT_GE(host->statusLines().size(), 2u);
  EXPECT_EQ(host->statusLines().front().rfind("Opening book '", 0), 0u);
  EXPECT_NE(host->statusLines().front().find("' for read only..."), std::string::npos);
  EXPECT_NE(host->statusLines().back().find("' opened for read only"), std::string::npos);
  EXPECT_TRUE(shows(*host, "The Solar System"));
  EXPECT_FALSE(shows(*host, "Back")) << "nothing to go back to yet";
  EXPECT_TRUE(shows(*host, "Help"));

  host->doubleClick(kJupiterOnHome);
  host->run();
  EXPECT_TRUE(shows(*host, "Jupiter"));
  EXPECT_FALSE(shows(*host, "The Solar System"));
  EXPECT_TRUE(shows(*host, "Back"));

  host->pressBack();
  host->run();
  EXPECT_TRUE(shows(*host, "The Solar System"));
  EXPECT_FALSE(shows(*host, "Back"));

  // The Sun has a page and a web address: the person is asked which.
  host->answer(IDYES);
  host->doubleClick(kSunOnHome);
  host->run();
  ASSERT_EQ(host->urls().size(), 1u);
  EXPECT_EQ(host->urls()[0].url, "https://science.nasa.gov/sun/");
  EXPECT_EQ(host->urls()[0].target, "_self");
  ASSERT_FALSE(host->boxes().empty());
  EXPECT_EQ(host->boxes().back().first, "Which One?");
  const std::vector<char> saved = destroy();
  EXPECT_EQ(std::string(saved.begin(), saved.end()), idOf("The Solar System") + '\0' + '\0')
      << "going back leaves the one visit";
}

TEST_F(PluginBrowseTest, EmbedParametersChooseColoursTargetAndFirstPage) {
  show({{"target", "_blank"}}, exampleBytes());
  const std::set<COLORREF> coloured = fills(host->picture());
  host->answer(IDYES);
  host->doubleClick(kSunOnHome);
  host->run();
  ASSERT_EQ(host->urls().size(), 1u);
  EXPECT_EQ(host->urls()[0].target, "_blank");
  destroy();

  for (const char* value : {"FALSE", "False", "false"}) {
    show({{"COLOR", value}}, exampleBytes());
    EXPECT_LT(fills(host->picture()).size(), coloured.size()) << value;
    destroy();
  }
  show({{"color", "no"}}, exampleBytes());
  EXPECT_EQ(fills(host->picture()), coloured);
  destroy();

  show({{"node", "Jupiter"}}, exampleBytes());
  EXPECT_TRUE(shows(*host, "Jupiter"));
  destroy();
  show({{"Node", "Nowhere"}}, exampleBytes());
  EXPECT_TRUE(shows(*host, "The Solar System"));
  EXPECT_EQ(host->statusLines().back(), "W: Unable to load node, bad node reference given: 'Nowhere'");
  destroy();
}

TEST_F(PluginBrowseTest, ALastBlockOfExactly1023BytesAsksWhetherTheTransferWasCancelled) {
  const std::vector<char> bytes = exampleBytes();
  const std::size_t first = bytes.size() % 1023 != 0 ? bytes.size() % 1023 : 1023;
  host->answer(IDYES);
  ASSERT_EQ(host->newInstance({}), NPERR_NO_ERROR);
  ASSERT_EQ(host->setWindow(), NPERR_NO_ERROR);
  ASSERT_EQ(host->stream(bytes, first), NPERR_NO_ERROR);
  ASSERT_EQ(host->boxes().size(), 1u);
  EXPECT_EQ(host->boxes()[0].first, "Cancelled?");
  EXPECT_EQ(host->boxes()[0].second.rfind("NPTavix has detected the possibility of you having cancelled", 0), 0u);
  EXPECT_TRUE(shows(*host, "Tavix: Loading hyperbase..."));
  EXPECT_FALSE(shows(*host, "The Solar System"));
  destroy();

  host->answer(IDNO);
  ASSERT_EQ(host->newInstance({}), NPERR_NO_ERROR);
  ASSERT_EQ(host->setWindow(), NPERR_NO_ERROR);
  ASSERT_EQ(host->stream(bytes, first), NPERR_NO_ERROR);
  EXPECT_EQ(host->boxes().size(), 2u);
  EXPECT_TRUE(shows(*host, "The Solar System"));
  EXPECT_EQ(host->largestWrite(), 1023);
  destroy();
}

TEST_F(PluginBrowseTest, SavedDataCarriesTheHistoryToTheNextVisit) {
  // No book shown: the history is empty, one NUL byte.
  ASSERT_EQ(host->newInstance({}), NPERR_NO_ERROR);
  ASSERT_EQ(host->setWindow(), NPERR_NO_ERROR);
  EXPECT_EQ(destroy(), std::vector<char>({0}));

  show({}, exampleBytes());
  host->doubleClick(kJupiterOnHome);
  host->run();
  host->answer(IDNO);  // the Sun's page, not its web address
  host->doubleClick(kSunOnJupiter);
  host->run();
  ASSERT_TRUE(shows(*host, "Sun"));
  int all = 0, visible = 0;
  pageWindows(host->browserWindow(), &all, &visible);
  EXPECT_EQ(all, 2) << "the first page window went when the third was loaded";
  EXPECT_EQ(visible, 1);
  const std::vector<char> saved = destroy();
  const std::string expected =
      idOf("The Solar System") + '\0' + idOf("Jupiter") + '\0' + idOf("Sun") + '\0' + '\0';
  EXPECT_EQ(std::string(saved.begin(), saved.end()), expected);

  show({}, exampleBytes(), saved);
  EXPECT_TRUE(shows(*host, "Sun"));
  EXPECT_TRUE(shows(*host, "Back"));
  host->pressBack();
  host->run();
  EXPECT_TRUE(shows(*host, "Jupiter"));
  host->pressBack();
  host->run();
  EXPECT_TRUE(shows(*host, "The Solar System"));
  EXPECT_FALSE(shows(*host, "Back"));
  destroy();
  EXPECT_EQ(host->outstandingAllocations(), 0);

  // Saved data from elsewhere: an entry without its NUL is not taken, a page
  // that is gone is reported and the home page stays.
  for (const std::string& block : {std::string("12"), std::string("99999\0\0", 7)}) {
    show({}, exampleBytes(), std::vector<char>(block.begin(), block.end()));
    EXPECT_TRUE(shows(*host, "The Solar System"));
    EXPECT_FALSE(shows(*host, "Back"));
    const std::vector<char> again = destroy();
    EXPECT_EQ(std::string(again.begin(), again.end()), idOf("The Solar System") + '\0' + '\0');
  }
}

TEST_F(PluginBrowseTest, DamagedBooksGiveAMessageAndAnEmptyWindowAndTheirCopyGoes) {
  const std::vector<char> whole = exampleBytes();
  std::vector<char> garbage(5000);
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 131 + 7) & 0xFF);
  std::vector<char> flipped = whole;
  for (std::size_t i = 64; i < flipped.size(); i += 97) flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
  // Cut inside the header, garbage, no bytes at all: nothing opens; flipped
  // bytes all through and a book cut after its home page: what can be read is
  // shown, and a page that cannot be read is refused with a box.
  const std::vector<std::vector<char>> books = {
      std::vector<char>(whole.begin(), whole.begin() + 100), garbage, {}, flipped,
      std::vector<char>(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 3))};
  for (std::size_t i = 0; i < books.size(); ++i) {
    const std::size_t boxesBefore = host->boxes().size();
    ASSERT_EQ(host->newInstance({}), NPERR_NO_ERROR);
    ASSERT_EQ(host->setWindow(), NPERR_NO_ERROR);
    ASSERT_EQ(host->stream(books[i]), NPERR_NO_ERROR);
    if (i < 3) {
      EXPECT_GT(host->boxes().size(), boxesBefore) << "book " << i;
      EXPECT_TRUE(shows(*host, "Tavix: Loading hyperbase...")) << "book " << i;
      EXPECT_FALSE(shows(*host, "The Solar System")) << "book " << i;
    } else {
      host->doubleClick(kJupiterOnHome);
      host->run();
    }
    if (i == 4) {
      EXPECT_GT(host->boxes().size(), boxesBefore) << "Jupiter's page is past the cut";
    }
    EXPECT_EQ(leftoverCopies(), 1) << "book " << i;
    destroy();
    EXPECT_EQ(leftoverCopies(), 0) << "book " << i;
  }
  // Copies left by a browser that ended an instance early go at shutdown.
  std::ofstream(std::string(std::getenv("TMPDIR")) + "/TVX1234.tmp") << "left";
  EXPECT_EQ(leftoverCopies(), 1);
  EXPECT_EQ(host->shutdown(), NPERR_NO_ERROR);
  EXPECT_EQ(leftoverCopies(), 0);
}

}  // namespace
