// Header information of NXL link files.
#include "core/nxl_file_info.h"

NXLFileInfo::~NXLFileInfo() = default;
