// Embedded-object boxes on a page: the status names, loading with the
// protocol the server takes, new objects and undo, hostile saved forms, the
// context menu, and a page with an object saved and read back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "graphics/ole_box.h"
#include "graphics/ole_server_dialog.h"
#include "graphics/ole_status_trans.h"
#include "platform/ole/ole_client.h"
#include "platform/ole/ole_object_stream.h"
#include "platform/owl/t_dialog.h"
#include "platform/system/system.h"
#include "platform/win/menu.h"
#include "platform/win/windows_user.h"
#include "tests/graphics/page_test_support.h"

namespace {

std::vector<uint8_t> pictureBytes(const char* className) {
  OleObjectImage o;
  o.className = className;
  o.native = {'B', 'M', 9, 9};
  o.presentation.kind = OlePresentation::Dib;
  o.presentation.className = "DIB";
  o.presentation.width = 2540;  // an inch
  o.presentation.height = 1270;
  std::vector<uint8_t> dib(40 + 16, 0);  // two rows of 8 bytes
  dib[0] = 40, dib[4] = 2, dib[8] = 2, dib[12] = 1, dib[14] = 24;
  o.presentation.data = dib;
  std::vector<uint8_t> out;
  OleMemoryStream s(&out);
  writeOleObject(&s, o);
  return out;
}

bool reported(const ReportRecorder& r, const std::string& text) {
  for (const std::string& s : r.reports)
    if (s.find(text) != std::string::npos) return true;
  return false;
}

TEST(OleStatusTrans, NamesFollowTheLibrarysCodes) {
  const std::vector<std::pair<int, const char*>> cases = {
      {0, "OLE_OK"},
      {1, "OLE_WAIT_FOR_RELEASE"},
      {0x0D, "OLE_ERROR_OBJECT"},
      {0x0F, "OLE_ERROR_PROTOCOL"},
      {0x37, "OLE_ERROR_STATIC_FROM_OTHER_OS"},
      {1000, "OLE_WARN_DELETE_DATA"},
      {0x38, "Not a Status Message"},
      {-1, "Not a Status Message"},
      {999, "Not a Status Message"},
  };
  for (const auto& [code, name] : cases) EXPECT_STREQ(OleStatusTrans::Trans(code), name) << code;
}

class OleBoxTest : public PageTest {
 protected:
  void SetUp() override {
    profile = std::string("olebox-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
    std::remove(profile.c_str());
    setenv("TAVIX_PROFILE", profile.c_str(), 1);
    WriteProfileString("embedding", "PBrush", "Picture,picture-editor,picture");
    PageTest::SetUp();
  }
  void TearDown() override {
    PageTest::TearDown();
    unsetenv("TAVIX_PROFILE");
    std::remove(profile.c_str());
  }
  OleBox* box(const std::vector<uint8_t>& bytes, LONG id = 7) {
    auto* b = new OleBox(page.get(), id, 20, 20, 220, 120, bytes.data(), static_cast<ULONG>(bytes.size()));
    page->addSNode(b);
    b->SetupWindow();
    return b;
  }
  // Answers the server dialog with the entry at `index`.
  void choose(int index) {
    host->desktop().answerDialog([index](TDialog& d) {
      ::SendMessage(::GetDlgItem(d.HWindow, OLEServerDialog::IdServerList), LB_SETCURSEL, index, 0);
      return IDOK;
    });
  }
  std::string profile;
  ReportRecorder recorder;
};

TEST_F(OleBoxTest, AnObjectWhoseServerRefusesEditingLoadsAsAStaticPicture) {
  OleBox* edited = box(pictureBytes("PBrush"), 1);
  ASSERT_NE(edited->object(), nullptr);
  EXPECT_NE(OleQueryProtocol(edited->object(), "StdFileEditing"), nullptr);
  OleBox* still = box(pictureBytes("Retired"), 2);
  ASSERT_NE(still->object(), nullptr);
  EXPECT_EQ(OleQueryProtocol(still->object(), "StdFileEditing"), nullptr);
  EXPECT_EQ(still->loaded(), 1);
  EXPECT_EQ(still->data(), nullptr) << "the kept data goes once loaded";
  EXPECT_FALSE(reported(recorder, "OLE error")) << recorder.reports.front();
  EXPECT_STREQ(still->objectName(), "object #002");
  EXPECT_STREQ(still->documentName(), "C:\\Nexil.ole");
}

TEST_F(OleBoxTest, NewObjectsInARowDifferInTheCounterAndUndoBringsBackTheOneBefore) {
  OleBox* b = box(pictureBytes("PBrush"));
  choose(0);
  b->CMNew();
  const std::string first = b->objectName();
  choose(0);
  b->CMNew();
  const std::string second = b->objectName();
  ASSERT_EQ(first.rfind("object #007_#", 0), 0u) << first;
  ASSERT_EQ(second.rfind("object #007_#", 0), 0u) << second;
  EXPECT_NE(first, second);
  EXPECT_EQ(std::stoi(second.substr(13)), std::stoi(first.substr(13)) + 2) << "the backup takes a name too";
  EXPECT_EQ(std::string(OleQueryClassName(b->object())), "PBrush");
  EXPECT_TRUE(page->isModified());
  // The new object is blank: auto size says so, undo goes back one object.
  EXPECT_TRUE(reported(recorder, "OLE error OLE_ERROR_BLANK (7)"));
  LPOLEOBJECT newest = b->object();
  b->CMUndo();
  EXPECT_NE(b->object(), newest);
  EXPECT_NE(b->object(), nullptr);
  EXPECT_EQ(b->backup(), nullptr);
  // Cancelling the dialog changes nothing.
  LPOLEOBJECT kept = b->object();
  b->CMNew();
  EXPECT_EQ(b->object(), kept);
}

TEST_F(OleBoxTest, ADoubleClickHandsTheObjectToItsServerForEditing) {
  box(pictureBytes("PBrush"));
  host->doubleClick(hwnd(), POINT{100, 70});
  host->run();
  const auto handed = host->desktop().eventsOf(ScriptedDesktop::Kind::Object);
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_EQ(handed[0].text, "PBrush");
  EXPECT_EQ(handed[0].caption, "BM\x09\x09");
  EXPECT_EQ(handed[0].type, 0u) << "a picture is edited, not played";
  EXPECT_TRUE(page->isModified());
}

TEST_F(OleBoxTest, ATruncatedObjectIsRefusedAndItsBytesAreKeptForSaving) {
  const std::vector<uint8_t> whole = pictureBytes("PBrush");
  for (std::size_t n : {std::size_t(3), std::size_t(20), whole.size() - 1}) {
    recorder.reports.clear();
    OleBox* b = box(std::vector<uint8_t>(whole.begin(), whole.begin() + n), static_cast<LONG>(n));
    EXPECT_EQ(b->object(), nullptr);
    EXPECT_EQ(b->dataSize(), n);
    EXPECT_TRUE(reported(recorder, "OLE object read exceeds expected size")) << n;
    EXPECT_TRUE(reported(recorder, "OLE error OLE_ERROR_STREAM (5)")) << n;
    picture();  // drawing a box without an object draws only the box
  }
}

TEST_F(OleBoxTest, TheMenuOffersTheEditCommandsAndAutoSizeFitsThePicture) {
  OleBox* b = box(pictureBytes("PBrush"));
  HMENU m = b->createPopup();
  const std::string items = findMenu(m)->describe();
  ::DestroyMenu(m);
  EXPECT_NE(items.find("&Edit{&Undo\tAlt+BkSp|-|&Cut\tShift+Del|C&opy\tCtrl+Ins|&Paste\tShift+Ins|"
                       "C&lear All\tCtrl+Del|-|&New Object|&Edit\tLeftDblClk}|&Auto Size"),
            std::string::npos)
      << items;
  b->sizeToObject();
  RECT r;
  b->rawRect(r);
  EXPECT_EQ(r.right - r.left, 96 + 12);
  EXPECT_EQ(r.bottom - r.top, 48 + 12);
  // Copy and paste through the clipboard give a second object of the same class.
  b->CMCopy();
  b->CMPaste();
  ASSERT_NE(b->object(), nullptr);
  EXPECT_NE(b->backup(), nullptr);
  EXPECT_EQ(std::string(OleQueryClassName(b->object())), "PBrush");
  EXPECT_FALSE(reported(recorder, "OLE error")) << recorder.reports.front();
}

}  // namespace
