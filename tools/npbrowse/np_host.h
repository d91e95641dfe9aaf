// The browser's side of the plug-in interface, on the headless host: loads a
// plug-in library, finds its three exports, hands it the browser's function
// table, makes an instance with EMBED parameters inside a browser window,
// streams a book to it in the blocks the plug-in asks for, feeds it clicks,
// double clicks, Back presses and waits, and records what a person would have
// seen: the status line, the addresses it asked to open (and into which
// target), the message boxes, and pictures of the window.
//
// Everything goes through the three exports and the tables they fill, exactly
// as a browser's calls would; the host links none of the plug-in's code.
#ifndef TOOLS_NPBROWSE_NP_HOST_H
#define TOOLS_NPBROWSE_NP_HOST_H

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/npapi/np_function_tables.h"
#include "platform/render/headless_host.h"

class NpHost {
 public:
  typedef NPError (*GetEntryPointsFn)(NPPluginFuncs*);
  typedef NPError (*InitializeFn)(NPNetscapeFuncs*);
  typedef NPError (*ShutdownFn)();
  static constexpr const char* MimeType = "application/x-tavixBook";

  // A browser window whose content area is width x height.
  NpHost(int width, int height);
  ~NpHost();
  NpHost(const NpHost&) = delete;
  NpHost& operator=(const NpHost&) = delete;

  // The plug-in library next to the running program (../lib/libnptavix.so).
  static std::string defaultPluginPath();
  // dlopens the library and finds the three exports; false with `why` set.
  bool open(const std::string& path, std::string* why);
  // NP_GetEntryPoints with a table of the browser's full size, then
  // NP_Initialize with the browser's table; the first error, or 0.
  NPError start();
  // The raw exports, for callers that check them with tables of their own.
  GetEntryPointsFn getEntryPoints() const { return getEntryPoints_; }
  InitializeFn initialize() const { return initialize_; }
  ShutdownFn shutdownFn() const { return shutdown_; }
  NPNetscapeFuncs& browserFuncs() { return browser_; }
  NPPluginFuncs& pluginFuncs() { return plugin_; }

  // ---- An instance ----
  // NPP_New with these EMBED parameters and saved data (copied; empty: none).
  NPError newInstance(const std::vector<std::pair<std::string, std::string>>& params,
                      const std::vector<char>& saved = {});
  // NPP_SetWindow with the browser window's content area.
  NPError setWindow();
  // Streams `bytes`: NPP_NewStream, NPP_WriteReady/NPP_Write until all is
  // written, NPP_DestroyStream. Each block is as large as the plug-in is ready
  // for, except that a nonzero `firstBlock` makes the first one that size (a
  // browser may hand over less than asked). The largest block is kept.
  NPError stream(const std::vector<char>& bytes, std::size_t firstBlock = 0);
  // NPP_Destroy; the saved data handed back (its bytes), and whether there was any.
  NPError destroyInstance(std::vector<char>* saved, bool* hadSaved = nullptr);
  bool hasInstance() const { return live_; }
  // The browser's record of the instance, as the plug-in's callbacks take it.
  NPP instance() { return &npp_; }
  // NP_Shutdown and the library closed.
  NPError shutdown();

  // ---- What a person does ----
  void click(POINT p);
  void doubleClick(POINT p);
  void rightClick(POINT p);
  // Presses the plug-in's Back (or Help) button where the layout puts it.
  void pressBack();
  void pressHelp();
  void wait(DWORD ms);
  // Answers the next message box with `button` (IDYES, IDNO, ...).
  void answer(int button) { screen_.desktop().answer(button); }
  // Runs the queue until idle.
  void run() { screen_.run(); }
  // Runs a script of steps separated by ';': "click X,Y", "dblclick X,Y",
  // "rclick X,Y", "back", "help", "wait MS", "yes", "no" (the answer to the next
  // box). After each step `after(step number, step text)` is called. False with
  // `why` set for a step that does not read.
  bool runScript(const std::string& script, const std::function<void(int, const std::string&)>& after,
                 std::string* why);

  // ---- What a person saw ----
  struct Url {
    std::string url;
    std::string target;
  };
  const std::vector<std::string>& statusLines() const { return status_; }
  const std::vector<Url>& urls() const { return urls_; }
  // Message boxes shown so far: caption and text.
  std::vector<std::pair<std::string, std::string>> boxes() const;
  // The picture of the tag's area (the plug-in's window) as SVG, PNG or PDF by
  // the path's extension; script points are in its coordinates.
  bool shot(const std::string& path) const;
  DisplayList picture() const { return screen_.picture(contentWindow()); }
  HWND contentWindow() const;
  HWND browserWindow() const { return frame_; }
  HeadlessHost& screen() { return screen_; }
  int32 largestWrite() const { return largestWrite_; }
  // Memory the plug-in took through NPN_MemAlloc and has not given back.
  int outstandingAllocations() const { return allocations_; }
  // Where status lines, addresses and boxes are written as they come (null: nowhere).
  void setLog(std::ostream* log) { log_ = log; }

 private:
  static NPError geturl(NPP instance, const char* url, const char* window);
  static void status(NPP instance, const char* message);
  static void* memalloc(uint32 size);
  static void memfree(void* ptr);
  static NpHost* hostOf(NPP instance);
  POINT buttonCentre(int fromRight) const;

  HeadlessHost screen_;
  HWND frame_;
  int width_, height_;
  void* library_ = nullptr;
  GetEntryPointsFn getEntryPoints_ = nullptr;
  InitializeFn initialize_ = nullptr;
  ShutdownFn shutdown_ = nullptr;
  NPNetscapeFuncs browser_{};
  NPPluginFuncs plugin_{};
  NPP_t npp_{};
  NPWindow window_{};
  NPStream stream_{};
  bool live_ = false;
  std::vector<char> argBytes_;
  std::vector<std::string> status_;
  std::vector<Url> urls_;
  int32 largestWrite_ = 0;
  std::ostream* log_ = nullptr;
  static int allocations_;
};

#endif  // TOOLS_NPBROWSE_NP_HOST_H
