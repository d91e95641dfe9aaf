// The page reference dialog (see node_ref_dialog.h).
#include "core/node_ref_dialog.h"

#include <cstdio>

#include "core/db.h"
#include "core/nexil.h"
#include "core/node_ref.h"
#include "kit/error.h"
#include "platform/owl/control_classes.h"

NodeRefDialog::NodeRefDialog(TWindow* parent, NodeRef& ref, Nexil& app)
    : TDialog(parent, "OpenCreateNode"),
      ref_(ref),
      app_(app),
      bookList_(new TListBox(this, IdBooks)),
      pageList_(new TListBox(this, IdPages)),
      browse_(new TButton(this, IdBrowse)),
      ok_(new TButton(this, IDOK)),
      cancel_(new TButton(this, IDCANCEL)) {
  Title = "Open page";
  browse_->Title = "Browse...";
  ok_->Title = "OK";
  cancel_->Title = "Cancel";
  layout_.row("Book", bookList_.get(), 4 * DialogLayout::RowHeight);
  layout_.row("Page", pageList_.get(), 6 * DialogLayout::RowHeight);
  layout_.wide(browse_.get());
  layout_.buttons(ok_.get(), cancel_.get());
}

NodeRefDialog::~NodeRefDialog() {
  if (HWindow != nullptr) TWindow::Destroy(IDCANCEL);
}

void NodeRefDialog::SetupWindow() {
  TDialog::SetupWindow();
  DialogLayout::fit(*this);
  UpdateDBNames();
}

void NodeRefDialog::UpdateDBNames() {
  app_.openDBs(books_);
  bookList_->ClearList();
  int chosen = books_.empty() ? -1 : 0;
  for (std::size_t i = 0; i < books_.size(); ++i) {
    bookList_->AddString(books_[i]->bookName().c_str());
    if (books_[i] == ref_.db()) chosen = static_cast<int>(i);
  }
  if (chosen >= 0) bookList_->SetSelIndex(chosen);
  showPages(chosen);
}

int NodeRefDialog::addPage(ULONG id, const String& name, const String&, ULONG, void* data) {
  std::vector<Page>& pages = *static_cast<std::vector<Page>*>(data);
  pages.push_back({id, name});
  return pages.size() >= static_cast<std::size_t>(MaxPages) ? 1 : 0;
}

void NodeRefDialog::showPages(int index) {
  pages_.clear();
  pageList_->ClearList();
  shownBook_ = index;
  if (index < 0 || static_cast<std::size_t>(index) >= books_.size()) return;
  books_[static_cast<std::size_t>(index)]->doUntilNode(addPage, &pages_);
  for (const Page& p : pages_) {
    if (p.name.length() != 0) {
      pageList_->AddString(p.name.c_str());
    } else {
      char text[16];
      std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(p.id));
      pageList_->AddString(text);
    }
    if (ref_.db() == books_[static_cast<std::size_t>(index)] && ref_.uid() == p.id)
      pageList_->SetSelIndex(pageList_->GetCount() - 1);
  }
}

LRESULT NodeRefDialog::EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) {
  if (hWndCtl != nullptr && id == IdBooks && notifyCode == LBN_SELCHANGE) {
    showPages(bookList_->GetSelIndex());
    return 0;
  }
  if (hWndCtl != nullptr && id == IdBrowse && notifyCode == BN_CLICKED) {
    error(HWindow, 'W', "Not implemented");
    return 0;
  }
  return TDialog::EvCommand(id, hWndCtl, notifyCode);
}

void NodeRefDialog::CmOk() {
  const int book = bookList_->GetSelIndex();
  // A page chosen from another book's list names no page of the chosen book:
  // the list is brought up to date first.
  if (book != shownBook_) showPages(book);
  const int page = pageList_->GetSelIndex();
  if (book < 0 || page < 0 || static_cast<std::size_t>(page) >= pages_.size()) {
    error(HWindow, 'W', "You must select a node name");
    return;
  }
  DB* db = books_[static_cast<std::size_t>(book)];
  const Page& p = pages_[static_cast<std::size_t>(page)];
  ref_.dbName(db->bookName());
  ref_.db(db);
  if (ref_.context() == nullptr) ref_.context(db);
  ref_.uid(p.id);
  ref_.name(p.name);
  TDialog::CmOk();
}
