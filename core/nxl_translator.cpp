// The NXL translator: one stream shared by the link file reader and writer.
#include "core/nxl_translator.h"

#include "maptext/km_translator.h"

// A map text translator used only for its locking-aware open: it owns the file
// and its stream while the NXL sides read and write through that stream.
class NXLTranslator::Opener : public KMTranslator {
 public:
  explicit Opener(const char* appTag) : KMFileInfo(appTag), KMTranslator(appTag) {}
  int CMFileHeader(KM_FileHeader&) override { return 1; }
  int CMCM(KM_CM&) override { return 0; }
  int CMNode(KM_Node&) override { return 0; }
  int CMLink(KM_Link&) override { return 0; }
  int CMNodeType(KM_NodeType&) override { return 0; }
  int CMLinkType(KM_LinkType&) override { return 0; }
  int CMAnnotation(KM_Annotation&) override { return 0; }
  int CMAttr(char*, char*) override { return 0; }
};

NXLTranslator::NXLTranslator(const char* appTag, const char* path, short mode)
    : KMFileInfo(appTag), GenericFileInfo(appTag), NXLFileInfo(appTag), NXLParse(appTag),
      NXLEsrap(appTag) {
  open(path, mode);
}

NXLTranslator::NXLTranslator(const char* appTag, std::iostream* s)
    : KMFileInfo(appTag), GenericFileInfo(appTag), NXLFileInfo(appTag), NXLParse(appTag),
      NXLEsrap(appTag) {
  attach(s);
}

NXLTranslator::NXLTranslator(const char* appTag)
    : KMFileInfo(appTag), GenericFileInfo(appTag), NXLFileInfo(appTag), NXLParse(appTag),
      NXLEsrap(appTag) {}

NXLTranslator::~NXLTranslator() { closeStream(); }

LONG NXLTranslator::open(const char* path, short mode) {
  closeStream();
  NXLParse::init();
  opener_.reset(new Opener(getAppTag()));
  const LONG outcome = opener_->open(path, mode);
  if (opener_->getStream() == nullptr) {
    opener_.reset();
    return NXLParse::status(outcome < 0 ? outcome : KMTranslator::NO_STREAM);
  }
  stream_ = opener_->getStream();
  NXLParse::attach(stream_);
  NXLEsrap::attach(stream_);
  if (outcome == KMTranslator::OPENED_READ_ONLY && NXLParse::getStatus() >= 0)
    NXLParse::status(outcome);
  return NXLParse::getStatus();
}

LONG NXLTranslator::attach(std::iostream* s) {
  closeStream();
  NXLParse::init();
  stream_ = s;
  NXLParse::attach(s);
  NXLEsrap::attach(s);
  return NXLParse::getStatus();
}

void NXLTranslator::closeStream() {
  if (stream_ != nullptr) {
    NXLEsrap::close();
    NXLParse::attach(nullptr);
    // Dropping the writer's stream is no failure of the writer: keep its status.
    const LONG writerStatus = NXLEsrap::getStatus();
    NXLEsrap::attach(nullptr);
    NXLEsrap::status(writerStatus);
    stream_->flush();
  }
  if (opener_) {
    opener_->closeStream();
    opener_.reset();
  }
  stream_ = nullptr;
}

LONG NXLTranslator::status() {
  const LONG parser = NXLParse::getStatus();
  return parser < 0 ? parser : NXLEsrap::getStatus();
}

bool NXLTranslator::ok() { return NXLParse::getStatus() >= 0 && NXLEsrap::getStatus() >= 0; }

bool NXLTranslator::isOpen() {
  return stream_ != nullptr && NXLParse::isOpen() && NXLEsrap::isOpen();
}

LONG NXLTranslator::saveInternal() {
  if (stream_ == nullptr) return -1;
  if (getMajorAuthor() != nullptr) {
    writeFile(getMajorAuthor(), majorAuthorVersion1, nullptr);
  } else {
    writeFile(getAppTag(), thisAppVersion1, nullptr);
  }
  return NXLEsrap::getStatus();
}
