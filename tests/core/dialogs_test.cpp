// The core's four dialogs, answered through the scripted desktop as a person
// would: the options dialog's profile writes and its refusals, the page
// attributes and new page dialogs on the book, and the page reference dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/new_node_dialog.h"
#include "core/node.h"
#include "core/node_dialog.h"
#include "core/node_ref.h"
#include "core/node_ref_dialog.h"
#include "core/options_dialog.h"
#include "platform/owl/control_classes.h"
#include "platform/system/file_dialog.h"
#include "platform/system/system.h"
#include "platform/win/windows_user.h"
#include "test_page_window.h"

namespace {

// Types `text` over the whole field, as a person does (the field is modified).
void typeInto(TDialog& d, int id, const std::string& text) {
  HWND h = GetDlgItem(d.HWindow, id);
  ASSERT_NE(nullptr, h) << "no control " << id;
  SendMessage(h, EM_SETSEL, 0, -1);
  SendMessage(h, EM_REPLACESEL, 1, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string profileKey(const char* key) {
  char buf[300];
  GetProfileString("NEXIL", key, "<absent>", buf, sizeof buf);
  return buf;
}

// Remembers the filters of every file dialog asked for.
class FilterDesktop : public ScriptedDesktop {
 public:
  bool fileDialog(HWND owner, FileDialogRequest& request) override {
    filters.push_back(request.filters);
    return ScriptedDesktop::fileDialog(owner, request);
  }
  std::vector<std::vector<std::pair<std::string, std::string>>> filters;
};

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = freshDir("options_dialog");
    setenv("TAVIX_PROFILE", (dir + "tavix.ini").c_str(), 1);
    app = std::make_unique<TestNexil>();
  }
  int run(std::function<int(TDialog&)> script) {
    desk.answerDialog(std::move(script));
    OptionsDialog dialog(nullptr, *app);
    return dialog.Execute();
  }

  FilterDesktop desk;
  DesktopScope scope{desk};
  CaptureHandler capture;
  std::string dir;
  std::unique_ptr<TestNexil> app;
};

TEST_F(OptionsTest, OkWritesOnlyTheKeysThatChanged) {
  // Untouched: nothing is written.
  EXPECT_EQ(IDOK, run([](TDialog&) { return IDOK; }));
  for (const char* key : {"Backup", "LowMemThreshholdKB", "RootDirectory", "Root", "InitFile",
                          "UserID", "NodeID"})
    EXPECT_EQ("<absent>", profileKey(key)) << key;

  EXPECT_EQ(IDOK, run([](TDialog& d) {
    CheckDlgButton(d.HWindow, OptionsDialog::IdBackup, BST_UNCHECKED);
    typeInto(d, OptionsDialog::IdUser, "ada");
    return IDOK;
  }));
  EXPECT_EQ("0", profileKey("Backup"));
  EXPECT_EQ(0u, app->flags() & Nexil::BackupFlag);
  EXPECT_EQ("ada", profileKey("UserID"));
  EXPECT_STREQ("ada", app->user().second.c_str());
  EXPECT_EQ("<absent>", profileKey("NodeID"));
  EXPECT_EQ("<absent>", profileKey("LowMemThreshholdKB"));
}

TEST_F(OptionsTest, ThresholdTakesOnlyANewNumberBelowTenThousand) {
  struct Case {
    const char* typed;
    ULONG bytes;          // the threshold afterwards
    const char* written;  // the profile value afterwards
  } cases[] = {
      {"10000", 2000000u, "<absent>"}, {"99999", 2000000u, "<absent>"}, {"abc", 2000000u, "<absent>"},
      {"-3", 2000000u, "<absent>"},    {"2000", 2000000u, "<absent>"},  {"9999", 9999000u, "9999"},
      {"5", 5000u, "5"},               {"10000", 5000u, "5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IDOK, run([&](TDialog& d) {
      typeInto(d, OptionsDialog::IdThreshold, c.typed);
      return IDOK;
    }));
    EXPECT_EQ(c.bytes, app->lowMemThreshold()) << c.typed;
    EXPECT_EQ(c.written, profileKey("LowMemThreshholdKB")) << c.typed;
  }
}

TEST_F(OptionsTest, MissingPathsKeepTheDialogOpen) {
  const std::string missing = dir + "nowhere";
  const std::string book = dir + "root.db";
  std::FILE* f = std::fopen(book.c_str(), "w");
  ASSERT_NE(nullptr, f);
  std::fclose(f);
  desk.answerDialog([&](TDialog& d) {
    CheckDlgButton(d.HWindow, OptionsDialog::IdBackup, BST_UNCHECKED);
    typeInto(d, OptionsDialog::IdRootDirectory, missing + "\\");
    return IDOK;
  });
  desk.answerDialog([&](TDialog& d) {
    typeInto(d, OptionsDialog::IdRootDirectory, dir);
    typeInto(d, OptionsDialog::IdRootBook, "absent.db");
    return IDOK;
  });
  desk.answerDialog([&](TDialog& d) {
    typeInto(d, OptionsDialog::IdRootBook, "root.db");
    typeInto(d, OptionsDialog::IdInitFile, "absent.ini");
    return IDOK;
  });
  desk.answerDialog([](TDialog&) { return IDCANCEL; });
  OptionsDialog dialog(nullptr, *app);
  EXPECT_EQ(IDCANCEL, dialog.Execute());

  const std::string stripped = dir.substr(0, dir.size() - 1);
  for (const std::string& text :
       {"W: Root directory '" + missing + "' does not exist, pick an existing directory",
        "W: Root dictionary '" + dir + "absent.db' does not exist, pick an existing dictionary (usually extension '.DB')",
        "W: Init file '" + dir + "absent.ini' does not exist, pick an existing file (usually extension '.INI')"})
    EXPECT_TRUE(capture.saw(text)) << text << "\n" << capture.all();
  EXPECT_EQ(3u, capture.messages.size()) << capture.all();
  // What was taken before each refusal stays taken; the paths are written without
  // the trailing separator and as typed.
  EXPECT_EQ("0", profileKey("Backup"));
  EXPECT_EQ(stripped, profileKey("RootDirectory"));
  EXPECT_STREQ(dir.c_str(), app->rootDirectory().c_str());
  EXPECT_EQ("root.db", profileKey("Root"));
  EXPECT_STREQ(book.c_str(), app->rootDictionary().c_str());
  EXPECT_EQ("<absent>", profileKey("InitFile"));
  EXPECT_EQ("<absent>", profileKey("UserID"));
}

TEST_F(OptionsTest, BrowseFillsTheFieldOrReportsTheDialogsError) {
  const std::string ini = dir + "start.ini";
  std::FILE* f = std::fopen(ini.c_str(), "w");
  ASSERT_NE(nullptr, f);
  std::fclose(f);
  desk.answerFile(std::string(400, 'x'));  // longer than the path buffer
  desk.answerFile(ini);
  desk.answerDialog([](TDialog&) { return OptionsDialog::IdBrowseRootBook; });
  desk.answerDialog([](TDialog&) { return OptionsDialog::IdBrowseInitFile; });
  desk.answerDialog([](TDialog&) { return IDOK; });
  OptionsDialog dialog(nullptr, *app);
  EXPECT_EQ(IDOK, dialog.Execute());
  EXPECT_TRUE(capture.saw("W: Error return form open dialog: 0x3003")) << capture.all();
  ASSERT_EQ(2u, desk.filters.size());
  using Filters = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ((Filters{{"Nexil DB files (*.db)", "*.DB"}}), desk.filters[0]);
  EXPECT_EQ((Filters{{"Nexil Init File names (*.ini)", "*.INI"}}), desk.filters[1]);
  EXPECT_EQ(ini, profileKey("InitFile"));
  EXPECT_EQ("<absent>", profileKey("Root"));
}

// A book that counts the changes of entry headers.
class CountingDB : public DB {
 public:
  explicit CountingDB(Nexil& app) : DB(app, "", nullptr, 0, 0) {}
  int changeName_Type_Flags(ULONG id, const String* name, const String* type, const ULONG* flags) override {
    ++changes;
    return DB::changeName_Type_Flags(id, name, type, flags);
  }
  int changes = 0;
};

TEST_F(PagesTest, PageAttributesRenameOnlyWhatChanged) {
  // Books go when their last holder does: this one is held here.
  DBRef held(new CountingDB(app));
  CountingDB& book = *static_cast<CountingDB*>(held.db());
  Node node(nullptr, &book, String("Home"), String("map"), app);
  const std::string header = facetBytes(book, node.uid(), DB::EntryHeader);

  // Blank names are refused and the dialog stays open; the same name leaves the book alone.
  for (const char* blank : {"", "   ", " \t "}) {
    desk.answerDialog([blank](TDialog& d) {
      typeInto(d, NodeDialog::IdName, blank);
      return IDOK;
    });
  }
  desk.answerDialog([](TDialog& d) {
    typeInto(d, NodeDialog::IdName, "Home");
    return IDOK;
  });
  NodeDialog same(nullptr, &node, app);
  EXPECT_EQ(IDOK, same.Execute());
  EXPECT_EQ(3, std::count(capture.messages.begin(), capture.messages.end(),
                          std::string("E: Node name field must not be blank")))
      << capture.all();
  EXPECT_EQ(0, book.changes);
  EXPECT_EQ(header, facetBytes(book, node.uid(), DB::EntryHeader));

  desk.answerDialog([](TDialog& d) {
    typeInto(d, NodeDialog::IdName, "Atlas");
    SetDlgItemText(d.HWindow, NodeDialog::IdType, "idea");
    return IDOK;
  });
  NodeDialog renamed(nullptr, &node, app);
  EXPECT_EQ(IDOK, renamed.Execute());
  EXPECT_EQ(1, book.changes);
  EXPECT_EQ(std::string("Atlas\0idea\0" "0", 12), facetBytes(book, node.uid(), DB::EntryHeader));
  EXPECT_STREQ("Atlas", node.name().c_str());
  EXPECT_STREQ("idea", node.kind().c_str());
}

TEST_F(PagesTest, NewPageTakesTheBooksTypesAndIsMadeInIt) {
  page("One");
  db->createNode(String("Two"), String("idea"), 0);
  page("Three");
  int listed = -1;
  desk.answerDialog([&](TDialog& d) {
    listed = static_cast<int>(SendDlgItemMessage(d.HWindow, NodeDialog::IdType, CB_GETCOUNT, 0, 0));
    SendDlgItemMessage(d.HWindow, NodeDialog::IdType, CB_SETCURSEL, 1, 0);
    typeInto(d, NodeDialog::IdName, "Fresh");
    return IDOK;
  });
  std::unique_ptr<Node> made(Node::make(nullptr, app, db, nullptr, nullptr));
  ASSERT_NE(nullptr, made) << capture.all();
  EXPECT_EQ(2, listed) << "each type once";
  EXPECT_EQ(db, made->db());
  EXPECT_EQ(std::string("Fresh\0idea\0" "0", 12), facetBytes(*db, made->uid(), DB::EntryHeader));

  desk.answerDialog([](TDialog&) { return IDCANCEL; });
  EXPECT_EQ(nullptr, Node::make(nullptr, app, db, "Other", "map"));
}

TEST_F(PagesTest, PageReferenceDialogWantsAPage) {
  page("One");
  const ULONG two = page("Two");
  desk.answerDialog([](TDialog&) { return NodeRefDialog::IdBrowse; });
  desk.answerDialog([](TDialog&) { return IDOK; });
  desk.answerDialog([](TDialog& d) {
    SendDlgItemMessage(d.HWindow, NodeRefDialog::IdPages, LB_SETCURSEL, 1, 0);
    return IDOK;
  });
  NodeRef ref;
  EXPECT_EQ(0, ref.set(app));
  EXPECT_TRUE(capture.saw("W: Not implemented")) << capture.all();
  EXPECT_TRUE(capture.saw("W: You must select a node name")) << capture.all();
  EXPECT_EQ(db, ref.db());
  EXPECT_EQ(two, ref.uid());
  EXPECT_STREQ("Two", ref.name().c_str());

  desk.answerDialog([](TDialog&) { return IDCANCEL; });
  EXPECT_EQ(1, ref.set(app));
  EXPECT_EQ(two, ref.uid());
}

}  // namespace
