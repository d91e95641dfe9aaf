// The plug-in interface's records and codes: each field sits where the browser
// puts it (natural alignment, declaration order, pointer width of the build) and
// each code has its published value.
#include <cstddef>

#include <gtest/gtest.h>

#include "platform/npapi/np_function_tables.h"
#include "platform/npapi/np_types.h"

namespace {

const std::size_t P = sizeof(void*);

std::size_t alignUp(std::size_t n, std::size_t a) { return (n + a - 1) / a * a; }

TEST(NpLayout, RecordFieldsSitWhereTheBrowserPutsThem) {
  struct Row {
    const char* what;
    std::size_t expected;
    std::size_t actual;
  };
  const Row rows[] = {
      {"NPP_t.ndata", P, offsetof(NPP_t, ndata)},
      {"sizeof NPRect", 8, sizeof(NPRect)},
      {"NPRect.right", 6, offsetof(NPRect, right)},
      {"NPWindow.x", P, offsetof(NPWindow, x)},
      {"NPWindow.height", P + 12, offsetof(NPWindow, height)},
      {"NPWindow.clipRect", P + 16, offsetof(NPWindow, clipRect)},
      {"sizeof NPWindow", alignUp(P + 24, P), sizeof(NPWindow)},
      {"NPStream.url", 2 * P, offsetof(NPStream, url)},
      {"NPStream.end", 3 * P, offsetof(NPStream, end)},
      {"NPStream.lastmodified", 3 * P + 4, offsetof(NPStream, lastmodified)},
      {"NPSavedData.buf", P, offsetof(NPSavedData, buf)},
      {"sizeof NPSavedData", 2 * P, sizeof(NPSavedData)},
      {"NPByteRange.next", alignUp(8, P), offsetof(NPByteRange, next)},
      {"NPFullPrint.printOne", 1, offsetof(NPFullPrint, printOne)},
      {"NPFullPrint.platformPrint", P, offsetof(NPFullPrint, platformPrint)},
      {"NPEmbedPrint.platformPrint", sizeof(NPWindow), offsetof(NPEmbedPrint, platformPrint)},
      {"NPPrint.print", P, offsetof(NPPrint, print)},
      {"NPPluginFuncs.version", 2, offsetof(NPPluginFuncs, version)},
      {"NPPluginFuncs.newp", alignUp(4, P), offsetof(NPPluginFuncs, newp)},
      {"NPPluginFuncs.print", alignUp(4, P) + 8 * P, offsetof(NPPluginFuncs, print)},
      {"NPPluginFuncs.event", alignUp(4, P) + 9 * P, offsetof(NPPluginFuncs, event)},
      {"sizeof NPPluginFuncs", alignUp(4, P) + 10 * P, sizeof(NPPluginFuncs)},
      {"NPNetscapeFuncs.geturl", alignUp(4, P), offsetof(NPNetscapeFuncs, geturl)},
      {"NPNetscapeFuncs.status", alignUp(4, P) + 6 * P, offsetof(NPNetscapeFuncs, status)},
      {"NPNetscapeFuncs.memalloc", alignUp(4, P) + 8 * P, offsetof(NPNetscapeFuncs, memalloc)},
      {"NPNetscapeFuncs.reloadplugins", alignUp(4, P) + 11 * P,
       offsetof(NPNetscapeFuncs, reloadplugins)},
      {"sizeof NPNetscapeFuncs", alignUp(4, P) + 12 * P, sizeof(NPNetscapeFuncs)},
  };
  for (const Row& r : rows) EXPECT_EQ(r.expected, r.actual) << r.what;
  if (P == 4) {
    EXPECT_EQ(static_cast<std::size_t>(NP_PLUGINFUNCS_SIZE_V06), sizeof(NPPluginFuncs));
    EXPECT_EQ(static_cast<std::size_t>(NP_NETSCAPEFUNCS_SIZE_V06), sizeof(NPNetscapeFuncs));
    EXPECT_EQ(8u, sizeof(NPSavedData));
  }
}

TEST(NpLayout, CodesHaveTheirPublishedValues) {
  struct Row {
    const char* what;
    long expected;
    long actual;
  };
  const Row rows[] = {
      {"NPERR_NO_ERROR", 0, NPERR_NO_ERROR},
      {"NPERR_GENERIC_ERROR", 1, NPERR_GENERIC_ERROR},
      {"NPERR_INVALID_INSTANCE_ERROR", 2, NPERR_INVALID_INSTANCE_ERROR},
      {"NPERR_INVALID_FUNCTABLE_ERROR", 3, NPERR_INVALID_FUNCTABLE_ERROR},
      {"NPERR_MODULE_LOAD_FAILED_ERROR", 4, NPERR_MODULE_LOAD_FAILED_ERROR},
      {"NPERR_OUT_OF_MEMORY_ERROR", 5, NPERR_OUT_OF_MEMORY_ERROR},
      {"NPERR_INVALID_PLUGIN_ERROR", 6, NPERR_INVALID_PLUGIN_ERROR},
      {"NPERR_INVALID_PLUGIN_DIR_ERROR", 7, NPERR_INVALID_PLUGIN_DIR_ERROR},
      {"NPERR_INCOMPATIBLE_VERSION_ERROR", 8, NPERR_INCOMPATIBLE_VERSION_ERROR},
      {"NPERR_INVALID_PARAM", 9, NPERR_INVALID_PARAM},
      {"NPERR_INVALID_URL", 10, NPERR_INVALID_URL},
      {"NPERR_FILE_NOT_FOUND", 11, NPERR_FILE_NOT_FOUND},
      {"NPERR_NO_DATA", 12, NPERR_NO_DATA},
      {"NPERR_STREAM_NOT_SEEKABLE", 13, NPERR_STREAM_NOT_SEEKABLE},
      {"NPRES_DONE", 0, NPRES_DONE},
      {"NPRES_NETWORK_ERR", 1, NPRES_NETWORK_ERR},
      {"NPRES_USER_BREAK", 2, NPRES_USER_BREAK},
      {"NP_EMBED", 1, NP_EMBED},
      {"NP_FULL", 2, NP_FULL},
      {"NP_NORMAL", 1, NP_NORMAL},
      {"NP_SEEK", 2, NP_SEEK},
      {"NP_ASFILE", 3, NP_ASFILE},
      {"NP_ASFILEONLY", 4, NP_ASFILEONLY},
      {"NP_MAXREADY", 0x7FFFFFFFL, static_cast<long>(NP_MAXREADY)},
      {"NP_VERSION_MAJOR", 0, NP_VERSION_MAJOR},
      {"NP_VERSION_MINOR", 6, NP_VERSION_MINOR},
      {"sizeof NPError", 2, static_cast<long>(sizeof(NPError))},
      {"sizeof NPBool", 1, static_cast<long>(sizeof(NPBool))},
  };
  for (const Row& r : rows) EXPECT_EQ(r.expected, r.actual) << r.what;
}

}  // namespace
