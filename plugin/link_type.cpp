// LinkType: the link-type record's fields as attributes and back.
#include "plugin/link_type.h"

#include "maptext/km_esrap.h"

namespace {

const LONG A = KM_ABSENT;
const KM_ArrowHeadAttr kNoHead = {A, A, A, A, A, A, A, A};

// The record the root link type is made from.
const KM_LinkType kUndefinedRecord = {KM_SECTION_VERSION, 0, "Undefined", 0,
                                      /*constraint1*/ 0, /*constraint2*/ 0, /*textSpec*/ 0,
                                      /*line1*/ 0, A, A, LinkType::LineValue, kNoHead, kNoHead,
                                      nullptr};

}  // namespace

LinkType::LinkType(const KM_LinkType& r) {
  const LONG values[AttrCount] = {r.textSpec, r.line1, r.constraint1, r.constraint2};
  init(nullptr, r.id, r.name, r.parent, AttrCount, values);
}

LinkType::LinkType(TypeRep* rep, LONG id, const char* name, LONG parent, const LONG* values) {
  init(rep, id, name, parent, AttrCount, values);
}

const LinkType& LinkType::Undefined() {
  static const LinkType root(kUndefinedRecord);
  return root;
}

std::unique_ptr<XType> LinkType::clone(const char* name) const {
  LONG values[AttrCount];
  for (int i = 0; i < AttrCount; ++i) values[i] = peek(i);
  return std::unique_ptr<XType>(new LinkType(rep(), -1, name, parent(), values));
}

bool LinkType::saveOn(KMEsrap& w) const {
  w.writeLinkType(id(), name(), parent(), peek(Source), peek(Destination), peek(TextColor),
                  peek(LineColor), A, A, LineValue, kNoHead, kNoHead, nullptr);
  w.closeNodeOrLinkType();
  return w.getStatus() < 0;
}
