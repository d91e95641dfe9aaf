// Pages in memory: state, saving, deleting, showing and renaming.
#include "core/node.h"

#include <cstdio>

#include <memory>

#include "core/db.h"
#include "core/new_node_dialog.h"
#include "core/nexil.h"
#include "core/nexil_window.h"
#include "core/node_dialog.h"
#include "core/node_window.h"
#include "kit/error.h"
#include "kit/error_msg_exception.h"
#include "platform/system/desktop.h"
#include "platform/owl/t_application.h"
#include "platform/owl/t_rect.h"
#include "platform/win/windows_gdi.h"

namespace {

// The style bit of a minimised window (the platform's value).
const DWORD kMinimizedStyle = 0x20000000u;

}  // namespace

Node::Node(NodeWindow* w, DB* db, const String& name, const String& kind, Nexil&)
    : Component(new NodeRef()), window_(w), kind_(kind) {
  if (db == nullptr) {
    setBit(Invalid, 1);
    return;
  }
  // Only the state bit here: the window is still being made.
  if (db->isReadOnly()) setBit(ReadOnly, 1);
  try {
    const ULONG id = db->createNode(name, kind, 0);
    setRef(new NodeRef(db, id));
  } catch (const ErrorMsgException& e) {
    error(nullptr, 'E', "Internal error... Node::Node: uncaught exception");
    e.report(nullptr, 'E');
    setBit(Invalid, 1);
  }
}

Node::Node(NodeWindow* w, const NodeRef& r, const String& kind, Nexil&)
    : Component(new NodeRef(r)), window_(w), kind_(kind) {
  if (r.db() != nullptr && r.db()->isReadOnly()) setBit(ReadOnly, 1);
}

Node::~Node() {
  if (window_ != nullptr) {
    NodeWindow* w = window_;
    window_ = nullptr;
    w->releaseNode();
    w->Destroy();
  }
}

Node* Node::make(NexilWindow* parent, Nexil& app, DB* db, const char* name, const char* kind) {
  if (db == nullptr) return nullptr;
  NewNodeDialog dialog(parent, app, *db, name, kind);
  if (dialog.Execute() != IDOK) return nullptr;
  std::unique_ptr<Node> made(dialog.releaseNode());
  if (made == nullptr || made->isInvalid() || made->verify(app) < 0) return nullptr;
  return made.release();
}

const String& Node::name() const {
  static const String none("");
  return nodeRef() != nullptr ? nodeRef()->name() : none;
}

void Node::nodeRef(const NodeRef* r) {
  if (r == nullptr || r == nodeRef()) return;
  setRef(new NodeRef(*r));
}

int Node::save(Nexil& app, int force) {
  if (!force && !isModified()) return 1;
  if (readOnly()) {
    error(nullptr, 'W', "Cannot save node %s: Node is read only", name().c_str());
    return -1;
  }
  const int rc = nodeRef()->saveNode(*this, app);
  if (rc == 0) {
    setModified(0);
    setBit(Saved, 1);
  }
  return rc;
}

void Node::setReadOnly(int on) {
  Component::setReadOnly(on);
  if (on && window_ != nullptr) window_->attach(nullptr);
}

int Node::verify(Nexil& app) {
  int rc = nodeRef()->verify(app, nullptr);
  if (window_ != nullptr && !String(window_->GetCaption()).isEqual(name())) rc = 2;
  if (rc != 0) {
    if (window_ != nullptr) window_->SetCaption(name().c_str());
    setModified(1);
  }
  return rc;
}

int Node::display(TRect* r) {
  if (window_ == nullptr) {
    error(nullptr, 'E', "display requested on node '%s' without a window", name().c_str());
    return 0;
  }
  if (window_->HWindow == nullptr) {
    // A page window not made yet is made as a document child of its frame.
    const bool documentChild =
        (window_->Attr.Style & WS_CHILD) != 0 && window_->GetParentO() != nullptr;
    if (!documentChild) {
      error(nullptr, 'E', "Cannot create a non-TMDIChild window");
      return 0;
    }
    if (r != nullptr) {
      window_->Attr.X = r->left;
      window_->Attr.Y = r->top;
      window_->Attr.W = r->Width();
      window_->Attr.H = r->Height();
    }
    return window_->Create() ? 1 : 0;
  }
  if (r != nullptr) window_->MoveWindow(*r, true);
  window_->SetWindowPos(HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if ((window_->GetStyle() & kMinimizedStyle) != 0) window_->Show(SW_RESTORE);
  if (!window_->IsWindowVisible()) window_->Show(SW_SHOW);
  return 1;
}

const String& Node::kind(const String* k) {
  if (k != nullptr) {
    if (readOnly()) {
      error(nullptr, 'W', "Cannot change the content type of a read-only locked node");
    } else {
      kind_ = *k;
    }
  }
  return kind_;
}

int Node::deleteNode(Nexil& app) {
  if (readOnly()) {
    error(nullptr, 'W', "Cannot delete a read-only locked node");
    return 3;
  }
  char question[400];
  std::snprintf(question, sizeof question, "Do you really want to delete page \"%s\" from the book?",
                name().c_str());
  const HWND owner = window_ != nullptr ? window_->HWindow : nullptr;
  if (MessageBox(owner, question, "Page Deletion Confirmation", MB_OKCANCEL | MB_ICONQUESTION) !=
      IDOK)
    return 1;
  setReadOnly(1);
  if (nodeRef()->deleteNode(app) == 0) {
    if (window_ != nullptr) window_->Destroy();
    return 0;
  }
  setReadOnly(0);
  return 2;
}

int Node::edit(TApplication* a, Nexil& app) {
  // The dialog belongs to the main window when that shows pages, else to the
  // page's own window.
  TWindow* owner = a != nullptr ? dynamic_cast<NexilWindow*>(a->GetMainWindow()) : nullptr;
  if (owner == nullptr) owner = window_;
  NodeDialog dialog(owner, this, app);
  const int status = dialog.Execute();
  if (status == IDCANCEL) return 1;
  if (status == IDOK) {
    if (window_ != nullptr) window_->setModified(1);
    return 0;
  }
  error(nullptr, 'W', "Could not execute dialog box NodeEditDialog, status:%d", status);
  return 2;
}

void Node::rename(const String& newName) {
  if (readOnly()) {
    error(nullptr, 'W', "Cannot change the name of a read-only locked node");
    return;
  }
  if (window_ != nullptr) window_->SetCaption(newName.c_str());
  if (!nodeRef()->name().isEqual(newName)) nodeRef()->name(newName);
}

void Node::drawEnhancedNCArea() const {
  if (!readOnly() || window_ == nullptr || window_->HWindow == nullptr) return;
  HDC dc = GetWindowDC(window_->HWindow);
  if (dc == nullptr) return;
  const TRect outer = window_->GetWindowRect();
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, 0, 0, outer.Width(), outer.Height());
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  ReleaseDC(window_->HWindow, dc);
}
