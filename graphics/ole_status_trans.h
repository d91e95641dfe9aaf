// Names of the embedded-object library's status codes, for messages: the name
// each code has in the library ("OLE_OK" for 0 ... "OLE_ERROR_STATIC_FROM_OTHER_OS"
// for 0x37, "OLE_WARN_DELETE_DATA" for 1000), and "Not a Status Message" for any
// other value.
#ifndef GRAPHICS_OLE_STATUS_TRANS_H
#define GRAPHICS_OLE_STATUS_TRANS_H

class OleStatusTrans {
 public:
  static const char* Trans(int status);
};

#endif  // GRAPHICS_OLE_STATUS_TRANS_H
