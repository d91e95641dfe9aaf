// The main window's side of a page window (see page_host.h).
#include "graphics/page_host.h"

PageHost::~PageHost() = default;
