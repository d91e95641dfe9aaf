// Reads and writes the attribute list of a page or link: map-text pairs
// (V"name","value") followed by ")" and a line end, kept in facet 3 of the entry.
// The reader is a translator opened on the attribute stream with the file
// information tag "Nexil"; it adds every pair it reads to the target list.
#ifndef CORE_ATTR_TRANSLATOR_H
#define CORE_ATTR_TRANSLATOR_H

#include <iosfwd>

#include "core/attr_value_list.h"
#include "maptext/km_translator.h"

class AttrTranslator : public KMTranslator {
 public:
  AttrTranslator(std::iostream* stream, AttrValueList& list);
  ~AttrTranslator() override;

  // Reads the attribute list from the stream's start into the target list;
  // returns the parser's status (0 on success).
  LONG read();
  // Writes `list` in list order as pairs, then ")" and a line end, at the
  // stream's put position. 0 when every pair was written, 1 otherwise.
  static int write(std::ostream* stream, const AttrValueList& list);

  int CMFileHeader(KM_FileHeader&) override { return 1; }
  int CMCM(KM_CM&) override { return 0; }
  int CMNode(KM_Node&) override { return 0; }
  int CMLink(KM_Link&) override { return 0; }
  int CMNodeType(KM_NodeType&) override { return 0; }
  int CMLinkType(KM_LinkType&) override { return 0; }
  int CMAnnotation(KM_Annotation&) override { return 0; }
  int CMAttr(char* name, char* value) override;

 private:
  AttrValueList& list_;
};

#endif  // CORE_ATTR_TRANSLATOR_H
