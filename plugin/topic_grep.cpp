// The find's search driver (see topic_grep.h).
#include "plugin/topic_grep.h"

#include "core/db.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/view_node.h"
#include "platform/win/windows_user.h"
#include "plugin/orvane_db.h"
#include "plugin/orvane_nexil.h"
#include "plugin/orvane_node.h"
#include "plugin/orvane_window.h"
#include "plugin/t_find_params.h"
#include "plugin/t_finding_dialog.h"

namespace {

// The store's kind bit of the type page.
constexpr ULONG kKindTypePage = 0x4;

}  // namespace

TopicGrep::TopicGrep(OrvaneNexil& manager, TFindParams& params, TWindow* parent)
    : manager_(manager), params_(params) {
  params_.bookManager = &manager;
  if (parent != nullptr) dialog_ = std::make_unique<TFindingDialog>(parent, params_.findText.c_str());
  params_.dialog = dialog_.get();
}

TopicGrep::~TopicGrep() {
  params_.dialog = nullptr;
  dialog_.reset();
}

void TopicGrep::set(DWORD bits) { params_.flags |= bits; }
void TopicGrep::unSet(DWORD bits) { params_.flags &= ~bits; }

bool TopicGrep::cancelled() const { return dialog_ != nullptr && dialog_->cancelled(); }

void TopicGrep::Setup() {
  const bool exact = (params_.flags & TFindOptions::CaseSensitive) != 0;
  const bool word = (params_.flags & TFindOptions::WholeWord) != 0;
  if (exact) params_.matchFn = word ? &TFindParams::wholeWord : &TFindParams::substring;
  else params_.matchFn = word ? &TFindParams::wholeWordIgnoringCase : &TFindParams::substringIgnoringCase;
  params_.pattern = exact ? params_.findText : String(TFindParams::lowered(params_.findText.c_str()).c_str());
}

int TopicGrep::findMatches() {
  if (!params_.isInstantiated()) return -1;
  visited_ = 0;
  quit_ = false;
  if (dialog_ != nullptr) {
    dialog_->reset(params_.findText.c_str());
    if (dialog_->HWindow == nullptr) dialog_->Create();
    if (dialog_->HWindow != nullptr) dialog_->Show(SW_SHOW);
  }
  DBRef book(params_.book);  // the book stays while the walk runs
  // A read-only book's type page is looked up once here and kept by the book,
  // so that the page windows made for the search share it instead of each
  // looking for it (and reading it) again. A writable book is left alone: the
  // lookup would make a type page it lacks.
  if (auto* kept = dynamic_cast<OrvaneDB*>(book.db())) {
    if (kept->isReadOnly()) kept->tnode();
  }
  book.db()->doUntilNode(&TopicGrep::visitPage, this);
  if (dialog_ != nullptr && dialog_->HWindow != nullptr) dialog_->Show(SW_HIDE);
  return 0;
}

int TopicGrep::visitPage(ULONG id, const String& name, const String& type, ULONG, void* data) {
  return static_cast<TopicGrep*>(data)->visit(id, name, type);
}

int TopicGrep::visit(ULONG id, const String& name, const String& type) {
  if (dialog_ != nullptr) {
    pumpMessages();
    if (dialog_->cancelled()) return 1;
    dialog_->setPage(name.c_str());
  }
  bool found = false;
  if ((params_.flags & TFindOptions::Names) != 0 && params_.match(name.c_str())) {
    found = true;
  } else if ((params_.flags & TFindOptions::Contents) != 0) {
    found = contentsMatch(id);
  }
  if (found) {
    params_.results.push_back({id, name, type});
    if (dialog_ != nullptr) dialog_->incCount();
  }
  ++visited_;
  if (progress_) progress_(visited_);
  return 0;
}

ViewNode* TopicGrep::shownPage(ULONG id) const {
  auto* main = dynamic_cast<OrvaneWindow*>(manager_.mainWindow());
  if (main == nullptr) return nullptr;
  for (ViewNode* page : {main->currentPage(), main->previousPage()}) {
    Node* node = page != nullptr ? page->node() : nullptr;
    if (node != nullptr && node->db() == params_.book.db() && node->uid() == id) return page;
  }
  return nullptr;
}

bool TopicGrep::contentsMatch(ULONG id) {
  DB* db = params_.book.db();
  if ((db->kind(id) & kKindTypePage) != 0) return false;
  // An empty page holds nothing to match (and opening it would only say so).
  if (db->isBodyEmpty(id)) return false;
  if (ViewNode* shown = shownPage(id)) {
    const bool match = shown->matchFound(&params_) != 0;
    if (match && onMatch_) onMatch_(id, *shown);
    return match;
  }
  NodeRef ref(db, id);
  Node* node = ref.getNode(nullptr, manager_, 0);
  if (node == nullptr) {
    ++params_.unreadable;
    return false;
  }
  // The window owns the node: deleting it deletes both.
  std::unique_ptr<ViewNode> page(manager_.claimWindow(node));
  if (page == nullptr) {
    delete node;
    ++params_.unreadable;
    return false;
  }
  auto* orvane = dynamic_cast<OrvaneNode*>(page.get());
  if (orvane != nullptr && !orvane->readWhole()) {
    ++params_.unreadable;
    return false;
  }
  const bool match = page->matchFound(&params_) != 0;
  if (match && onMatch_) onMatch_(id, *page);
  return match;
}

void TopicGrep::pumpMessages() {
  if (quit_) return;
  MSG m;
  for (int n = 0; n < MaxMessagesPerPage && ::PeekMessage(&m, nullptr, 0, 0, PM_REMOVE); ++n) {
    if (m.message == WM_QUIT) {
      // Left for the loop that runs the application.
      ::PostQuitMessage(static_cast<int>(m.wParam));
      quit_ = true;
      return;
    }
    ::TranslateMessage(&m);
    ::DispatchMessage(&m);
  }
}
