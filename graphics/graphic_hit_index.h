// The hit index of a graphic window: a bucket grid over the page that answers
// "which sensitive graphic is under this point" without asking every graphic.
//
// The window's hit test walks the layers from the top (0xFF) down and, within a
// layer, its sensitive list from the end toward the start, and takes the first
// graphic whose hitTest says yes. The index gives the same answer by asking
// only the graphics whose hit bounds contain the point, in that same order:
// each graphic has a rank (its layer, then its place in the list), every grid
// cell keeps the graphics whose bounds meet it sorted by rank from the highest,
// and graphics that cover very many cells are kept once in a list of their own
// that every query merges in.
//
// Invariants (check() verifies them):
//   1. The index was built for the key it holds: the window's list version,
//      the graphics' geometry epoch, the zoom, the scroll position and the
//      client size. Any change of one of them makes it stale, and the next
//      query rebuilds it.
//   2. Every graphic of the list is in exactly the cells its hit bounds meet,
//      or in the large list, once, with the rank of its layer and place.
//   3. Every cell and the large list are sorted by rank, highest first.
// It rests on one promise of the graphics: hitTest answers yes only inside
// hitBounds, and hit bounds change only together with the geometry epoch
// (graphic.h).
#ifndef GRAPHICS_GRAPHIC_HIT_INDEX_H
#define GRAPHICS_GRAPHIC_HIT_INDEX_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/windows_types.h"

class SensitiveGraphic;

class GraphicHitIndex {
 public:
  struct Key {
    uint64_t listVersion = 0;
    uint64_t epoch = 0;
    int zoom = 0;
    LONG scrollX = 0;
    LONG scrollY = 0;
    LONG clientWidth = 0;
    LONG clientHeight = 0;
    bool operator==(const Key& o) const {
      return listVersion == o.listVersion && epoch == o.epoch && zoom == o.zoom && scrollX == o.scrollX &&
             scrollY == o.scrollY && clientWidth == o.clientWidth && clientHeight == o.clientHeight;
    }
    bool operator!=(const Key& o) const { return !(*this == o); }
  };

  // The graphic of `list` under the logical point (packed), as the layer walk
  // would find it; rebuilds first when `key` is not the one it was built for.
  SensitiveGraphic* hit(const std::vector<SensitiveGraphic*>& list, const Key& key, LONG point);
  // Drops what is built (the next query rebuilds).
  void clear();
  // Verifies the invariants above against `list` and `key`; on failure returns
  // false and says why in `problem`.
  bool check(const std::vector<SensitiveGraphic*>& list, const Key& key, std::string* problem) const;
  bool built() const { return built_; }
  int rebuilds() const { return rebuilds_; }

  // A cell holds at most this many graphics' worth of area before a graphic
  // goes to the large list instead.
  static constexpr int64_t kMaxCellsPerGraphic = 64;
  static constexpr int64_t kMaxGridSide = 128;
  static constexpr int64_t kMinCellSize = 16;

 private:
  struct Entry {
    uint64_t rank;
    SensitiveGraphic* graphic;
    RECT bounds;
  };
  static uint64_t rankOf(int layer, std::size_t place) { return (static_cast<uint64_t>(layer) << 40) | place; }
  void build(const std::vector<SensitiveGraphic*>& list, const Key& key);
  bool cellRange(const RECT& b, int64_t& cx0, int64_t& cy0, int64_t& cx1, int64_t& cy1) const;

  bool built_ = false;
  Key key_;
  int64_t originX_ = 0;
  int64_t originY_ = 0;
  int64_t cellSize_ = kMinCellSize;
  int64_t columns_ = 0;
  int64_t rows_ = 0;
  std::vector<std::vector<Entry>> cells_;
  std::vector<Entry> large_;
  std::vector<Entry> all_;  // in list order, for the checker
  int rebuilds_ = 0;
};

#endif  // GRAPHICS_GRAPHIC_HIT_INDEX_H
