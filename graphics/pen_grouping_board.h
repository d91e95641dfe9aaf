// What a pen grouper needs of the board its strokes are drawn on: the window
// that new groups belong to, fresh object ids, the board's own list of
// annotations, the selection, the modified state and the clock. The poster
// board implements it; tests use a double.
//
// REQUIRES: a stroke handed to the grouper stays on the board until the
// grouper takes it off; a board that deletes a pending stroke first tells the
// grouper (PenGrouper::Forget).
#ifndef GRAPHICS_PEN_GROUPING_BOARD_H
#define GRAPHICS_PEN_GROUPING_BOARD_H

#include "platform/windows_types.h"

class Annotation;
class GraphicWindow;

class PenGroupingBoard {
 public:
  virtual ~PenGroupingBoard() = default;
  virtual GraphicWindow* boardWindow() = 0;
  // A change of the board's contents begins (before a group is made).
  virtual void beginChange() = 0;
  virtual LONG newObjectId() = 0;
  // Puts `a` (owned by the board from now on) on the board.
  virtual void addAnnotation(Annotation* a) = 0;
  // Takes `a` off the board without destroying it; the caller owns it.
  virtual void removeAnnotation(Annotation* a) = 0;
  // Makes `a` the selection.
  virtual void select(Annotation* a) = 0;
  virtual void setModified(int flag) = 0;
  // Milliseconds, wrapping at 32 bits (the message clock).
  virtual DWORD tickCount() = 0;
};

#endif  // GRAPHICS_PEN_GROUPING_BOARD_H
