// The page reference dialog (dialog resource "OpenCreateNode"): a list of the
// open books and a list of the pages of the one chosen; OK sets a page
// reference to the chosen book and page.
//
// Controls: 301 the books (list box), 302 the pages of the chosen book (list
// box; a page without a name shows its ID), 303 browse, OK and Cancel.
// Choosing a book fills the page list with its pages in store order; OK
// without a page chosen from the list shown for the chosen book warns "You
// must select a node name" and the dialog stays open. Browse answers "Not
// implemented".
#ifndef CORE_NODE_REF_DIALOG_H
#define CORE_NODE_REF_DIALOG_H

#include <memory>
#include <vector>

#include "core/dialog_layout.h"
#include "kit/string.h"
#include "platform/owl/t_control.h"
#include "platform/owl/t_dialog.h"

class DB;
class Nexil;
class NodeRef;

class NodeRefDialog : public TDialog {
 public:
  enum Control { IdBooks = 301, IdPages = 302, IdBrowse = 303 };
  // The most pages the list takes from one book.
  static const int MaxPages = 32767;

  // Sets `ref` (not owned) on OK.
  NodeRefDialog(TWindow* parent, NodeRef& ref, Nexil& app);
  ~NodeRefDialog() override;

  void SetupWindow() override;
  LRESULT EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) override;
  void CmOk() override;
  // Fills the book list with the application's open books and shows the
  // pages of the reference's book (else the first book).
  void UpdateDBNames();

 private:
  struct Page {
    ULONG id;
    String name;
  };
  // Fills the page list with the pages of book `index` of the list.
  void showPages(int index);
  static int addPage(ULONG id, const String& name, const String& type, ULONG flags, void* data);

  NodeRef& ref_;
  Nexil& app_;
  std::vector<DB*> books_;   // the books listed, not owned
  std::vector<Page> pages_;  // the pages listed
  int shownBook_ = -1;       // the book whose pages are listed
  DialogLayout layout_{this};
  std::unique_ptr<TListBox> bookList_;
  std::unique_ptr<TListBox> pageList_;
  std::unique_ptr<TButton> browse_;
  std::unique_ptr<TButton> ok_;
  std::unique_ptr<TButton> cancel_;
};

#endif  // CORE_NODE_REF_DIALOG_H
