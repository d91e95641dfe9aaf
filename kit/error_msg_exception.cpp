// ErrorMsgException: the message every exception of the family carries, its
// description and the line it reports through the error channel.
#include "kit/error_msg_exception.h"

#include "kit/error.h"

ErrorMsgException::ErrorMsgException(const char* message)
    : message_(message != nullptr ? message : "") {}

ErrorMsgException::~ErrorMsgException() = default;

void ErrorMsgException::report(HWND window, char kind) const {
  // "<kind text>: <message>", or "<kind text>." when there is no message.
  const bool hasMessage = !message_.empty();
  error(window, kind, "%s%s%s", kindText(), hasMessage ? ": " : ".", message_.c_str());
}

const char* ErrorMsgException::message() const { return message_.c_str(); }

std::string ErrorMsgException::description() const {
  std::string text(kindText());
  if (!message_.empty()) {
    text += ": ";
    text += message_;
  }
  return text;
}

const char* ErrorMsgException::what() const noexcept { return message_.c_str(); }
