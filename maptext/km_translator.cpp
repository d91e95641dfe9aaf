// KMTranslator: the locking-aware open and the shared stream of the map text
// reader and writer.
#include "maptext/km_translator.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/system/desktop.h"
#include "platform/io/share_open.h"

namespace {

void sleepWait(DWORD milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

KMTranslator::RetryWait gRetryWait = sleepWait;

// Permission of a file that an open creates: owner read and write.
const int kCreatePermission = _S_IREAD | _S_IWRITE;

}  // namespace

KMTranslator::RetryWait KMTranslator::setRetryWait(RetryWait wait) {
  RetryWait previous = gRetryWait;
  gRetryWait = wait ? wait : sleepWait;
  return previous;
}

KMTranslator::KMTranslator(const char* appTag, const char* path, short mode)
    : KMFileInfo(appTag), MapRead(appTag), KMEsrap(appTag), stream(nullptr), ownsStream(false),
      fd(-1) {
  open(path, mode);
}

KMTranslator::KMTranslator(const char* appTag, std::iostream* s)
    : KMFileInfo(appTag), MapRead(appTag), KMEsrap(appTag), stream(nullptr), ownsStream(false),
      fd(-1) {
  attach(s);
}

KMTranslator::KMTranslator(const char* appTag)
    : KMFileInfo(appTag), MapRead(appTag), KMEsrap(appTag), stream(nullptr), ownsStream(false),
      fd(-1) {}

KMTranslator::~KMTranslator() {
  if (isOpen() && ownsStream) {
    closeStream();
  } else {
    KMEsrap::close();
    if (ownsStream) closeStream();  // a half-attached owned stream is still ours
  }
}

LONG KMTranslator::open(const char* path, short mode) {
  closeStream();
  MapRead::init();
  bool readWrite = (mode & MODE_READ_WRITE) != 0;
  bool fellBack = false;
  int handle = -1;
  LONG failure = LOCKED;
  // At most OPEN_ATTEMPTS tries: each pass either stops or counts one attempt.
  for (int attempt = 1; attempt <= OPEN_ATTEMPTS; ++attempt) {
    int oflag = readWrite ? _O_RDWR : _O_RDONLY;
    if (mode & MODE_CREATE) oflag |= _O_CREAT;
    int share = readWrite ? _SH_DENYWR : _SH_DENYNO;
    handle = path ? _sopen(path, oflag, share, kCreatePermission) : -1;
    if (handle >= 0) break;
    int err = path ? errno : ENOENT;
    if (err == ENOENT) {
      failure = NOT_FOUND;
      break;
    }
    if (err == EMFILE || err == ENFILE) {
      failure = TOO_MANY_OPEN_FILES;
      break;
    }
    if (err == EINVAL) {
      failure = INVALID_ACCESS;
      break;
    }
    // Refused (or failed otherwise): fall back to reading when allowed, else
    // wait for the holder to let go.
    if (readWrite && (mode & MODE_READ_ONLY_FALLBACK)) {
      readWrite = false;
      fellBack = true;
      continue;
    }
    if (attempt < OPEN_ATTEMPTS) {
      MessageBeep(MB_ICONINFORMATION);
      gRetryWait(RETRY_WAIT_MS);
    }
  }
  if (handle < 0) return MapRead::status(failure);

  std::unique_ptr<FdStream> s(new FdStream(handle));
  if (!s->good()) {
    s.reset();
    _close(handle);
    return MapRead::status(NO_STREAM);
  }
  s->seekg(0);
  s->seekp(0);
  fd = handle;
  ownedStream = std::move(s);
  stream = ownedStream.get();
  ownsStream = true;
  MapRead::attach(stream);
  KMEsrap::attach(stream);
  if (fellBack && MapRead::getStatus() >= 0) MapRead::status(OPENED_READ_ONLY);
  return MapRead::getStatus();
}

LONG KMTranslator::attach(std::iostream* s) {
  closeStream();
  MapRead::init();
  stream = s;
  ownsStream = false;
  MapRead::attach(s);
  KMEsrap::attach(s);
  return MapRead::getStatus();
}

void KMTranslator::detachSides() {
  MapRead::attach(nullptr);
  // The writer reports a missing stream as its status; dropping it here is not
  // a failure of the writer, so its status is kept.
  LONG writerStatus = KMEsrap::getStatus();
  KMEsrap::attach(nullptr);
  KMEsrap::status(writerStatus);
}

void KMTranslator::closeStream() {
  if (ownsStream && stream) {
    KMEsrap::close();
    detachSides();
    stream->flush();
    ownedStream.reset();
    if (fd >= 0) _close(fd);
    fd = -1;
  } else if (stream) {
    // A stream lent by the caller may go as soon as it is taken back: neither
    // side keeps it (the writer would flush into it when it closes).
    detachSides();
  }
  stream = nullptr;
  ownsStream = false;
}

LONG KMTranslator::status() {
  LONG parser = MapRead::getStatus();
  return parser < 0 ? parser : KMEsrap::getStatus();
}

bool KMTranslator::ok() { return MapRead::getStatus() >= 0 && KMEsrap::getStatus() >= 0; }

bool KMTranslator::isOpen() {
  return stream != nullptr && MapRead::isOpen() && KMEsrap::isOpen();
}

LONG KMTranslator::save() {
  if (!stream) return -1;
  saveOn(*this);
  return KMEsrap::getStatus();
}

bool KMTranslator::classInvarient(const char* file, int line) const {
  if (ownsStream && stream != ownedStream.get()) return false;
  if (ownsStream && fd < 0) return false;
  return MapRead::classInvarient(file, line);
}
