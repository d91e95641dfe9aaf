// The new page dialog (see new_node_dialog.h).
#include "core/new_node_dialog.h"

#include "core/node.h"

NewNodeDialog::NewNodeDialog(TWindow* parent, Nexil& app, DB& db, const char* name, const char* kind)
    : NodeDialog(parent, nullptr, app, "NEWNODE"), db_(db), hasKind_(kind != nullptr) {
  Title = "New page";
  initialName_ = String(name != nullptr ? name : "");
  initialType_ = String(kind != nullptr ? kind : "");
}

void NewNodeDialog::SetupWindow() {
  NodeDialog::SetupWindow();
  if (!hasKind_) setDefaultType(db_);
}

Node* NewNodeDialog::createNode(const String& name, const String& type) {
  return new Node(nullptr, &db_, name, type, app_);
}
