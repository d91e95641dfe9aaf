// The new page dialog (dialog resource "NEWNODE"): the page attributes dialog
// for a page to be made in a given book, whose type list and default type come
// from that book.
#ifndef CORE_NEW_NODE_DIALOG_H
#define CORE_NEW_NODE_DIALOG_H

#include "core/node_dialog.h"

class NewNodeDialog : public NodeDialog {
 public:
  // A page for `db` (not owned), starting with `name` and `kind` (null: empty
  // name, the book's default type).
  NewNodeDialog(TWindow* parent, Nexil& app, DB& db, const char* name, const char* kind);

  void SetupWindow() override;
  // Makes the page in the dialog's book.
  Node* createNode(const String& name, const String& type) override;

 protected:
  DB* typeBook() override { return &db_; }

 private:
  DB& db_;
  bool hasKind_;
};

#endif  // CORE_NEW_NODE_DIALOG_H
