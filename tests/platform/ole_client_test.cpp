// The embedded-object client: the saved form read and written byte for byte,
// hostile streams refused, the metafile player on a window's display list, and
// the protocols servers take.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ole/metafile_player.h"
#include "platform/ole/ole_client.h"
#include "platform/ole/ole_object_stream.h"
#include "platform/system/desktop.h"
#include "platform/system/system.h"
#include "platform/win/display_list.h"
#include "platform/win/text_dump_renderer.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_user.h"

namespace {

std::vector<uint8_t> tinyDib() {
  // 2 x 2, 24 bits, bottom up: red, green / blue, white.
  std::vector<uint8_t> d(40 + 2 * 8, 0);
  d[0] = 40, d[4] = 2, d[8] = 2, d[12] = 1, d[14] = 24;
  const uint8_t rows[2][6] = {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}};
  for (int y = 0; y < 2; ++y)
    for (int i = 0; i < 6; ++i) d[40 + y * 8 + i] = rows[y][i];
  return d;
}

std::vector<uint8_t> bytesOf(const OleObjectImage& o) {
  std::vector<uint8_t> out;
  OleMemoryStream s(&out);
  EXPECT_EQ(writeOleObject(&s, o), OLE_OK);
  EXPECT_EQ(out.size(), oleObjectSize(o));
  return out;
}

std::vector<OleObjectImage> samples() {
  std::vector<OleObjectImage> all;
  OleObjectImage dib;
  dib.className = "PBrush";
  dib.native = {'B', 'M', 1, 2, 3};
  dib.presentation.kind = OlePresentation::Dib;
  dib.presentation.className = "DIB";
  dib.presentation.width = 53, dib.presentation.height = 53;
  dib.presentation.data = tinyDib();
  all.push_back(dib);
  OleObjectImage meta = dib;
  meta.className = "SoundRec";
  meta.topic = "topic", meta.item = "item";
  meta.presentation.kind = OlePresentation::MetafilePict;
  meta.presentation.className = "METAFILEPICT";
  meta.presentation.mappingMode = 8, meta.presentation.xExt = 100, meta.presentation.yExt = 50;
  meta.presentation.height = -1000;
  meta.presentation.data = {1, 0, 9, 0, 0, 3, 12, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0};
  all.push_back(meta);
  OleObjectImage blank;
  blank.className = "Package";
  all.push_back(blank);
  OleObjectImage linked = dib;
  linked.formatId = OleObjectImage::FormatLinked;
  linked.networkName = "\\\\server\\share";
  linked.linkUpdate = 2;
  all.push_back(linked);
  OleObjectImage still = dib;
  still.formatId = OleObjectImage::FormatStatic;
  all.push_back(still);
  OleObjectImage clip = dib;
  clip.presentation.kind = OlePresentation::ClipFormat;
  clip.presentation.className = "";
  clip.presentation.clipFormat = 0;
  clip.presentation.clipFormatName = "Styled Text";
  all.push_back(clip);
  return all;
}

TEST(OleObjectStream, WhatIsReadIsWrittenBackByteForByte) {
  for (const OleObjectImage& o : samples()) {
    const std::vector<uint8_t> bytes = bytesOf(o);
    OleMemoryStream in(bytes.data(), bytes.size());
    OleObjectImage back;
    ASSERT_EQ(readOleObject(&in, back), OLE_OK) << o.className;
    EXPECT_EQ(in.pos, bytes.size()) << o.className;
    EXPECT_EQ(back.className, o.formatId == OleObjectImage::FormatStatic ? "" : o.className);
    EXPECT_EQ(back.presentation.kind, o.presentation.kind) << o.className;
    EXPECT_EQ(bytesOf(back), bytes) << o.className;
  }
}

TEST(OleObjectStream, TheLayoutIsThePublishedOne) {
  const std::vector<uint8_t> b = bytesOf(samples()[0]);
  const std::vector<uint8_t> head = {0x01, 0x05, 0, 0, 2, 0, 0, 0, 7, 0, 0, 0, 'P', 'B', 'r', 'u', 's', 'h', 0,
                                     0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 'B', 'M', 1, 2, 3,
                                     0x01, 0x05, 0, 0, 5, 0, 0, 0, 4, 0, 0, 0, 'D', 'I', 'B', 0,
                                     53, 0, 0, 0, 53, 0, 0, 0, 56, 0, 0, 0};
  ASSERT_GE(b.size(), head.size() + 56);
  EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + head.size()), head);
}

TEST(OleObjectStream, EveryTruncationAndEveryBadValueIsRefused) {
  for (const OleObjectImage& o : samples()) {
    const std::vector<uint8_t> bytes = bytesOf(o);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
      const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
      OleMemoryStream in(cut.data(), cut.size());
      OleObjectImage back;
      ASSERT_EQ(readOleObject(&in, back), OLE_ERROR_STREAM) << o.className << " cut at " << n;
      EXPECT_LE(in.pos, n);
    }
  }
  // Lengths far beyond the bytes there, and format ids out of the layout.
  struct Case {
    std::vector<uint8_t> bytes;
    OLESTATUS expected;
  };
  const std::vector<Case> cases = {
      {{1, 5, 0, 0, 2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, OLE_ERROR_FORMAT},             // a 4 GiB class name
      {{1, 5, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF, 1}, OLE_ERROR_STREAM},  // native
      {{1, 5, 0, 0, 9, 0, 0, 0}, OLE_ERROR_FORMAT},                                      // no such format
      {{1, 5, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 5, 0, 0, 7, 0, 0, 0}, OLE_ERROR_FORMAT},
      {{1, 5, 0, 0, 5, 0, 0, 0, 13, 0, 0, 0, 'M', 'E', 'T', 'A', 'F', 'I', 'L', 'E', 'P', 'I', 'C', 'T', 0,
        0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0},
       OLE_ERROR_FORMAT},  // a metafile picture shorter than its own header
  };
  for (const Case& c : cases) {
    OleMemoryStream in(c.bytes.data(), c.bytes.size());
    OleObjectImage back;
    EXPECT_EQ(readOleObject(&in, back), c.expected);
    EXPECT_TRUE(back.native.empty());
  }
}

class OleWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile = std::string("ole-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
    std::remove(profile.c_str());
    setenv("TAVIX_PROFILE", profile.c_str(), 1);
    WriteProfileString("embedding", "PBrush", "Picture,Picture,picture-editor,picture");
    WriteProfileString("embedding", "SoundRec", "Sound,Sound,sound-player,picture,play");
    WindowManager::instance().reset(800, 600);
    WNDCLASS wc = {};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "OleTarget";
    RegisterClass(&wc);
    hwnd = CreateWindow("OleTarget", "t", WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    WindowManager::instance().runUntilIdle();
    hdc = GetDC(hwnd);
    ASSERT_EQ(OleRegisterClientDoc("Test", "doc", 0, &doc), OLE_OK);
  }
  void TearDown() override {
    OleRevokeClientDoc(doc);
    ReleaseDC(hwnd, hdc);
    WindowManager::instance().reset();
    unsetenv("TAVIX_PROFILE");
    std::remove(profile.c_str());
  }
  std::vector<std::string> drawn() {
    const DisplayList& list = WindowManager::instance().find(hwnd)->list;
    std::vector<std::string> lines;
    for (const DrawCommand& c : list.commands()) lines.push_back(TextDumpRenderer::line(c, list.width(), list.height()));
    return lines;
  }
  LPOLEOBJECT load(const OleObjectImage& o, const char* protocol, OLESTATUS* status) {
    const std::vector<uint8_t> bytes = bytesOf(o);
    OleMemoryStream in(bytes.data(), bytes.size());
    LPOLEOBJECT obj = nullptr;
    *status = OleLoadFromStream(&in, protocol, nullptr, doc, "obj", &obj);
    return obj;
  }
  std::string profile;
  HWND hwnd = nullptr;
  HDC hdc = nullptr;
  LHCLIENTDOC doc = 0;
};

TEST_F(OleWindowTest, ServersDecideTheProtocolsAndActivationHandsOverTheNativeData) {
  OleObjectImage picture = samples()[0];
  OLESTATUS st;
  LPOLEOBJECT o = load(picture, "StdFileEditing", &st);
  ASSERT_EQ(st, OLE_OK);
  EXPECT_NE(OleQueryProtocol(o, "StdFileEditing"), nullptr);
  EXPECT_EQ(OleQueryProtocol(o, "StdExecute"), nullptr);
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  EXPECT_EQ(OleActivate(o, OLEVERB_EDIT, TRUE, TRUE, hwnd, nullptr), OLE_WAIT_FOR_RELEASE);
  EXPECT_EQ(OleQueryReleaseStatus(o), OLE_BUSY);
  EXPECT_EQ(OleQueryReleaseStatus(o), OLE_OK);
  const auto handed = desk.eventsOf(ScriptedDesktop::Kind::Object);
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_EQ(handed[0].text, "PBrush");
  EXPECT_EQ(handed[0].caption, std::string("BM\x01\x02\x03", 5));
  EXPECT_EQ(handed[0].type, 0u);
  EXPECT_EQ(OleRelease(o), OLE_OK);
  EXPECT_EQ(OleQueryReleaseStatus(o), OLE_ERROR_OBJECT) << "a released handle is refused, not followed";

  // A class no server takes loads only as a static picture, and keeps its native data.
  picture.className = "Unknown";
  EXPECT_EQ(load(picture, "StdFileEditing", &st), nullptr);
  EXPECT_EQ(st, OLE_ERROR_PROTOCOL);
  o = load(picture, "Static", &st);
  ASSERT_EQ(st, OLE_OK);
  EXPECT_EQ(OleActivate(o, OLEVERB_PRIMARY, TRUE, TRUE, hwnd, nullptr), OLE_ERROR_STATIC);
  DWORD size = 0;
  EXPECT_EQ(OleQuerySize(o, &size), OLE_OK);
  EXPECT_EQ(size, bytesOf(picture).size());
  OleRelease(o);

  // A sound plays.
  o = load(samples()[1], "StdFileEditing", &st);
  ASSERT_EQ(st, OLE_OK);
  EXPECT_NE(OleQueryProtocol(o, "StdExecute"), nullptr);
  EXPECT_EQ(OleActivate(o, OLEVERB_PRIMARY, TRUE, TRUE, hwnd, nullptr), OLE_WAIT_FOR_RELEASE);
  EXPECT_EQ(desk.eventsOf(ScriptedDesktop::Kind::Object).back().type, 1u);
  OleRelease(o);
}

TEST_F(OleWindowTest, TheBitmapIsDrawnIntoTheBoundsAndABlankObjectSaysSo) {
  OLESTATUS st;
  LPOLEOBJECT o = load(samples()[0], "StdFileEditing", &st);
  ASSERT_EQ(st, OLE_OK);
  const RECT r{10, 20, 110, 70};
  EXPECT_EQ(OleDraw(o, hdc, &r, nullptr, nullptr), OLE_OK);
  const std::vector<std::string> lines = drawn();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("10,20"), std::string::npos) << lines.back();
  RECT b;
  EXPECT_EQ(OleQueryBounds(o, &b), OLE_OK);
  EXPECT_EQ(b.right, 53);
  EXPECT_EQ(b.bottom, -53);
  OleRelease(o);
  LPOLEOBJECT blank = nullptr;
  ASSERT_EQ(OleCreate("StdFileEditing", nullptr, "PBrush", doc, "new", &blank, olerender_draw, 0), OLE_OK);
  EXPECT_EQ(OleDraw(blank, hdc, &r, nullptr, nullptr), OLE_ERROR_BLANK);
  EXPECT_EQ(OleCreate("StdFileEditing", nullptr, "Nobody", doc, "new", &o, olerender_draw, 0), OLE_ERROR_CLASS);
  OleRelease(blank);
  // A device-dependent bitmap: 8 x 2 pixels of one bit, rows of 2 bytes; then
  // one that claims more rows than it holds.
  OleObjectImage ddb = samples()[0];
  ddb.presentation.kind = OlePresentation::Bitmap;
  ddb.presentation.className = "BITMAP";
  ddb.presentation.data = {0, 0, 8, 0, 2, 0, 2, 0, 1, 1, 0xF0, 0, 0x0F, 0};
  o = load(ddb, "Static", &st);
  ASSERT_EQ(st, OLE_OK);
  EXPECT_EQ(OleDraw(o, hdc, &r, nullptr, nullptr), OLE_OK);
  OleRelease(o);
  ddb.presentation.data[4] = 200;
  o = load(ddb, "Static", &st);
  EXPECT_EQ(OleDraw(o, hdc, &r, nullptr, nullptr), OLE_ERROR_DRAW);
  OleRelease(o);
}

// Metafile records as a player sees them: each record its size in words,
// its function and its parameters.
struct MetafileBuilder {
  // The header: in memory, 9 words, version 0x300, a table of 4 objects.
  MetafileBuilder() : b(18, 0) {
    b[0] = 1, b[2] = 9, b[5] = 3, b[10] = 4;
  }
  std::vector<uint8_t> b;
  void record(WORD fn, std::vector<int> params) {
    const DWORD words = 3 + static_cast<DWORD>(params.size());
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(words >> (8 * i)));
    b.push_back(static_cast<uint8_t>(fn)), b.push_back(static_cast<uint8_t>(fn >> 8));
    for (int p : params) b.push_back(static_cast<uint8_t>(p)), b.push_back(static_cast<uint8_t>(p >> 8));
  }
};

TEST_F(OleWindowTest, TheMetafilePlayerMapsThePictureOntoTheTarget) {
  MetafileBuilder m;
  m.record(0x020C, {100, 200});                 // window extent: y 100, x 200
  m.record(0x02FA, {0, 2, 0, 0xFF, 0});          // a red pen, 2 wide
  m.record(0x012D, {0});                         // selected
  m.record(0x041B, {50, 100, 0, 0});             // rectangle (0, 0) - (100, 50)
  m.record(0x0214, {100, 0});                    // move to (0, 100)
  m.record(0x0213, {0, 200});                    // line to (200, 0)
  m.record(0x0000, {});
  MetafilePicture pic{m.b.data(), m.b.size(), 0, 0};
  const RECT target{10, 10, 410, 210};           // twice the picture's size
  EXPECT_EQ(playMetafilePicture(hdc, pic, target), OLE_OK);
  std::string all;
  for (const std::string& l : drawn()) all += l + "\n";
  EXPECT_NE(all.find("rectangle (10,10)-(210,110) pen solid 4 #FF0000"), std::string::npos) << all;
  EXPECT_NE(all.find("polyline [10,210 410,10] pen solid 4 #FF0000"), std::string::npos) << all;

  // Damage: a record longer than the metafile, a polygon counting more points
  // than it holds, a header of another kind.
  MetafileBuilder longer;
  longer.record(0x041B, {1, 2, 3, 4});
  longer.b[18] = 200;
  MetafileBuilder poly;
  poly.record(0x0324, {30000, 1, 2});
  MetafileBuilder other;
  other.b[2] = 7;
  for (const MetafileBuilder* bad : {&longer, &poly, &other}) {
    MetafilePicture p{bad->b.data(), bad->b.size(), 0, 0};
    EXPECT_EQ(playMetafilePicture(hdc, p, target), OLE_ERROR_METAFILE);
  }
}

}  // namespace
