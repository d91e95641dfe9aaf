// The browser's side of the plug-in interface (see np_host.h).
#include "tools/npbrowse/np_host.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/win/windows_user.h"

int NpHost::allocations_ = 0;

namespace {

NpHost* gHost = nullptr;  // the host whose memory services the plug-in uses

std::string trim(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return std::string();
  const std::size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

bool readPoint(const std::string& text, POINT* p) {
  int x = 0, y = 0;
  char comma = 0;
  std::istringstream in(text);
  if (!(in >> x >> comma >> y) || comma != ',') return false;
  std::string rest;
  if (in >> rest) return false;
  p->x = x;
  p->y = y;
  return true;
}

}  // namespace

NpHost::NpHost(int width, int height)
    : screen_(std::max(width, 64) + 64, std::max(height, 64) + 64),
      frame_(screen_.makeTopLevel(std::max(width, 64), std::max(height, 64), "npbrowse")),
      width_(std::max(width, 64)),
      height_(std::max(height, 64)) {
  gHost = this;
  browser_.size = sizeof(NPNetscapeFuncs);
  browser_.version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
  browser_.geturl = geturl;
  browser_.status = status;
  browser_.memalloc = memalloc;
  browser_.memfree = memfree;
  plugin_.size = sizeof(NPPluginFuncs);
  npp_.ndata = this;
}

NpHost::~NpHost() {
  if (live_) destroyInstance(nullptr);
  shutdown();
  if (gHost == this) gHost = nullptr;
}

std::string NpHost::defaultPluginPath() {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "libnptavix.so";
  self[n] = '\0';
  std::string dir(self);
  dir = dir.substr(0, dir.find_last_of('/'));
  return dir + "/../lib/libnptavix.so";
}

bool NpHost::open(const std::string& path, std::string* why) {
  library_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) {
    const char* e = ::dlerror();
    *why = "cannot load the plug-in " + path + ": " + (e != nullptr ? e : "unknown reason");
    return false;
  }
  getEntryPoints_ = reinterpret_cast<GetEntryPointsFn>(::dlsym(library_, "NP_GetEntryPoints"));
  initialize_ = reinterpret_cast<InitializeFn>(::dlsym(library_, "NP_Initialize"));
  shutdown_ = reinterpret_cast<ShutdownFn>(::dlsym(library_, "NP_Shutdown"));
  if (getEntryPoints_ == nullptr || initialize_ == nullptr || shutdown_ == nullptr) {
    *why = path + " does not export NP_GetEntryPoints, NP_Initialize and NP_Shutdown";
    ::dlclose(library_);
    library_ = nullptr;
    return false;
  }
  return true;
}

NPError NpHost::start() {
  if (getEntryPoints_ == nullptr) return NPERR_MODULE_LOAD_FAILED_ERROR;
  NPError e = getEntryPoints_(&plugin_);
  if (e != NPERR_NO_ERROR) return e;
  return initialize_(&browser_);
}

NPError NpHost::newInstance(const std::vector<std::pair<std::string, std::string>>& params,
                            const std::vector<char>& saved) {
  if (plugin_.newp == nullptr) return NPERR_INVALID_PLUGIN_ERROR;
  // The names and values live in one block, as a browser keeps the tag's.
  argBytes_.clear();
  std::vector<std::size_t> at;
  for (const auto& p : params) {
    at.push_back(argBytes_.size());
    argBytes_.insert(argBytes_.end(), p.first.begin(), p.first.end());
    argBytes_.push_back('\0');
    at.push_back(argBytes_.size());
    argBytes_.insert(argBytes_.end(), p.second.begin(), p.second.end());
    argBytes_.push_back('\0');
  }
  std::vector<char*> names, values;
  for (std::size_t i = 0; i < params.size(); ++i) {
    names.push_back(argBytes_.data() + at[2 * i]);
    values.push_back(argBytes_.data() + at[2 * i + 1]);
  }
  NPSavedData* data = nullptr;
  if (!saved.empty()) {
    // Saved data belongs to the plug-in once handed over: made with the
    // browser's own allocator.
    data = static_cast<NPSavedData*>(memalloc(sizeof(NPSavedData)));
    data->len = static_cast<int32>(saved.size());
    data->buf = memalloc(static_cast<uint32>(saved.size()));
    std::memcpy(data->buf, saved.data(), saved.size());
  }
  npp_.pdata = nullptr;
  npp_.ndata = this;
  const NPError e = plugin_.newp(const_cast<char*>(MimeType), &npp_, NP_EMBED, static_cast<int16>(params.size()),
                                 names.data(), values.data(), data);
  live_ = e == NPERR_NO_ERROR;
  return e;
}

NPError NpHost::setWindow() {
  if (!live_) return NPERR_INVALID_INSTANCE_ERROR;
  window_.window = frame_;
  window_.x = 0;
  window_.y = 0;
  window_.width = static_cast<uint32>(width_);
  window_.height = static_cast<uint32>(height_);
  window_.clipRect = {0, 0, static_cast<uint16>(height_), static_cast<uint16>(width_)};
  const NPError e = plugin_.setwindow(&npp_, &window_);
  screen_.run();
  return e;
}

NPError NpHost::stream(const std::vector<char>& bytes, std::size_t firstBlock) {
  if (!live_) return NPERR_INVALID_INSTANCE_ERROR;
  stream_ = NPStream{};
  stream_.ndata = this;
  stream_.url = "book.tvx";
  stream_.end = static_cast<uint32>(bytes.size());
  uint16 stype = NP_NORMAL;
  NPError e = plugin_.newstream(&npp_, const_cast<char*>(MimeType), &stream_, 0, &stype);
  if (e != NPERR_NO_ERROR) return e;
  std::size_t done = 0;
  while (done < bytes.size()) {
    int32 ready = plugin_.writeready(&npp_, &stream_);
    if (ready <= 0) break;
    std::size_t want = static_cast<std::size_t>(ready);
    if (done == 0 && firstBlock != 0) want = std::min(want, firstBlock);
    const int32 len = static_cast<int32>(std::min(want, bytes.size() - done));
    largestWrite_ = std::max(largestWrite_, len);
    const int32 taken = plugin_.write(&npp_, &stream_, static_cast<int32>(done), len,
                                      const_cast<char*>(bytes.data() + done));
    if (taken <= 0) break;
    done += static_cast<std::size_t>(taken);
  }
  e = plugin_.destroystream(&npp_, &stream_, NPRES_DONE);
  screen_.run();
  return e;
}

NPError NpHost::destroyInstance(std::vector<char>* saved, bool* hadSaved) {
  if (!live_) return NPERR_INVALID_INSTANCE_ERROR;
  NPSavedData* data = nullptr;
  const NPError e = plugin_.destroy(&npp_, &data);
  live_ = false;
  if (hadSaved != nullptr) *hadSaved = data != nullptr;
  if (saved != nullptr) saved->clear();
  if (data != nullptr) {
    if (saved != nullptr && data->buf != nullptr && data->len > 0) {
      const char* b = static_cast<const char*>(data->buf);
      saved->assign(b, b + data->len);
    }
    memfree(data->buf);
    memfree(data);
  }
  screen_.run();
  return e;
}

NPError NpHost::shutdown() {
  NPError e = NPERR_NO_ERROR;
  if (shutdown_ != nullptr) e = shutdown_();
  shutdown_ = nullptr;
  getEntryPoints_ = nullptr;
  initialize_ = nullptr;
  if (library_ != nullptr) ::dlclose(library_);
  library_ = nullptr;
  return e;
}

NpHost* NpHost::hostOf(NPP instance) {
  return instance != nullptr && instance->ndata != nullptr ? static_cast<NpHost*>(instance->ndata) : gHost;
}

NPError NpHost::geturl(NPP instance, const char* url, const char* window) {
  NpHost* h = hostOf(instance);
  if (h == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  h->urls_.push_back({url != nullptr ? url : "", window != nullptr ? window : ""});
  if (h->log_ != nullptr) *h->log_ << "open: " << h->urls_.back().url << " in " << h->urls_.back().target << "\n";
  return NPERR_NO_ERROR;
}

void NpHost::status(NPP instance, const char* message) {
  NpHost* h = hostOf(instance);
  if (h == nullptr) return;
  h->status_.emplace_back(message != nullptr ? message : "");
  if (h->log_ != nullptr) *h->log_ << "status: " << h->status_.back() << "\n";
}

void* NpHost::memalloc(uint32 size) {
  void* p = std::malloc(size != 0 ? size : 1);
  if (p != nullptr) ++allocations_;
  return p;
}

void NpHost::memfree(void* ptr) {
  if (ptr == nullptr) return;
  --allocations_;
  std::free(ptr);
}

std::vector<std::pair<std::string, std::string>> NpHost::boxes() const {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& e : const_cast<HeadlessHost&>(screen_).desktop().eventsOf(ScriptedDesktop::Kind::MessageBox)) {
    out.emplace_back(e.caption, e.text);
  }
  return out;
}

HWND NpHost::contentWindow() const {
  // The tag's area: the plug-in's window when it has made one, else the
  // browser window's (empty) content.
  HWND child = ::GetWindow(frame_, GW_CHILD);
  return child != nullptr ? child : frame_;
}

bool NpHost::shot(const std::string& path) const { return screen_.render(contentWindow(), path); }

POINT NpHost::buttonCentre(int fromRight) const {
  // The plug-in's strip: H = caption height + frame height / 2; each button is
  // 3H wide and H - 1 high at the bottom right.
  const int h = ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYFRAME) / 2;
  POINT p;
  p.x = width_ - fromRight * h + (3 * h) / 2;
  p.y = height_ - (h - 1) / 2 - 1;
  return p;
}

void NpHost::click(POINT p) { screen_.click(frame_, p); }
void NpHost::doubleClick(POINT p) { screen_.doubleClick(frame_, p); }
void NpHost::rightClick(POINT p) { screen_.rightClick(frame_, p); }
void NpHost::pressBack() { click(buttonCentre(6)); }
void NpHost::pressHelp() { click(buttonCentre(3)); }
void NpHost::wait(DWORD ms) { screen_.wait(ms); }

bool NpHost::runScript(const std::string& script, const std::function<void(int, const std::string&)>& after,
                       std::string* why) {
  std::vector<std::string> steps;
  std::string part;
  std::istringstream in(script);
  while (std::getline(in, part, ';')) {
    part = trim(part);
    if (!part.empty()) steps.push_back(part);
  }
  int n = 0;
  for (const std::string& step : steps) {
    const std::size_t space = step.find(' ');
    const std::string verb = step.substr(0, space);
    const std::string arg = space == std::string::npos ? std::string() : trim(step.substr(space + 1));
    POINT p{0, 0};
    if (verb == "click" || verb == "dblclick" || verb == "rclick") {
      if (!readPoint(arg, &p)) {
        *why = "step '" + step + "': give the point as X,Y";
        return false;
      }
      if (verb == "click") click(p);
      else if (verb == "dblclick") doubleClick(p);
      else rightClick(p);
    } else if (verb == "back" && arg.empty()) {
      pressBack();
    } else if (verb == "help" && arg.empty()) {
      pressHelp();
    } else if (verb == "wait") {
      char* end = nullptr;
      const long ms = std::strtol(arg.c_str(), &end, 10);
      if (arg.empty() || *end != '\0' || ms < 0 || ms > 600000) {
        *why = "step '" + step + "': wait takes milliseconds, 0 to 600000";
        return false;
      }
      wait(static_cast<DWORD>(ms));
    } else if ((verb == "yes" || verb == "no") && arg.empty()) {
      answer(verb == "yes" ? IDYES : IDNO);
      continue;
    } else {
      *why = "step '" + step + "' is not one of click, dblclick, rclick, back, help, wait, yes, no";
      return false;
    }
    run();
    ++n;
    if (after) after(n, step);
  }
  return true;
}
