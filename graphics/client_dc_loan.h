// A device context borrowed from a graphic window for the length of a scope:
// the window's lent client context (getClientHDC), given back on leaving the
// scope. Without a window, or without a window handle, it holds none.
#ifndef GRAPHICS_CLIENT_DC_LOAN_H
#define GRAPHICS_CLIENT_DC_LOAN_H

#include "graphics/graphic_window.h"

class ClientDCLoan {
 public:
  explicit ClientDCLoan(GraphicWindow* window) : window_(window) {
    if (window_ != nullptr && window_->HWindow != nullptr) hdc_ = window_->getClientHDC();
  }
  ~ClientDCLoan() {
    if (hdc_ != nullptr) window_->releaseClientHDC();
  }
  ClientDCLoan(const ClientDCLoan&) = delete;
  ClientDCLoan& operator=(const ClientDCLoan&) = delete;
  HDC get() const { return hdc_; }

 private:
  GraphicWindow* window_;
  HDC hdc_ = nullptr;
};

#endif  // GRAPHICS_CLIENT_DC_LOAN_H
