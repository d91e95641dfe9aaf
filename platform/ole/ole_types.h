// The declarations of the small embedded-object client: the status codes every
// call returns, the client record a caller hands in (its table of callbacks,
// through which the library tells it about changes to an object), the stream
// record through which objects are loaded and saved (the caller's Get and Put
// callbacks: the library never sees where the bytes live), the handles of
// objects and client documents, and the option values the calls take.
//
// Status codes are the published ones, in their published order: OLE_OK is 0,
// each error after it one more, up to OLE_ERROR_STATIC_FROM_OTHER_OS (0x37);
// OLE_WARN_DELETE_DATA is 1000.
#ifndef PLATFORM_OLE_OLE_TYPES_H
#define PLATFORM_OLE_OLE_TYPES_H

#include "platform/windows_types.h"

enum OLESTATUS : int {
  OLE_OK = 0,
  OLE_WAIT_FOR_RELEASE,
  OLE_BUSY,
  OLE_ERROR_PROTECT_ONLY,
  OLE_ERROR_MEMORY,
  OLE_ERROR_STREAM,
  OLE_ERROR_STATIC,
  OLE_ERROR_BLANK,
  OLE_ERROR_DRAW,
  OLE_ERROR_METAFILE,
  OLE_ERROR_ABORT,
  OLE_ERROR_CLIPBOARD,
  OLE_ERROR_FORMAT,
  OLE_ERROR_OBJECT,
  OLE_ERROR_OPTION,
  OLE_ERROR_PROTOCOL,
  OLE_ERROR_ADDRESS,
  OLE_ERROR_NOT_EQUAL,
  OLE_ERROR_HANDLE,
  OLE_ERROR_GENERIC,
  OLE_ERROR_CLASS,
  OLE_ERROR_SYNTAX,
  OLE_ERROR_DATATYPE,
  OLE_ERROR_PALETTE,
  OLE_ERROR_NOT_LINK,
  OLE_ERROR_NOT_EMPTY,
  OLE_ERROR_SIZE,
  OLE_ERROR_DRIVE,
  OLE_ERROR_NETWORK,
  OLE_ERROR_NAME,
  OLE_ERROR_TEMPLATE,
  OLE_ERROR_NEW,
  OLE_ERROR_EDIT,
  OLE_ERROR_OPEN,
  OLE_ERROR_NOT_OPEN,
  OLE_ERROR_LAUNCH,
  OLE_ERROR_COMM,
  OLE_ERROR_TERMINATE,
  OLE_ERROR_COMMAND,
  OLE_ERROR_SHOW,
  OLE_ERROR_DOVERB,
  OLE_ERROR_ADVISE_NATIVE,
  OLE_ERROR_ADVISE_PICT,
  OLE_ERROR_ADVISE_RENAME,
  OLE_ERROR_POKE_NATIVE,
  OLE_ERROR_REQUEST_NATIVE,
  OLE_ERROR_REQUEST_PICT,
  OLE_ERROR_SERVER_BLOCKED,
  OLE_ERROR_REGISTRATION,
  OLE_ERROR_ALREADY_REGISTERED,
  OLE_ERROR_TASK,
  OLE_ERROR_OUTOFDATE,
  OLE_ERROR_CANT_UPDATE_CLIENT,
  OLE_ERROR_UPDATE,
  OLE_ERROR_SETDATA_FORMAT,
  OLE_ERROR_STATIC_FROM_OTHER_OS,
  OLE_WARN_DELETE_DATA = 1000,
};
static_assert(OLE_ERROR_PROTOCOL == 0x0F && OLE_ERROR_OBJECT == 0x0D && OLE_ERROR_STATIC_FROM_OTHER_OS == 0x37,
              "status codes keep their published values");

// What the library tells a client about one of its objects.
enum OLE_NOTIFICATION : int {
  OLE_CHANGED = 0,
  OLE_SAVED,
  OLE_CLOSED,
  OLE_RENAMED,
  OLE_QUERY_PAINT,
  OLE_RELEASE,
  OLE_QUERY_RETRY,
};

// How a new object is to be presented.
enum OLEOPT_RENDER : int { olerender_none = 0, olerender_draw, olerender_format };

typedef WORD OLECLIPFORMAT;
// A registered client document (0: none).
typedef LONG LHCLIENTDOC;

class OleObject;  // platform/ole/ole_object.h
typedef OleObject* LPOLEOBJECT;

struct OLECLIENT;
struct OLECLIENTVTBL {
  // Called for every notification; the client's answer (1 to go on).
  int (*CallBack)(OLECLIENT* client, OLE_NOTIFICATION notification, LPOLEOBJECT object);
};
// The caller's client record; the caller owns it and keeps it alive as long as
// any object made with it.
struct OLECLIENT {
  OLECLIENTVTBL* lpvtbl;
};
typedef OLECLIENT* LPOLECLIENT;

struct OLESTREAM;
struct OLESTREAMVTBL {
  // Copies up to `size` bytes of the stream into `buffer`: the number copied;
  // fewer than asked (0 included) means the stream refused or ended.
  DWORD (*Get)(OLESTREAM* stream, void* buffer, DWORD size);
  // Takes `size` bytes: the number taken; fewer than given means refused.
  DWORD (*Put)(OLESTREAM* stream, const void* buffer, DWORD size);
};
struct OLESTREAM {
  OLESTREAMVTBL* lpstbl;
};
typedef OLESTREAM* LPOLESTREAM;

// Verbs of OleActivate.
enum : UINT { OLEVERB_PRIMARY = 0, OLEVERB_EDIT = 1 };

#endif  // PLATFORM_OLE_OLE_TYPES_H
