// The handle map against a model map: random sets and erases over few and many
// keys (long runs that wrap around the table's end), keys stepping by an entry
// size as the hash stream's do, key 0, and clearing.
#include "store/handle_map.h"

#include <map>
#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

void expectSame(const std::map<ULONG, ULONG>& model, const HandleMap<ULONG>& owners,
                ULONG maxPos, const char* when) {
  ASSERT_EQ(model.size(), owners.size()) << when;
  for (ULONG pos = 0; pos <= maxPos; ++pos) {
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

TEST(HandleMap, AgreesWithAModelMapThroughSetsErasesAndClears) {
  std::mt19937 random(7);
  // Few positions in a small range (the table stays small and its runs wrap),
  // then many spaced as entries are, then a range that grows the table often.
  const struct {
    ULONG range;
    ULONG step;
    int operations;
  } cases[] = {{40, 1, 4000}, {3000, 20, 20000}, {100000, 7, 20000}};
  for (const auto& c : cases) {
    HandleMap<ULONG> owners;
    std::map<ULONG, ULONG> model;
    const ULONG maxPos = c.range * c.step;
    for (int i = 0; i < c.operations; ++i) {
      // Now and then key 0, which is held beside the table.
      const ULONG pos = random() % 97 == 0 ? 0 : (1 + random() % c.range) * c.step;
      const ULONG bucket = random() % 128;
      // Sets outweigh erases at first, then the other way round, so the map
      // fills and empties.
      const bool filling = i < c.operations / 2;
      if (random() % 3 != 0 ? filling : !filling) {
        owners.get(pos) = bucket;
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
    owners.get(c.step) = 3;
    EXPECT_EQ(3u, *owners.find(c.step)) << "usable after clear";
  }
  // A key made afresh starts from a value-initialised value, also after an erase.
  HandleMap<ULONG> owners;
  EXPECT_EQ(0u, owners.get(0));
  EXPECT_EQ(0u, owners.get(12));
  owners.get(0) = 5;
  owners.get(12) = 6;
  EXPECT_EQ(2u, owners.size());
  owners.erase(0);
  owners.erase(12);
  EXPECT_EQ(0u, owners.size());
  EXPECT_EQ(0u, owners.get(0));
  EXPECT_EQ(0u, owners.get(12));
}

// Values that own something (the book's entry headers are shared) keep it
// through growth and the moves an erase makes, and let it go when erased.
TEST(HandleMap, OwningValuesSurviveMovesAndAreLetGoWhenErased) {
  HandleMap<std::shared_ptr<int>> map;
  std::vector<std::shared_ptr<int>> held;
  for (int i = 0; i < 1000; ++i) {
    held.push_back(std::make_shared<int>(i));
    map.get(static_cast<ULONG>(i) * 64) = held.back();  // key 0 among them
  }
  for (int i = 0; i < 1000; i += 2) map.erase(static_cast<ULONG>(i) * 64);
  for (int i = 0; i < 1000; ++i) {
    const std::shared_ptr<int>* kept = map.find(static_cast<ULONG>(i) * 64);
    if (i % 2 == 0) {
      EXPECT_EQ(nullptr, kept) << i;
      EXPECT_EQ(1, held[static_cast<std::size_t>(i)].use_count()) << "erased value let go: " << i;
    } else {
      ASSERT_NE(nullptr, kept) << i;
      EXPECT_EQ(i, **kept);
      EXPECT_EQ(2, held[static_cast<std::size_t>(i)].use_count()) << i;
    }
  }
  map.clear();
  for (const std::shared_ptr<int>& value : held) EXPECT_EQ(1, value.use_count());
}

}  // namespace
