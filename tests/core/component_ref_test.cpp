// Reference texts, their resolution through the application, and comparison.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/component_ref.h"
#include "core_test_support.h"
#include "platform/system/desktop.h"

namespace {

// The smallest concrete reference: the page and link references give these.
class PlainRef : public ComponentRef {
 public:
  String makeString(Nexil&, bool) override { return dbName(); }
  String Description() override { return name(); }
  bool isEmpty(Nexil&) override { return false; }
};

TEST(ComponentRefParse, TheReferenceTextsSplitIntoTheirParts) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  struct Case {
    const char* text;
    const char* dbName;
    const char* name;
    ULONG uid;
  } cases[] = {
      {"12", "<this>", "", 12},
      {"12:", "<this>", "?", 12},
      {"12abc", "<this>", "12abc", ComponentRef::NoUID},
      {"12:Home", "<this>", "Home", 12},
      {":Home", "<this>", "Home", ComponentRef::NoUID},
      {"Home", "<this>", "Home", ComponentRef::NoUID},
      {"<this>#$12:Home", "<this>", "Home", 12},
      {"C:\\maps\\plan.tvx#$7", "C:\\maps\\plan.tvx", "", 7},
      {"net#@plan.tvx#$3:Home", "net#@plan.tvx", "Home", 3},
      {"", "<this>", "", ComponentRef::NoUID},
  };
  for (const Case& c : cases) {
    PlainRef r;
    r.parse(c.text);
    EXPECT_STREQ(c.dbName, r.dbName().c_str()) << c.text;
    EXPECT_STREQ(c.name, r.name().c_str()) << c.text;
    EXPECT_EQ(c.uid, r.uid()) << c.text;
    EXPECT_EQ(ComponentRef::Unknown, r.locality()) << c.text;
  }
}

TEST(ComponentRefParse, MalformedReferencesAreReported) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  PlainRef net;
  net.parse("net#@3");
  EXPECT_NE(std::string::npos,
            logText().find("W: ComponentRef::parse: Malformed node reference; network spec must "
                           "be accompanied by Database name: '3'"));
  PlainRef twice;
  twice.parse("a.tvx#$1#$2");
  EXPECT_NE(std::string::npos,
            logText().find("E: ComponentRef::parse: Malformed node reference '#$2'"));
  // A part longer than 256 characters keeps its first 256.
  PlainRef longName;
  longName.parse((":" + std::string(400, 'n')).c_str());
  EXPECT_EQ(255u, longName.name().length()) << "256 characters with the ':' dropped";
}

TEST(ComponentRefResolve, ThisBookNamedBooksAndNetworkBooks) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  setenv("TAVIX_PROFILE", (freshDir("ref_profile") + "tavix.ini").c_str(), 1);
  TestNexil app;
  DBRef context(new DB(app, "", nullptr, 0, 0));
  const ULONG home = context.db()->createNode(String("Home"), String("map"), 0);

  PlainRef here;
  here.parse("12:Home");
  here.context(context.db());
  EXPECT_EQ(ComponentRef::Local, here.resolve(app));
  EXPECT_EQ(context.db(), here.db());
  EXPECT_EQ(context.db()->bookName(), here.dbName());
  EXPECT_TRUE(here.localFile(app));

  PlainRef noContext;
  noContext.parse("12");
  EXPECT_EQ(ComponentRef::Unknown, noContext.resolve(app));

  PlainRef remote;
  remote.parse("faraway#@plan.tvx#$3");
  EXPECT_EQ(ComponentRef::Unknown, remote.resolve(app));
  EXPECT_NE(std::string::npos, logText().find("E: Nexil::getDB: Network references unsupported"));
  EXPECT_EQ(0, app.addCalls);

  // A verify fixes up the name from the book.
  PlainRef byId;
  byId.parse(std::to_string(home).c_str());
  byId.context(context.db());
  EXPECT_EQ(1, byId.verify(app, nullptr));
  EXPECT_STREQ("Home", byId.name().c_str());
  EXPECT_EQ(0, byId.verify(app, nullptr));
  PlainRef noId;
  noId.parse(":Home");
  EXPECT_EQ(-5, noId.verify(app, nullptr));
}

TEST(ComponentRefCompare, ByNumberWhenBothHaveOneElseByName) {
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  TestNexil app;
  DBRef book(new DB(app, "", nullptr, 0, 0));
  auto make = [&](const char* text) {
    PlainRef r;
    r.parse(text);
    r.context(book.db());
    r.resolve(app);
    return r;
  };
  EXPECT_TRUE(make("7:Home") == make("7:Other"));
  EXPECT_FALSE(make("7:Home") == make("8:Home"));
  EXPECT_TRUE(make("7:Home") == make(":Home"));
  EXPECT_FALSE(make("7:Home") == make(":Other"));
  PlainRef unknownA, unknownB;
  EXPECT_TRUE(unknownA == unknownB);
  EXPECT_FALSE(unknownA == make("7"));
  PlainRef bad = make("7");
  bad.locality(5);
  EXPECT_FALSE(bad == make("7"));
  EXPECT_NE(std::string::npos, logText().find("W: ComponentRef::operator==: invalid Type"));
  EXPECT_STREQ((std::string(book.db()->bookName().c_str()) + ":Home").c_str(),
               make("7:Home").dbDescription().c_str());
}

}  // namespace
