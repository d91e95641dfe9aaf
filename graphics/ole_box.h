// An embedded-object box: an annotation that holds an object of another
// program (a picture, a document, a sound) through the embedded-object client
// library (platform/ole/ole_client.h), draws its presentation inside the box
// and hands it to its server to be edited or played. It can also be the
// slave of an idea symbol, drawn in place of the symbol's label.
//
// Its record in the page's map text is the annotation record of kind 'o'
// (0x6F) whose data is the object's saved form (platform/ole/ole_object_stream.h),
// and whose extra value is the master's number (0x80000000 for none).
//
// Life cycle:
//   made (from a record: the saved form is kept in `data`)
//     -> SetupWindow: client document registered, client record made, the
//        object loaded from `data` for "StdFileEditing", or for "Static" when
//        its server refuses that protocol; loaded, `data` freed (kept when
//        the object does not load, so that saving writes it back unchanged)
//     -> commands (new, paste, undo, activate ...) replace `object`; the one
//        before is kept as `backup` for undo
//     -> CloseCurrentOle / destruction: object and backup released.
//
// Context menu: the annotation's, then a submenu "&Edit" with "&Undo\tAlt+BkSp",
// a separator, "&Cut\tShift+Del", "C&opy\tCtrl+Ins", "&Paste\tShift+Ins",
// "C&lear All\tCtrl+Del", a separator, "&New Object", then "&Play\tLeftDblClk"
// and "&Edit" for an object that can be played, or "&Edit\tLeftDblClk"; and
// "&Auto Size" at the end of the main menu.
//
// Messages (kind 'W' unless noted): "OLE error %s (%d)" for a status other
// than 0 (its name from OleStatusTrans); "Invalid OLE object" when drawing
// finds the object gone; "Cannot alloc memory for %lu byte OLE object",
// "Cannot get size of OLE object", "OLE object write exceeds expected size"
// and "OLE object read exceeds expected size" (kind 'E').
#ifndef GRAPHICS_OLE_BOX_H
#define GRAPHICS_OLE_BOX_H

#include <memory>

#include "graphics/annotation.h"
#include "graphics/g_node_slave.h"
#include "graphics/ole_client_record.h"
#include "platform/ole/ole_types.h"

struct KM_Annotation;

class OleBox : public Annotation, public GNodeSlave {
 public:
  static constexpr int NameSize = 260;
  enum Command : int {
    CmUndo = 0x5F01,
    CmCut = 0x5F02,
    CmCopy = 0x5F03,
    CmPaste = 0x5F04,
    CmClear = 0x5F06,
    CmNew = 0x10D,
    CmActivateExecute = 0xFE,
    CmActivateEdit = 0xFF,
    CmAutoSize = 0x112,
  };
  static constexpr const char* DefaultDocumentName = "C:\\Nexil.ole";
  // The most release-status questions asked while an object is busy.
  static constexpr int MaxReleaseWaits = 10000;

  // A box with the given geometry; `data` (size bytes, copied) is the
  // object's saved form, to be loaded at SetupWindow.
  OleBox(GraphicWindow* window, LONG id, int left, int top, int right, int bottom, const void* data, ULONG size);
  ~OleBox() override;

  // The box an annotation record of kind 'o' describes, added to `window` with
  // its tethers and master and set up; drawn on `hdc`, or at the next paint
  // without one. Null without a window. Reading does not mark the page modified.
  static OleBox* make(GraphicWindow* window, KM_Annotation& record, HDC hdc);
  // The 'o' record with the object's saved form; the writer's result, or -1
  // with nothing written when the object cannot be saved.
  LONG saveOn(KMEsrap& w) override;

  // Registers the client document, makes the client record and loads the
  // kept data.
  void SetupWindow();
  void RegFileName(const char* name);
  bool canPlay();

  void draw(TDC& dc, int force) override;
  HMENU createPopup() override;
  void handleMessage(GMessage& msg) override;
  void WMLButtonDblClk(GMessage& msg) override;

  void CMUndo();
  void CMCut();
  void CMCopy();
  void CMPaste();
  void CMClear();
  void CMNew();
  void CMActivateExecute();
  void CMActivateEdit();
  void sizeToObject();
  void BackupObject();
  void CloseCurrentOle();
  // A notification from the library; 1.
  int notify(OLE_NOTIFICATION notification, LPOLEOBJECT object);

  // ---- What the box holds (for its callers and tests) ----
  LPOLEOBJECT object() const { return object_; }
  LPOLEOBJECT backup() const { return backup_; }
  const char* objectName() const { return objName_; }
  const char* previousName() const { return prevName_; }
  const char* documentName() const { return docName_; }
  LONG status() const { return status_; }
  int loaded() const { return loaded_; }
  // The saved form kept until set-up (null once loaded).
  const uint8_t* data() const { return data_.get(); }
  ULONG dataSize() const { return dataSize_; }

 protected:
  GraphicWindow* slaveWindow() const override { return getParent(); }

 private:
  // Reports `s` unless it is 0; returns it.
  LONG report(LONG s);
  // After an asynchronous call: waits while the object answers busy; reports
  // what is left (OLE_OK and OLE_ERROR_OBJECT are not reported).
  LONG waitForRelease(LONG s, LPOLEOBJECT object);
  void nextObjectName();
  bool writable() const;
  // Loads the kept data for `protocol`; the status.
  OLESTATUS loadData(const char* protocol);
  // Releases object and backup without drawing.
  void releaseAll();
  void drawFigure(HDC hdc);

  static LONG objectCounter_;

  LONG status_ = 0;
  LHCLIENTDOC clientDoc_ = 0;
  char docName_[NameSize];
  LONG objectValid_ = 0;
  char objName_[NameSize];
  char prevName_[NameSize];
  std::unique_ptr<OLEClient> client_;
  LONG loaded_ = 0;
  LONG reserved_ = 0;
  LPOLEOBJECT object_ = nullptr;  // owned through the library: released by the box
  LPOLEOBJECT backup_ = nullptr;  // likewise
  std::unique_ptr<uint8_t[]> data_;
  ULONG dataSize_ = 0;
};

#endif  // GRAPHICS_OLE_BOX_H
