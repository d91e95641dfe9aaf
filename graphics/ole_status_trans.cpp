// The status names (see ole_status_trans.h), in the order of the codes.
#include "graphics/ole_status_trans.h"

#include "platform/ole/ole_types.h"

namespace {

const char* const kNames[] = {
    "OLE_OK",
    "OLE_WAIT_FOR_RELEASE",
    "OLE_BUSY",
    "OLE_ERROR_PROTECT_ONLY",
    "OLE_ERROR_MEMORY",
    "OLE_ERROR_STREAM",
    "OLE_ERROR_STATIC",
    "OLE_ERROR_BLANK",
    "OLE_ERROR_DRAW",
    "OLE_ERROR_METAFILE",
    "OLE_ERROR_ABORT",
    "OLE_ERROR_CLIPBOARD",
    "OLE_ERROR_FORMAT",
    "OLE_ERROR_OBJECT",
    "OLE_ERROR_OPTION",
    "OLE_ERROR_PROTOCOL",
    "OLE_ERROR_ADDRESS",
    "OLE_ERROR_NOT_EQUAL",
    "OLE_ERROR_HANDLE",
    "OLE_ERROR_GENERIC",
    "OLE_ERROR_CLASS",
    "OLE_ERROR_SYNTAX",
    "OLE_ERROR_DATATYPE",
    "OLE_ERROR_PALETTE",
    "OLE_ERROR_NOT_LINK",
    "OLE_ERROR_NOT_EMPTY",
    "OLE_ERROR_SIZE",
    "OLE_ERROR_DRIVE",
    "OLE_ERROR_NETWORK",
    "OLE_ERROR_NAME",
    "OLE_ERROR_TEMPLATE",
    "OLE_ERROR_NEW",
    "OLE_ERROR_EDIT",
    "OLE_ERROR_OPEN",
    "OLE_ERROR_NOT_OPEN",
    "OLE_ERROR_LAUNCH",
    "OLE_ERROR_COMM",
    "OLE_ERROR_TERMINATE",
    "OLE_ERROR_COMMAND",
    "OLE_ERROR_SHOW",
    "OLE_ERROR_DOVERB",
    "OLE_ERROR_ADVISE_NATIVE",
    "OLE_ERROR_ADVISE_PICT",
    "OLE_ERROR_ADVISE_RENAME",
    "OLE_ERROR_POKE_NATIVE",
    "OLE_ERROR_REQUEST_NATIVE",
    "OLE_ERROR_REQUEST_PICT",
    "OLE_ERROR_SERVER_BLOCKED",
    "OLE_ERROR_REGISTRATION",
    "OLE_ERROR_ALREADY_REGISTERED",
    "OLE_ERROR_TASK",
    "OLE_ERROR_OUTOFDATE",
    "OLE_ERROR_CANT_UPDATE_CLIENT",
    "OLE_ERROR_UPDATE",
    "OLE_ERROR_SETDATA_FORMAT",
    "OLE_ERROR_STATIC_FROM_OTHER_OS",
};
static_assert(sizeof kNames / sizeof kNames[0] == OLE_ERROR_STATIC_FROM_OTHER_OS + 1, "one name per code");

}  // namespace

const char* OleStatusTrans::Trans(int status) {
  if (status == OLE_WARN_DELETE_DATA) return "OLE_WARN_DELETE_DATA";
  if (status >= 0 && status <= OLE_ERROR_STATIC_FROM_OTHER_OS) return kNames[status];
  return "Not a Status Message";
}
