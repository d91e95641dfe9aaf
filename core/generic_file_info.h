// The header information of any member of the map text family: a file that
// starts with its own signature line and a body whose first part is the map
// text section header (major author, names, authors, comments, extensions).
// GenericFileInfo is the map text file information (maptext/km_file_info.h) with
// the file signature added; each member of the family says which signature it
// carries. It is a virtual base shared by a member's reader and writer, so that a
// file read through a translator is written back with the same header.
#ifndef CORE_GENERIC_FILE_INFO_H
#define CORE_GENERIC_FILE_INFO_H

#include "maptext/km_file_info.h"

class GenericFileInfo : public virtual KMFileInfo {
 public:
  explicit GenericFileInfo(const char* appTag) : KMFileInfo(appTag) {}
  ~GenericFileInfo() override;

  // The file signature: the text the signature line starts with.
  virtual const char* signature() const = 0;
};

#endif  // CORE_GENERIC_FILE_INFO_H
