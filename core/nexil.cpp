// The core application object: profile settings, the current book, fonts.
#include "core/nexil.h"

#include <cstring>

#include "core/node_ref_dialog.h"
#include "kit/error.h"
#include "kit/file_helpers.h"
#include "platform/system/system.h"

namespace {

const char kSection[] = "NEXIL";

String profileText(const char* key, const char* defaultValue, DWORD size) {
  char buf[512];
  if (size > sizeof buf) size = sizeof buf;
  GetProfileString(kSection, key, defaultValue, buf, size);
  return String(buf);
}

}  // namespace

Nexil::Nexil() {
  readProfile();
  // The display font: 14 pixels high, variable pitch, Swiss family, "Arial" (the
  // platform's minor version is 10 or more).
  std::memset(&logFonts_[0], 0, sizeof logFonts_[0]);
  logFonts_[0].lfHeight = -14;
  logFonts_[0].lfPitchAndFamily = 0x22;  // variable pitch, Swiss family
  std::strncpy(logFonts_[0].lfFaceName, "Arial", LF_FACESIZE - 1);
  logFonts_[1] = logFonts_[0];
  fonts_[0] = CreateFontIndirect(&logFonts_[0]);
  if (fonts_[0] == nullptr) error(nullptr, 'W', "Could not create graphics font");
  fonts_[1] = fonts_[0];
}

Nexil::~Nexil() {
  // Both slots share one font.
  if (fonts_[0] != nullptr) DeleteObject(fonts_[0]);
}

void Nexil::readProfile() {
  user_.second = profileText("UserID", "NOUSER", 256);
  user_.first = profileText("NodeID", "UNDEFINED", 256);

  setRootDirectory(profileText("RootDirectory", "", 260));

  char path[kPathBufferSize];
  GetProfileString(kSection, "Root", "nexil.db", path, sizeof path);
  mergeWithDefaultPath(path, rootDirectory_.c_str());
  rootDictionary_ = path;
  GetProfileString(kSection, "InitFile", "nexil.ini", path, sizeof path);
  mergeWithDefaultPath(path, rootDirectory_.c_str());
  initFile_ = path;

  flags_ = 0;
  if (GetProfileInt(kSection, "Backup", 1) != 0) flags_ |= BackupFlag;
  lowMemThreshold_ = GetProfileInt(kSection, "LowMemThreshholdKB", 2000) * 1000u;
}

void Nexil::setRootDirectory(const String& folder) {
  String dir = folder;
  const std::size_t n = dir.length();
  if (n == 0 || (dir.c_str()[n - 1] != '\\' && dir.c_str()[n - 1] != '/')) {
    // A folder written with '/' gets '/', anything else the system's own '\'.
    dir += String(std::strchr(dir.c_str(), '/') != nullptr ? "/" : "\\");
  }
  rootDirectory_ = dir;
}

void Nexil::classInvarient(const char*, int) {}

void Nexil::openDBs(std::vector<DB*>& out) {
  out.clear();
  if (currentDB() != nullptr) out.push_back(currentDB());
}

DB* Nexil::currentDB() { return current_.db(); }

DB* Nexil::setCurrentDB(const char* net, const char* name, int openFlags, int share) {
  DBRef found;
  if (getDB(found, net, name, openFlags, share) == 0) setCurrentDB(found.db());
  return currentDB();
}

DB* Nexil::setCurrentDB(DB* db) {
  current_.ref(db);
  return currentDB();
}

int Nexil::setDirRef(TWindow* parent, NodeRef& ref, Nexil& app, int*) {
  NodeRefDialog dialog(parent, ref, app);
  const int result = dialog.Execute();
  if (result == IDOK) return 0;
  if (result != IDCANCEL) error(nullptr, 'W', "Nexil::setDirRef: dialog box error = %d", result);
  return 1;
}

bool Nexil::isLocal(const char* net) const {
  if (net == nullptr || *net == '\0') return true;
  return std::strcmp(net, "UNDEFINED") == 0 || std::strcmp(net, user_.first.c_str()) == 0;
}

int Nexil::getDB(DBRef& into, const char* net, const char* name, int openFlags, int share) {
  if (name != nullptr && findDB(into, net, name) == 0) return 0;
  if (!isLocal(net)) {
    error(nullptr, 'E', "Nexil::getDB: Network references unsupported");
    return 2;
  }
  addDB(into, net, name, openFlags, share);
  return 0;
}

HFONT Nexil::font(int which) const {
  if (which == font0) return fonts_[0];
  if (which == font1) return fonts_[1];
  return nullptr;
}

const LOGFONT& Nexil::logFont(int which) const {
  return which == font0 ? logFonts_[0] : logFonts_[1];
}
