// The pen part that pen strokes and pen groups share: the mapping of their ink
// into the annotation's box (a PenScaler whose scaled rectangle is the
// thing's bounds), the slave half through which an idea symbol can carry the
// ink in place of its label, the "&Auto Size" command, and what reading and
// writing their compact texts have in common.
//
// The bounds follow the box: when the box was moved or resized since the
// bounds were last set (a drag, a handle, a master centring its slave), the
// bounds are mapped from the old box into the new one before they are used.
//
// The texts are cut into tokens at blanks; a token is at most MaxToken (255)
// characters. A token holds integers separated by commas and is read as a
// C "%d,%d,..." scan would read it: each integer may have a sign, a value
// beyond 32 bits is held at the nearest 32-bit value, and reading stops at the
// first character that does not fit the pattern. Which tokens make a stroke
// text and a group text is drawn in pen_stroke.h and group_annotation.h.
#ifndef GRAPHICS_PEN_THING_H
#define GRAPHICS_PEN_THING_H

#include <cstddef>
#include <memory>
#include <new>

#include "graphics/g_message.h"
#include "graphics/g_node_slave.h"
#include "graphics/pen_scaler.h"
#include "platform/win/menu.h"

class Annotation;
class KMEsrap;
class GraphicWindow;
struct KM_Annotation;

class PenThing : public GNodeSlave {
 public:
  static constexpr int CmAutoSize = 274;
  static constexpr std::size_t MaxToken = 255;
  // A box around bounds: 6 units to the left and top, 7 to the right and
  // bottom (the pen tool's margin around the points it recorded).
  static constexpr int MarginBefore = 6;
  static constexpr int MarginAfter = 7;

  virtual bool isGroup() const = 0;
  // The annotation this is the pen part of.
  virtual Annotation& annotation() = 0;
  virtual const Annotation& annotation() const = 0;
  // The scaled rectangle, where the ink is shown.
  virtual void GetBounds(RECT& r);
  virtual void SetBounds(const RECT& r) = 0;
  // Scale 1:1: the bounds keep their top-left corner and take the normal
  // rectangle's width and height.
  virtual void SetOriginalSize();
  // Draws the ink (not the box).
  virtual void Draw(HDC hdc) = 0;
  // How far the ink's pen reaches past the bounds.
  virtual int inkReach() const = 0;
  // The decorations of a pen annotation carried by an idea symbol: none.
  virtual void DrawExtensions(HDC) {}
  // Writes the thing's text (a stroke text or a group text) into `buffer`
  // with its terminating NUL: the characters written, or -1 when it does not
  // fit into `size` bytes.
  virtual int serialize(char* buffer, std::size_t size) = 0;

  PenScaler& scaler() { return scaler_; }
  const PenScaler& scaler() const { return scaler_; }
  static RECT boxAround(const RECT& bounds);

  // ---- Reading the texts ----
  struct Token {
    const char* text;
    std::size_t length;
    std::size_t end;  // where reading goes on after it (past one blank)
  };
  // The token at or after `pos` (leading blanks skipped); false at the end of
  // the text or when the token is longer than MaxToken. Nothing is consumed.
  static bool peekToken(const char* text, std::size_t length, std::size_t pos, Token& token);
  // Scans up to `n` comma-separated integers; the number read.
  static int readNumbers(const Token& token, LONG* out, int n);
  // Prints at offset `at` of a buffer of `size` bytes: the characters
  // written, or -1 when they (with the NUL) do not fit.
  static int print(char* buffer, std::size_t size, std::size_t at, const char* format, ...)
      __attribute__((format(printf, 4, 5)));

 protected:
  // Maps the bounds into the box when the box changed since they were set.
  void followBox();
  // The bounds as followBox would make them, without keeping them.
  RECT followedBounds() const;
  // Widens `r` (a bounding rectangle) to take in the ink.
  void addInk(RECT& r) const;
  // Records the box the bounds now belong to.
  void boundsSetFor(const RECT& box);
  // Run after followBox moved the bounds (a group places its members).
  virtual void boundsFollowed() {}

  // The common half of reading an annotation record: the id (a fresh one
  // when none is stored), the box (defaults for absent edges, held within the
  // coordinate limit, normalised) and the data text with its length.
  static void recordDetails(GraphicWindow* window, const KM_Annotation& record, LONG& id, RECT& box,
                            const char*& text, std::size_t& length);
  // The rest: style flags, the window, tethers, layout, the master; the page's
  // modified state as it was before (`wasModified`).
  void finishMake(GraphicWindow* window, KM_Annotation& record, HDC hdc, int wasModified);
  // The whole of reading a record into a new T (a stroke or a group, made
  // from its id, box and data text); null without a window.
  template <class T>
  static T* makeFromRecord(GraphicWindow* window, KM_Annotation& record, HDC hdc) {
    if (window == nullptr) return nullptr;
    LONG id;
    RECT box;
    const char* text;
    std::size_t length;
    recordDetails(window, record, id, box, text, length);
    const int wasModified = modifiedState(window);
    T* made = new T(window, id, box.left, box.top, box.right, box.bottom, text, length);
    made->finishMake(window, record, hdc, wasModified);
    return made;
  }
  // Writes the data text into a new buffer of `size` by `serialize` (which
  // gives a negative count when the text does not fit); 0, or -2 (no memory)
  // or -1 (too small) with the report naming `what` ("Pen", "PenGroup").
  template <class Serialize>
  static int serializeInto(std::unique_ptr<char[]>& text, std::size_t size, const char* what, Serialize serialize) {
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
    if (buffer == nullptr) {
      reportSaveFailure("Internal error... Unable to allocate storage. Unable to save %s annotation", what);
      return -2;
    }
    if (serialize(buffer.get(), size) < 0) {
      reportSaveFailure("Internal error... %s annotation buffer too small. Unable to save", what);
      return -1;
    }
    text = std::move(buffer);
    return 0;
  }
  static void reportSaveFailure(const char* format, const char* what);
  static int modifiedState(GraphicWindow* window);
  // Writes the annotation's record of kind `kind` ('p', 'g') with its data
  // `text`: its box, style flags, tethers and master. The writer's result.
  LONG writeRecord(KMEsrap& w, char kind, const char* text);
  // The pen items of the menu and their command; true when handled.
  static void appendPenItems(HMENU menu);
  bool penCommand(GMessage& msg);

 private:
  PenScaler scaler_;
  RECT followedBox_ = {0, 0, 0, 0};
};

#endif  // GRAPHICS_PEN_THING_H
