// The embedded-object client calls: what a container document calls to
// create, load, save, draw, size, copy, activate and close the objects it
// embeds. Every call returns a status (platform/ole/ole_types.h) and checks its
// handles: a handle the library does not hold gives OLE_ERROR_OBJECT (objects)
// or OLE_ERROR_HANDLE (client documents).
//
// Servers. The programs that edit objects are named in the "embedding" section
// of the profile: one key per class name, whose value is a comma-separated
// list (description, program, presentation format ...). A class with an entry
// can be created and loaded for the "StdFileEditing" protocol; one whose
// entry has the field "play" also takes "StdExecute". A class without an entry
// loads only for "Static" (drawn, never activated). Activation hands the
// object's native data to the desktop (Desktop::openObject), which stands for
// the server.
//
// A host whose desktop stands for every server (the command-line tool, which
// writes an activated object to a file) says so with OleSetDesktopServes:
// then every class takes "StdFileEditing" and none plays.
//
// Clipboard. OleCopyToClipboard puts the formats "OwnerLink" (class, topic
// and item, each ended by a NUL, and one more NUL), "Native" (the native data;
// for a linked object "ObjectLink" in place of "OwnerLink") and, for a
// device-independent bitmap presentation, CF_DIB. OleCreateFromClip makes an
// embedded object from "OwnerLink" and "Native" (and CF_DIB when there).
//
// Asynchronous calls. OleActivate and OleClose of an open object return
// OLE_WAIT_FOR_RELEASE; OleQueryReleaseStatus then answers OLE_BUSY once and
// OLE_OK after. Every other call finishes before it returns.
#ifndef PLATFORM_OLE_OLE_CLIENT_H
#define PLATFORM_OLE_OLE_CLIENT_H

#include "platform/ole/ole_types.h"
#include "platform/win/windows_gdi.h"

OLESTATUS OleRegisterClientDoc(const char* className, const char* docName, LONG reserved, LHCLIENTDOC* doc);
OLESTATUS OleRevokeClientDoc(LHCLIENTDOC doc);

// A new, blank object of `className` (no native data, no presentation yet).
OLESTATUS OleCreate(const char* protocol, LPOLECLIENT client, const char* className, LHCLIENTDOC doc,
                    const char* objName, LPOLEOBJECT* object, OLEOPT_RENDER render, OLECLIPFORMAT format);
// Reads an object from `stream`. For "StdFileEditing" a static object or a
// class without a server gives OLE_ERROR_PROTOCOL (nothing is made); "Static"
// takes any object and keeps all of its saved form.
OLESTATUS OleLoadFromStream(LPOLESTREAM stream, const char* protocol, LPOLECLIENT client, LHCLIENTDOC doc,
                            const char* objName, LPOLEOBJECT* object);
OLESTATUS OleSaveToStream(LPOLEOBJECT object, LPOLESTREAM stream);
// The bytes OleSaveToStream writes.
OLESTATUS OleQuerySize(LPOLEOBJECT object, DWORD* size);
// Draws the presentation into `bounds` (logical units of `hdc`); `wbounds`,
// the drawing surface's extent, and `formatDC` are accepted and not needed.
// A blank object gives OLE_ERROR_BLANK, a presentation that cannot be shown
// OLE_ERROR_DRAW, a damaged metafile OLE_ERROR_METAFILE.
OLESTATUS OleDraw(LPOLEOBJECT object, HDC hdc, const RECT* bounds, const RECT* wbounds, HDC formatDC);
// The presentation's extent in hundredths of a millimetre: (0, 0, width, -height).
OLESTATUS OleQueryBounds(LPOLEOBJECT object, RECT* bounds);
OLESTATUS OleClone(LPOLEOBJECT object, LPOLECLIENT client, LHCLIENTDOC doc, const char* objName,
                   LPOLEOBJECT* clone);
// Verb OLEVERB_PRIMARY plays an object that takes "StdExecute"; any other
// verb edits it. A static object gives OLE_ERROR_STATIC.
OLESTATUS OleActivate(LPOLEOBJECT object, UINT verb, BOOL show, BOOL takeFocus, HWND hwnd, const RECT* bounds);
OLESTATUS OleClose(LPOLEOBJECT object);
// Ends the object (the handle is no longer valid).
OLESTATUS OleRelease(LPOLEOBJECT object);
OLESTATUS OleDelete(LPOLEOBJECT object);
OLESTATUS OleQueryReleaseStatus(LPOLEOBJECT object);
// Non-null when the object takes `protocol`.
void* OleQueryProtocol(LPOLEOBJECT object, const char* protocol);
OLESTATUS OleSetHostNames(LPOLEOBJECT object, const char* client, const char* clientObject);
OLESTATUS OleRename(LPOLEOBJECT object, const char* name);
OLESTATUS OleCopyToClipboard(LPOLEOBJECT object);
OLESTATUS OleQueryCreateFromClip(const char* protocol, OLEOPT_RENDER render, OLECLIPFORMAT format);
OLESTATUS OleCreateFromClip(const char* protocol, LPOLECLIENT client, LHCLIENTDOC doc, const char* objName,
                            LPOLEOBJECT* object, OLEOPT_RENDER render, OLECLIPFORMAT format);

// Whether the desktop serves every class (see above); false at start.
void OleSetDesktopServes(bool serves);

// The class name of an object (empty for a bad handle).
const char* OleQueryClassName(LPOLEOBJECT object);

#endif  // PLATFORM_OLE_OLE_CLIENT_H
