// Test support: catches what the libraries report through error() while it
// lives, so that tests check the reported messages word for word.
#ifndef TESTS_MAPTEXT_ERROR_CAPTURE_H
#define TESTS_MAPTEXT_ERROR_CAPTURE_H

#include <string>
#include <vector>

#include "kit/error.h"

namespace maptext_test {

class ErrorCapture : public ErrorHandler {
 public:
  ErrorCapture() : previous(ErrorHandler::applicationHandler()) {
    ErrorHandler::setApplicationHandler(this);
  }
  ~ErrorCapture() override { ErrorHandler::setApplicationHandler(previous); }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  int handleError(char kind, const char* text) override {
    messages.push_back(std::string(1, kind) + "|" + text);
    return 0;
  }

  // Each message as "<kind>|<text>".
  std::vector<std::string> messages;

 private:
  ErrorHandler* previous;
};

}  // namespace maptext_test

#endif  // TESTS_MAPTEXT_ERROR_CAPTURE_H
