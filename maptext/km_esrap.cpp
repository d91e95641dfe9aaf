// KMEsrap: writes map text productions in order, with implicit opening and
// closing and back-patched section counts (see km_esrap.h for the layout).
#include "maptext/km_esrap.h"

#include <cstring>

namespace {

// A rectangle coordinate with this value is left out of a rectangle.
const LONG kOmittedCoord = -32768;

bool present(LONG v) { return v != KM_ABSENT; }

}  // namespace

KMEsrap::KMEsrap(const char* appTag) : KMFileInfo(appTag) {
  resetState();
  status_ = NO_OUTPUT;
}

KMEsrap::KMEsrap(const char* appTag, const char* path) : KMFileInfo(appTag) {
  resetState();
  status_ = NO_OUTPUT;
  open(path);
}

KMEsrap::KMEsrap(std::ostream* out, const char* appTag) : KMFileInfo(appTag) {
  resetState();
  status_ = NO_OUTPUT;
  attach(out);
}

KMEsrap::~KMEsrap() {
  if (openProductions != 0 && xel) close();
}

void KMEsrap::resetState() {
  status_ = 0;
  done = 0;
  openProductions = 0;
  typesMark = nodesMark = linksMark = annotationsMark = -1;
  typesCount = nodesCount = linksCount = annotationsCount = 0;
  bodyPart = 0;
  cmPart = 0;
  cmContext = false;
}

LONG KMEsrap::open(const char* path) {
  resetState();
  xel.reset(new KMXel(path));
  if (!xel->isOpen()) return status(CANT_CREATE);
  xel->setPrettyPrint(1);
  return status_;
}

LONG KMEsrap::attach(std::ostream* out) {
  resetState();
  if (!out || !out->good()) {
    xel.reset(new KMXel());
    return status(BAD_STREAM);
  }
  xel.reset(new KMXel(*out));
  xel->setPrettyPrint(1);
  return status_;
}

void KMEsrap::setPrettyPrint(int on) {
  if (xel) xel->setPrettyPrint(on);
}

bool KMEsrap::isOpen() const { return xel && xel->isOpen(); }

LONG KMEsrap::status(LONG code) {
  status_ = code;
  return status_;
}

void KMEsrap::opt(LONG value) {
  if (present(value)) xel->write(value);
}

void KMEsrap::text(const char* s) {
  if (s) xel->write(s);
}

void KMEsrap::comma() { xel->writeSeparator(); }

// ---- Moving through the parts ----

void KMEsrap::advanceBody(int target) {
  // At most two passes: the body has three parts.
  while (writing() && bodyPart < target && bodyPart < 2) {
    if (bodyPart == 0) {
      end(P_SECTION_HEADER);
    } else if (isOpenP(P_TYPES)) {
      closeCMTypes();
    }
    comma();
    ++bodyPart;
  }
}

void KMEsrap::advanceCM(int target) {
  // At most three passes: the concept map has four parts.
  while (writing() && cmPart < target && cmPart < 3) {
    if (cmPart == 0) {
      end(P_CM_HEADER);
    } else if (cmPart == 1) {
      if (isOpenP(P_NODE_SECTION)) closeNodeSection();
    } else if (isOpenP(P_LINK_SECTION)) {
      closeLinkSection();
    }
    comma();
    ++cmPart;
  }
}

void KMEsrap::closeInner() {
  if (isOpenP(P_TYPES)) {
    closeCMTypes();
  } else if (isOpenP(P_NODE_TYPE | P_LINK_TYPE)) {
    closeNodeOrLinkType();
  }
  if (isOpenP(P_CONCEPT_MAP)) {
    closeConceptMap();
  } else {
    // Sections written on their own: close them, no separators.
    if (isOpenP(P_NODE_SECTION)) closeNodeSection();
    if (isOpenP(P_LINK_SECTION)) closeLinkSection();
    if (isOpenP(P_ANNO_SECTION)) closeAnnoSection();
    cmContext = false;
  }
}

LONG KMEsrap::close() {
  if (xel && xel->isOpen()) {
    if (isOpenP(P_BODY)) {
      closeBody();
      xel->flush();
      xel->writeEOF();
    } else {
      if (status_ >= 0) closeInner();
      xel->flush();
    }
  }
  done = 0;
  openProductions = 0;
  bodyPart = 0;
  cmPart = 0;
  cmContext = false;
  return status_;
}

// ---- File level ----

LONG KMEsrap::writeFile(const char* author, LONG version, std::istream* ext) {
  if (!writing()) return status_;
  if (isDoneP(P_FILE)) return status(FILE_DONE);
  writeSignatureLine();
  begin(P_FILE);
  return writeBody(author, version, ext);
}

LONG KMEsrap::writeSignatureLine() { return writeSignatureLine("#CM&^#"); }

LONG KMEsrap::writeSignatureLine(const char* signature) {
  if (!writing()) return status_;
  xel->writeBytes(signature != nullptr ? signature : "#CM&^#");
  xel->writeBytes(" ");
  xel->write(KM_FILE_VERSION);
  xel->writeBytes("\r\n");
  return status_;
}

LONG KMEsrap::writeBody(const char* author, LONG version, std::istream* ext) {
  if (!writing()) return status_;
  if (isOpenP(P_BODY)) return status(BODY_OPEN);
  xel->writeOpenList('B');
  begin(P_BODY);
  bodyPart = 0;
  return writeSectionHeader(author, version, ext);
}

LONG KMEsrap::writeSectionHeader(const char* author, LONG version, std::istream* ext) {
  if (!writing()) return status_;
  if (isDoneP(P_SECTION_HEADER)) return status(HEADER_DONE);
  writeAuthorSpec(author, version, 1);
  comma();
  if (cmName) writeNameSpec(cmName.get());
  if (names) xel->writeStream(names.get());
  if (authors) xel->writeStream(authors.get());
  if (comments) xel->writeStream(comments.get());
  if (extensions) xel->writeStream(extensions.get());
  if (ext) xel->writeStream(ext);
  begin(P_SECTION_HEADER);
  return status_;
}

LONG KMEsrap::closeSectionHeader() {
  if (!writing()) return status_;
  end(P_SECTION_HEADER);
  return status_;
}

LONG KMEsrap::closeBody() {
  if (!writing()) return status_;
  if (!isOpenP(P_BODY)) return status_;
  advanceBody(2);
  if (isOpenP(P_NODE_TYPE | P_LINK_TYPE)) closeNodeOrLinkType();
  if (isOpenP(P_CONCEPT_MAP)) closeConceptMap();
  if (!writing()) return status_;
  xel->writeCloseList();
  end(P_BODY | P_FILE);
  return status_;
}

LONG KMEsrap::writeAuthorSpec(const char* name, LONG version1, LONG version2) {
  if (!writing() || !name) return status_;
  xel->writeOpenList('a');
  text(name);
  comma();
  opt(version1);
  comma();
  opt(version2);
  xel->writeCloseList();
  return status_;
}

LONG KMEsrap::writeAuthorSpec(std::istream* block) {
  if (writing()) xel->writeStream(block);
  return status_;
}

LONG KMEsrap::writeNameSpec(const char* name) {
  if (!writing()) return status_;
  xel->writeOpenList('n');
  text(name);
  xel->writeCloseList();
  return status_;
}

LONG KMEsrap::writeNameSpec(std::istream* block) {
  if (writing()) xel->writeStream(block);
  return status_;
}

LONG KMEsrap::writeComment(const char* s) {
  if (!writing()) return status_;
  xel->writeOpenList('c');
  text(s);
  xel->writeCloseList();
  return status_;
}

LONG KMEsrap::writeComment(std::istream* comment) {
  if (writing()) xel->writeStream(comment);
  return status_;
}

LONG KMEsrap::writeExtension(LONG app, LONG id, const char* s) {
  if (!writing()) return status_;
  xel->writeOpenList('e');
  opt(app == -1 ? thisAppVersion2 : app);
  comma();
  opt(id);
  comma();
  text(s);
  xel->writeCloseList();
  return status_;
}

LONG KMEsrap::writeExtension(std::istream* ext) {
  if (writing()) xel->writeStream(ext);
  return status_;
}

LONG KMEsrap::writePair(const char* name, const char* value) {
  if (!writing()) return status_;
  xel->writeOpenList('V');
  text(name);
  comma();
  text(value);
  xel->writeCloseList();
  return status_;
}

// ---- Types ----

LONG KMEsrap::writeCMTypes() {
  if (!writing()) return status_;
  if (isDoneP(P_TYPES)) return status(TYPES_DONE);
  if (isOpenP(P_BODY)) {
    if (bodyPart > 1) return status(TYPES_DONE);  // the concept map is already there
    advanceBody(1);
  }
  xel->writeOpenList('T');
  xel->write(KM_SECTION_VERSION);
  comma();
  xel->writeAndMark(0, typesMark);
  comma();
  typesCount = 0;
  begin(P_TYPES);
  return status_;
}

LONG KMEsrap::closeCMTypes() {
  if (!writing() || !isOpenP(P_TYPES)) return status_;
  if (isOpenP(P_NODE_TYPE | P_LINK_TYPE)) closeNodeOrLinkType();
  xel->writeCloseList();
  xel->writeAtMark(typesCount, typesMark);
  end(P_TYPES);
  return status_;
}

LONG KMEsrap::writeNodeType(LONG id, const char* name, LONG parent, LONG shape, LONG fill1,
                            LONG fill2, LONG line1, LONG line2, LONG line3, LONG shapeValue,
                            LONG textSpec, std::istream* ext) {
  if (!writing()) return status_;
  if (isOpenP(P_BODY) && !isOpenP(P_TYPES)) {
    if (writeCMTypes() < 0) return status_;
  } else if (isOpenP(P_NODE_TYPE | P_LINK_TYPE)) {
    closeNodeOrLinkType();
  }
  xel->writeOpenList('n');
  opt(id);
  comma();
  text(name);
  comma();
  writeParentSpec(parent);
  comma();
  if (present(shape) || present(fill1) || present(fill2) || present(line1) || present(line2) ||
      present(line3) || present(shapeValue)) {
    writeShapeSpec(shape, fill1, fill2, line1, line2, line3, shapeValue);
  }
  comma();
  if (present(textSpec)) writeTextSpec(textSpec);
  comma();
  if (ext) xel->writeStream(ext);
  begin(P_NODE_TYPE);
  if (isOpenP(P_TYPES)) ++typesCount;
  return status_;
}

LONG KMEsrap::writeLinkType(LONG id, const char* name, LONG parent, LONG constraint1,
                            LONG constraint2, LONG textSpec, LONG line1, LONG line2, LONG line3,
                            LONG lineValue, LONG a1Value1, LONG a1Value2, LONG a1Value3,
                            LONG a1Fill1, LONG a1Fill2, LONG a1Line1, LONG a1Line2,
                            LONG a1Line3, LONG a2Value1, LONG a2Value2, LONG a2Value3,
                            LONG a2Fill1, LONG a2Fill2, LONG a2Line1, LONG a2Line2,
                            LONG a2Line3, std::istream* ext) {
  KM_ArrowHeadAttr h1 = {a1Value1, a1Value2, a1Value3, a1Fill1, a1Fill2, a1Line1, a1Line2, a1Line3};
  KM_ArrowHeadAttr h2 = {a2Value1, a2Value2, a2Value3, a2Fill1, a2Fill2, a2Line1, a2Line2, a2Line3};
  return writeLinkType(id, name, parent, constraint1, constraint2, textSpec, line1, line2, line3,
                       lineValue, h1, h2, ext);
}

namespace {

bool anyPresent(const KM_ArrowHeadAttr& h) {
  return present(h.value1) || present(h.value2) || present(h.value3) || present(h.fill1) ||
         present(h.fill2) || present(h.line1) || present(h.line2) || present(h.line3);
}

}  // namespace

LONG KMEsrap::writeLinkType(LONG id, const char* name, LONG parent, LONG constraint1,
                            LONG constraint2, LONG textSpec, LONG line1, LONG line2, LONG line3,
                            LONG lineValue, const KM_ArrowHeadAttr& head1,
                            const KM_ArrowHeadAttr& head2, std::istream* ext) {
  if (!writing()) return status_;
  if (isOpenP(P_BODY) && !isOpenP(P_TYPES)) {
    if (writeCMTypes() < 0) return status_;
  } else if (isOpenP(P_NODE_TYPE | P_LINK_TYPE)) {
    closeNodeOrLinkType();
  }
  xel->writeOpenList('l');
  opt(id);
  comma();
  text(name);
  comma();
  writeParentSpec(parent);
  comma();
  writeLinkConstraint(constraint1, constraint2);
  comma();
  if (present(textSpec)) writeTextSpec(textSpec);
  comma();
  if (present(line1) || present(line2) || present(line3)) writeLineSpec(line1, line2, line3);
  comma();
  opt(lineValue);
  comma();
  if (anyPresent(head1)) {
    writeArrowHeadSpec(head1.value1, head1.value2, head1.value3, head1.fill1, head1.fill2,
                       head1.line1, head1.line2, head1.line3);
  }
  comma();
  if (anyPresent(head2)) {
    writeArrowHeadSpec(head2.value1, head2.value2, head2.value3, head2.fill1, head2.fill2,
                       head2.line1, head2.line2, head2.line3);
  }
  comma();
  if (ext) xel->writeStream(ext);
  begin(P_LINK_TYPE);
  if (isOpenP(P_TYPES)) ++typesCount;
  return status_;
}

LONG KMEsrap::closeNodeOrLinkType() {
  if (!writing() || !isOpenP(P_NODE_TYPE | P_LINK_TYPE)) return status_;
  xel->writeCloseList();
  end(P_NODE_TYPE | P_LINK_TYPE);
  return status_;
}

// ---- Concept map ----

LONG KMEsrap::writeConceptMap(const RECT* bounds, const RECT* viewport, LONG extra) {
  if (!writing()) return status_;
  if (isDoneP(P_CONCEPT_MAP)) return status(CM_DONE);
  if (isOpenP(P_BODY)) {
    advanceBody(2);
  } else if (isOpenP(P_TYPES)) {
    closeCMTypes();
  }
  if (isOpenP(P_NODE_TYPE | P_LINK_TYPE)) closeNodeOrLinkType();
  if (!writing()) return status_;
  xel->writeOpenList('C');
  xel->write(KM_SECTION_VERSION);
  comma();
  begin(P_CONCEPT_MAP);
  cmContext = true;
  cmPart = 0;
  return writeCMHeader(bounds, viewport, extra);
}

LONG KMEsrap::writeCMHeader(const RECT* bounds, const RECT* viewport, LONG extra) {
  if (!writing()) return status_;
  writeRectangle(bounds);
  comma();
  writeRectangle(viewport);
  comma();
  opt(extra);
  comma();
  // The comma that ends the header (after the one that ends `extra`) is
  // written when the next part starts.
  begin(P_CM_HEADER);
  return status_;
}

LONG KMEsrap::closeCMHeader() {
  if (!writing()) return status_;
  end(P_CM_HEADER);
  return status_;
}

LONG KMEsrap::closeConceptMap() {
  if (!writing() || !isOpenP(P_CONCEPT_MAP)) return status_;
  advanceCM(3);
  if (isOpenP(P_ANNO_SECTION)) closeAnnoSection();
  if (!writing()) return status_;
  xel->writeCloseList();
  end(P_CONCEPT_MAP | P_CM_HEADER);
  cmContext = false;
  return status_;
}

LONG KMEsrap::writeNodeSection() {
  if (!writing()) return status_;
  if (isOpenP(P_BODY) && !isOpenP(P_CONCEPT_MAP)) {
    if (writeConceptMap(nullptr, nullptr, KM_ABSENT) < 0) return status_;
  }
  if (isDoneP(P_NODE_SECTION)) return status(NODES_DONE);
  if (cmContext) {
    if (cmPart > 1) return status(NODES_DONE);  // a later section is already there
    advanceCM(1);
  } else {
    cmContext = true;
    cmPart = 1;
  }
  xel->writeOpenList('N');
  xel->write(KM_SECTION_VERSION);
  comma();
  xel->writeAndMark(0, nodesMark);
  comma();
  nodesCount = 0;
  begin(P_NODE_SECTION);
  return status_;
}

LONG KMEsrap::closeNodeSection() {
  if (!writing() || !isOpenP(P_NODE_SECTION)) return status_;
  if (isOpenP(P_NODE_OBJECT)) closeNodeObj();
  xel->writeCloseList();
  xel->writeAtMark(nodesCount, nodesMark);
  end(P_NODE_SECTION);
  return status_;
}

LONG KMEsrap::writeNodeObject(LONG id, const char* name, LONG typeId, const char* typeName,
                              LONG x, LONG y, LONG x2, LONG y2, ULONG flags, LONG refId,
                              const char* ref, std::istream* ext) {
  if (!writing()) return status_;
  if (!isOpenP(P_NODE_SECTION)) {
    if (writeNodeSection() < 0) return status_;
  } else if (isOpenP(P_NODE_OBJECT)) {
    closeNodeObj();
  }
  xel->writeOpenList('n');
  opt(id);
  comma();
  text(name);
  comma();
  if (present(typeId)) {
    xel->write(typeId);
  } else {
    text(typeName);
  }
  comma();
  opt(x);
  comma();
  opt(y);
  comma();
  opt(x2);
  comma();
  opt(y2);
  comma();
  opt(static_cast<LONG>(flags));
  comma();
  if (present(refId)) {
    xel->write(refId);
  } else {
    text(ref);
  }
  comma();
  if (ext) xel->writeStream(ext);
  begin(P_NODE_OBJECT);
  ++nodesCount;
  return status_;
}

LONG KMEsrap::closeNodeObj() {
  if (!writing() || !isOpenP(P_NODE_OBJECT)) return status_;
  xel->writeCloseList();
  end(P_NODE_OBJECT);
  return status_;
}

LONG KMEsrap::writeLinkSection() {
  if (!writing()) return status_;
  // A second link section is named as such; otherwise links need the node
  // section open right before them.
  if (isDoneP(P_LINK_SECTION)) return status(LINKS_DONE);
  if (!isOpenP(P_NODE_SECTION)) return status(NO_NODE_SECTION);
  advanceCM(2);
  if (!writing()) return status_;
  xel->writeOpenList('L');
  xel->write(KM_SECTION_VERSION);
  comma();
  xel->writeAndMark(0, linksMark);
  comma();
  linksCount = 0;
  begin(P_LINK_SECTION);
  return status_;
}

LONG KMEsrap::closeLinkSection() {
  if (!writing() || !isOpenP(P_LINK_SECTION)) return status_;
  if (isOpenP(P_LINK_OBJECT)) closeLinkObj();
  xel->writeCloseList();
  xel->writeAtMark(linksCount, linksMark);
  end(P_LINK_SECTION);
  return status_;
}

LONG KMEsrap::writeLinkObject(LONG id, LONG typeId, const char* typeName, LONG node1,
                              LONG node2, LONG a, LONG b, ULONG flags, LONG refId,
                              const char* ref, std::istream* ext) {
  if (!writing()) return status_;
  if (!isOpenP(P_LINK_SECTION)) {
    if (writeLinkSection() < 0) return status_;
  } else if (isOpenP(P_LINK_OBJECT)) {
    closeLinkObj();
  }
  xel->writeOpenList('l');
  opt(id);
  comma();
  if (present(typeId)) {
    xel->write(typeId);
  } else {
    text(typeName);
  }
  comma();
  xel->writeOpenList('i');
  opt(node1);
  comma();
  opt(node2);
  xel->writeCloseList();
  comma();
  opt(a);
  comma();
  opt(b);
  comma();
  opt(static_cast<LONG>(flags));
  comma();
  if (present(refId)) {
    xel->write(refId);
  } else {
    text(ref);
  }
  comma();
  if (ext) xel->writeStream(ext);
  begin(P_LINK_OBJECT);
  ++linksCount;
  return status_;
}

LONG KMEsrap::closeLinkObj() {
  if (!writing() || !isOpenP(P_LINK_OBJECT)) return status_;
  xel->writeCloseList();
  end(P_LINK_OBJECT);
  return status_;
}

LONG KMEsrap::writeAnnotationSection() {
  if (!writing()) return status_;
  if (isOpenP(P_BODY) && !isOpenP(P_CONCEPT_MAP)) {
    if (writeConceptMap(nullptr, nullptr, KM_ABSENT) < 0) return status_;
  }
  if (isDoneP(P_ANNO_SECTION)) return status(ANNOTATIONS_DONE);
  if (cmContext) {
    advanceCM(3);
  } else {
    cmContext = true;
    cmPart = 3;
  }
  if (!writing()) return status_;
  xel->writeOpenList('A');
  xel->write(KM_SECTION_VERSION);
  comma();
  xel->writeAndMark(0, annotationsMark);
  comma();
  annotationsCount = 0;
  begin(P_ANNO_SECTION);
  return status_;
}

LONG KMEsrap::closeAnnoSection() {
  if (!writing() || !isOpenP(P_ANNO_SECTION)) return status_;
  if (isOpenP(P_ANNO_OBJECT)) closeAnnoObj();
  xel->writeCloseList();
  xel->writeAtMark(annotationsCount, annotationsMark);
  end(P_ANNO_SECTION);
  return status_;
}

LONG KMEsrap::writeAnnotationObject(LONG id, const char* name, LONG x, LONG y, LONG x2, LONG y2,
                                    ULONG flags, const LONG* values, int valueCount, char kind,
                                    const void* data, ULONG dataSize, std::istream* ext,
                                    LONG extra) {
  if (!writing()) return status_;
  // Checked before anything is written, so that a bad kind leaves no half
  // object behind.
  if (kind != 't' && kind != 'g' && kind != 'p' && kind != 'o' && kind != 'm') {
    return status(BAD_ANNOTATION_KIND);
  }
  if (!isOpenP(P_ANNO_SECTION)) {
    if (writeAnnotationSection() < 0) return status_;
  } else if (isOpenP(P_ANNO_OBJECT)) {
    closeAnnoObj();
  }
  xel->writeOpenList('a');
  opt(id);
  comma();
  text(name);
  comma();
  opt(x);
  comma();
  opt(y);
  comma();
  opt(x2);
  comma();
  opt(y2);
  comma();
  opt(static_cast<LONG>(flags));
  comma();
  // Every value is written, absent ones included, so that the count survives.
  for (int i = 0; values && i < valueCount; ++i) xel->write(values[i]);
  comma();
  opt(extra);
  comma();
  if (kind == 'o') {
    writeMSOLE(data, dataSize);
  } else if (kind == 'm') {
    writeMacSubPub(data, dataSize);
  } else {
    writeText(kind, static_cast<const char*>(data));
  }
  comma();
  if (ext) xel->writeStream(ext);
  begin(P_ANNO_OBJECT);
  ++annotationsCount;
  return status_;
}

LONG KMEsrap::closeAnnoObj() {
  if (!writing() || !isOpenP(P_ANNO_OBJECT)) return status_;
  xel->writeCloseList();
  end(P_ANNO_OBJECT);
  return status_;
}

LONG KMEsrap::writeText(char kind, const char* s) {
  if (!writing()) return status_;
  xel->writeOpenList(kind);
  text(s);
  xel->writeCloseList();
  return status_;
}

LONG KMEsrap::writeMSOLE(const void* data, ULONG size) {
  if (!writing()) return status_;
  xel->writeOpenList('o');
  if (data) xel->write(data, static_cast<LONG>(size));
  xel->writeCloseList();
  return status_;
}

LONG KMEsrap::writeMacSubPub(const void* data, ULONG size) {
  if (!writing()) return status_;
  xel->writeOpenList('m');
  if (data) xel->write(data, static_cast<LONG>(size));
  xel->writeCloseList();
  return status_;
}

// ---- Specs ----

LONG KMEsrap::writeRectangle(const RECT* rect) {
  if (!writing() || !rect) return status_;
  const LONG coords[4] = {rect->left, rect->top, rect->right, rect->bottom};
  xel->writeOpenList('r');
  for (int i = 0; i < 4; ++i) {
    if (i > 0) comma();
    if (coords[i] != kOmittedCoord) opt(coords[i]);
  }
  xel->writeCloseList();
  return status_;
}

LONG KMEsrap::writeShapeSpec(LONG shape, LONG fill1, LONG fill2, LONG line1, LONG line2,
                             LONG line3, LONG shapeValue) {
  if (!writing()) return status_;
  xel->writeOpenList('s');
  opt(shape);
  comma();
  if (present(fill1) || present(fill2)) writeFillSpec(fill1, fill2);
  comma();
  if (present(line1) || present(line2) || present(line3)) writeLineSpec(line1, line2, line3);
  comma();
  opt(shapeValue);
  xel->writeCloseList();
  return status_;
}

LONG KMEsrap::writeParentSpec(LONG parent) {
  if (!writing()) return status_;
  xel->writeOpenList('p');
  opt(parent);
  comma();
  xel->writeCloseList();
  return status_;
}

LONG KMEsrap::writeLinkConstraint(LONG constraint1, LONG constraint2) {
  if (!writing()) return status_;
  xel->writeOpenList('x');
  opt(constraint1);
  comma();
  opt(constraint2);
  comma();
  xel->writeCloseList();
  return status_;
}

LONG KMEsrap::writeFillSpec(LONG fill1, LONG fill2) {
  if (!writing()) return status_;
  xel->writeOpenList('f');
  opt(fill1);
  comma();
  opt(fill2);
  xel->writeCloseList();
  return status_;
}

LONG KMEsrap::writeLineSpec(LONG line1, LONG line2, LONG line3) {
  if (!writing()) return status_;
  xel->writeOpenList('L');
  opt(line1);
  comma();
  opt(line2);
  comma();
  opt(line3);
  xel->writeCloseList();
  return status_;
}

LONG KMEsrap::writeTextSpec(LONG textSpec) {
  if (!writing()) return status_;
  xel->writeOpenList('t');
  opt(textSpec);
  comma();
  writeFont();
  xel->writeCloseList();
  return status_;
}

LONG KMEsrap::writeFont() { return status_; }

LONG KMEsrap::writeArrowHeadSpec(LONG value1, LONG value2, LONG value3, LONG fill1, LONG fill2,
                                 LONG line1, LONG line2, LONG line3) {
  if (!writing()) return status_;
  xel->writeOpenList('h');
  opt(value1);
  comma();
  opt(value2);
  comma();
  opt(value3);
  comma();
  if (present(fill1) || present(fill2)) writeFillSpec(fill1, fill2);
  comma();
  if (present(line1) || present(line2) || present(line3)) writeLineSpec(line1, line2, line3);
  xel->writeCloseList();
  return status_;
}

bool KMEsrap::classInvarient(const char* file, int line) const {
  // Whatever is open has been started.
  if ((openProductions & ~done) != 0) return false;
  if (bodyPart < 0 || bodyPart > 2 || cmPart < 0 || cmPart > 3) return false;
  // Objects are open only inside their open section.
  if (isOpenP(P_NODE_OBJECT) && !isOpenP(P_NODE_SECTION)) return false;
  if (isOpenP(P_LINK_OBJECT) && !isOpenP(P_LINK_SECTION)) return false;
  if (isOpenP(P_ANNO_OBJECT) && !isOpenP(P_ANNO_SECTION)) return false;
  return !xel || xel->classInvarient(file, line);
}
