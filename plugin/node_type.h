// A node type: the display attributes an idea symbol of that type is drawn
// with, read from and written as a map-text node-type record.
//
// Attributes and their record fields:
//
//   ATTR  MEANING            RECORD FIELD
//   0     text colour        textSpec
//   1     line colour        line1
//   2     fill colour        fill1
//   3     shape (glyph)      shape
//   4     shape value        shapeValue
//   -     not kept           fill2, line2, line3 (written unset)
//
// Colours are COLORREF values (0x00BBGGRR). An idea symbol passes attributes
// 2, 1 and 0 together to its colour setter (fill, line, text) and 3 and 4 to
// its shape setter.
//
// The root, NodeType::Undefined(): id 0, "Undefined", parent 0, text and line
// colour 0 (black), fill 0xFFFFFF (white), shape 2, shape value 0; made once,
// on first use, from a constant record.
#ifndef PLUGIN_NODE_TYPE_H
#define PLUGIN_NODE_TYPE_H

#include "maptext/km_records.h"
#include "plugin/x_type.h"

class NodeType : public CommonType {
 public:
  enum Attr { TextColor = 0, LineColor = 1, FillColor = 2, Shape = 3, ShapeValue = 4 };
  static constexpr uint16_t AttrCount = 5;

  // Id, name and parent from the record, the attributes by the table above;
  // no repository yet.
  explicit NodeType(const KM_NodeType& record);
  // A type with the given fields (values null: all unset).
  NodeType(TypeRep* rep, LONG id, const char* name, LONG parent, const LONG* values);

  // The root node type.
  static const NodeType& Undefined();

  std::unique_ptr<XType> clone(const char* name) const override;
  const XType& undefined() const override { return Undefined(); }
  bool saveOn(KMEsrap& w) const override;
};

#endif  // PLUGIN_NODE_TYPE_H
