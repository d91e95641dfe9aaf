// A pen group: strokes (and nested groups) drawn close together in space and
// time, gathered into one annotation that is selected, moved and resized as
// one. Each member keeps its place in the group's normal coordinates; when the
// group's bounds change, every member is given its place mapped through the
// group's scaler, so the members stretch with the group. The group owns its
// members; they are not on the window's lists. Its box is hidden when it is
// made; its constructors ask for the creation sound.
//
// Group text (the data of a 'g' record), read and written recursively:
//   FIELD       FORMAT                           CONTENTS
//   open        "("
//   rectangle   "%d,%d,%d,%d "                   the group's normal rectangle
//   member      "G" or "P"                       a nested group or a stroke,
//               "%ld,%d,%d,%d,%d,%d,%d,%d,%d "   then its annotation id, its
//                                                box (left, top, right,
//                                                bottom) and its place in
//                                                the group (left, top, right,
//                                                bottom),
//               group text or stroke text        its own text (pen_stroke.h)
//   close       ") "
// Example: an empty group: "(0,0,10,10 ) ".
// Writing: into a buffer of BufferSize (65536) bytes; members are written
// while fewer than size - 20 characters have been written.
// Reading: the first character must be "("; then ")" ends the group, "G" and
// "P" start a member, and any other character is skipped. A member token that
// lacks one of its nine numbers makes no member. The text ends the reading
// too (an unclosed group keeps the members read), and at most MaxRead (65536)
// characters of it are read. A group nested more than MaxDepth levels deep is
// skipped whole, to its matching parenthesis. After the reading the bounds are
// the box.
//
// Invariants (checked by invariantsHold, with those of Annotation):
// 1. Every member is the pen part of an annotation of the group's window that
//    is on none of the window's lists; no member is listed twice.
// 2. Members nest at most MaxDepth levels deep.
// 3. The scaler's invariants hold.
#ifndef GRAPHICS_GROUP_ANNOTATION_H
#define GRAPHICS_GROUP_ANNOTATION_H

#include <memory>

#include "graphics/annotation.h"
#include "graphics/annotation_list.h"
#include "graphics/pen_thing.h"

struct KM_Annotation;

class GroupAnnotation : public Annotation, public PenThing {
 public:
  static constexpr std::size_t BufferSize = 65536;
  static constexpr std::size_t MaxRead = 65536;
  static constexpr std::size_t TailRoom = 20;
  static constexpr int MaxDepth = 32;

  // The members read from the group text of `length` characters when there
  // is one (null: none).
  GroupAnnotation(GraphicWindow* window, LONG id, int left, int top, int right, int bottom, const char* text,
                  std::size_t length);
  // Destroys the members.
  ~GroupAnnotation() override;

  // The group an annotation record describes, as PenStroke::make does.
  static GroupAnnotation* make(GraphicWindow* window, KM_Annotation& record, HDC hdc);
  // The 'g' record; as PenStroke::saveOn.
  LONG saveOn(KMEsrap& w) override;
  // The group text in a fresh buffer of BufferSize bytes: 0, -2 or -1 (both
  // reported).
  int allocateAndSerialize(std::unique_ptr<char[]>& text);
  // Characters written (without the NUL), or -1 when the text does not fit.
  int SerializeGroup(char* buffer, std::size_t size);
  // Characters consumed (0 when the text does not start with "(").
  std::size_t DeSerializeGroup(const char* text, std::size_t length);

  // Takes `thing` (owned from now on) as a member at `rect` (null: its
  // current bounds); the bounds are computed again. False when already held.
  bool Add(PenThing* thing, const RECT* rect = nullptr);
  // Gives `thing` back to the caller; false when it is not a member.
  bool Remove(PenThing* thing);
  const AnnotationList& members() const { return members_; }

  bool isGroup() const override { return true; }
  Annotation& annotation() override { return *this; }
  const Annotation& annotation() const override { return *this; }
  void GetBounds(RECT& r) override;
  // The bounds become `r`, the box `r` grown, each member goes to its place.
  void SetBounds(const RECT& r) override;
  // Scale 1:1: normal rectangle and bounds become the union of the members'
  // bounds (each member's place its bounds), the box that union grown.
  virtual void LockScale();
  // When not done since the last change: bounds = the union of the members'
  // bounds, the box that union grown.
  virtual void CalculateBounds();
  // Draws every member's ink.
  void Draw(HDC hdc) override;
  int serialize(char* buffer, std::size_t size) override { return SerializeGroup(buffer, size); }
  // The widest reach of the members' ink.
  int inkReach() const override;
  virtual void invert(HDC hdc);

  // The box and the members' ink.
  int boundingRect(RECT& r) const override;
  void draw(TDC& dc, int force) override;
  void setParent(GraphicWindow* parent) override;
  HMENU createPopup() override;
  void handleMessage(GMessage& msg) override;
  bool invariantsHold() const override;
  void classInvarient(const char* file, int line) const override { Annotation::classInvarient(file, line); }

 protected:
  void boundsFollowed() override { placeMembers(); }

 private:
  std::size_t readGroup(const char* text, std::size_t length, int depth);
  // Gives every member its place mapped through the scaler.
  void placeMembers();
  // Levels of members below this group (0 without nested groups), counted no
  // further than `limit`.
  int depthBelow(int limit) const;

  AnnotationList members_;
  bool computed_ = false;
};

#endif  // GRAPHICS_GROUP_ANNOTATION_H
