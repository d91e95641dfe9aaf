// Header information of the map text family.
#include "core/generic_file_info.h"

GenericFileInfo::~GenericFileInfo() = default;
