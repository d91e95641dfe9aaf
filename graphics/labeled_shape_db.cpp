// Making glyph shapes by number and listing their names (see labeled_shape_db.h).
#include "graphics/labeled_shape_db.h"

#include <cstring>

#include "graphics/labeled_diamond.h"
#include "graphics/labeled_elipse.h"
#include "graphics/labeled_hexagon.h"
#include "graphics/labeled_inv_parallelogram.h"
#include "graphics/labeled_inv_trapezoid.h"
#include "graphics/labeled_nothing.h"
#include "graphics/labeled_parallelogram.h"
#include "graphics/labeled_rectangle.h"
#include "graphics/labeled_rounded_rectangle.h"
#include "graphics/labeled_trapezoid.h"
#include "kit/error.h"

namespace {

const char* const kNames[LabeledShapeDB::GlyphCount] = {
    "Rectangle", "RoundedRectangle", "Ellipse",  "Hexagon", "Trapezoid", "Inverted Trapezoid",
    "Parallelogram", "Inverted Parallelogram", "Diamond", "Empty"};

}  // namespace

std::unique_ptr<LabeledShape> LabeledShapeDB::instantiateGlyphShape(int number, GraphicWindow* parent,
                                                                    const LabeledShape* existing, DWORD mask) {
  if (number < 0 || number >= GlyphCount) {
    error(nullptr, 'E', "LabeledShapeDB::instantiateGlyphShape: Invalid Glyph shape");
    return nullptr;
  }
  if (existing != nullptr && existing->glyphNumber() == number) return nullptr;
  switch (number) {
    case 0: return std::make_unique<LabeledRectangle>(parent, "", mask);
    case 1: return std::make_unique<LabeledRoundedRectangle>(parent, "", mask);
    case 2: return std::make_unique<LabeledElipse>(parent, "", mask);
    case 3: return std::make_unique<LabeledHexagon>(parent, "", mask);
    case 4: return std::make_unique<LabeledTrapezoid>(parent, "", mask);
    case 5: return std::make_unique<LabeledInvTrapezoid>(parent, "", mask);
    case 6: return std::make_unique<LabeledParallelogram>(parent, "", mask);
    case 7: return std::make_unique<LabeledInvParallelogram>(parent, "", mask);
    case 8: return std::make_unique<LabeledDiamond>(parent, "", mask);
    default: return std::make_unique<LabeledNothing>(parent, "", mask);
  }
}

const char* LabeledShapeDB::nextGlyphShapeName(int& i) {
  i = i < 0 ? 0 : (i >= GlyphCount ? GlyphCount : i + 1);
  return i < GlyphCount ? kNames[i] : nullptr;
}

int LabeledShapeDB::glyphShapeNames(char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return -1;
  int left = size;
  char* out = buffer;
  for (const char* name : kNames) {
    const int n = static_cast<int>(std::strlen(name));
    if (n + 1 >= left) continue;
    std::memcpy(out, name, static_cast<std::size_t>(n) + 1);
    out += n + 1;
    left -= n + 1;
  }
  *out = '\0';
  return 0;
}
