// Regions and their pixel inclusion (see region.h for the rules).
#include "platform/win/region.h"

#include <algorithm>
#include <cmath>

#include "platform/win/windows_gdi.h"

namespace {

RECT normalised(int l, int t, int r, int b) {
  return {std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

using Span = Region::Span;

bool sameRuns(const std::vector<Span>& a, const std::vector<Span>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].left != b[i].left || a[i].right != b[i].right) return false;
  return true;
}

// Appends [l, r) to sorted runs, joining it to the last run when they touch.
void addRun(std::vector<Span>& out, long long l, long long r) {
  if (r <= l) return;
  if (!out.empty() && out.back().right >= l) {
    out.back().right = std::max(out.back().right, r);
    return;
  }
  out.push_back({l, r});
}

// The runs of a combination of two rows of runs.
void combineRuns(const std::vector<Span>& a, const std::vector<Span>& b, int mode, std::vector<Span>& out) {
  out.clear();
  std::vector<long long> xs;
  xs.reserve(2 * (a.size() + b.size()));
  for (const Span& s : a) {
    xs.push_back(s.left);
    xs.push_back(s.right);
  }
  for (const Span& s : b) {
    xs.push_back(s.left);
    xs.push_back(s.right);
  }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  std::size_t ia = 0, ib = 0;
  for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
    const long long x = xs[i];
    while (ia < a.size() && a[ia].right <= x) ++ia;
    while (ib < b.size() && b[ib].right <= x) ++ib;
    const bool inA = ia < a.size() && a[ia].left <= x;
    const bool inB = ib < b.size() && b[ib].left <= x;
    bool in = false;
    switch (mode) {
      case RGN_AND: in = inA && inB; break;
      case RGN_OR: in = inA || inB; break;
      case RGN_XOR: in = inA != inB; break;
      case RGN_DIFF: in = inA && !inB; break;
      default: in = inA; break;
    }
    if (in) addRun(out, x, xs[i + 1]);
  }
}

}  // namespace

Region::~Region() = default;

Region::Region(const Region& o)
    : kind_(o.kind_), box_(o.box_), corner_(o.corner_), points_(o.points_),
      alternate_(o.alternate_), offset_(o.offset_), mode_(o.mode_),
      a_(o.a_ ? std::make_unique<Region>(*o.a_) : nullptr),
      b_(o.b_ ? std::make_unique<Region>(*o.b_) : nullptr), bands_(o.bands_) {}

Region& Region::operator=(const Region& o) {
  if (this != &o) {
    Region copy(o);
    *this = std::move(copy);
  }
  return *this;
}

Region Region::empty() { return Region(); }

Region Region::rect(int l, int t, int r, int b) {
  Region g;
  g.kind_ = Kind::Rect;
  g.box_ = normalised(l, t, r, b);
  return g;
}

Region Region::ellipse(int l, int t, int r, int b) {
  Region g;
  g.box_ = normalised(l, t, r, b);
  // Too thin to curve: the box itself, as a rectangle.
  // Widths in 64 bits: the corners may be 4 billion apart.
  const long long w = static_cast<long long>(g.box_.right) - g.box_.left;
  const long long h = static_cast<long long>(g.box_.bottom) - g.box_.top;
  g.kind_ = (w < 3 || h < 3) ? Kind::Rect : Kind::Ellipse;
  if (g.kind_ == Kind::Rect) {
    g.box_.right = std::max(g.box_.left, g.box_.right - 1);
    g.box_.bottom = std::max(g.box_.top, g.box_.bottom - 1);
  }
  return g;
}

Region Region::roundRect(int l, int t, int r, int b, int w, int h) {
  Region g;
  g.box_ = normalised(l, t, r, b);
  const long long width = static_cast<long long>(g.box_.right) - 1 - g.box_.left;
  const long long height = static_cast<long long>(g.box_.bottom) - 1 - g.box_.top;
  w = static_cast<int>(std::min<long long>(width, w < 0 ? -static_cast<long long>(w) : w));
  h = static_cast<int>(std::min<long long>(height, h < 0 ? -static_cast<long long>(h) : h));
  if (w < 2 || h < 2 || width < 2 || height < 2) {
    g.kind_ = Kind::Rect;
    g.box_.right = std::max(g.box_.left, g.box_.right - 1);
    g.box_.bottom = std::max(g.box_.top, g.box_.bottom - 1);
    return g;
  }
  g.kind_ = Kind::RoundRect;
  g.corner_ = {w, h};
  return g;
}

Region Region::polygon(const POINT* points, int count, bool alternate) {
  Region g;
  if (points == nullptr || count < 3) return g;
  g.kind_ = Kind::Polygon;
  g.points_.assign(points, points + count);
  g.alternate_ = alternate;
  LONG l = points[0].x, r = points[0].x, t = points[0].y, b = points[0].y;
  for (int i = 1; i < count; ++i) {
    l = std::min(l, points[i].x);
    r = std::max(r, points[i].x);
    t = std::min(t, points[i].y);
    b = std::max(b, points[i].y);
  }
  g.box_ = {l, t, r, b};
  return g;
}

Region Region::combine(const Region& a, const Region& b, int mode) {
  if (mode == RGN_COPY) return a;
  Region g;
  g.kind_ = Kind::Combined;
  g.mode_ = mode;
  g.a_ = std::make_unique<Region>(a);
  g.b_ = std::make_unique<Region>(b);
  return g;
}

Region Region::fromRects(const std::vector<RECT>& rects) {
  Region g;
  std::vector<long long> ys;
  for (const RECT& r : rects) {
    if (r.right <= r.left || r.bottom <= r.top) continue;
    ys.push_back(r.top);
    ys.push_back(r.bottom);
  }
  if (ys.empty()) return g;
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::vector<Span> row, merged;
  for (std::size_t i = 0; i + 1 < ys.size(); ++i) {
    const long long top = ys[i], bottom = ys[i + 1];
    row.clear();
    for (const RECT& r : rects)
      if (r.right > r.left && r.top <= top && r.bottom >= bottom) row.push_back({r.left, r.right});
    std::sort(row.begin(), row.end(), [](const Span& a, const Span& b) { return a.left < b.left; });
    merged.clear();
    for (const Span& s : row) addRun(merged, s.left, s.right);
    if (merged.empty()) continue;
    if (!g.bands_.empty() && g.bands_.back().bottom == top && sameRuns(g.bands_.back().runs, merged)) {
      g.bands_.back().bottom = bottom;
    } else {
      g.bands_.push_back({top, bottom, merged});
    }
  }
  if (g.bands_.empty()) return g;
  g.kind_ = Kind::Rects;
  long long l = g.bands_.front().runs.front().left, r = g.bands_.front().runs.back().right;
  for (const Band& b : g.bands_) {
    l = std::min(l, b.runs.front().left);
    r = std::max(r, b.runs.back().right);
  }
  g.box_ = {static_cast<LONG>(l), static_cast<LONG>(g.bands_.front().top), static_cast<LONG>(r),
            static_cast<LONG>(g.bands_.back().bottom)};
  return g;
}

bool Region::inEllipse(long long x, long long y, double l, double t, double r, double b) {
  double a = (r - l) / 2.0, bb = (b - t) / 2.0;
  if (a <= 0 || bb <= 0) return false;
  double dx = (static_cast<double>(x) + 0.5 - (l + r) / 2.0) / a;
  double dy = (static_cast<double>(y) + 0.5 - (t + b) / 2.0) / bb;
  return dx * dx + dy * dy <= 1.0;
}

bool Region::containsShape(long long x, long long y) const {
  switch (kind_) {
    case Kind::Empty: return false;
    case Kind::Rect:
      return x >= box_.left && x < box_.right && y >= box_.top && y < box_.bottom;
    case Kind::Ellipse: {
      double l = box_.left, t = box_.top, r = box_.right - 1, b = box_.bottom - 1;
      if (x < box_.left || x >= box_.right - 1LL || y < box_.top || y >= box_.bottom - 1LL) return false;
      return inEllipse(x, y, l, t, r, b);
    }
    case Kind::RoundRect: {
      double l = box_.left, t = box_.top, r = box_.right - 1, b = box_.bottom - 1;
      if (x < box_.left || x >= box_.right - 1LL || y < box_.top || y >= box_.bottom - 1LL) return false;
      double w = corner_.cx, h = corner_.cy;
      double px = static_cast<double>(x) + 0.5, py = static_cast<double>(y) + 0.5;
      bool left = px < l + w / 2, right = px > r - w / 2;
      bool top = py < t + h / 2, bottom = py > b - h / 2;
      if (left && top) return inEllipse(x, y, l, t, l + w, t + h);
      if (right && top) return inEllipse(x, y, r - w, t, r, t + h);
      if (left && bottom) return inEllipse(x, y, l, b - h, l + w, b);
      if (right && bottom) return inEllipse(x, y, r - w, b - h, r, b);
      return true;
    }
    case Kind::Polygon: {
      // One pass over the edges: the number of points bounds it.
      std::vector<double> xs;
      std::vector<int> dirs;
      const std::size_t n = points_.size();
      for (std::size_t i = 0; i < n; ++i) {
        const POINT& p = points_[i];
        const POINT& q = points_[(i + 1) % n];
        if (p.y == q.y) continue;
        long long y1 = std::min(p.y, q.y), y2 = std::max(p.y, q.y);
        if (y < y1 || y >= y2) continue;
        double cx = p.x + static_cast<double>(q.x - p.x) * static_cast<double>(y - p.y) /
                              static_cast<double>(q.y - p.y);
        xs.push_back(cx);
        dirs.push_back(q.y > p.y ? 1 : -1);
      }
      if (alternate_) {
        int crossings = 0;
        for (double cx : xs)
          if (cx <= static_cast<double>(x)) ++crossings;
        return (crossings & 1) != 0;
      }
      int winding = 0;
      for (std::size_t i = 0; i < xs.size(); ++i)
        if (xs[i] <= static_cast<double>(x)) winding += dirs[i];
      return winding != 0;
    }
    case Kind::Rects: {
      auto it = std::upper_bound(bands_.begin(), bands_.end(), y,
                                 [](long long v, const Band& b) { return v < b.bottom; });
      if (it == bands_.end() || it->top > y) return false;
      for (const Span& s : it->runs)
        if (x >= s.left && x < s.right) return true;
      return false;
    }
    case Kind::Combined: {
      bool ia = a_->contains(static_cast<int>(x), static_cast<int>(y));
      bool ib = b_->contains(static_cast<int>(x), static_cast<int>(y));
      switch (mode_) {
        case RGN_AND: return ia && ib;
        case RGN_OR: return ia || ib;
        case RGN_XOR: return ia != ib;
        case RGN_DIFF: return ia && !ib;
        default: return ia;
      }
    }
  }
  return false;
}

bool Region::contains(int x, int y) const {
  return containsShape(static_cast<long long>(x) - offset_.x, static_cast<long long>(y) - offset_.y);
}

RECT Region::box() const {
  RECT r = {0, 0, 0, 0};
  switch (kind_) {
    case Kind::Empty: return r;
    case Kind::Rect: r = box_; break;
    case Kind::Ellipse:
    case Kind::RoundRect:
      r = {box_.left, box_.top, std::max(box_.left, box_.right - 1), std::max(box_.top, box_.bottom - 1)};
      break;
    case Kind::Polygon: r = box_; break;
    case Kind::Rects: r = box_; break;
    case Kind::Combined: {
      RECT a = a_->box(), b = b_->box();
      bool ea = a.right <= a.left || a.bottom <= a.top, eb = b.right <= b.left || b.bottom <= b.top;
      if (mode_ == RGN_AND) {
        r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
        if (r.right <= r.left || r.bottom <= r.top) r = {0, 0, 0, 0};
        return r;
      }
      if (mode_ == RGN_DIFF || eb) return a;
      if (ea) return b;
      r = {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
           std::max(a.bottom, b.bottom)};
      return r;
    }
  }
  if (r.right <= r.left || r.bottom <= r.top) return {0, 0, 0, 0};
  return {r.left + offset_.x, r.top + offset_.y, r.right + offset_.x, r.bottom + offset_.y};
}

bool Region::isEmpty() const {
  RECT b = box();
  return b.right <= b.left || b.bottom <= b.top;
}

void Region::offset(int dx, int dy) {
  if (kind_ == Kind::Combined) {
    a_->offset(dx, dy);
    b_->offset(dx, dy);
    return;
  }
  offset_.x += dx;
  offset_.y += dy;
}

void Region::convexSpans(long long y, std::vector<Span>& out) const {
  const long long l = box_.left, t = box_.top, r = box_.right - 1LL, b = box_.bottom - 1LL;
  if (y < t || y >= b || r <= l) return;
  // The row is one run symmetric about the centre: when it is not empty, a pixel
  // next to the centre is inside.
  const long long mid = static_cast<long long>(std::floor((static_cast<double>(l) + static_cast<double>(r)) / 2.0));
  long long inside = 0;
  bool found = false;
  for (long long x = mid - 1; x <= mid + 1 && !found; ++x) {
    if (x >= l && x < r && containsShape(x, y)) {
      inside = x;
      found = true;
    }
  }
  if (!found) return;
  long long lo = l, hi = inside;  // the first inside pixel is in [lo, hi]
  while (lo < hi) {
    long long m = lo + (hi - lo) / 2;
    if (containsShape(m, y)) hi = m;
    else lo = m + 1;
  }
  const long long first = lo;
  lo = inside;
  hi = r - 1;  // the last inside pixel is in [lo, hi]
  while (lo < hi) {
    long long m = lo + (hi - lo + 1) / 2;
    if (containsShape(m, y)) lo = m;
    else hi = m - 1;
  }
  out.push_back({first, lo + 1});
}

void Region::shapeSpans(long long y, std::vector<Span>& out) const {
  out.clear();
  switch (kind_) {
    case Kind::Empty: return;
    case Kind::Rect:
      if (y >= box_.top && y < box_.bottom && box_.right > box_.left) out.push_back({box_.left, box_.right});
      return;
    case Kind::Ellipse:
    case Kind::RoundRect: convexSpans(y, out); return;
    case Kind::Polygon: {
      // The crossings containsShape counts: x is inside when the crossings at or
      // left of it (ceil(crossing) <= x) are odd in number (alternate) or do not
      // wind to zero.
      std::vector<std::pair<long long, int>> cs;
      const std::size_t n = points_.size();
      for (std::size_t i = 0; i < n; ++i) {
        const POINT& p = points_[i];
        const POINT& q = points_[(i + 1) % n];
        if (p.y == q.y) continue;
        long long y1 = std::min(p.y, q.y), y2 = std::max(p.y, q.y);
        if (y < y1 || y >= y2) continue;
        double cx = p.x + static_cast<double>(q.x - p.x) * static_cast<double>(y - p.y) /
                              static_cast<double>(q.y - p.y);
        cs.push_back({static_cast<long long>(std::ceil(cx)), q.y > p.y ? 1 : -1});
      }
      std::sort(cs.begin(), cs.end());
      int count = 0;
      for (std::size_t i = 0; i < cs.size();) {
        const long long x = cs[i].first;
        while (i < cs.size() && cs[i].first == x) {
          count += alternate_ ? 1 : cs[i].second;
          ++i;
        }
        const bool in = alternate_ ? (count & 1) != 0 : count != 0;
        if (in && i < cs.size()) addRun(out, x, cs[i].first);
      }
      return;
    }
    case Kind::Rects: {
      auto it = std::upper_bound(bands_.begin(), bands_.end(), y,
                                 [](long long v, const Band& b) { return v < b.bottom; });
      if (it != bands_.end() && it->top <= y) out = it->runs;
      return;
    }
    case Kind::Combined: {
      std::vector<Span> a, b;
      a_->spans(y, a);
      b_->spans(y, b);
      combineRuns(a, b, mode_, out);
      return;
    }
  }
}

void Region::spans(long long y, std::vector<Span>& out) const {
  shapeSpans(y - offset_.y, out);
  if (offset_.x != 0) {
    for (Span& s : out) {
      s.left += offset_.x;
      s.right += offset_.x;
    }
  }
}

bool Region::rectangles(const RECT& bound, std::vector<RECT>& out) const {
  out.clear();
  const RECT box = this->box();
  const long long l = std::max(box.left, bound.left), r = std::min(box.right, bound.right);
  const long long t = std::max(box.top, bound.top), b = std::min(box.bottom, bound.bottom);
  if (r <= l || b <= t) return true;
  if (b - t > kMaxRows) return false;
  std::vector<Span> row, clipped, previous;
  std::size_t bandStart = 0;
  for (long long y = t; y < b; ++y) {
    spans(y, row);
    clipped.clear();
    for (const Span& s : row) addRun(clipped, std::max(s.left, l), std::min(s.right, r));
    if (y > t && !previous.empty() && sameRuns(clipped, previous) && out.size() > bandStart &&
        out.back().bottom == y) {
      for (std::size_t i = bandStart; i < out.size(); ++i) out[i].bottom = static_cast<LONG>(y + 1);
      continue;
    }
    bandStart = out.size();
    for (const Span& s : clipped)
      out.push_back({static_cast<LONG>(s.left), static_cast<LONG>(y), static_cast<LONG>(s.right),
                     static_cast<LONG>(y + 1)});
    previous = clipped;
  }
  return true;
}

int Region::complexity() const {
  if (kind_ == Kind::Empty) return NULLREGION;
  if (kind_ == Kind::Rect) return isEmpty() ? NULLREGION : SIMPLEREGION;
  std::vector<RECT> rects;
  if (!rectangles(box(), rects)) return COMPLEXREGION;
  return rects.empty() ? NULLREGION : rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
