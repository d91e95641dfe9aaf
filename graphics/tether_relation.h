// The relation that keeps a tether between an annotation (its from end) and the
// graphic the annotation comments on (its to end). The tether starts at the join
// point on the annotation and ends at the one on the other graphic; its base sits
// on the annotation's rectangle (l, t, r, b) around the start (sx, sy):
//
//   start                         base 1        base 2
//   left edge, top corner         (l, t + 7)    (l + 7, t)
//   left edge, bottom corner      (l, b - 7)    (l + 7, b)
//   left edge, elsewhere          (l, m - 7)    (l, m + 7)     m = (t + b) / 2
//   right edge, top corner        (r, t + 7)    (r - 7, t)
//   right edge, bottom corner     (r, b - 7)    (r - 7, b)
//   right edge, elsewhere         (r, m - 7)    (r, m + 7)
//   elsewhere (top or bottom)     (c - 7, y)    (c + 7, y)     c = (l + r) / 2,
//                                                              y = t when sy = t, else b
//
// Either end moving moves only the tether. "NXNEWTET.WAV" plays when a tether
// relation is made and "NXDELTET.WAV" when it goes, when the window's sounds
// are on.
#ifndef GRAPHICS_TETHER_RELATION_H
#define GRAPHICS_TETHER_RELATION_H

#include "graphics/g_relation.h"
#include "graphics/tether.h"

class TetherRelation : public GRelation {
 public:
  static constexpr int HalfBase = 7;

  // The tether goes from `annotation` to `target`; the relation owns it.
  TetherRelation(RelationableGraphic* annotation, RelationableGraphic* target);
  ~TetherRelation() override;

  void compute(TDC& dc) override;
  Tether& tether() const { return static_cast<Tether&>(render()); }

  // The base of a tether starting at `start` on the rectangle `r`.
  static void baseFor(const RECT& r, POINT start, POINT& base1, POINT& base2);

 protected:
  void placeLine(HDC hdc) override;

 private:
  void playIfSounds(const char* file) const;
};

#endif  // GRAPHICS_TETHER_RELATION_H
