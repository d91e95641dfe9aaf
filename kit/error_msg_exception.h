// The base of every exception that crosses a library boundary. Each exception
// keeps a heap copy of its message (possibly empty) and reports a fixed kind text;
// its description is the kind text alone when the message is empty, else the kind
// text, ": " and the message. Store exceptions derive from it in the store, hash
// stream exceptions in the hash stream, and the reference-counting ones here in
// the kit.
#ifndef KIT_ERROR_MSG_EXCEPTION_H
#define KIT_ERROR_MSG_EXCEPTION_H

#include <exception>
#include <string>

#include "platform/windows_types.h"

class ErrorMsgException : public std::exception {
 public:
  explicit ErrorMsgException(const char* message);
  ~ErrorMsgException() override;
  ErrorMsgException(const ErrorMsgException&) = default;
  ErrorMsgException& operator=(const ErrorMsgException&) = default;

  // Passes one line to the error function with the given owner window and kind:
  // the kind text, then ": " and the message, or "." when there is no message
  // ("Bad handle: Out-of-range handle ...", "Bad stream.").
  virtual void report(HWND window, char kind) const;
  // The message text ("" when none).
  virtual const char* message() const;
  // The kind text combined with the message, as described above.
  virtual std::string description() const;
  // The fixed kind text of the concrete class.
  virtual const char* kindText() const = 0;

  // std::exception: the message text.
  const char* what() const noexcept override;

 private:
  std::string message_;
};

// Declares an exception class `name` deriving from `base` with a fixed kind text.
// Abstract members of the family are declared by hand.
#define TVX_DECLARE_EXCEPTION(name, base, kind)                         \
  class name : public base {                                           \
   public:                                                             \
    explicit name(const char* message = "") : base(message) {}         \
    const char* kindText() const override { return kind; }             \
  }

#endif  // KIT_ERROR_MSG_EXCEPTION_H
