// The type repositories: inheritance of unset attributes, lookup, id
// allocation, the changing operations and their codes, the repair of parents,
// moving assignment, and walks along parent chains that loop.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "maptext/error_capture.h"
#include "maptext/km_esrap.h"
#include "plugin/link_type_rep.h"
#include "plugin/node_type_rep.h"

namespace {

const LONG U = XType::Unset;

std::unique_ptr<XType> nodeType(LONG id, const char* name, LONG parent,
                                std::vector<LONG> values = {}) {
  values.resize(NodeType::AttrCount, U);
  return std::unique_ptr<XType>(new NodeType(nullptr, id, name, parent, values.data()));
}

// A node repository holding its root and the given (id, name, parent) types.
struct Rep {
  explicit Rep(std::vector<std::tuple<LONG, const char*, LONG>> types) {
    std::unique_ptr<XType> root = NodeType::Undefined().clone("Undefined");
    EXPECT_EQ(0, rep.add(root));
    for (const auto& t : types) {
      std::unique_ptr<XType> x = nodeType(std::get<0>(t), std::get<1>(t), std::get<2>(t));
      EXPECT_EQ(0, rep.add(x)) << std::get<1>(t);
    }
  }
  ~Rep() { EXPECT_TRUE(rep.classInvarient(__FILE__, __LINE__)); }
  XType& at(LONG id) { return *rep.find(id); }
  NodeTypeRep rep;
};

TEST(TypeRepTest, UnsetAttributesComeFromTheParentChainOrTheRoot) {
  Rep r({{1, "Shape", 0}, {2, "Child", 1}});
  r.at(1).set(NodeType::FillColor, 0x123456);
  r.at(2).set(NodeType::Shape, 7);
  struct Case {
    LONG id;
    int attr;
    LONG expected;
  } cases[] = {
      {1, NodeType::TextColor, 0},         {1, NodeType::LineColor, 0},
      {1, NodeType::FillColor, 0x123456},  {1, NodeType::Shape, 2},
      {1, NodeType::ShapeValue, 0},        {2, NodeType::FillColor, 0x123456},
      {2, NodeType::Shape, 7},             {2, NodeType::TextColor, 0},
      {0, NodeType::FillColor, 0xFFFFFF},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, r.at(c.id).get(c.attr)) << "type " << c.id << " attr " << c.attr;
  }
  // A parent that names no type: the walk goes on from the root.
  r.at(2).set(NodeType::Shape, U);
  std::unique_ptr<XType> orphan = nodeType(3, "Orphan", 99);
  ASSERT_EQ(0, r.rep.add(orphan));
  EXPECT_EQ(0xFFFFFF, r.at(3).get(NodeType::FillColor));
  // The link root: every attribute 0.
  for (int i = 0; i < LinkType::AttrCount; ++i) EXPECT_EQ(0, LinkType::Undefined().get(i));
}

TEST(TypeRepTest, AddGivesTheCodesAndKeepsOwnershipOfRefusedTypes) {
  Rep r({{1, "A", 0}, {5, "B", 0}});
  struct Case {
    LONG id;
    const char* name;
    int code;
    bool kept;      // the repository took the type
    LONG expectId;  // the id the type then has
  } cases[] = {
      {1, "Other", TypeRep::IdExists, false, 1},
      {7, "A", TypeRep::NameExists, false, 7},
      {-1, "A", TypeRep::NameExists, false, 2},  // an unassigned id is assigned first
      {-1, "C", TypeRep::OK, true, 2},
      {9, "D", TypeRep::OK, true, 9},
  };
  for (const Case& c : cases) {
    std::unique_ptr<XType> t = nodeType(c.id, c.name, 0);
    XType* raw = t.get();
    EXPECT_EQ(c.code, r.rep.add(t)) << c.name;
    EXPECT_EQ(c.kept, t == nullptr) << c.name;
    EXPECT_EQ(c.expectId, raw->id()) << c.name;
    if (c.kept) {
      EXPECT_EQ(raw, r.rep.find(c.expectId));
    }
  }
  // "Undefined" with a new id, or anything with id 0, sets the root's values
  // (unset ones too) and is not kept.
  std::unique_ptr<XType> again = nodeType(-1, "Undefined", 0, {U, 0x11, 0x22});
  EXPECT_EQ(0, r.rep.add(again));
  EXPECT_NE(nullptr, again);
  EXPECT_EQ(0x22, r.at(0).peek(NodeType::FillColor));
  EXPECT_EQ(U, r.at(0).peek(NodeType::Shape));
  EXPECT_EQ(2, r.at(0).get(NodeType::Shape)) << "an unset root value still has the class root's";
  std::unique_ptr<XType> zero = nodeType(0, "Zero", 0, {1, 2, 3, 4, 5});
  EXPECT_EQ(0, r.rep.add(zero));
  EXPECT_STREQ("Undefined", r.at(0).name());
  EXPECT_EQ(4, r.at(0).peek(NodeType::Shape));
}

TEST(TypeRepTest, DelAndTheTextsOfTheCodes) {
  Rep r({{1, "Parent", 0}, {2, "Leaf", 1}});
  struct Case {
    LONG id;
    const char* name;
    int code;
  } cases[] = {
      {0, nullptr, TypeRep::HasChildren},  // the root, whatever its children
      {-4, nullptr, TypeRep::HasChildren},  // a negative id is the root's
      {1, nullptr, TypeRep::HasChildren},
      {3, nullptr, TypeRep::NotFound},
      {0, "Nobody", TypeRep::NotFound},
      {0, "Leaf", TypeRep::OK},  // the name wins over the id
      {1, nullptr, TypeRep::OK},
      {1, nullptr, TypeRep::NotFound},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.code, r.rep.del(c.id, c.name)) << c.id << " " << (c.name ? c.name : "");
  }
  EXPECT_EQ(1u, r.rep.size());

  const char* texts[] = {"OK", "type not found", "type has children", "type id already exists",
                         "type name already exists", "too many types", "?"};
  for (int code = 0; code <= 6; ++code) EXPECT_STREQ(texts[code], TypeRep::resultText(code));
  EXPECT_STREQ("?", TypeRep::resultText(-1));
  char buf[8];
  TypeRep::resultText(TypeRep::HasChildren, buf, 4);
  EXPECT_STREQ("type", buf);
}

TEST(TypeRepTest, SetParentRefusesADescendantAndNewIdFillsTheLowestGap) {
  Rep r({{1, "A", 0}, {5, "B", 1}, {6, "C", 5}});
  EXPECT_EQ(0, r.at(1).setParent(6)) << "C descends from A";
  EXPECT_EQ(0, r.at(1).parent());
  EXPECT_EQ(0, r.at(0).setParent(1)) << "the root's parent stays";
  EXPECT_EQ(1, r.at(6).setParent(1));
  EXPECT_EQ(1, r.at(6).parent());
  std::unique_ptr<XType> loose = nodeType(3, "Loose", 0);
  EXPECT_EQ(0, loose->setParent(1)) << "a type outside any repository";

  EXPECT_EQ(2, r.rep.newId());
  XType* made = r.rep.get("New", nullptr);
  ASSERT_NE(nullptr, made);
  EXPECT_EQ(2, made->id());
  EXPECT_EQ(made, r.rep.get("New", nullptr)) << "found, not made again";
  EXPECT_STREQ("B", r.rep.find(5)->name());
  EXPECT_EQ(3, r.rep.newId());
  EXPECT_EQ(7, r.rep.count());
  // A clone of the prototype: its parent and its values.
  r.at(5).set(NodeType::LineColor, 0x42);
  XType* like = r.rep.get("LikeB", &r.at(5));
  ASSERT_NE(nullptr, like);
  EXPECT_EQ(3, like->id());
  EXPECT_EQ(1, like->parent());
  EXPECT_EQ(0x42, like->peek(NodeType::LineColor));
  EXPECT_EQ(&r.rep, like->rep());

  std::vector<LONG> order;
  LONG cursor = -1;
  for (XType* t = r.rep.iterate(cursor); t != nullptr; t = r.rep.iterate(cursor)) {
    EXPECT_EQ(t->id(), cursor);
    order.push_back(t->id());
  }
  EXPECT_EQ((std::vector<LONG>{0, 1, 2, 3, 5, 6}), order);
}

TEST(TypeRepTest, ConsistencyCheckRepairsMissingParentsAndCycles) {
  struct Case {
    const char* what;
    std::vector<std::tuple<LONG, const char*, LONG>> types;
    std::vector<std::string> messages;
    std::vector<LONG> parentsAfter;  // of the types in the order given
  } cases[] = {
      {"missing parent", {{1, "A", 9}},
       {"z|Node type inconsistency: parent of A not found -- set to Undefined"}, {0}},
      {"two-type cycle", {{1, "A", 2}, {2, "B", 1}},
       {"z|Node type inconsistency: cyclic inheritance -- parent of A set to Undefined"}, {0, 1}},
      {"own parent", {{4, "Self", 4}},
       {"z|Node type inconsistency: cyclic inheritance -- parent of Self set to Undefined"}, {0}},
      {"a loop below", {{1, "Low", 3}, {2, "X", 3}, {3, "Y", 2}},
       {"z|Node type inconsistency: cyclic inheritance -- parent of X set to Undefined"},
       {3, 0, 2}},
      {"sound", {{1, "A", 0}, {2, "B", 1}, {3, "C", -7}}, {}, {0, 1, -7}},
  };
  for (const Case& c : cases) {
    Rep r(c.types);
    maptext_test::ErrorCapture capture;
    EXPECT_EQ(static_cast<int>(c.messages.size()), r.rep.consistencyCheck()) << c.what;
    EXPECT_EQ(c.messages, capture.messages) << c.what;
    for (std::size_t i = 0; i < c.types.size(); ++i) {
      EXPECT_EQ(c.parentsAfter[i], r.at(std::get<0>(c.types[i])).parent()) << c.what;
    }
    EXPECT_EQ(0, r.rep.consistencyCheck()) << c.what << ": nothing left to repair";
  }
}

TEST(TypeRepTest, WalksAlongALoopThatMissesTheStartStop) {
  // 1 -> 2 -> 3 -> 2: a loop that does not pass through 1 nor through 4.
  Rep r({{1, "A", 2}, {2, "B", 3}, {3, "C", 2}});
  EXPECT_EQ(0xFFFFFF, r.at(1).get(NodeType::FillColor)) << "counts as reaching the root";
  EXPECT_FALSE(r.rep.inheritsFrom(1, 4));
  EXPECT_TRUE(r.rep.inheritsFrom(1, 3));
  EXPECT_TRUE(r.rep.inheritsFrom(1, 0));
  EXPECT_TRUE(r.rep.inheritsFrom(1, 1));
  EXPECT_EQ(1, r.at(1).setParent(4)) << "4 is not below 1";
}

TEST(TypeRepTest, HugeAndManyIdsStaySparseAndBounded) {
  Rep r({{2000000000, "Far", 0}, {INT32_MAX, "Last", 2000000000}});
  EXPECT_EQ(int64_t{INT32_MAX} + 1, r.rep.count());
  EXPECT_EQ(3u, r.rep.size());
  EXPECT_EQ(1, r.rep.newId());
  EXPECT_EQ(0xFFFFFF, r.at(INT32_MAX).get(NodeType::FillColor));
  EXPECT_TRUE(r.rep.inheritsFrom(INT32_MAX, 2000000000));

  NodeTypeRep full;
  for (LONG id = 0; id < static_cast<LONG>(TypeRep::MaxTypes); ++id) {
    std::unique_ptr<XType> t = nodeType(id * 3, ("t" + std::to_string(id)).c_str(), 0);
    ASSERT_TRUE(full.insert(t));
  }
  std::unique_ptr<XType> one = nodeType(-1, "one more", 0);
  EXPECT_EQ(TypeRep::TooManyTypes, full.add(one));
  EXPECT_NE(nullptr, one);
  EXPECT_EQ(nullptr, full.get("another", nullptr));
  EXPECT_EQ(TypeRep::MaxTypes, full.size());
}

TEST(TypeRepTest, AssignmentMovesTheTypes) {
  Rep from({{1, "A", 0}, {2, "B", 1}});
  Rep to({{3, "Old", 0}});
  XType* a = from.rep.find(1);
  to.rep = std::move(from.rep);
  EXPECT_EQ(0u, from.rep.size());
  EXPECT_EQ(nullptr, from.rep.find(1));
  EXPECT_EQ(3u, to.rep.size());
  EXPECT_EQ(nullptr, to.rep.find(3));
  EXPECT_EQ(a, to.rep.find(1));
  EXPECT_EQ(&to.rep, a->rep());
}

TEST(TypeRepTest, LookupsFallBackToTheBaseUnlessAskedToStayLocal) {
  Rep base({{1, "Shared", 0}});
  NodeTypeRep own;
  own.base(&base.rep);
  TypeRep* where = nullptr;
  EXPECT_EQ(base.rep.find(1), own.find(1, nullptr, where, 0));
  EXPECT_EQ(&base.rep, where);
  EXPECT_EQ(base.rep.find(1), own.find(0, "Shared", where, 1)) << "flag clear: local goes on";
  own.flags(TypeRep::LocalStop);
  EXPECT_EQ(nullptr, own.find(0, "Shared", where, 1));
  EXPECT_EQ(&own, where);
  EXPECT_NE(nullptr, own.find(0, "Shared", where, 0));
  // A loop of bases is given up, not followed for ever.
  NodeTypeRep other;
  other.base(&own);
  own.base(&other);
  own.flags(0);
  EXPECT_EQ(nullptr, own.find(7));
}

TEST(TypeRepTest, SaveOnWritesEachTypeByTheCorrespondenceTable) {
  NodeTypeRep nodes;
  std::unique_ptr<XType> n = nodeType(3, "Star", 1, {0x10, 0x20, 0x30, 4, U});
  ASSERT_TRUE(nodes.insert(n));
  LinkTypeRep links;
  const LONG lv[] = {0x1, U, 2, 3};
  std::unique_ptr<XType> l(new LinkType(nullptr, 1, "orbits", 0, lv));
  ASSERT_TRUE(links.insert(l));
  std::ostringstream out;
  KMEsrap w(&out, "orvane");
  w.setPrettyPrint(0);
  w.writeCMTypes();
  EXPECT_FALSE(nodes.saveOn(w));
  EXPECT_FALSE(links.saveOn(w));
  w.closeCMTypes();
  w.close();
  EXPECT_EQ("(T162,00000002,(n3,\"Star\",(p1,),(s4,(f30,),(L20,,),),(t10,),)"
            "(l1,\"orbits\",(p0,),(x2,3,),(t1,),,1,,,))",
            out.str());
}

}  // namespace
