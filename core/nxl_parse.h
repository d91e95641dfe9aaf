// The NXL link file reader. An NXL file is a member of the map text family (same
// tokens, same signature line and section header, see core/generic_parse.h) whose
// body holds one link section:
//
//   file     = "#NXL&^#" int body                  -- signature up to a blank
//   body     = "(B" header "," links ")"           -- header as in map text
//   links    = "(L" int "," [int] "," [str] "," {link} ")"
//                                                  -- version, count (ignored), name
//   link     = "(l" int "," [str] "," [int] "," [str] "," [int] ")"
//
// Each link object read whole goes to CMLinkObject as an NXL_Link record: the
// link section's version, the id, then the two texts and numbers in file order
// (absent texts are null, absent numbers KM_ABSENT). What the texts and numbers
// mean is the user's business.
//
// Status codes and texts are the map text parser's: -2 "Bad signature", -3 "Bad
// version number", -6 "Expected separator", -8 "Expected close paren", -12
// "Expected integer", ...; a missing link section leaves status 1 inside the
// body, which a complete body turns into 0.
//
// Hostile input: the grammar has a fixed depth; every loop over link objects
// ends at the first token that does not open one and each object consumes at
// least its opening token, so the input's length bounds the walk. Texts are as
// long as the tokens that arrived.
#ifndef CORE_NXL_PARSE_H
#define CORE_NXL_PARSE_H

#include <istream>

#include "core/generic_parse.h"
#include "core/nxl_file_info.h"
#include "platform/windows_types.h"

// One link object as read.
struct NXL_Link {
  LONG version;       // the link section's version
  LONG id;
  const char* text1;  // null when absent
  LONG number1;       // KM_ABSENT when absent
  const char* text2;
  LONG number2;
};

class NXLParse : public GenericParse, public virtual NXLFileInfo {
 public:
  NXLParse(const char* appTag, const char* path);
  NXLParse(const char* appTag, std::istream* in);
  explicit NXLParse(const char* appTag);
  ~NXLParse() override;

  // The handler for link objects (the texts live only during the call).
  virtual int CMLinkObject(NXL_Link& link);

  // The whole file: the signature line with "#NXL&^#", then the body.
  LONG readFile();
  LONG readBody();
  LONG readLinkSection();
  LONG readLinkObject();
};

#endif  // CORE_NXL_PARSE_H
