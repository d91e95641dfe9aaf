// The base of pages and links in memory.
#include "core/component.h"

Component::~Component() = default;

int Component::verify(Nexil&) { return 0; }
