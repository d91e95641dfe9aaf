// The plug-in's application object, one per process while the library is
// loaded, and the error hook of the plug-in: errors and fatal messages are
// shown as message boxes; warnings, information and progress go to the
// browser's status line of the instance whose window is the main window.
//
// It also makes the process-wide resources when the library is first attached
// (the clipboard formats, the cursors, the read-only glyph factory) and keeps
// the attach count.
#ifndef PLUGIN_NP_TAVIX_APP_H
#define PLUGIN_NP_TAVIX_APP_H

#include "kit/error.h"
#include "platform/owl/t_application.h"

class NPTavixApp : public TApplication, public ErrorHandler {
 public:
  NPTavixApp();
  ~NPTavixApp() override;

  // The hook's answer: 0 handled (sent to the status line), 1 show the box.
  int handleError(char kind, const char* text) override;

  // The library's attach and detach: the first attach makes the application
  // object and the resources; the last detach destroys the object.
  static void attach();
  static void detach();
  static NPTavixApp* instance();
  static int attachCount();
};

#endif  // PLUGIN_NP_TAVIX_APP_H
