// A link type: the colours a link of that type is drawn with and the node
// types its ends are meant to join, read from and written as a map-text
// link-type record.
//
// Attributes and their record fields:
//
//   ATTR  MEANING                        RECORD FIELD
//   0     text colour                    textSpec
//   1     colour of the line parts       line1
//   2     id of the source node type     constraint1
//   3     id of the destination type     constraint2
//   -     not kept                       line2, line3 (written unset),
//                                        lineValue (written as 1),
//                                        both arrow heads (written unset)
//
// The root, LinkType::Undefined(): id 0, "Undefined", parent 0, every
// attribute 0; made once, on first use, from a constant record.
#ifndef PLUGIN_LINK_TYPE_H
#define PLUGIN_LINK_TYPE_H

#include "maptext/km_records.h"
#include "plugin/x_type.h"

class LinkType : public CommonType {
 public:
  enum Attr { TextColor = 0, LineColor = 1, Source = 2, Destination = 3 };
  static constexpr uint16_t AttrCount = 4;
  // The line value every link type is written with.
  static constexpr LONG LineValue = 1;

  explicit LinkType(const KM_LinkType& record);
  LinkType(TypeRep* rep, LONG id, const char* name, LONG parent, const LONG* values);

  // The root link type.
  static const LinkType& Undefined();

  std::unique_ptr<XType> clone(const char* name) const override;
  const XType& undefined() const override { return Undefined(); }
  bool saveOn(KMEsrap& w) const override;
};

#endif  // PLUGIN_LINK_TYPE_H
