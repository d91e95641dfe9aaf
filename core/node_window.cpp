// The page window base: owning the page and forwarding page commands to it.
#include "core/node_window.h"

#include "core/nexil.h"
#include "core/node.h"
#include "core/node_ref.h"

NodeWindow::NodeWindow(Nexil& app, const char* name, const char* kind) {
  node_ = new Node(this, app.currentDB(), String(name != nullptr ? name : ""),
                   String(kind != nullptr ? kind : ""), app);
  SetCaption(node_->name().c_str());
}

NodeWindow::NodeWindow(Node* node) : node_(node) {
  if (node_ != nullptr) {
    node_->window(this);
    SetCaption(node_->name().c_str());
  }
}

NodeWindow::~NodeWindow() { destroyNode(); }

void NodeWindow::classInvarient(const char*, int) {}

void NodeWindow::destroyNode() {
  Node* n = node_;
  node_ = nullptr;
  if (n != nullptr) {
    n->window(nullptr);
    delete n;
  }
}

NodeRef* NodeWindow::nodeRef() const { return node_ != nullptr ? node_->nodeRef() : nullptr; }

const char* NodeWindow::name() const { return node_ != nullptr ? node_->name().c_str() : nullptr; }

DB* NodeWindow::db() const { return node_ != nullptr ? node_->db() : nullptr; }

ULONG NodeWindow::uid() const { return node_ != nullptr ? node_->uid() : 0; }

int NodeWindow::save() {
  if (node_ == nullptr || saving_) return -1;
  saving_ = true;
  const int rc = node_->save(application(), 0);
  saving_ = false;
  return rc;
}

int NodeWindow::saveConditional() {
  if (node_ == nullptr || node_->readOnly()) return 0;
  return save();
}

bool NodeWindow::readOnly() const { return node_ != nullptr && node_->readOnly(); }

void NodeWindow::setReadOnly(int on) {
  if (node_ != nullptr) node_->setReadOnly(on);
}

bool NodeWindow::isModified() const { return node_ != nullptr && node_->isModified(); }

void NodeWindow::setModified(int on) {
  if (node_ != nullptr) node_->setModified(on);
}

int NodeWindow::CMFileSave() { return node_ != nullptr ? node_->save(application(), 1) : -1; }

int NodeWindow::CMDeleteNode() { return node_ != nullptr ? node_->deleteNode(application()) : -1; }

int NodeWindow::CMAttributes() {
  return node_ != nullptr ? node_->edit(nullptr, application()) : -1;
}
