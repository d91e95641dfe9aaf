// Links: the link record and the end pages' link lists on the bytes of the book,
// what deleting an end page does to a link, and hostile link records.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "core/link.h"
#include "core/link_ref.h"
#include "core/links.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "core/specifier.h"
#include "store/middle_level_store.h"
#include "test_page_window.h"

namespace {

std::string id(ULONG v) { return std::to_string(static_cast<unsigned long>(v)); }

const std::string kNul(1, '\0');

// One item of a link record.
std::string item(int dir, const std::string& ref) { return std::to_string(dir) + kNul + ref + kNul; }

// A page's link list naming exactly one link.
std::string listOf(ULONG link) { return "<this>#$" + id(link) + kNul + "\xFF"; }

std::string linkDescription(DB& db, ULONG link) {
  char text[64];
  std::snprintf(text, sizeof text, "%8hd", static_cast<short>(link));
  return " ( -> " + std::string(db.bookName().c_str()) + ") -> " + text;
}

class LinkTest : public PagesTest {
 protected:
  void SetUp() override {
    PagesTest::SetUp();
    a = page("A");
    b = page("B");
    c = page("C");
  }
  // Saves a new link from page `from` to page `to`; returns its ID.
  ULONG saveLink(ULONG from, ULONG to) {
    Link link(db, String("supports"), NodeRef(db, from), NodeRef(db, to), app);
    EXPECT_EQ(0, link.save(app, 0)) << capture.all();
    return link.linkRef()->uid();
  }
  // Writes raw record bytes as the record of a new link entry.
  ULONG rawLink(const std::string& bytes) {
    const ULONG l = db->createLink(String("raw"));
    std::unique_ptr<std::iostream> s = db->getLinkStream(l, 1);
    s->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    s->flush();
    return l;
  }
  ULONG a = 0, b = 0, c = 0;
};

TEST_F(LinkTest, ThreeEndedRecordIsStoredAndReadBackInOrder) {
  Link link(db, String("supports"), NodeRef(db, a), NodeRef(db, b), app);
  EXPECT_EQ(Link::Good, link.status());
  ASSERT_EQ(0, link.save(app, 0)) << capture.all();
  ASSERT_EQ(0, link.addSpecifier(Specifier(7, NodeRef(db, c)), app)) << capture.all();
  const ULONG l = link.linkRef()->uid();

  EXPECT_EQ(std::string("\0supports\0" "0", 11), facetBytes(*db, l, DB::EntryHeader));
  EXPECT_EQ(item(2, "<this>#$" + id(a) + ":A") + item(1, "<this>#$" + id(b) + ":B") +
                item(7, "<this>#$" + id(c) + ":C"),
            facetBytes(*db, l, DB::Body));
  for (ULONG end : {a, b, c}) EXPECT_EQ(listOf(l), facetBytes(*db, end, DB::LinkList)) << end;

  std::unique_ptr<Link> back(LinkRef(db, l).getLink(app, 0));
  ASSERT_NE(nullptr, back) << capture.all();
  ASSERT_EQ(3u, back->specCount());
  const ULONG uids[] = {a, b, c};
  const int dirs[] = {2, 1, 7};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(uids[i], back->specifier(i).ref().uid()) << i;
    EXPECT_EQ(dirs[i], back->specifier(i).dir()) << i;
  }
  EXPECT_TRUE(back->readOnly()) << "opened without the write bit";
  EXPECT_STREQ("supports", back->type().c_str());
  EXPECT_TRUE(*back == link);
}

TEST_F(LinkTest, DeletingAnEndOfATwoEndedLinkDestroysTheLink) {
  const ULONG l = saveLink(a, b);
  ASSERT_EQ(listOf(l), facetBytes(*db, b, DB::LinkList));

  EXPECT_EQ(0, NodeRef(db, a).deleteNode(app)) << capture.all();
  EXPECT_EQ(0u, db->kind(a)) << "the page entry is gone";
  EXPECT_EQ(0u, db->kind(l)) << "the link entry is gone";
  EXPECT_TRUE(db->store()->isFacetEmpty(b, DB::LinkList)) << "and the other end lists nothing";
  EXPECT_EQ(nullptr, NodeRef(db, b).getLinks(nullptr, app));
}

TEST_F(LinkTest, DeletingAnEndOfAThreeEndedLinkLeavesTwoEnds) {
  Link link(db, String("supports"), NodeRef(db, a), NodeRef(db, b), app);
  ASSERT_EQ(0, link.save(app, 0));
  ASSERT_EQ(0, link.addSpecifier(Specifier(Specifier::Destination, NodeRef(db, c)), app));
  const ULONG l = link.linkRef()->uid();

  EXPECT_EQ(0, NodeRef(db, c).deleteNode(app)) << capture.all();
  EXPECT_EQ(DB::KindLink, db->kind(l));
  // The shorter record leaves nothing of the removed end behind.
  EXPECT_EQ(item(2, "<this>#$" + id(a) + ":A") + item(1, "<this>#$" + id(b) + ":B"),
            facetBytes(*db, l, DB::Body));
  EXPECT_EQ(listOf(l), facetBytes(*db, a, DB::LinkList));
  EXPECT_EQ(listOf(l), facetBytes(*db, b, DB::LinkList));
  std::unique_ptr<Link> back(LinkRef(db, l).getLink(app, NodeRef::ModeWrite));
  ASSERT_NE(nullptr, back);
  EXPECT_EQ(2u, back->specCount());
}

TEST_F(LinkTest, APageThatIsAnEndTwiceLosesBothEnds) {
  Link link(db, String("supports"), NodeRef(db, a), NodeRef(db, b), app);
  ASSERT_EQ(0, link.save(app, 0));
  ASSERT_EQ(0, link.addSpecifier(Specifier(7, NodeRef(db, a)), app));
  ASSERT_EQ(0, link.addSpecifier(Specifier(1, NodeRef(db, c)), app));
  const ULONG l = link.linkRef()->uid();

  EXPECT_EQ(0, NodeRef(db, a).deleteNode(app)) << capture.all();
  EXPECT_EQ(item(1, "<this>#$" + id(b) + ":B") + item(1, "<this>#$" + id(c) + ":C"),
            facetBytes(*db, l, DB::Body));

  // With one end left after that, the link goes altogether.
  Link pair(db, String("supports"), NodeRef(db, b), NodeRef(db, c), app);
  ASSERT_EQ(0, pair.save(app, 0));
  ASSERT_EQ(0, pair.addSpecifier(Specifier(7, NodeRef(db, c)), app));
  const ULONG p = pair.linkRef()->uid();
  EXPECT_EQ(0, NodeRef(db, c).deleteNode(app)) << capture.all();
  EXPECT_EQ(0u, db->kind(p));
  EXPECT_EQ(0u, db->kind(l)) << "the first link had two ends left, one of them on C";
  EXPECT_TRUE(db->store()->isFacetEmpty(b, DB::LinkList));
}

TEST_F(LinkTest, EndsThatDoNotVerifyGiveTheLinkAStatus) {
  const NodeRef good(db, a);
  NodeRef gone(db, 4242);
  struct Case {
    const NodeRef* first;
    const NodeRef* second;
    int status;
  } cases[] = {{&gone, &good, Link::FirstEndBad},
               {&good, &gone, Link::SecondEndBad},
               {&good, &good, Link::Good}};
  for (const Case& c : cases) {
    Link link(db, String("t"), *c.first, *c.second, app);
    EXPECT_EQ(c.status, link.status());
  }
}

TEST_F(LinkTest, HostileRecordsReadBounded) {
  const std::string refA = "<this>#$" + id(a) + ":A";
  struct Case {
    const char* what;
    std::string bytes;
    std::size_t ends;
    int firstDir;
  };
  const Case cases[] = {
      {"an end that does not resolve is skipped", item(2, refA) + item(1, ":Nowhere"), 1, 2},
      {"negative direction kept", item(-5, refA), 1, -5},
      {"last text without its NUL", "2" + kNul + refA, 0, 0},
      {"no NUL after the direction", "2x" + refA + kNul, 0, 0},
      {"direction too long", "99999999999" + kNul + refA + kNul, 0, 0},
      {"reference text too long", "2" + kNul + std::string(800, 'x') + kNul, 0, 0},
      {"no number at all", refA + kNul, 0, 0},
  };
  for (const Case& c : cases) {
    capture.clear();
    const ULONG l = rawLink(c.bytes);
    std::unique_ptr<Link> link(LinkRef(db, l).getLink(app, 0));
    ASSERT_NE(nullptr, link) << c.what << "\n" << capture.all();
    EXPECT_EQ(c.ends, link->specCount()) << c.what;
    if (c.ends > 0) {
      EXPECT_EQ(c.firstDir, link->specifier(0).dir()) << c.what;
    }
  }

  capture.clear();
  const ULONG skipped = rawLink(item(2, refA) + item(1, ":Nowhere"));
  std::unique_ptr<Link> one(LinkRef(db, skipped).getLink(app, 0));
  EXPECT_TRUE(capture.saw("E: Link::Link: Bad noderef found in specifier 1 (dir=1) of link '" +
                          linkDescription(*db, skipped) + "'"))
      << capture.all();

  // A record naming more ends than a link may have gives no link at all.
  std::string many;
  for (int i = 0; i <= Link::MaxEnds; ++i) many += item(1, refA);
  capture.clear();
  const ULONG huge = rawLink(many);
  EXPECT_EQ(nullptr, LinkRef(db, huge).getLink(app, 0));
  EXPECT_TRUE(capture.saw("E: Link::Link: more than 4096 ends in link '" +
                          linkDescription(*db, huge) + "'"))
      << capture.all();
  EXPECT_TRUE(capture.saw("W: Internal error... Could not get a node as expected"));
}

TEST_F(LinkTest, ReportsAndRefusals) {
  const ULONG l = saveLink(a, b);
  std::unique_ptr<Link> link(LinkRef(db, l).getLink(app, 0));
  ASSERT_NE(nullptr, link);

  link->notifyKilledRef(4242, app);
  EXPECT_TRUE(capture.saw("E: Link::notifyKilledRef: Could not find uid 4242")) << capture.all();

  EXPECT_EQ(-1, link->save(app, 1));
  EXPECT_TRUE(capture.saw("W: Cannot save link " + linkDescription(*db, l) +
                          ": Link is read only"))
      << capture.all();

  EXPECT_EQ(nullptr, LinkRef(db, a).getLink(app, 0)) << "a page is no link";
  EXPECT_TRUE(capture.saw("Unable to get stream for link '' (id=" + id(a) + ")"))
      << capture.all();

  // Link texts: relative, absolute, and none without an ID.
  LinkRef ref(db, l);
  EXPECT_EQ("<this>#$" + id(l), std::string(ref.makeString(app, true).c_str()));
  EXPECT_EQ(std::string(db->bookName().c_str()) + "#$" + id(l),
            std::string(ref.makeString(app, false).c_str()));
  LinkRef noId("", db);
  noId.makeString(app, true);
  EXPECT_TRUE(capture.saw("E: LinkRef,::makeString: no link spec written: '<this>#$'"))
      << capture.all();
}

TEST_F(LinkTest, TypeChangesAreStoredAndVerified) {
  const ULONG l = saveLink(a, b);
  std::unique_ptr<Link> link(LinkRef(db, l).getLink(app, NodeRef::ModeWrite));
  ASSERT_NE(nullptr, link);
  EXPECT_EQ(0, link->verify(app));
  const String refutes("refutes");
  link->type(&refutes);
  EXPECT_EQ(std::string("\0refutes\0" "0", 10), facetBytes(*db, l, DB::EntryHeader));

  // When the stored type changes behind the link, the link takes it.
  const String supports("supports");
  ASSERT_EQ(0, db->changeName_Type_Flags(l, nullptr, &supports, nullptr));
  EXPECT_EQ(-16, link->verify(app));
  EXPECT_STREQ("supports", link->type().c_str());
}

}  // namespace
