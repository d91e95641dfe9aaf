// A pen stroke: one line of free-hand ink on a page, a polyline recorded in its
// own coordinate space (the normal rectangle) and drawn scaled into its bounds,
// which follow the annotation's box. It is made when the pen is lifted, or
// from a page's 'p' annotation record, or as a member of a pen group. Its box
// is hidden when it is made ("&Show Box" unchecked); the pen constructors
// never play the creation sound.
//
// Stroke text (the data of a 'p' record, and of each "P" member of a group
// text), tokens separated by one blank:
//   FIELD    FORMAT                     CONTENTS
//   header   "%d,%d,%d,%d,%d,%ld,%d "   point count; normal rectangle left, top,
//                                       right, bottom; pen colour; pen width
//   point    "%d,%d "                   x, y in normal coordinates; count times
// Example: two points (1,2) and (5,9), black, width 1:
//   "2,1,2,6,10,0,1 1,2 5,9 "
// Writing: into a buffer of BufferSize (16384) bytes; after each point the
// writing stops when more than size - 20 characters have been written.
// Reading: the header token (all seven numbers), then one point per token
// until `count` points are read, the text ends, a token is not a point (it is
// left to the reader of an enclosing group text), or MaxRead (16384)
// characters have been consumed. The count becomes the number of points read;
// room is taken for the points the text can hold, never for more.
//
// Invariant (checked by invariantsHold, with those of Annotation): the
// scaler's invariants hold.
#ifndef GRAPHICS_PEN_STROKE_H
#define GRAPHICS_PEN_STROKE_H

#include <algorithm>
#include <memory>
#include <vector>

#include "graphics/annotation.h"
#include "graphics/pen_thing.h"

struct KM_Annotation;

class PenStroke : public Annotation, public PenThing {
 public:
  static constexpr std::size_t BufferSize = 16384;
  static constexpr std::size_t MaxRead = 16384;
  // Room a writer leaves after the last point it writes.
  static constexpr std::size_t TailRoom = 20;
  // The widest pen drawn; wider stored widths are drawn this wide.
  static constexpr int MaxDrawnWidth = 1024;

  // The recorded points (copied); the normal rectangle is their bounding box
  // (right and bottom one past the largest coordinate) and also the bounds.
  PenStroke(GraphicWindow* window, LONG id, int left, int top, int right, int bottom, const POINT* points,
            ULONG count, COLORREF colour, int width);
  // Black, width 1; the points read from the stroke text of `length`
  // characters when there is one; the bounds are the given box.
  PenStroke(GraphicWindow* window, LONG id, int left, int top, int right, int bottom, const char* text,
            std::size_t length);
  ~PenStroke() override;

  // The stroke an annotation record describes, added to `window` with its
  // tethers and its master; laid out and drawn on `hdc`, or at the next paint
  // without one. Null without a window. Reading does not mark the page modified.
  static PenStroke* make(GraphicWindow* window, KM_Annotation& record, HDC hdc);
  // The 'p' record: id, no name, box, saved flags, tether ids, the stroke
  // text, the master's id (0x80000000 when there is none). The writer's
  // result, or the serialisation's failure code with nothing written.
  LONG saveOn(KMEsrap& w) override;
  // The stroke text in a fresh buffer of BufferSize bytes: 0; -2 when the
  // buffer cannot be had, -1 when the text does not fit (both reported).
  int allocateAndSerialize(std::unique_ptr<char[]>& text);
  // Characters written (without the NUL), or -1 when the text does not fit.
  int SerializePoints(char* buffer, std::size_t size);
  // Characters consumed.
  std::size_t DeSerializePoints(const char* text, std::size_t length);

  // Point i scaled into the bounds; (0, 0) for i outside 0 ... count() - 1.
  POINT operator[](ULONG i);
  ULONG count() const { return static_cast<ULONG>(points_.size()); }
  const std::vector<POINT>& points() const { return points_; }
  COLORREF colour() const { return colour_; }
  int width() const { return width_; }

  bool isGroup() const override { return false; }
  Annotation& annotation() override { return *this; }
  const Annotation& annotation() const override { return *this; }
  // The bounds and the box become `r`.
  void SetBounds(const RECT& r) override;
  // A solid pen of the stroke's width and colour, one polyline.
  void Draw(HDC hdc) override;
  // The stroke text as a member of a group: no longer than its own buffer,
  // so that its reader, which stops after MaxRead characters, reads it all.
  int serialize(char* buffer, std::size_t size) override {
    return SerializePoints(buffer, std::min(size, BufferSize));
  }
  int inkReach() const override;
  // Inverts the box (selection feedback).
  virtual void invert(HDC hdc);

  // The box and the ink, whose pen may reach past the box.
  int boundingRect(RECT& r) const override;
  void draw(TDC& dc, int force) override;
  HMENU createPopup() override;
  void handleMessage(GMessage& msg) override;
  bool invariantsHold() const override;
  void classInvarient(const char* file, int line) const override { Annotation::classInvarient(file, line); }

 private:
  std::vector<POINT> points_;
  COLORREF colour_ = 0;
  int width_ = 1;
};

#endif  // GRAPHICS_PEN_STROKE_H
