// The header information of an NXL link file: the shared family header plus
// the link section's version and name. An NXL file lists links by their end
// references; its signature is "#NXL&^#".
#ifndef CORE_NXL_FILE_INFO_H
#define CORE_NXL_FILE_INFO_H

#include <memory>

#include "core/generic_file_info.h"
#include "platform/windows_types.h"

class NXLFileInfo : public virtual GenericFileInfo {
 public:
  static constexpr const char* SIGNATURE = "#NXL&^#";

  explicit NXLFileInfo(const char* appTag) : KMFileInfo(appTag), GenericFileInfo(appTag) {}
  ~NXLFileInfo() override;

  const char* signature() const override { return SIGNATURE; }

  // The link section's version as read (0 until one is read).
  LONG linkSectionVersion = 0;
  // The link section's name as read, or null.
  std::unique_ptr<char[]> linkSectionName;
};

#endif  // CORE_NXL_FILE_INFO_H
