// The type page: what a body gives (the roots, replaced root values, refused
// duplicates, repairs with their messages), writing it back, the example
// book's type page, hostile bodies, the default names and the book it tells.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/core_test_support.h"
#include "core/node_ref.h"
#include "maptext/error_capture.h"
#include "plugin/type_node.h"
#include "plugin/type_page_book.h"

namespace {

// A type page body around `records` (map text: numbers are hexadecimal).
std::string body(const std::string& records) {
  return "#CM&^# 161\r\n(B(a\"orvane\",1,1),,(T162,0," + records + "),)";
}

// Every type of a repository, one line each: id, name, parent, raw values.
std::string dump(const TypeRep& rep) {
  std::string out;
  LONG cursor = -1;
  for (XType* t = rep.iterate(cursor); t != nullptr; t = rep.iterate(cursor)) {
    out += std::to_string(t->id()) + " '" + t->name() + "' p" + std::to_string(t->parent());
    for (int i = 0; i < t->attrCount(); ++i) out += " " + std::to_string(t->peek(i));
    out += "\n";
  }
  return out;
}

// A type page read from `text`, with what it reported.
struct Page {
  explicit Page(const std::string& text) : in(text) {
    node.reset(new TypeNode(NodeRef(), &in, app));
    messages = capture.messages;
  }
  std::string written() {
    std::ostringstream out;
    EXPECT_LE(0, node->writeTo(out));
    return out.str();
  }
  std::string dumpBoth() const { return dump(node->nodeTypes()) + "--\n" + dump(node->linkTypes()); }

  maptext_test::ErrorCapture capture;
  TestNexil app;
  std::stringstream in;
  std::unique_ptr<TypeNode> node;
  std::vector<std::string> messages;
};

std::string exampleTypePage() {
  std::ifstream in(TVX_SOURCE_DIR "/examples/solar-system/pages/types.map", std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

TEST(TypeNodeTest, BodiesGiveTheirTypesRepairsAndMessages) {
  const std::string kSource =
      "z|typedb consistency: source of L not found -- set to Undefined";
  struct Case {
    const char* what;
    std::string text;
    std::string types;  // dump of both repositories afterwards
    std::vector<std::string> messages;
  } cases[] = {
      {"empty body", "", "0 'Undefined' p0 0 0 16777215 2 0\n--\n0 'Undefined' p0 0 0 0 0\n", {}},
      {"root values replaced",
       body("(n0,\"Undefined\",(p0,),(s5,(fff,),(L0,,),),(t0,),)"),
       "0 'Undefined' p0 0 0 255 5 -2147483648\n--\n0 'Undefined' p0 0 0 0 0\n", {}},
      {"link ends naming no node type", body("(l3,\"L\",(p0,),(x7,8,),(t0,),(L0,,),1,,,)"),
       "0 'Undefined' p0 0 0 16777215 2 0\n--\n0 'Undefined' p0 0 0 0 0\n3 'L' p0 0 0 0 0\n",
       {kSource, kSource}},
      {"missing parent repaired",
       body("(n1,\"A\",(p9,),(s,(f,),(L,,),),(t,),)"),
       "0 'Undefined' p0 0 0 16777215 2 0\n1 'A' p0 -2147483648 -2147483648 -2147483648 "
       "-2147483648 -2147483648\n--\n0 'Undefined' p0 0 0 0 0\n",
       {"z|Node type inconsistency: parent of A not found -- set to Undefined"}},
      {"duplicates refused, reading goes on",
       body("(n1,\"A\",(p0,),(s1,,,),,)(n1,\"B\",(p0,),(s2,,,),,)(n2,\"A\",(p0,),(s3,,,),,)"
            "(n3,\"C\",(p0,),(s4,,,),,)"),
       "0 'Undefined' p0 0 0 16777215 2 0\n"
       "1 'A' p0 -2147483648 -2147483648 -2147483648 1 -2147483648\n"
       "3 'C' p0 -2147483648 -2147483648 -2147483648 4 -2147483648\n"
       "--\n0 'Undefined' p0 0 0 0 0\n",
       {}},
      {"parse failure keeps what came before",
       body("(n1,\"A\",(p0,),(s1,,,),,)(n2,\"B\" oops"),
       "0 'Undefined' p0 0 0 16777215 2 0\n"
       "1 'A' p0 -2147483648 -2147483648 -2147483648 1 -2147483648\n"
       "--\n0 'Undefined' p0 0 0 0 0\n",
       {"E|E: parse->readFile(): Expected separator\n"}},
  };
  for (const Case& c : cases) {
    Page p(c.text);
    EXPECT_EQ(c.types, p.dumpBoth()) << c.what;
    EXPECT_EQ(c.messages, p.messages) << c.what;
  }
}

TEST(TypeNodeTest, CallbacksReturnTheAddCodes) {
  Page p("");
  KM_NodeType n = {KM_SECTION_VERSION, 4, "Four", 0, 1, 2, 3, 4, 5, 6, 7, 8, nullptr};
  EXPECT_EQ(0, p.node->CMNodeType(n));
  EXPECT_EQ(TypeRep::IdExists, p.node->CMNodeType(n));
  n.id = 5;
  EXPECT_EQ(TypeRep::NameExists, p.node->CMNodeType(n));
  EXPECT_EQ("4 'Four' p0 8 4 2 1 7\n", dump(p.node->nodeTypes()).substr(34));
  KM_LinkType l = {};
  l.id = -1;
  l.name = "Any";
  EXPECT_EQ(0, p.node->CMLinkType(l));
  EXPECT_EQ(TypeRep::NameExists, p.node->CMLinkType(l));
  KM_Node other = {};
  EXPECT_EQ(-1, p.node->CMNode(other));
  EXPECT_EQ(0, p.node->reload());
}

TEST(TypeNodeTest, WrittenPagesReadBackIdentical) {
  const std::string pages[] = {
      exampleTypePage(),
      body("(n5,\"Far\",(p3,),(s9,(f1,),(L2,,),7),(t3,),)(n3,\"Near\",(p0,),,,)"
           "(n77359400,\"Huge\",(p5,),,(t0,),)"
           "(l2,\"back\",(p0,),(x5,3,),(tff,),(Lffffff,,),1,,,)(l1,\"fwd\",(p2,),(x,,),,,1,,,)"),
  };
  for (const std::string& text : pages) {
    Page first(text);
    EXPECT_TRUE(first.messages.empty()) << first.messages.front();
    const std::string written = first.written();
    Page second(written);
    EXPECT_TRUE(second.messages.empty());
    EXPECT_EQ(first.dumpBoth(), second.dumpBoth());
    EXPECT_EQ(written, second.written()) << "writing again gives the same bytes";
  }
}

TEST(TypeNodeTest, AHeaderAnnotationCutShortIsNotWrittenBack) {
  Page first("#CM&^# 161\r\n(B(a\"orvane\",1,1),(n\"Types\")(n,(T162,0,(n1,\"A\",,,,)");
  ASSERT_EQ(1u, first.messages.size());
  EXPECT_EQ(0u, first.messages[0].find("E|E: parse->readFile(): "));
  Page second(first.written());
  EXPECT_EQ(std::vector<std::string>{}, second.messages) << first.written();
  EXPECT_EQ(first.dumpBoth(), second.dumpBoth());
  EXPECT_STREQ("Types", second.node->getCMName());
}

TEST(TypeNodeTest, TheExampleTypePageHasItsTypesAndNeedsNoRepair) {
  Page p(exampleTypePage());
  EXPECT_EQ(std::vector<std::string>{}, p.messages);
  EXPECT_EQ(0, p.node->consistencyCheck());
  const TypeRep& nodes = p.node->nodeTypes();
  const char* names[] = {"Undefined", "Topic", "Star", "Planet", "Moon",
                         "Dwarf planet", "Region", "Small body"};
  for (LONG id = 0; id < 8; ++id) EXPECT_STREQ(names[id], nodes.find(id)->name());
  EXPECT_EQ(3, nodes.find(0, "Moon")->parent());
  EXPECT_EQ(0xFFFFFF & 0x00D7FF, nodes.find(2)->get(NodeType::FillColor));
  EXPECT_EQ(2, nodes.find(4)->get(NodeType::Shape));
  const XType* between = p.node->linkTypes().find(0, "lies between");
  ASSERT_NE(nullptr, between);
  EXPECT_EQ(6, between->get(LinkType::Source));
  EXPECT_EQ(3, between->get(LinkType::Destination));
  EXPECT_EQ(6u, p.node->linkTypes().size());
}

// `n` node types in one chain, each the parent of the next, with hexadecimal ids.
std::string chain(int n) {
  std::string records;
  char text[64];
  for (int i = 1; i <= n; ++i) {
    std::snprintf(text, sizeof text, "(n%x,\"t%d\",(p%x,),,,)", i, i, i - 1);
    records += text;
  }
  return body(records);
}

TEST(TypeNodeTest, HostileBodiesGiveRepairsNeverAHang) {
  struct Case {
    const char* what;
    std::string text;
    std::size_t nodeTypes;
    std::size_t repairs;
  } cases[] = {
      {"a parent loop", body("(n1,\"a\",(p2,),,,)(n2,\"b\",(p3,),,,)(n3,\"c\",(p1,),,,)"), 3, 1},
      {"nameless types", body("(n1,,(p2,),,,)(n2,,(p3,),,,)"), 1, 1},
      {"negative and huge ids", body("(nffffffff,\"neg\",(p80000000,),,,)(n7fffffff,\"top\","
                                      "(p7ffffffe,),,,)(l80000000,\"l\",(pffffffff,),(x7fffffff,"
                                      "ffffffff,),,,1,,,)"),
       2, 2},
      {"duplicate roots", body("(n0,\"Undefined\",,,,)(n1,\"Undefined\",,,,)(l0,\"x\",,,,,,,,)"),
       0, 0},
      {"more types than a repository holds", chain(5000), TypeRep::MaxTypes - 1, 0},
  };
  for (const Case& c : cases) {
    Page p(c.text);
    EXPECT_EQ(c.nodeTypes, p.node->nodeTypes().size() - 1) << c.what;
    EXPECT_EQ(c.repairs, p.messages.size()) << c.what;
    EXPECT_TRUE(p.node->nodeTypes().classInvarient(__FILE__, __LINE__));
    EXPECT_EQ(0, p.node->consistencyCheck()) << c.what;
  }
}

TEST(TypeNodeTest, DefaultNamesAreCutAt255Characters) {
  Page p("");
  EXPECT_STREQ("Undefined", p.node->defaultNodeTypeName());
  EXPECT_STREQ("Undefined", p.node->defaultLinkTypeName());
  p.node->defaultNodeTypeName(std::string(300, 'n').c_str());
  p.node->defaultLinkTypeName("Flow");
  p.node->defaultLinkTypeName(nullptr);
  EXPECT_EQ(std::string(255, 'n'), p.node->defaultNodeTypeName());
  EXPECT_STREQ("Flow", p.node->defaultLinkTypeName());
}

// A book that keeps its type page, as the plug-in's does.
class KeepingBook : public DB, public TypePageBook {
 public:
  explicit KeepingBook(Nexil& app) : DB(app, "", nullptr, 0, 0) {}
  void setModified(int flag) override { modified = flag; }
  TypeNode* cachedTypeNode() const override { return kept; }
  void dropTypeNode() override { kept = nullptr; ++drops; }
  int modified = 0;
  TypeNode* kept = nullptr;
  int drops = 0;
};

TEST(TypeNodeTest, ThePageTellsABookThatKeepsIt) {
  TestNexil app;
  DBRef handle(new KeepingBook(app));
  KeepingBook& book = static_cast<KeepingBook&>(*handle.db());
  NodeRef ref(&book, 1);
  std::unique_ptr<TypeNode> page(new TypeNode(ref, nullptr, app));
  page->setModified(0);
  EXPECT_EQ(0, book.modified);
  page->setModified(1);
  EXPECT_EQ(1, book.modified);
  EXPECT_TRUE(page->isModified());
  book.kept = page.get();
  page.reset();
  EXPECT_EQ(1, book.drops);
  EXPECT_EQ(nullptr, book.kept);
  // A page the book does not keep leaves the book's kept page alone.
  TypeNode other(ref, nullptr, app);
  TypeNode* const elsewhere = &other;
  book.kept = elsewhere;
  {
    TypeNode third(ref, nullptr, app);
  }
  EXPECT_EQ(1, book.drops);
  book.kept = nullptr;
}

}  // namespace
