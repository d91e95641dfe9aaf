// The page attributes dialog (see node_dialog.h).
#include "core/node_dialog.h"

#include <cctype>
#include <cstring>
#include <string>

#include "core/book_types.h"
#include "core/db.h"
#include "core/nexil.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "kit/error.h"
#include "platform/owl/control_classes.h"

namespace {

bool isBlank(const std::string& text) {
  for (unsigned char c : text)
    if (!std::isspace(c)) return false;
  return true;
}

}  // namespace

NodeDialog::NodeDialog(TWindow* parent, Node* node, Nexil& app, const char* resourceName)
    : TDialog(parent, resourceName),
      app_(app),
      node_(node),
      name_(new TEdit(this, IdName, NameLimit)),
      type_(new TComboBox(this, IdType, TypeLimit)),
      ok_(new TButton(this, IDOK)),
      cancel_(new TButton(this, IDCANCEL)) {
  Title = "Page attributes";
  ok_->Title = "OK";
  cancel_->Title = "Cancel";
  layout_.row("Name", name_.get());
  layout_.row("Content type", type_.get());
  layout_.buttons(ok_.get(), cancel_.get());
}

NodeDialog::~NodeDialog() {
  if (HWindow != nullptr) TWindow::Destroy(IDCANCEL);
}

DB* NodeDialog::typeBook() {
  if (node_ != nullptr && node_->db() != nullptr) return node_->db();
  return app_.currentDB();
}

void NodeDialog::SetupWindow() {
  TDialog::SetupWindow();
  DialogLayout::fit(*this);
  if (DB* db = typeBook()) setTypeList(*db);
  name_->SetText(node_ != nullptr ? node_->name().c_str() : initialName_.c_str());
  showType(node_ != nullptr ? node_->kind() : initialType_);
}

void NodeDialog::setTypeList(DB& db) {
  type_->ClearList();
  for (const String& name : nodeTypeNames(db)) type_->AddString(name.c_str());
}

void NodeDialog::setDefaultType(DB& db) {
  const String type = defaultNodeType(db);
  if (type.length() != 0) showType(type);
}

void NodeDialog::showType(const String& type) {
  for (int i = 0, n = type_->GetCount(); i < n; ++i) {
    if (type_->GetString(i) == type.c_str()) {
      type_->SetSelIndex(i);
      return;
    }
  }
  type_->SetText(type.c_str());
}

void NodeDialog::CmOk() {
  if (processOk()) TDialog::CmOk();
}

bool NodeDialog::processOk() {
  const std::string nameText = DialogLayout::fieldText(HWindow, IdName, NameLimit);
  if (isBlank(nameText)) {
    error(HWindow, 'E', "Node name field must not be blank");
    return false;
  }
  const String name(nameText.c_str());
  const String type(DialogLayout::fieldText(HWindow, IdType, TypeLimit).c_str());

  if (node_ == nullptr) {
    made_.reset(createNode(name, type));
    node_ = made_.get();
    return true;
  }

  // The stored entry decides whether anything changed, so that a page whose
  // name and type are kept is not written at all.
  String storedName = node_->name();
  String storedType = node_->kind();
  if (DB* db = node_->db()) db->lookupName_Type_Flags(node_->uid(), &storedName, &storedType, nullptr);
  if (name != storedName || type != storedType) {
    if (node_->readOnly()) {
      node_->rename(name);  // refused with its warning; the book stays as it is
    } else {
      if (node_->nodeRef()->rename(&name, &type, nullptr) != 0) return false;
      node_->rename(name);
      String shown = name;
      if (DB* db = node_->db()) db->lookupName_Type_Flags(node_->uid(), &shown, nullptr, nullptr);
      name_->SetText(shown.c_str());
    }
  }
  if (type != node_->kind()) node_->kind(&type);
  return true;
}

Node* NodeDialog::createNode(const String& name, const String& type) {
  DB* db = app_.currentDB();
  if (db == nullptr) return nullptr;
  return new Node(nullptr, db, name, type, app_);
}

Node* NodeDialog::releaseNode() {
  return made_.release();
}
