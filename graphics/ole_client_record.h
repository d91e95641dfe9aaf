// The client record an embedded-object box hands to the library: the
// library's callback table first (so the library sees an OLECLIENT), then the
// box it belongs to. Every notification the library sends goes to the box.
#ifndef GRAPHICS_OLE_CLIENT_RECORD_H
#define GRAPHICS_OLE_CLIENT_RECORD_H

#include "platform/ole/ole_types.h"

class OleBox;

struct OLEClient : OLECLIENT {
  explicit OLEClient(OleBox* owner);
  OleBox* box;  // not owned: the box owns this record
  // The callback of the table: hands the notification to the box; 1.
  static int CallBack(OLECLIENT* client, OLE_NOTIFICATION notification, LPOLEOBJECT object);
};

#endif  // GRAPHICS_OLE_CLIENT_RECORD_H
