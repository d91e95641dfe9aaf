// Reader target: the saved form of embedded objects and the metafile player.
// The input is read as an object; one that reads is written again, and what
// is written must read back and write again to the same bytes (the written
// form is the object's own: a name is kept up to its first NUL and always
// written with one, so other inputs may differ from it only there); then its
// presentation is drawn. The
// input is also played as a metafile picture. Reading never crashes, hangs or
// takes room the input cannot fill; anything else is a finding (abort).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/ole/metafile_player.h"
#include "platform/ole/ole_client.h"
#include "platform/ole/ole_object_stream.h"
#include "platform/win/windows_gdi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static LHCLIENTDOC doc = [] {
    LHCLIENTDOC d = 0;
    OleRegisterClientDoc("Fuzz", "fuzz", 0, &d);
    return d;
  }();
  HDC hdc = CreateMetaFile(nullptr);
  const RECT target{0, 0, 300, 200};

  OleMemoryStream in(data, size);
  OleObjectImage image;
  if (readOleObject(&in, image) == OLE_OK) {
    std::vector<uint8_t> out, twice;
    OleMemoryStream written(&out);
    OleObjectImage reread;
    bool same = writeOleObject(&written, image) == OLE_OK;
    if (same) {
      OleMemoryStream back(out.data(), out.size());
      OleMemoryStream rewritten(&twice);
      same = readOleObject(&back, reread) == OLE_OK && back.pos == out.size() &&
             writeOleObject(&rewritten, reread) == OLE_OK && twice == out;
    }
    if (!same) {
      std::fprintf(stderr, "an object read from %zu bytes does not read back as it was written\n", in.pos);
      std::abort();
    }
    OleMemoryStream again(data, size);
    LPOLEOBJECT object = nullptr;
    if (OleLoadFromStream(&again, "Static", nullptr, doc, "fuzz", &object) == OLE_OK) {
      OleDraw(object, hdc, &target, nullptr, nullptr);
      RECT bounds;
      OleQueryBounds(object, &bounds);
      OleRelease(object);
    }
  }
  MetafilePicture picture{data, size, 0, 0};
  playMetafilePicture(hdc, picture, target);
  DeleteMetaFile(CloseMetaFile(hdc));
  return 0;
}
