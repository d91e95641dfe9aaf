// MapRead: the map text grammar, one operation per production (the grammar is
// drawn in map_read.h). Every production checks the status on entry and before
// each of its items, so the first error and its input position survive to the
// end of the parse; handlers are called only for objects read completely.
#include "maptext/map_read.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "maptext/km_xel.h"

namespace {

// The table of status texts; any code not listed reads "Unknown".
struct StatusEntry {
  LONG code;
  const char* text;
};
const StatusEntry kStatusTexts[] = {
    {-1, "Cound not open file"},       {-2, "Bad signature"},
    {-3, "Bad version number"},        {-4, "Bad major author"},
    {-6, "Expected separator"},        {-7, "Expected file annotation"},
    {-8, "Expected close paren"},      {-9, "Bad name spec"},
    {-10, "Multi-file not supported"}, {-11, "Expected EOF"},
    {-12, "Expected integer"},         {-13, "Unknown"},
};

// The number of raw bytes the signature line may hold before its first blank,
// and the number of bytes of input shown as context in an error text.
const int kSignatureBuffer = 100;
const int kContextBytes = 20;
// How much longer than its status text the full error message may become.
const int kErrorTextOverhead = 90;

}  // namespace

MapRead::MapRead(const char* appTag, const char* path)
    : KMFileInfo(appTag), errorOffset(0), status_(0), multiFile(false), headerRead(false),
      headerRejected(false) {
  init();
  open(path);
}

MapRead::MapRead(const char* appTag, std::istream* in)
    : KMFileInfo(appTag), errorOffset(0), status_(0), multiFile(false), headerRead(false),
      headerRejected(false) {
  init();
  attach(in);
}

MapRead::MapRead(const char* appTag)
    : KMFileInfo(appTag), errorOffset(0), status_(NO_INPUT), multiFile(false),
      headerRead(false), headerRejected(false) {}

MapRead::~MapRead() = default;

void MapRead::init() {
  errorOffset = 0;
  status_ = 0;
  multiFile = false;
  headerRead = false;
  headerRejected = false;
  lex.reset();
}

LONG MapRead::open(const char* path) {
  lex.reset();
  if (path != nullptr) {
    std::unique_ptr<KMLex> l(new KMLex(path));
    if (l->isOpen()) lex = std::move(l);
  }
  status_ = lex ? 0 : CANT_OPEN;
  errorOffset = 0;
  return status_;
}

LONG MapRead::attach(std::istream* in) {
  lex.reset();
  if (in == nullptr) return status_;
  std::unique_ptr<KMLex> l(new KMLex(*in));
  if (l->isOpen()) lex = std::move(l);
  status_ = lex ? 0 : CANT_OPEN;
  errorOffset = 0;
  return status_;
}

bool MapRead::isOpen() const { return lex && lex->isOpen(); }

LONG MapRead::status(LONG code) {
  status_ = code;
  errorOffset = lex ? lex->position() : 0;
  return code;
}

const char* MapRead::statusText(LONG code) {
  if (code >= 0) return "Success";
  for (const StatusEntry& e : kStatusTexts) {
    if (e.code == code) return e.text;
  }
  return "Unknown";
}

int MapRead::errorText(char* buf, int size) {
  if (buf == nullptr || size <= 0) return 0;
  const char* text = statusText(status_);
  int textLength = static_cast<int>(std::strlen(text));
  if (status_ >= 0) {
    std::snprintf(buf, static_cast<size_t>(size), "%s", text);
    return 0;
  }
  char context[kContextBytes + 1] = {0};
  if (lex) {
    int n = lex->readBytes(context, kContextBytes);
    if (n < 0) n = 0;
    context[n] = '\0';
  }
  if (textLength + kErrorTextOverhead < size && lex) {
    // snprintf bounds the message by the buffer even when the token's display
    // name and the numbers together run longer than the overhead allows for.
    std::snprintf(buf, static_cast<size_t>(size), "%s (%ld) found %s at offset %ld before \"%20s\"",
                  text, static_cast<long>(status_), lex->peekTokenAsString(),
                  static_cast<long>(errorOffset), context);
    return 0;
  }
  std::snprintf(buf, static_cast<size_t>(size), "%s", text);
  return textLength < size ? textLength + kErrorTextOverhead : 0;
}

// ---- Token helpers ----

bool MapRead::nextIsOpen(char tag) {
  if (!lex) return false;
  int t = lex->readKMToken();
  if (t == KMToken::LEFT_PAREN && static_cast<char>(lex->token().intValue) == tag) return true;
  lex->requeueKMToken();
  return false;
}

char MapRead::peekOpenTag() {
  if (!lex) return 0;
  int t = lex->readKMToken();
  char tag = 0;
  if (t == KMToken::LEFT_PAREN) tag = static_cast<char>(lex->token().intValue);
  lex->requeueKMToken();
  return tag;
}

LONG MapRead::expectComma() {
  if (status_ < 0) return status_;
  if (!lex || lex->readKMToken() != KMToken::COMMA) return status(EXPECTED_SEPARATOR);
  return status_;
}

LONG MapRead::expectClose() {
  if (status_ < 0) return status_;
  if (!lex || lex->readKMToken() != KMToken::RIGHT_PAREN) return status(EXPECTED_CLOSE_PAREN);
  return status_;
}

LONG MapRead::readOptInt() {
  if (status_ < 0 || !lex) return KM_ABSENT;
  if (lex->readKMToken() == KMToken::INTEGER) return lex->token().intValue;
  lex->requeueKMToken();
  return KM_ABSENT;
}

LONG MapRead::readInt(LONG code) {
  if (status_ < 0 || !lex) return KM_ABSENT;
  if (lex->readKMToken() == KMToken::INTEGER) {
    // The absent marker is no value: a required integer that spells it (such
    // as 80000000) would reach handlers as missing and could not be written back.
    if (lex->token().intValue != KM_ABSENT) return lex->token().intValue;
    status(code);
    return KM_ABSENT;
  }
  lex->requeueKMToken();
  status(code);
  return KM_ABSENT;
}

namespace {

// An owned copy of the current string token: its characters (escapes may have
// put NULs among them) and a terminator.
std::unique_ptr<char[]> copyStringToken(KMToken& tok) {
  ULONG n = tok.length > 0 ? tok.length - 1 : 0;
  std::unique_ptr<char[]> text(new char[n + 1]);
  char* s = nullptr;
  tok.value(s);
  if (s != nullptr && n > 0) std::memcpy(text.get(), s, n);
  text[n] = '\0';
  return text;
}

}  // namespace

bool MapRead::readOptString(std::unique_ptr<char[]>& out) {
  if (status_ < 0 || !lex) return false;
  if (lex->readKMToken() == KMToken::STRING) {
    out = copyStringToken(lex->token());
    return true;
  }
  lex->requeueKMToken();
  return false;
}

LONG MapRead::readStringOrInt(std::unique_ptr<char[]>& text) {
  if (status_ < 0 || !lex) return KM_ABSENT;
  int t = lex->readKMToken();
  if (t == KMToken::STRING) {
    text = copyStringToken(lex->token());
    return KM_ABSENT;
  }
  if (t == KMToken::INTEGER) return lex->token().intValue;
  lex->requeueKMToken();
  return KM_ABSENT;
}

void MapRead::readExtensions(std::unique_ptr<std::stringstream>& into) {
  // Each default block consumes at least its "(e" and its close; a derived
  // reader that consumes nothing ends the run instead of repeating forever.
  while (status_ >= 0 && peekOpenTag() == 'e') {
    LONG before = lex->position();
    readExtension(into);
    if (before >= 0 && lex->position() == before) break;
  }
}

// ---- File level ----

LONG MapRead::readFile() {
  if (status_ < 0) return status_;
  if (!lex) return status(NO_INPUT);
  readSignatureLine();
  readBody();
  return status_;
}

LONG MapRead::readSignatureLine() { return readSignatureLine(SIGNATURE); }

LONG MapRead::readSignatureLine(const char* signature) {
  if (status_ < 0) return status_;
  if (!lex) return status(NO_INPUT);
  if (signature == nullptr) signature = SIGNATURE;
  char buf[kSignatureBuffer];
  int n = lex->readBytes(buf, kSignatureBuffer, ' ');
  if (n != static_cast<int>(std::strlen(signature)) || std::memcmp(buf, signature, n) != 0) {
    return status(BAD_SIGNATURE);
  }
  if (lex->readKMToken() == KMToken::INTEGER) {
    fileVersion = lex->token().intValue;
  } else {
    lex->requeueKMToken();
    fileVersion = KM_ABSENT;
    return status(BAD_VERSION);
  }
  if (lex->readKMToken() == KMToken::INTEGER) {
    multiFile = true;
  } else {
    lex->requeueKMToken();
  }
  return status_;
}

LONG MapRead::readBody() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('B')) return status_;
  if (!multiFile || !headerRead) readFileHeader();
  readCMTypes();
  expectComma();
  readConceptMap();
  expectClose();
  if (status_ >= 0) status(SUCCESS);
  return status_;
}

LONG MapRead::readFileHeader() {
  if (status_ < 0) return status_;
  if (multiFile) {
    status(MULTI_FILE);
  } else {
    readSectionHeader();
  }
  headerRead = true;
  KM_FileHeader h;
  h.cmName = cmName.get();
  h.majorAuthor = majorAuthor.get();
  h.majorAuthorVersion1 = majorAuthorVersion1;
  h.majorAuthorVersion2 = majorAuthorVersion2;
  h.multiFile = multiFile ? 1 : 0;
  h.extensions = extensions.get();
  h.names = names.get();
  h.authors = authors.get();
  h.comments = comments.get();
  if ((CMFileHeader(h) & 1) == 0) headerRejected = true;
  return status_;
}

LONG MapRead::readSectionHeader() {
  if (status_ < 0) return status_;
  if (peekOpenTag() != 'a') return status(BAD_MAJOR_AUTHOR);
  readMajorAuthorSpec();
  expectComma();
  // Each annotation consumes at least its opening token; the first token that
  // opens none of them ends the run.
  while (status_ >= 0) {
    char tag = peekOpenTag();
    if (tag != 'a' && tag != 'c' && tag != 'e' && tag != 'n') break;
    readAnnote();
  }
  expectComma();
  return status_;
}

LONG MapRead::readAnnote() {
  if (status_ < 0) return status_;
  switch (peekOpenTag()) {
    case 'a':
      return readAuthorSpec(authors);
    case 'c':
      return readParenBlock('c', comments);
    case 'e':
      return readExtension(extensions);
    case 'n':
      if (!cmName) return readCMName();
      return readParenBlock('n', names);
    default:
      return status(OPTIONAL_ABSENT);
  }
}

LONG MapRead::readMajorAuthorSpec() {
  if (status_ < 0) return status_;
  nextIsOpen('a');  // already read by the caller, or read here when present
  std::unique_ptr<char[]> name;
  readOptString(name);
  majorAuthor = std::move(name);
  expectComma();
  majorAuthorVersion1 = readOptInt();
  expectComma();
  majorAuthorVersion2 = readOptInt();
  expectClose();
  checkThisApp(majorAuthor.get(), majorAuthorVersion1, majorAuthorVersion2);
  return status_;
}

LONG MapRead::readAuthorSpec(std::unique_ptr<std::stringstream>& into) {
  if (status_ < 0) return status_;
  if (!nextIsOpen('a')) return status(OPTIONAL_ABSENT);
  std::unique_ptr<char[]> name;
  readOptString(name);
  expectComma();
  LONG v1 = readOptInt();
  expectComma();
  LONG v2 = readOptInt();
  expectClose();
  checkThisApp(name.get(), v1, v2);
  if (status_ >= 0 && name) {
    // Kept in the form the writer gives an author specifier: absent numbers are
    // written as nothing between their separators.
    KMXel w(makeStream(into));
    w.writeOpenList('a');
    w.write(name.get());
    w.writeSeparator();
    if (v1 != KM_ABSENT) w.write(v1);
    w.writeSeparator();
    if (v2 != KM_ABSENT) w.write(v2);
    w.writeCloseList();
    w.flush();
  }
  return status_;
}

int MapRead::checkThisApp(const char* name, LONG version1, LONG version2) {
  if (name == nullptr || !appTag) return 0;
  if (thisAppVersion1 != KM_ABSENT || thisAppVersion2 != KM_ABSENT) return 0;
  if (std::strcmp(name, appTag.get()) != 0) return 0;
  thisAppVersion1 = version1;
  thisAppVersion2 = version2;
  return 1;
}

LONG MapRead::readCMName() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('n')) return status(OPTIONAL_ABSENT);
  std::unique_ptr<char[]> name;
  if (!readOptString(name)) {
    cmName.reset();
    return status(BAD_NAME_SPEC);
  }
  cmName = std::move(name);
  expectClose();
  return status_;
}

LONG MapRead::readParenBlock(char tag, std::unique_ptr<std::stringstream>& into) {
  if (status_ < 0) return status_;
  if (!nextIsOpen(tag)) return status(OPTIONAL_ABSENT);
  // The lexer copies the block token by token without recursion, so a block
  // nested however deep costs no stack; its end (or the input's) bounds it.
  // A block that the input ends inside (or an end-of-input byte cuts short)
  // was not read whole: what follows must not be taken as the items after it.
  if (lex->copyBlockToStream(makeStream(into)) != KMToken::RIGHT_PAREN) {
    return status(EXPECTED_CLOSE_PAREN);
  }
  return status_;
}

LONG MapRead::readExtension(std::unique_ptr<std::stringstream>& into) {
  return readParenBlock('e', into);
}

// ---- Types ----

LONG MapRead::readCMTypes() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('T')) return status(OPTIONAL_ABSENT);
  typesVersion = readInt(EXPECTED_INTEGER);
  expectComma();
  readOptInt();  // the number of types, as the writer records it
  expectComma();
  while (status_ >= 0) {
    char tag = peekOpenTag();
    if (tag != 'n' && tag != 'l') break;
    readTypeObject();
  }
  expectClose();
  if (status_ >= 0) status(SUCCESS);
  return status_;
}

LONG MapRead::readTypeObject() {
  if (status_ < 0) return status_;
  switch (peekOpenTag()) {
    case 'n':
      return readNodeType();
    case 'l':
      return readLinkType();
    default:
      return status(OPTIONAL_ABSENT);
  }
}

LONG MapRead::readNodeType() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('n')) return status(OPTIONAL_ABSENT);
  KM_NodeType r;
  r.version = typesVersion;
  r.parent = r.shape = r.fill1 = r.fill2 = r.line1 = r.line2 = r.line3 = r.shapeValue =
      r.textSpec = KM_ABSENT;
  std::unique_ptr<char[]> name;
  std::unique_ptr<std::stringstream> ext;
  r.id = readInt(EXPECTED_INTEGER);
  expectComma();
  readOptString(name);
  expectComma();
  if (typesVersion >= KM_VERSION_354) {
    readParentSpec(r.parent);
    expectComma();
  }
  readShapeSpec(r.shape, r.fill1, r.fill2, r.line1, r.line2, r.line3, r.shapeValue);
  expectComma();
  readTextSpec(r.textSpec);
  expectComma();
  readExtensions(ext);
  expectClose();
  if (status_ >= 0) {
    r.name = name.get();
    r.extension = ext.get();
    CMNodeType(r);
  }
  return status_;
}

LONG MapRead::readLinkType() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('l')) return status(OPTIONAL_ABSENT);
  KM_LinkType r;
  r.version = typesVersion;
  r.parent = r.constraint1 = r.constraint2 = r.textSpec = r.line1 = r.line2 = r.line3 =
      r.lineValue = KM_ABSENT;
  KM_ArrowHeadAttr none = {KM_ABSENT, KM_ABSENT, KM_ABSENT, KM_ABSENT,
                           KM_ABSENT, KM_ABSENT, KM_ABSENT, KM_ABSENT};
  r.arrowHead1 = none;
  r.arrowHead2 = none;
  std::unique_ptr<char[]> name;
  std::unique_ptr<std::stringstream> ext;
  r.id = readInt(EXPECTED_INTEGER);
  expectComma();
  readOptString(name);
  expectComma();
  if (typesVersion >= KM_VERSION_354) {
    readParentSpec(r.parent);
    expectComma();
    readLinkConstraint(r.constraint1, r.constraint2);
    expectComma();
  }
  readTextSpec(r.textSpec);
  expectComma();
  readLineSpec(r.line1, r.line2, r.line3);
  expectComma();
  r.lineValue = readOptInt();
  expectComma();
  readArrowHeadSpec(r.arrowHead1);
  expectComma();
  readArrowHeadSpec(r.arrowHead2);
  expectComma();
  // Older writers put the parent and the constraint here, without separators.
  readParentSpec(r.parent);
  readLinkConstraint(r.constraint1, r.constraint2);
  readExtensions(ext);
  expectClose();
  if (status_ >= 0) {
    r.name = name.get();
    r.extension = ext.get();
    CMLinkType(r);
  }
  return status_;
}

// ---- Concept map ----

LONG MapRead::readConceptMap() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('C')) return status(OPTIONAL_ABSENT);
  cmVersion = readInt(EXPECTED_INTEGER);
  expectComma();
  readCMHeader();
  expectComma();
  readNodeSection();
  expectComma();
  readLinkSection();
  expectComma();
  readAnnotationSection();
  expectClose();
  if (status_ >= 0) status(SUCCESS);
  return status_;
}

LONG MapRead::readCMHeader() {
  if (status_ < 0) return status_;
  RECT bounds;
  RECT viewport;
  bool hasBounds = readRectangle(bounds) == SUCCESS;
  if (status_ > 0) status_ = SUCCESS;
  expectComma();
  bool hasViewport = readRectangle(viewport) == SUCCESS;
  if (status_ > 0) status_ = SUCCESS;
  expectComma();
  LONG extra = 0;
  if (cmVersion >= KM_VERSION_354) {
    extra = readOptInt();
    expectComma();
  }
  if (status_ >= 0 && lex) {
    if (lex->readKMToken() == KMToken::INTEGER) {
      status(MULTI_FILE);  // a second concept map
    } else {
      lex->requeueKMToken();
    }
  }
  if (status_ >= 0) {
    KM_CM cm;
    cm.version = cmVersion;
    cm.name = cmName.get();
    cm.bounds = hasBounds ? &bounds : nullptr;
    cm.viewport = hasViewport ? &viewport : nullptr;
    cm.extra = extra;
    CMCM(cm);
  }
  return status_;
}

LONG MapRead::readRectangle(RECT& rect) {
  if (status_ < 0) return status_;
  if (!nextIsOpen('r')) return status(OPTIONAL_ABSENT);
  // Reading a present rectangle is success of its own: the status it leaves
  // tells the caller whether the rectangle was there.
  status_ = SUCCESS;
  LONG v[4];
  for (int i = 0; i < 4; ++i) {
    if (i > 0) expectComma();
    v[i] = readOptInt();
    if (v[i] == KM_ABSENT) v[i] = KM_ABSENT_COORD;
  }
  expectClose();
  rect.left = v[0];
  rect.top = v[1];
  rect.right = v[2];
  rect.bottom = v[3];
  return status_;
}

LONG MapRead::readNodeSection() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('N')) return status(OPTIONAL_ABSENT);
  nodesVersion = readInt(EXPECTED_INTEGER);
  expectComma();
  readOptInt();  // the number of nodes, as the writer records it
  expectComma();
  while (status_ >= 0 && peekOpenTag() == 'n') readNodeObject();
  expectClose();
  return status_;
}

LONG MapRead::readNodeObject() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('n')) return status(OPTIONAL_ABSENT);
  KM_Node r;
  r.version = nodesVersion;
  r.flags = static_cast<ULONG>(KM_ABSENT);
  std::unique_ptr<char[]> name;
  std::unique_ptr<char[]> typeName;
  std::unique_ptr<char[]> ref;
  std::unique_ptr<std::stringstream> ext;
  r.id = readInt(EXPECTED_INTEGER);
  expectComma();
  readOptString(name);
  expectComma();
  r.typeId = readStringOrInt(typeName);
  expectComma();
  r.x = readOptInt();
  expectComma();
  r.y = readOptInt();
  expectComma();
  r.x2 = readOptInt();
  expectComma();
  r.y2 = readOptInt();
  if (nodesVersion >= KM_VERSION_354) {
    expectComma();
    r.flags = static_cast<ULONG>(readOptInt());
  }
  expectComma();
  r.refId = readStringOrInt(ref);
  expectComma();
  readExtensions(ext);
  expectClose();
  if (status_ >= 0) {
    r.name = name.get();
    r.typeName = typeName.get();
    r.ref = ref.get();
    r.extension = ext.get();
    CMNode(r);
  }
  return status_;
}

LONG MapRead::readLinkSection() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('L')) return status(OPTIONAL_ABSENT);
  linksVersion = readInt(EXPECTED_INTEGER);
  expectComma();
  readOptInt();  // the number of links, as the writer records it
  expectComma();
  while (status_ >= 0 && peekOpenTag() == 'l') readLinkObject();
  expectClose();
  return status_;
}

LONG MapRead::readLinkObject() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('l')) return status(OPTIONAL_ABSENT);
  KM_Link r;
  r.version = linksVersion;
  r.flags = static_cast<ULONG>(KM_ABSENT);
  std::unique_ptr<char[]> typeName;
  std::unique_ptr<char[]> ref;
  std::unique_ptr<std::stringstream> ext;
  std::vector<LONG> nodeIds;
  bool hasNodeList = false;
  r.id = readInt(EXPECTED_INTEGER);
  expectComma();
  r.typeId = readStringOrInt(typeName);
  expectComma();
  if (status_ >= 0 && nextIsOpen('i')) {
    hasNodeList = true;
    // Each entry and each separator consumes a token, so the input bounds the
    // list; the array grows only as entries arrive.
    if (lex->readKMToken() != KMToken::RIGHT_PAREN) {
      lex->requeueKMToken();
      for (;;) {
        nodeIds.push_back(readOptInt());
        int t = lex->readKMToken();
        if (t == KMToken::RIGHT_PAREN) break;
        if (t != KMToken::COMMA) {
          status(EXPECTED_SEPARATOR);
          break;
        }
      }
    }
    nodeIds.push_back(KM_ABSENT);
  }
  expectComma();
  r.a = readOptInt();
  expectComma();
  r.b = readOptInt();
  if (linksVersion >= KM_VERSION_354) {
    expectComma();
    r.flags = static_cast<ULONG>(readOptInt());
  }
  expectComma();
  r.refId = readStringOrInt(ref);
  expectComma();
  readExtensions(ext);
  expectClose();
  if (status_ >= 0) {
    r.typeName = typeName.get();
    r.nodeIds = hasNodeList ? nodeIds.data() : nullptr;
    r.ref = ref.get();
    r.extension = ext.get();
    CMLink(r);
  }
  return status_;
}

LONG MapRead::readAnnotationSection() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('A')) return status(OPTIONAL_ABSENT);
  annotationsVersion = readInt(EXPECTED_INTEGER);
  expectComma();
  readOptInt();  // the number of annotations, as the writer records it
  expectComma();
  while (status_ >= 0 && peekOpenTag() == 'a') readAnnotationObject();
  expectClose();
  return status_;
}

LONG MapRead::readAnnotationObject() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('a')) return status(OPTIONAL_ABSENT);
  KM_Annotation r;
  r.version = annotationsVersion;
  r.extra = KM_ABSENT;
  std::unique_ptr<char[]> name;
  std::unique_ptr<std::stringstream> ext;
  std::unique_ptr<unsigned char[]> data;
  std::vector<LONG> values;
  r.id = readInt(EXPECTED_INTEGER);
  expectComma();
  readOptString(name);
  expectComma();
  r.x = readOptInt();
  expectComma();
  r.y = readOptInt();
  expectComma();
  r.x2 = readOptInt();
  expectComma();
  r.y2 = readOptInt();
  expectComma();
  r.flags = static_cast<ULONG>(readOptInt());
  expectComma();
  // Values follow one another without separators; each consumes its token.
  while (status_ >= 0 && lex) {
    if (lex->readKMToken() != KMToken::INTEGER) {
      lex->requeueKMToken();
      break;
    }
    values.push_back(lex->token().intValue);
  }
  if (annotationsVersion >= KM_VERSION_354) {
    expectComma();
    r.extra = readOptInt();
  }
  expectComma();
  r.kind = 0;
  r.dataSize = 0;
  readAnnoSpec(data, r.dataSize, r.kind);
  expectComma();
  readExtensions(ext);
  expectClose();
  if (status_ >= 0) {
    r.name = name.get();
    r.values = values.empty() ? nullptr : values.data();
    r.valueCount = static_cast<int>(values.size());
    r.data = data.get();
    r.extension = ext.get();
    CMAnnotation(r);
  }
  return status_;
}

LONG MapRead::readAnnoSpec(std::unique_ptr<unsigned char[]>& data, ULONG& size, char& kind) {
  if (status_ < 0) return status_;
  data.reset();
  size = 0;
  kind = peekOpenTag();
  switch (kind) {
    case 't':
    case 'g':
    case 'p':
      return readText(kind, data, size);
    case 'o':
      return readMSOLE(data, size);
    case 'm':
      return readMacSubPub(data, size);
    default:
      return status(OPTIONAL_ABSENT);
  }
}

LONG MapRead::readText(char tag, std::unique_ptr<unsigned char[]>& data, ULONG& size) {
  if (status_ < 0) return status_;
  if (!nextIsOpen(tag)) return status(OPTIONAL_ABSENT);
  std::unique_ptr<char[]> text;
  if (readOptString(text)) {
    size = lex->token().length;
    if (size == 0) size = 1;
    data.reset(new unsigned char[size]);
    std::memcpy(data.get(), text.get(), size);
  }
  expectClose();
  return status_;
}

namespace {

// Takes the bytes of the binary object that the lexer has just read.
void takeBinary(KMLex& lex, std::unique_ptr<unsigned char[]>& data, ULONG& size) {
  size = lex.token().length;
  data = lex.token().takeBinValue();
  if (!data) size = 0;
}

}  // namespace

LONG MapRead::readMSOLE(std::unique_ptr<unsigned char[]>& data, ULONG& size) {
  if (status_ < 0) return status_;
  if (!nextIsOpen('o')) return status(OPTIONAL_ABSENT);
  if (lex->readKMToken() == KMToken::BINARY) {
    takeBinary(*lex, data, size);
  } else {
    lex->requeueKMToken();
  }
  expectClose();
  return status_;
}

LONG MapRead::readMacSubPub(std::unique_ptr<unsigned char[]>& data, ULONG& size) {
  if (status_ < 0) return status_;
  if (!nextIsOpen('m')) return status(OPTIONAL_ABSENT);
  if (lex->readKMToken() == KMToken::BINARY) {
    takeBinary(*lex, data, size);
  } else {
    lex->requeueKMToken();
  }
  expectClose();
  return status_;
}

// ---- Specs ----

LONG MapRead::readShapeSpec(LONG& shape, LONG& fill1, LONG& fill2, LONG& line1, LONG& line2,
                            LONG& line3, LONG& shapeValue) {
  if (status_ < 0) return status_;
  if (!nextIsOpen('s')) return status(OPTIONAL_ABSENT);
  shape = readOptInt();
  expectComma();
  readFillSpec(fill1, fill2);
  expectComma();
  readLineSpec(line1, line2, line3);
  expectComma();
  shapeValue = readOptInt();
  expectClose();
  return status_;
}

LONG MapRead::readFillSpec(LONG& fill1, LONG& fill2) {
  if (status_ < 0) return status_;
  if (!nextIsOpen('f')) return status(OPTIONAL_ABSENT);
  fill1 = readOptInt();
  expectComma();
  fill2 = readOptInt();
  expectClose();
  return status_;
}

LONG MapRead::readLineSpec(LONG& line1, LONG& line2, LONG& line3) {
  if (status_ < 0) return status_;
  if (!nextIsOpen('L')) return status(OPTIONAL_ABSENT);
  line1 = readOptInt();
  expectComma();
  line2 = readOptInt();
  expectComma();
  line3 = readOptInt();
  expectClose();
  return status_;
}

LONG MapRead::readTextSpec(LONG& textSpec) {
  if (status_ < 0) return status_;
  if (!nextIsOpen('t')) return status(OPTIONAL_ABSENT);
  textSpec = readOptInt();
  expectComma();
  readFont();
  expectClose();
  return status_;
}

LONG MapRead::readFont() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('F')) return status(OPTIONAL_ABSENT);
  // Skipped without recursion; the block's end or the input's bounds the walk.
  if (lex->scanToCloseParen() != KMToken::RIGHT_PAREN) return status(EXPECTED_CLOSE_PAREN);
  return status_;
}

LONG MapRead::readParentSpec(LONG& parent) {
  if (status_ < 0) return status_;
  if (!nextIsOpen('p')) return status_;
  parent = readOptInt();
  expectComma();
  expectClose();
  return status_;
}

LONG MapRead::readLinkConstraint(LONG& constraint1, LONG& constraint2) {
  if (status_ < 0) return status_;
  if (!nextIsOpen('x')) return status_;
  constraint1 = readOptInt();
  expectComma();
  constraint2 = readOptInt();
  expectComma();
  expectClose();
  return status_;
}

LONG MapRead::readArrowHeadSpec(KM_ArrowHeadAttr& head) {
  if (status_ < 0) return status_;
  if (!nextIsOpen('h')) return status(OPTIONAL_ABSENT);
  head.value1 = readOptInt();
  expectComma();
  head.value2 = readOptInt();
  expectComma();
  head.value3 = readOptInt();
  expectComma();
  readFillSpec(head.fill1, head.fill2);
  expectComma();
  readLineSpec(head.line1, head.line2, head.line3);
  expectClose();
  return status_;
}

// ---- Attribute lists ----

LONG MapRead::readAttrs() {
  if (status_ < 0) return status_;
  if (!lex) return status(NO_INPUT);
  // Each pair consumes at least its "(V"; the first other token ends the list.
  while (status_ >= 0 && nextIsOpen('V')) {
    std::unique_ptr<char[]> name;
    std::unique_ptr<char[]> value;
    readOptString(name);
    expectComma();
    readOptString(value);
    expectClose();
    if (status_ >= 0) CMAttr(name.get(), value.get());
  }
  if (status_ >= 0) status_ = SUCCESS;
  return status_;
}

bool MapRead::classInvarient(const char* file, int line) const {
  if (lex && !lex->classInvarient(file, line)) return false;
  return KMFileInfo::classInvarient(file, line);
}
