// Controls and dialogs: buttons report their identifier to their parent, edit
// fields keep a modified flag, lists keep a selection, and modal dialogs are
// answered through the desktop and may refuse to close.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/owl/control_classes.h"
#include "platform/system/desktop.h"
#include "platform/system/file_dialog.h"
#include "platform/render/headless_host.h"
#include "platform/owl/t_control.h"
#include "platform/owl/t_dialog.h"
#include "platform/win/window_manager.h"

namespace {

class Panel : public TWindow {
 public:
  explicit Panel(TWindow* parent) : TWindow(parent) {}
  LRESULT EvCommand(UINT id, HWND, UINT code) override {
    commands.push_back(std::to_string(id) + "/" + std::to_string(code));
    return 0;
  }
  std::vector<std::string> commands;
};

TEST(ControlTest, ButtonsEditsAndListsAnswerAsOnWindows) {
  HeadlessHost host(640, 480);
  TWindow frame(nullptr, "frame");
  frame.Attr.W = 400;
  frame.Attr.H = 300;
  Panel panel(&frame);
  panel.Attr.W = 380;
  panel.Attr.H = 280;
  TButton back(&panel, 201, "Back", 10, 10, 60, 20);
  TCheckBox box(&panel, 248, "Backup", 10, 40, 100, 20);
  TEdit edit(&panel, 239, "start", 10, 70, 200, 40, 8, true);
  TListBox list(&panel, 300, 10, 120, 200, 80);
  ASSERT_TRUE(frame.Create());
  ASSERT_NE(back.HWindow, nullptr) << "children are created with their parent";
  host.run();
  list.AddString("alpha");
  list.AddString("beta");

  host.click(back.HWindow, {5, 5});
  host.press(back.HWindow, {5, 5});
  host.release(back.HWindow, {100, 100});  // released outside: no click
  host.click(box.HWindow, {3, 3});
  host.click(edit.HWindow, {3, 3});
  host.type("xy\nzzzzz");
  host.click(list.HWindow, {5, 20});
  host.run();

  std::vector<std::string> expected = {"201/0", "248/0", "239/256", "239/768", "239/768", "300/1"};
  EXPECT_EQ(panel.commands, expected)
      << "clicks, EN_SETFOCUS, EN_CHANGE per accepted character, LBN_SELCHANGE";
  EXPECT_EQ(box.GetCheck(), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(edit.GetText(), "xystart")
      << "the click put the caret before the text; a limit of 8 (with the NUL) keeps 7 characters";
  EXPECT_TRUE(edit.IsModified());
  edit.SetText("fresh");
  EXPECT_FALSE(edit.IsModified()) << "setting the text clears the modified flag";
  EXPECT_EQ(list.GetSelIndex(), 1);
  EXPECT_EQ(list.GetString(1), "beta");
  EXPECT_EQ(list.GetString(7), "") << "no such item";
  EXPECT_EQ(list.SetSelIndex(9), LB_ERR);
  BOOL ok = TRUE;
  SetDlgItemText(panel.HWindow, 239, " 42 ");
  EXPECT_EQ(GetDlgItemInt(panel.HWindow, 239, &ok, FALSE), 42u);
  EXPECT_TRUE(ok);
  SetDlgItemText(panel.HWindow, 239, "4x");
  GetDlgItemInt(panel.HWindow, 239, &ok, FALSE);
  EXPECT_FALSE(ok) << "not a number";
  SetDlgItemText(panel.HWindow, 248, "99999999999");
  GetDlgItemInt(panel.HWindow, 248, &ok, FALSE);
  EXPECT_FALSE(ok) << "out of range";
}

// A dialog that refuses OK while its name field is blank, as the node dialog does.
class NameDialog : public TDialog {
 public:
  explicit NameDialog(TWindow* parent) : TDialog(parent, "NODEATTRIBUTES"), name(this, 101, 64), types(this, 102) {}
  void SetupWindow() override {
    TDialog::SetupWindow();
    name.SetText("   ");
    types.AddString("Concept");
    types.AddString("Note");
  }
  bool CanClose() override {
    std::string n = name.GetText();
    if (n.find_first_not_of(' ') == std::string::npos) {
      refusals++;
      return false;
    }
    accepted = n;
    chosenType = types.GetSelIndex();
    return true;
  }
  TEdit name;
  TComboBox types;
  int refusals = 0;
  std::string accepted;
  int chosenType = -1;
};

TEST(DialogTest, ModalDialogAnsweredByScriptStaysOpenUntilValid) {
  HeadlessHost host;
  NameDialog d(nullptr);
  host.dialogAnswer([](TDialog& dlg) {
    EXPECT_EQ(dlg.ResourceName(), "NODEATTRIBUTES");
    return IDOK;  // the name is still blank
  });
  host.dialogAnswer([](TDialog& dlg) {
    SetDlgItemText(dlg.HWindow, 101, "Home page");
    SendDlgItemMessage(dlg.HWindow, 102, CB_SETCURSEL, 1, 0);
    return IDOK;
  });
  EXPECT_EQ(d.Execute(), IDOK);
  EXPECT_EQ(d.refusals, 1);
  EXPECT_EQ(d.accepted, "Home page");
  EXPECT_EQ(d.chosenType, 1);
  EXPECT_EQ(d.HWindow, nullptr) << "the dialog's window is gone after Execute";
  auto events = host.desktop().eventsOf(ScriptedDesktop::Kind::Dialog);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].answer, IDOK);
}

TEST(DialogTest, HeadlessAndCancelledDialogsEndWithCancel) {
  HeadlessHost host;
  NameDialog a(nullptr);
  host.dialogAnswer([](TDialog&) { return IDCANCEL; });
  EXPECT_EQ(a.Execute(), IDCANCEL);
  EXPECT_EQ(a.refusals, 0) << "Cancel does not ask CanClose";
  NameDialog b(nullptr);
  // With no scripted answer left the dialog is cancelled, as headless.
  EXPECT_EQ(b.Execute(), IDCANCEL);
  NameDialog c(nullptr);
  for (int i = 0; i < TDialog::kMaxAnswers + 5; ++i) host.dialogAnswer([](TDialog&) { return IDOK; });
  EXPECT_EQ(c.Execute(), IDCANCEL) << "a dialog that never accepts is cancelled after the bound";
  EXPECT_EQ(c.refusals, TDialog::kMaxAnswers);
}

TEST(DialogTest, FileDialogsThroughTheDesktop) {
  HeadlessHost host;
  host.desktop().answerFile("/books/home.tvx");
  host.desktop().answerFile("");
  host.desktop().answerFile("/a/path/that/is/too/long/for/the/buffer.tvx");
  char file[32] = "*.tvx";
  OPENFILENAME ofn = {};
  ofn.lpstrFilter = "Nexil DB files (*.db)\0*.DB\0\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrTitle = "Open book";
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_STREQ(file, "/books/home.tvx");
  EXPECT_FALSE(GetSaveFileName(&ofn)) << "cancelled";
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
  auto events = host.desktop().eventsOf(ScriptedDesktop::Kind::FileDialog);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].caption, "Open book");
  EXPECT_EQ(events[0].text, "/books/home.tvx");
}

}  // namespace

namespace {

// A modeless progress dialog with a Cancel button, as the find progress is.
class Progress : public TDialog {
 public:
  Progress() : TDialog(nullptr, "FINDING"), cancel(this, IDCANCEL, "Cancel", 10, 40, 80, 24), text(this, 300) {}
  void SetupWindow() override {
    TDialog::SetupWindow();
    text.SetText("Finding \"idea\"");
  }
  void CmCancel() override {
    cancelled = true;
    TDialog::CmCancel();
  }
  TButton cancel;
  TStatic text;
  bool cancelled = false;
};

TEST(DialogTest, ModelessDialogCancelledByAClick) {
  HeadlessHost host;
  Progress p;
  ASSERT_TRUE(p.Create());
  host.run();
  EXPECT_TRUE(p.IsWindow());
  EXPECT_FALSE(p.IsModal());
  EXPECT_EQ(p.text.GetText(), "Finding \"idea\"");
  RECT r = p.text.GetWindowRect();
  EXPECT_GT(r.right - r.left, 0) << "a control known by identifier alone is placed by the dialog";
  host.click(p.cancel.HWindow, {5, 5});
  host.run();
  EXPECT_TRUE(p.cancelled);
  EXPECT_FALSE(p.IsWindow()) << "cancelling a modeless dialog destroys it";
  EXPECT_TRUE(host.desktop().eventsOf(ScriptedDesktop::Kind::Dialog).empty()) << "nobody was asked";
}

}  // namespace
