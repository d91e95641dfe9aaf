// The page attributes dialog (dialog resource "NODEATTRIBUTES"): a name field
// and a content-type list. Over an existing page it renames the page and sets
// its type; without one it makes a new page in the application's current book.
//
// Controls: 101 the name (edit, 256 characters), 102 the content type (combo
// box, 256 characters, listing the book's types), OK and Cancel.
//
// OK (processOk):
//   1. A name made only of white space is refused ("Node name field must not be
//      blank"); the dialog stays open.
//   2. Without a page, createNode(name, type) makes one.
//   3. With a page whose stored name or type differs from the fields, the entry
//      is renamed in the book, the page takes the new name and the name field
//      shows the stored name. A page whose name and type are unchanged leaves
//      the book untouched. A book that refuses the change keeps the dialog open.
//   4. A changed content type is set on the page.
#ifndef CORE_NODE_DIALOG_H
#define CORE_NODE_DIALOG_H

#include <memory>

#include "core/dialog_layout.h"
#include "kit/string.h"
#include "platform/owl/t_control.h"
#include "platform/owl/t_dialog.h"

class DB;
class Nexil;
class Node;

class NodeDialog : public TDialog {
 public:
  enum Control { IdName = 101, IdType = 102 };
  static const int NameLimit = 256;
  static const int TypeLimit = 256;

  // Edits `node` (not owned), or makes a new page when it is null.
  NodeDialog(TWindow* parent, Node* node, Nexil& app, const char* resourceName = "NODEATTRIBUTES");
  ~NodeDialog() override;

  void SetupWindow() override;
  void CmOk() override;
  // The steps above; false when the dialog stays open.
  virtual bool processOk();
  // Makes the new page in the application's current book; null when there is
  // no book to make it in.
  virtual Node* createNode(const String& name, const String& type);

  // Fills the type list with the types `db` offers.
  void setTypeList(DB& db);
  // Shows `db`'s default type, when it has one.
  void setDefaultType(DB& db);

  // The page edited or made (null before a page is made; after releaseNode,
  // the page the caller now owns).
  Node* node() const { return node_; }
  // Hands over the page the dialog made (the caller owns it); null when it
  // made none.
  Node* releaseNode();

 protected:
  // The book whose types the list shows: the page's, else the current book.
  virtual DB* typeBook();
  // The initial name and type of a page to be made.
  String initialName_;
  String initialType_;
  Nexil& app_;

 private:
  // Shows `type` in the type list, selecting it when listed.
  void showType(const String& type);

  Node* node_;                  // edited (not owned) or made (owned by made_)
  DialogLayout layout_{this};
  std::unique_ptr<Node> made_;
  std::unique_ptr<TEdit> name_;
  std::unique_ptr<TComboBox> type_;
  std::unique_ptr<TButton> ok_;
  std::unique_ptr<TButton> cancel_;
};

#endif  // CORE_NODE_DIALOG_H
