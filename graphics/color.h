// A colour of a graphic: one 0x00BBGGRR value, its inverse, and the colour that
// is actually used on a device, which depends on whether the window draws in
// colour. The fill, line and text colours derive from it; each knows what it
// creates and selects into a device context.
#ifndef GRAPHICS_COLOR_H
#define GRAPHICS_COLOR_H

#include "platform/windows_types.h"
#include "platform/win/windows_gdi.h"

class Color {
 public:
  // `select` modes: bits that say how the colour is used.
  enum Mode { UseColour = 0x1, Inverted = 0x2 };

  explicit Color(COLORREF value = 0) : value_(value) {}
  virtual ~Color();
  Color(const Color&) = default;
  Color& operator=(const Color&) = default;

  virtual void classInvarient(const char* file, int line) const;
  virtual void setColor(COLORREF value) { value_ = value; }
  virtual COLORREF color() const { return value_; }
  // The low 24 bits complemented, the top byte kept.
  virtual COLORREF inverse() const { return (value_ & 0xFF000000u) | (~value_ & 0x00FFFFFFu); }
  // As a fill: the colour (or its inverse) in colour; white, or black when
  // inverted, without colour.
  virtual COLORREF effective(short useColour, short inverted) const;
  virtual bool operator==(COLORREF value) const { return value_ == value; }
  virtual bool operator!=(COLORREF value) const { return value_ != value; }
  virtual bool operator==(const Color& other) const { return value_ == other.value_; }
  virtual bool operator!=(const Color& other) const { return value_ != other.value_; }
  // Creates what the colour needs on `hdc` (a brush, a pen, or the text colour)
  // and selects it; returns what was selected before (null for the text colour's
  // previous value, which is kept by the colour itself).
  virtual HGDIOBJ select(HDC hdc, int mode) = 0;
  // Reselects `previous` (not on a metafile, which keeps no selection to go
  // back to) and deletes what `select` created.
  virtual void deselect(HDC hdc, HGDIOBJ previous) = 0;

 protected:
  static bool isMetafile(HDC hdc);

 private:
  COLORREF value_;
};

#endif  // GRAPHICS_COLOR_H
