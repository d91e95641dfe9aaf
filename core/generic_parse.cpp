// The shared header productions of the map text family.
#include "core/generic_parse.h"

GenericParse::GenericParse(const char* appTag, const char* path)
    : KMFileInfo(appTag), GenericFileInfo(appTag), MapRead(appTag, path) {}

GenericParse::GenericParse(const char* appTag, std::istream* in)
    : KMFileInfo(appTag), GenericFileInfo(appTag), MapRead(appTag, in) {}

GenericParse::GenericParse(const char* appTag)
    : KMFileInfo(appTag), GenericFileInfo(appTag), MapRead(appTag) {}

GenericParse::~GenericParse() = default;

int GenericParse::CMFileHeader(KM_FileHeader&) { return 1; }
