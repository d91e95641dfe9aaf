// One embedded object as the client library holds it: its saved form (class,
// names, native data, presentation), the protocol it was made for, the client
// record and document it belongs to, and what its last asynchronous call left
// pending. Callers see only its handle (LPOLEOBJECT) and reach it through the
// calls of platform/ole/ole_client.h; a handle that the library no longer
// holds is answered OLE_ERROR_OBJECT, never followed.
//
// Life cycle: made by OleCreate, OleLoadFromStream, OleClone or
// OleCreateFromClip; an activation or a close leaves it busy until the
// release status has been asked once (OLE_BUSY, then OLE_OK); OleRelease or
// OleDelete ends it.
#ifndef PLATFORM_OLE_OLE_OBJECT_H
#define PLATFORM_OLE_OLE_OBJECT_H

#include <string>

#include "platform/ole/ole_object_stream.h"
#include "platform/ole/ole_types.h"

class OleObject {
 public:
  OleObjectImage image;
  bool isStatic = false;  // made for the "Static" protocol: drawn only
  std::string name;
  LPOLECLIENT client = nullptr;  // not owned
  LHCLIENTDOC document = 0;
  std::string hostClient;  // from OleSetHostNames
  std::string hostObject;
  bool open = false;  // activated and not closed since
  int pending = 0;    // release-status questions still answered OLE_BUSY
};

#endif  // PLATFORM_OLE_OLE_OBJECT_H
