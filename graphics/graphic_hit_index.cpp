// The bucket grid behind the window's hit test (see graphic_hit_index.h).
#include "graphics/graphic_hit_index.h"

#include <algorithm>

#include "graphics/sensitive_graphic.h"

namespace {

bool byRankDescending(uint64_t a, uint64_t b) { return a > b; }

}  // namespace

void GraphicHitIndex::clear() {
  built_ = false;
  cells_.clear();
  large_.clear();
  all_.clear();
}

bool GraphicHitIndex::cellRange(const RECT& b, int64_t& cx0, int64_t& cy0, int64_t& cx1, int64_t& cy1) const {
  if (b.right <= b.left || b.bottom <= b.top || columns_ == 0) return false;
  cx0 = (static_cast<int64_t>(b.left) - originX_) / cellSize_;
  cy0 = (static_cast<int64_t>(b.top) - originY_) / cellSize_;
  cx1 = (static_cast<int64_t>(b.right) - 1 - originX_) / cellSize_;
  cy1 = (static_cast<int64_t>(b.bottom) - 1 - originY_) / cellSize_;
  cx0 = std::max<int64_t>(0, cx0);
  cy0 = std::max<int64_t>(0, cy0);
  cx1 = std::min<int64_t>(columns_ - 1, cx1);
  cy1 = std::min<int64_t>(rows_ - 1, cy1);
  return cx0 <= cx1 && cy0 <= cy1;
}

void GraphicHitIndex::build(const std::vector<SensitiveGraphic*>& list, const Key& key) {
  clear();
  ++rebuilds_;
  key_ = key;
  all_.reserve(list.size());
  int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
  for (std::size_t i = 0; i < list.size(); ++i) {
    Entry e;
    e.graphic = list[i];
    e.rank = rankOf(list[i]->paintLayer(), i);
    list[i]->hitBounds(e.bounds);
    all_.push_back(e);
    if (e.bounds.right <= e.bounds.left || e.bounds.bottom <= e.bounds.top) continue;
    left = std::min<int64_t>(left, e.bounds.left);
    top = std::min<int64_t>(top, e.bounds.top);
    right = std::max<int64_t>(right, e.bounds.right);
    bottom = std::max<int64_t>(bottom, e.bounds.bottom);
  }
  built_ = true;
  if (left >= right || top >= bottom) {
    columns_ = rows_ = 0;
    return;
  }
  const int64_t side = std::max(right - left, bottom - top);
  cellSize_ = std::max<int64_t>(kMinCellSize, (side + kMaxGridSide - 1) / kMaxGridSide);
  originX_ = left;
  originY_ = top;
  columns_ = (right - left + cellSize_ - 1) / cellSize_;
  rows_ = (bottom - top + cellSize_ - 1) / cellSize_;
  cells_.assign(static_cast<std::size_t>(columns_ * rows_), {});
  for (const Entry& e : all_) {
    int64_t x0, y0, x1, y1;
    if (!cellRange(e.bounds, x0, y0, x1, y1)) continue;
    if ((x1 - x0 + 1) * (y1 - y0 + 1) > kMaxCellsPerGraphic) {
      large_.push_back(e);
      continue;
    }
    for (int64_t y = y0; y <= y1; ++y) {
      for (int64_t x = x0; x <= x1; ++x) cells_[static_cast<std::size_t>(y * columns_ + x)].push_back(e);
    }
  }
  auto sortCell = [](std::vector<Entry>& v) {
    std::sort(v.begin(), v.end(), [](const Entry& a, const Entry& b) { return byRankDescending(a.rank, b.rank); });
  };
  for (auto& c : cells_) sortCell(c);
  sortCell(large_);
}

SensitiveGraphic* GraphicHitIndex::hit(const std::vector<SensitiveGraphic*>& list, const Key& key, LONG point) {
  if (!built_ || key_ != key) build(list, key);
  const int64_t x = pointX(point), y = pointY(point);
  if (columns_ == 0 || x < originX_ || y < originY_) return nullptr;
  const int64_t cx = (x - originX_) / cellSize_, cy = (y - originY_) / cellSize_;
  if (cx >= columns_ || cy >= rows_) return nullptr;
  const std::vector<Entry>& cell = cells_[static_cast<std::size_t>(cy * columns_ + cx)];
  // Merge the cell and the large list, highest rank first.
  std::size_t i = 0, j = 0;
  auto inside = [x, y](const RECT& b) { return x >= b.left && x < b.right && y >= b.top && y < b.bottom; };
  while (i < cell.size() || j < large_.size()) {
    const Entry* e;
    if (j >= large_.size() || (i < cell.size() && cell[i].rank > large_[j].rank)) e = &cell[i++];
    else e = &large_[j++];
    if (inside(e->bounds) && e->graphic->hitTest(point)) return e->graphic;
  }
  return nullptr;
}

bool GraphicHitIndex::check(const std::vector<SensitiveGraphic*>& list, const Key& key, std::string* problem) const {
  auto fail = [problem](const std::string& why) {
    if (problem != nullptr) *problem = why;
    return false;
  };
  if (!built_) return fail("not built");
  if (key_ != key) return fail("built for another key");
  if (all_.size() != list.size()) return fail("holds " + std::to_string(all_.size()) + " graphics, the list " +
                                              std::to_string(list.size()));
  for (std::size_t i = 0; i < list.size(); ++i) {
    const Entry& e = all_[i];
    RECT b;
    list[i]->hitBounds(b);
    if (e.graphic != list[i]) return fail("graphic " + std::to_string(i) + " is not the list's");
    if (e.rank != rankOf(list[i]->paintLayer(), i)) return fail("graphic " + std::to_string(i) + " has a stale rank");
    if (b.left != e.bounds.left || b.top != e.bounds.top || b.right != e.bounds.right || b.bottom != e.bounds.bottom)
      return fail("graphic " + std::to_string(i) + " has stale bounds");
    int64_t x0, y0, x1, y1;
    const bool placed = cellRange(e.bounds, x0, y0, x1, y1);
    const bool large = placed && (x1 - x0 + 1) * (y1 - y0 + 1) > kMaxCellsPerGraphic;
    const auto countIn = [&e](const std::vector<Entry>& v) {
      return std::count_if(v.begin(), v.end(), [&e](const Entry& o) { return o.graphic == e.graphic && o.rank == e.rank; });
    };
    if (countIn(large_) != (large ? 1 : 0)) return fail("graphic " + std::to_string(i) + " misplaced in the large list");
    for (int64_t y = 0; y < rows_; ++y) {
      for (int64_t x = 0; x < columns_; ++x) {
        const bool covers = placed && !large && x >= x0 && x <= x1 && y >= y0 && y <= y1;
        if (countIn(cells_[static_cast<std::size_t>(y * columns_ + x)]) != (covers ? 1 : 0))
          return fail("graphic " + std::to_string(i) + " misplaced in cell " + std::to_string(x) + "," +
                      std::to_string(y));
      }
    }
  }
  auto sorted = [](const std::vector<Entry>& v) {
    for (std::size_t k = 1; k < v.size(); ++k) {
      if (v[k - 1].rank <= v[k].rank) return false;
    }
    return true;
  };
  if (!sorted(large_)) return fail("large list out of order");
  for (const auto& c : cells_) {
    if (!sorted(c)) return fail("a cell is out of order");
  }
  return true;
}
