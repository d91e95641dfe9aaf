// The half of the hierarchy the user manipulates: a behavioural graphic owns one
// visual graphic, its render, and forwards geometry, state flags and drawing to
// it. Its window is its render's window; without a render it has none. Any
// other use of a behavioural graphic whose render is missing raises
// PreconditionException("Render!=NULL").
//
// On deletion a behavioural graphic leaves its window's lists, so that a window
// never holds a graphic that is gone.
#ifndef GRAPHICS_BEHAVIOURAL_GRAPHIC_H
#define GRAPHICS_BEHAVIOURAL_GRAPHIC_H

#include <memory>

#include "graphics/visual_graphic.h"

class BehaviouralGraphic : public Graphic {
 public:
  // Takes ownership of `render` (null makes a graphic that refuses every use).
  explicit BehaviouralGraphic(VisualGraphic* render);
  ~BehaviouralGraphic() override;

  GraphicWindow* getParent() const override;
  void setParent(GraphicWindow* parent) override;
  void setState(DWORD bits) override { render().setState(bits); }
  void clearState(DWORD bits) override { render().clearState(bits); }
  DWORD state() const override { return render().state(); }
  void assignState(DWORD value) override { render().assignState(value); }
  void draw(TDC& dc, int force) override { render().draw(dc, force); }
  void erase(HDC hdc) override { render().erase(hdc); }
  int rect(RECT& r) const override { return render().rect(r); }
  int rawRect(RECT& r) const override { return render().rawRect(r); }
  int boundingRect(RECT& r) const override { return render().boundingRect(r); }
  void moveTo(int x, int y, HDC hdc) override { render().moveTo(x, y, hdc); }
  HRGN setRegion() const override { return render().setRegion(); }
  int setColor(DWORD* fill, DWORD* line, DWORD* text) override { return render().setColor(fill, line, text); }
  void setComputed(int on) override { render().setComputed(on); }
  void setDotted(int on) override { render().setDotted(on); }
  void compute(TDC& dc) override { render().compute(dc); }
  void getJoinPoint(joinPoint jp, POINT& p) const override { render().getJoinPoint(jp, p); }
  void setRect(RECT& r, HDC hdc) override { render().setRect(r, hdc); }
  void clientRectResized(RECT& client) override { render().clientRectResized(client); }

  // The render, or null.
  virtual VisualGraphic* visual() const { return Render.get(); }
  virtual void moveRelationsBy(int dx, int dy, HDC hdc);

 protected:
  // REQUIRES: Render != NULL (else PreconditionException).
  VisualGraphic& render() const;

  std::unique_ptr<VisualGraphic> Render;
};

#endif  // GRAPHICS_BEHAVIOURAL_GRAPHIC_H
