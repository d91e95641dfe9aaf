// Forwarding to the render, and the missing-render precondition (see
// behavioural_graphic.h).
#include "graphics/behavioural_graphic.h"

#include "graphics/graphic_window.h"
#include "graphics/precondition_exception.h"

BehaviouralGraphic::BehaviouralGraphic(VisualGraphic* render) : Render(render) {}

BehaviouralGraphic::~BehaviouralGraphic() {
  if (Render != nullptr) {
    if (GraphicWindow* w = Render->getParent()) w->removeNode(this);
  }
}

VisualGraphic& BehaviouralGraphic::render() const {
  if (Render == nullptr) throw PreconditionException("Render!=NULL");
  return *Render;
}

GraphicWindow* BehaviouralGraphic::getParent() const { return Render != nullptr ? Render->getParent() : nullptr; }

void BehaviouralGraphic::setParent(GraphicWindow* parent) { render().setParent(parent); }

void BehaviouralGraphic::moveRelationsBy(int, int, HDC) {}
