// Printing: a TPrintout draws pages into a printer context; the TPrinter runs it
// (BeginPrinting, BeginDocument, then PrintPage for each page while HasPage,
// EndDocument, EndPrinting) and hands the finished pages, one display list each,
// to the printer output that the host installs (the renderers write them as a
// PDF document). Without an output nothing can be printed and Print fails.
#ifndef PLATFORM_T_PRINTER_H
#define PLATFORM_T_PRINTER_H

#include <functional>
#include <string>
#include <vector>

#include "platform/win/display_list.h"
#include "platform/owl/t_rect.h"

class TDC;
class TWindow;
class TApplication;

class TPrintout {
 public:
  explicit TPrintout(const char* title);
  virtual ~TPrintout();
  TPrintout(const TPrintout&) = delete;
  TPrintout& operator=(const TPrintout&) = delete;

  virtual void SetPrintParams(TDC* dc, TSize pageSize);
  virtual void GetDialogInfo(int& minPage, int& maxPage, int& selFromPage, int& selToPage);
  virtual void BeginPrinting();
  virtual void BeginDocument(int startPage, int endPage, unsigned flags);
  // True while there is a page with this number; by default the first only.
  virtual bool HasPage(int pageNumber);
  virtual void PrintPage(int page, TRect& rect, unsigned flags);
  virtual void EndDocument();
  virtual void EndPrinting();
  const char* GetTitle() const { return Title.c_str(); }

  TDC* DC = nullptr;  // not owned: the printer's context while printing
  TSize PageSize;
  std::string Title;
};

class TPrinter {
 public:
  // Receives a finished document: its title and its pages. Returns success.
  using Output = std::function<bool(const std::string& title, const std::vector<const DisplayList*>& pages,
                                    int dpi)>;

  explicit TPrinter(TApplication* app = nullptr);
  virtual ~TPrinter();
  TPrinter(const TPrinter&) = delete;
  TPrinter& operator=(const TPrinter&) = delete;

  // Prints every page of the printout (at most kMaxPages); `prompt` is accepted
  // for the framework's sake: there is no printer choice to make.
  virtual bool Print(TWindow* parent, TPrintout& printout, bool prompt);
  virtual void Setup(TWindow* parent);
  // The error of the last Print: 0, or -1 when there was no output or it failed.
  int Error = 0;

  static void SetOutput(Output output);
  static constexpr int kMaxPages = 10000;
};

#endif  // PLATFORM_T_PRINTER_H
