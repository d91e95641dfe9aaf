// Pages in memory: new pages on the bytes of the book, saving, verifying,
// renaming, deleting with its question, and showing.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/node.h"
#include "core/node_ref.h"
#include "platform/owl/t_window.h"
#include "store/middle_level_store.h"
#include "test_page_window.h"

namespace {

TEST_F(PagesTest, NewPageIsAnEntryOfTheCurrentBook) {
  TestPageWindow w(app, "Fresh page", "concept map");
  Node* node = w.node();
  ASSERT_NE(nullptr, node);
  EXPECT_FALSE(node->isInvalid());
  EXPECT_FALSE(node->readOnly());
  EXPECT_EQ(DB::KindNode, db->kind(node->uid()));
  EXPECT_EQ(std::string("Fresh page\0concept map\0" "0", 24),
            facetBytes(*db, node->uid(), DB::EntryHeader));
  EXPECT_STREQ("Fresh page", w.GetCaption());
  EXPECT_STREQ("Fresh page", w.name());
  EXPECT_STREQ("concept map", node->kind().c_str());
}

TEST_F(PagesTest, SavingFollowsTheStateBits) {
  TestPageWindow w(app, "Page", "map");
  Node* node = w.node();
  EXPECT_EQ(1, node->save(app, 0)) << "unmodified: nothing to save";

  node->setModified(1);
  w.content = "the body";
  EXPECT_EQ(0, node->save(app, 0)) << capture.all();
  EXPECT_EQ("the body", facetBytes(*db, node->uid(), DB::Body));
  EXPECT_FALSE(node->isModified());
  EXPECT_TRUE(node->isSaved());
  EXPECT_TRUE(w.owns()) << "the body stream stays with the window";

  node->setReadOnly(1);
  EXPECT_EQ(nullptr, w.attached()) << "a read-only page keeps no body stream";
  EXPECT_EQ(-1, node->save(app, 1));
  EXPECT_TRUE(capture.saw("W: Cannot save node Page: Node is read only")) << capture.all();
}

TEST_F(PagesTest, ReadOnlyPagesRefuseChanges) {
  TestPageWindow w(app, "Page", "map");
  Node* node = w.node();
  node->setReadOnly(1);
  const String other("Other");
  node->rename(other);
  node->kind(&other);
  EXPECT_EQ(3, node->deleteNode(app));
  EXPECT_STREQ("Page", node->name().c_str());
  EXPECT_STREQ("map", node->kind().c_str());
  for (const char* text : {"W: Cannot change the name of a read-only locked node",
                           "W: Cannot change the content type of a read-only locked node",
                           "W: Cannot delete a read-only locked node"}) {
    EXPECT_TRUE(capture.saw(text)) << text << "\n" << capture.all();
  }
  EXPECT_TRUE(desk.eventsOf(ScriptedDesktop::Kind::MessageBox).empty()) << "nothing was asked";
}

TEST_F(PagesTest, VerifyPutsThePageNameBackIntoTheCaption) {
  TestPageWindow w(app, "Page", "map");
  Node* node = w.node();
  EXPECT_EQ(0, node->verify(app));
  EXPECT_FALSE(node->isModified());

  w.SetCaption("Something else");
  EXPECT_EQ(2, node->verify(app));
  EXPECT_STREQ("Page", w.GetCaption());
  EXPECT_TRUE(node->isModified());

  // Renamed in the book behind the page's back: the reference takes the name.
  const String stored("Renamed");
  ASSERT_EQ(0, db->changeName_Type_Flags(node->uid(), &stored, nullptr, nullptr));
  EXPECT_EQ(2, node->verify(app));
  EXPECT_STREQ("Renamed", node->name().c_str());
  EXPECT_STREQ("Renamed", w.GetCaption());

  node->rename(String("Third"));
  EXPECT_STREQ("Third", w.GetCaption());
  EXPECT_STREQ("Third", node->name().c_str());
}

TEST_F(PagesTest, DeletingAPageAsksFirst) {
  TestPageWindow w(app, "Doomed", "map");
  Node* node = w.node();
  const ULONG uid = node->uid();

  desk.answer(IDCANCEL);
  EXPECT_EQ(1, w.CMDeleteNode());
  EXPECT_EQ(DB::KindNode, db->kind(uid)) << "cancelled: the page stays";
  const auto asked = desk.eventsOf(ScriptedDesktop::Kind::MessageBox);
  ASSERT_EQ(1u, asked.size());
  EXPECT_EQ("Do you really want to delete page \"Doomed\" from the book?", asked[0].text);
  EXPECT_EQ("Page Deletion Confirmation", asked[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION), asked[0].type);

  desk.answer(IDOK);
  EXPECT_EQ(0, w.CMDeleteNode()) << capture.all();
  EXPECT_EQ(0u, db->kind(uid)) << "the page entry is gone";

  EXPECT_TRUE(node->readOnly()) << "a deleted page stays locked";

  // A page whose entry is gone cannot be deleted; the node is writable again.
  Node ghost(nullptr, NodeRef(db, 4242), String("map"), app);
  desk.answer(IDOK);
  EXPECT_EQ(2, ghost.deleteNode(app));
  EXPECT_FALSE(ghost.readOnly());
  EXPECT_TRUE(capture.saw("E: Failed to delete page '': it has probably been deleted earlier"))
      << capture.all();
}

TEST_F(PagesTest, ShowingAPageNeedsAWindowInAFrame) {
  const ULONG uid = page("Shown", "body");
  Node lone(nullptr, NodeRef(db, uid), String("map"), app);
  EXPECT_EQ(0, lone.display(nullptr));
  EXPECT_TRUE(capture.saw("E: display requested on node 'Shown' without a window"))
      << capture.all();

  Node* node = NodeRef(db, uid).getNode(nullptr, app, 0);
  ASSERT_NE(nullptr, node);
  EXPECT_EQ(0, node->display(nullptr)) << "a page window without a frame is not made";
  EXPECT_TRUE(capture.saw("E: Cannot create a non-TMDIChild window")) << capture.all();

  // In a frame: made with the rectangle, then shown again when hidden.
  TWindow frame(static_cast<TWindow*>(nullptr), "Frame");
  frame.Attr.Style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  frame.Attr.W = 400;
  frame.Attr.H = 300;
  ASSERT_TRUE(frame.Create());
  Node* framed = new Node(nullptr, NodeRef(db, uid), String("map"), app);
  TestPageWindow w(app, framed, "body", &frame);
  TRect where(10, 20, 110, 220);
  EXPECT_EQ(1, framed->display(&where)) << capture.all();
  ASSERT_NE(nullptr, w.HWindow);
  EXPECT_EQ(100, w.GetWindowRect().Width());
  EXPECT_EQ(200, w.GetWindowRect().Height());
  w.Show(SW_HIDE);
  EXPECT_EQ(1, framed->display(nullptr));
  EXPECT_TRUE(w.IsWindowVisible());
}

}  // namespace
