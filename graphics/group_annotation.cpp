// Pen groups: their members, bounds, drawing, menu and group text (see
// group_annotation.h).
#include "graphics/group_annotation.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "graphics/graphic_window.h"
#include "graphics/pen_stroke.h"
#include "kit/error.h"
#include "maptext/km_esrap.h"
#include "maptext/km_records.h"

namespace {

// Past the group text that starts at `pos` ("("), to its matching ")" or the
// end of the text.
std::size_t skipGroup(const char* text, std::size_t length, std::size_t pos) {
  std::size_t open = 0;
  for (; pos < length; ++pos) {
    if (text[pos] == '(') ++open;
    else if (text[pos] == ')' && open > 0 && --open == 0) return pos + 1;
  }
  return pos;
}

RECT boxOf(const LONG* v) {
  RECT r = {clampCoordinate(v[0]), clampCoordinate(v[1]), clampCoordinate(v[2]), clampCoordinate(v[3])};
  PenScaler::Normalize(r);
  return r;
}

}  // namespace

GroupAnnotation::GroupAnnotation(GraphicWindow* window, LONG id, int left, int top, int right, int bottom,
                                 const char* text, std::size_t length)
    : Annotation(window, id, left, top, right, bottom, 1) {
  setState(BoxHidden);
  RECT box;
  rawRect(box);
  scaler().SetScaledRect(box);
  boundsSetFor(box);
  if (text != nullptr) DeSerializeGroup(text, length);
}

GroupAnnotation::~GroupAnnotation() {
  const std::vector<AnnotationList::Bucket> held = members_.buckets();
  members_.Clear();
  for (const AnnotationList::Bucket& b : held) b.thing->annotation().destroy();
}

// ---------------------------------------------------------------------------
// Members and bounds

bool GroupAnnotation::Add(PenThing* thing, const RECT* rect) {
  if (thing == nullptr || &thing->annotation() == this || !members_.Add(thing, rect)) return false;
  thing->annotation().setParent(getParent());
  computed_ = false;
  return true;
}

bool GroupAnnotation::Remove(PenThing* thing) {
  if (!members_.Remove(thing)) return false;
  computed_ = false;
  return true;
}

void GroupAnnotation::placeMembers() {
  for (const AnnotationList::Bucket& b : members_.buckets()) b.thing->SetBounds(scaler().ScaleRect(b.rect));
  members_.Invalidate();
}

void GroupAnnotation::GetBounds(RECT& r) {
  CalculateBounds();
  PenThing::GetBounds(r);
}

void GroupAnnotation::SetBounds(const RECT& r) {
  RECT b = r;
  PenScaler::Normalize(b);
  scaler().SetScaledRect(b);
  RECT box = boxAround(b);
  setRect(box, nullptr);
  rawRect(box);
  boundsSetFor(box);
  computed_ = true;
  placeMembers();
}

void GroupAnnotation::LockScale() {
  RECT u;
  members_.Invalidate();  // members may have been moved one by one
  if (!members_.CalculateListBounds(u)) return;
  // Each member's place becomes its bounds: the group is at scale 1:1.
  const std::vector<AnnotationList::Bucket> held = members_.buckets();
  members_.Clear();
  for (const AnnotationList::Bucket& b : held) members_.Add(b.thing, nullptr);
  scaler().SetNormalRect(u);
  SetBounds(u);
}

void GroupAnnotation::CalculateBounds() {
  if (computed_) return;
  computed_ = true;
  RECT u;
  if (!members_.CalculateListBounds(u)) return;
  scaler().SetScaledRect(u);
  RECT box = boxAround(u);
  setRect(box, nullptr);
  rawRect(box);
  boundsSetFor(box);
}

// ---------------------------------------------------------------------------
// The record and the group text

GroupAnnotation* GroupAnnotation::make(GraphicWindow* window, KM_Annotation& record, HDC hdc) {
  return makeFromRecord<GroupAnnotation>(window, record, hdc);
}

LONG GroupAnnotation::saveOn(KMEsrap& w) {
  std::unique_ptr<char[]> text;
  const int made = allocateAndSerialize(text);
  if (made != 0) return made;
  return writeRecord(w, 'g', text.get());
}

int GroupAnnotation::allocateAndSerialize(std::unique_ptr<char[]>& text) {
  return serializeInto(text, BufferSize, "PenGroup", [this](char* buffer, std::size_t size) { return SerializeGroup(buffer, size); });
}

int GroupAnnotation::SerializeGroup(char* buffer, std::size_t size) {
  const RECT& n = scaler().GetNormalRect();
  int at = print(buffer, size, 0, "(%d,%d,%d,%d ", n.left, n.top, n.right, n.bottom);
  if (at < 0) return -1;
  for (const AnnotationList::Bucket& b : members_.buckets()) {
    if (static_cast<std::size_t>(at) + TailRoom >= size) break;
    RECT box;
    b.thing->annotation().rawRect(box);
    const RECT& r = b.rect;
    const int k = print(buffer, size, at, "%c%d,%d,%d,%d,%d,%d,%d,%d,%d ", b.thing->isGroup() ? 'G' : 'P',
                        b.thing->annotation().id(), box.left, box.top, box.right, box.bottom, r.left, r.top, r.right,
                        r.bottom);
    if (k < 0) return -1;
    at += k;
    const int t = b.thing->serialize(buffer + at, size - at);
    if (t < 0) return -1;
    at += t;
  }
  const int k = print(buffer, size, at, ") ");
  return k < 0 ? -1 : at + k;
}

std::size_t GroupAnnotation::DeSerializeGroup(const char* text, std::size_t length) {
  return readGroup(text, std::min(length, MaxRead), 0);
}

std::size_t GroupAnnotation::readGroup(const char* text, std::size_t length, int depth) {
  if (text == nullptr || length == 0 || text[0] != '(') return 0;
  std::size_t pos = 1;
  Token t;
  LONG v[9];
  if (peekToken(text, length, pos, t)) {
    if (readNumbers(t, v, 4) == 4) scaler().SetNormalRect({v[0], v[1], v[2], v[3]});
    pos = t.end;
  }
  GraphicWindow* w = getParent();
  while (pos < length) {
    const char c = text[pos++];
    if (c == ')') break;
    if (c != 'G' && c != 'P') continue;
    // The member's token follows the letter directly.
    if (pos >= length || text[pos] == ' ' || !peekToken(text, length, pos, t) || readNumbers(t, v, 9) != 9) continue;
    pos = t.end;
    const RECT box = boxOf(v + 1);
    const RECT place = {v[5], v[6], v[7], v[8]};
    if (c == 'G') {
      if (depth + 1 > MaxDepth) {
        pos = pos < length && text[pos] == '(' ? skipGroup(text, length, pos) : pos;
        continue;
      }
      auto* g = new GroupAnnotation(w, v[0], box.left, box.top, box.right, box.bottom, nullptr, 0);
      pos += g->readGroup(text + pos, length - pos, depth + 1);
      Add(g, &place);
    } else {
      auto* s = new PenStroke(w, v[0], box.left, box.top, box.right, box.bottom, nullptr, 0);
      pos += s->DeSerializePoints(text + pos, length - pos);
      Add(s, &place);
    }
  }
  RECT box;
  rawRect(box);
  scaler().SetScaledRect(box);
  boundsSetFor(box);
  computed_ = true;
  return pos;
}

// ---------------------------------------------------------------------------
// Drawing and the menu

void GroupAnnotation::Draw(HDC hdc) {
  if (hdc == nullptr) return;
  RECT bounds;
  GetBounds(bounds);  // members follow the box first
  for (const AnnotationList::Bucket& b : members_.buckets()) b.thing->Draw(hdc);
}

void GroupAnnotation::invert(HDC hdc) {
  RECT r;
  rect(r);
  if (hdc != nullptr) ::InvertRect(hdc, &r);
}

int GroupAnnotation::inkReach() const {
  int reach = 0;
  for (const AnnotationList::Bucket& b : members_.buckets()) reach = std::max(reach, b.thing->inkReach());
  return reach;
}

int GroupAnnotation::boundingRect(RECT& r) const {
  const int status = Annotation::boundingRect(r);
  if (members_.Count() > 0) addInk(r);
  return status;
}

void GroupAnnotation::draw(TDC& dc, int force) {
  Annotation::draw(dc, force);
  if ((state() & ContentsHidden) || (!force && !isPaintable())) return;
  Draw(dc.GetHDC());
  if (master() != nullptr) DrawExtensions(dc.GetHDC());
}

void GroupAnnotation::setParent(GraphicWindow* parent) {
  Annotation::setParent(parent);
  for (const AnnotationList::Bucket& b : members_.buckets()) b.thing->annotation().setParent(parent);
}

HMENU GroupAnnotation::createPopup() {
  HMENU m = Annotation::createPopup();
  appendPenItems(m);
  return m;
}

void GroupAnnotation::handleMessage(GMessage& msg) {
  if (!penCommand(msg)) Annotation::handleMessage(msg);
}

// ---------------------------------------------------------------------------
// Invariants

int GroupAnnotation::depthBelow(int limit) const {
  int deepest = 0;
  for (const AnnotationList::Bucket& b : members_.buckets()) {
    const auto* g = dynamic_cast<const GroupAnnotation*>(&b.thing->annotation());
    if (g == nullptr) continue;
    deepest = std::max(deepest, limit > 0 ? 1 + g->depthBelow(limit - 1) : 1);
    if (deepest > limit) break;
  }
  return deepest;
}

bool GroupAnnotation::invariantsHold() const {
  if (!Annotation::invariantsHold() || !scaler().invariantsHold() || !members_.invariantsHold()) return false;
  GraphicWindow* w = getParent();
  for (const AnnotationList::Bucket& b : members_.buckets()) {
    const Annotation& a = b.thing->annotation();
    if (a.getParent() != w) return false;
    if (w != nullptr) {
      const auto& listed = w->sensitiveGraphics();
      if (std::find(listed.begin(), listed.end(), &a) != listed.end()) return false;
    }
  }
  return depthBelow(MaxDepth) <= MaxDepth;
}
