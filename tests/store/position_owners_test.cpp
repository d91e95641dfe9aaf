// The overflow positions' owner map against a model map: random sets and erases
// over few and many positions (long runs that wrap around the table's end),
// positions stepping by an entry size as the hash stream's do, and clearing.
#include "store/position_owners.h"

#include <map>
#include <random>

#include <gtest/gtest.h>

namespace {

void expectSame(const std::map<ULONG, ULONG>& model, const PositionOwners& owners,
                ULONG maxPos, const char* when) {
  ASSERT_EQ(model.size(), owners.size()) << when;
  for (ULONG pos = 1; pos <= maxPos; ++pos) {
    const ULONG* owner = owners.find(pos);
    auto it = model.find(pos);
    if (it == model.end()) {
      ASSERT_EQ(nullptr, owner) << when << ": position " << pos;
    } else {
      ASSERT_NE(nullptr, owner) << when << ": position " << pos;
      ASSERT_EQ(it->second, *owner) << when << ": position " << pos;
    }
  }
}

TEST(PositionOwners, AgreesWithAModelMapThroughSetsErasesAndClears) {
  std::mt19937 random(7);
  // Few positions in a small range (the table stays small and its runs wrap),
  // then many spaced as entries are, then a range that grows the table often.
  const struct {
    ULONG range;
    ULONG step;
    int operations;
  } cases[] = {{40, 1, 4000}, {3000, 20, 20000}, {100000, 7, 20000}};
  for (const auto& c : cases) {
    PositionOwners owners;
    std::map<ULONG, ULONG> model;
    const ULONG maxPos = c.range * c.step;
    for (int i = 0; i < c.operations; ++i) {
      const ULONG pos = (1 + random() % c.range) * c.step;
      const ULONG bucket = random() % 128;
      // Sets outweigh erases at first, then the other way round, so the map
      // fills and empties.
      const bool filling = i < c.operations / 2;
      if (random() % 3 != 0 ? filling : !filling) {
        owners.set(pos, bucket);
        model[pos] = bucket;
      } else {
        owners.erase(pos);
        model.erase(pos);
      }
      if (c.range <= 40) expectSame(model, owners, maxPos, "small range");
    }
    expectSame(model, owners, maxPos, "after the operations");
    owners.clear();
    model.clear();
    expectSame(model, owners, maxPos, "after clear");
    owners.set(c.step, 3);
    EXPECT_EQ(3u, *owners.find(c.step)) << "usable after clear";
  }
  // Position 0 is never a key.
  PositionOwners owners;
  owners.set(0, 5);
  EXPECT_EQ(0u, owners.size());
  EXPECT_EQ(nullptr, owners.find(0));
  owners.erase(0);
  owners.erase(12);
  EXPECT_EQ(0u, owners.size());
}

}  // namespace
