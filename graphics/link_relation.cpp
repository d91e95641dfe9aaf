// The link box's relation to a destination (see link_relation.h).
#include "graphics/link_relation.h"

LinkRelation::~LinkRelation() = default;
