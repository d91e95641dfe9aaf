// Printing (see t_printer.h).
#include "platform/owl/t_printer.h"

#include "platform/win/device_context.h"
#include "platform/owl/t_dc.h"

namespace {

TPrinter::Output& output() {
  static TPrinter::Output out;
  return out;
}

}  // namespace

TPrintout::TPrintout(const char* title) : Title(title != nullptr ? title : "") {}
TPrintout::~TPrintout() = default;

void TPrintout::SetPrintParams(TDC* dc, TSize pageSize) {
  DC = dc;
  PageSize = pageSize;
}

void TPrintout::GetDialogInfo(int& minPage, int& maxPage, int& selFromPage, int& selToPage) {
  minPage = 1;
  maxPage = 1;
  selFromPage = 0;
  selToPage = 0;
}

void TPrintout::BeginPrinting() {}
void TPrintout::BeginDocument(int, int, unsigned) {}
bool TPrintout::HasPage(int pageNumber) { return pageNumber == 1; }
void TPrintout::PrintPage(int, TRect&, unsigned) {}
void TPrintout::EndDocument() {}
void TPrintout::EndPrinting() {}

TPrinter::TPrinter(TApplication*) {}
TPrinter::~TPrinter() = default;

void TPrinter::SetOutput(Output out) { output() = std::move(out); }

void TPrinter::Setup(TWindow*) {}

bool TPrinter::Print(TWindow*, TPrintout& printout, bool) {
  Error = 0;
  if (!output()) {
    Error = -1;
    return false;
  }
  TPrintDC dc;
  if (!dc.IsValid()) {
    Error = -1;
    return false;
  }
  TSize page(dc.GetDeviceCaps(HORZRES), dc.GetDeviceCaps(VERTRES));
  printout.SetPrintParams(&dc, page);
  int minPage = 1, maxPage = 1, from = 0, to = 0;
  printout.GetDialogInfo(minPage, maxPage, from, to);
  printout.BeginPrinting();
  printout.BeginDocument(minPage, maxPage, 0);
  // Bounded: a printout that always has another page stops at kMaxPages.
  for (int n = minPage; n < minPage + kMaxPages && printout.HasPage(n); ++n) {
    dc.StartPage();
    TRect r(0, 0, page.cx, page.cy);
    printout.PrintPage(n, r, 0);
    dc.RestoreObjects();
    dc.EndPage();
  }
  printout.EndDocument();
  printout.EndPrinting();
  printout.SetPrintParams(nullptr, page);
  std::vector<const DisplayList*> pages;
  if (const auto* lists = printedPages(dc.GetHDC())) {
    for (const auto& l : *lists) pages.push_back(l.get());
  }
  if (pages.empty() || !output()(printout.Title, pages, dc.GetDeviceCaps(LOGPIXELSX))) {
    Error = -1;
    return false;
  }
  return true;
}
