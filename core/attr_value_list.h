// The attributes of a page or link as a list of (name, value) pairs: what the
// book's attribute facet holds, read and written as map-text pairs.
//
// A value may be absent (the attribute is present without a value). Adding puts
// the new pair at the front; lookups compare names exactly.
#ifndef CORE_ATTR_VALUE_LIST_H
#define CORE_ATTR_VALUE_LIST_H

#include <memory>

#include "kit/string.h"

class AttrValue {
 public:
  AttrValue(const char* name, const char* value);
  const String& name() const { return name_; }
  // The value, or null when the attribute has none.
  const String* value() const { return value_.get(); }

 private:
  friend class AttrValueList;
  String name_;
  std::unique_ptr<String> value_;
  std::unique_ptr<AttrValue> next_;
};

class AttrValueList {
 public:
  AttrValueList() = default;
  ~AttrValueList();
  AttrValueList(const AttrValueList&) = delete;
  AttrValueList& operator=(const AttrValueList&) = delete;

  // Puts (name, value) at the front; a null value makes a value-less attribute.
  void add(const char* name, const char* value);
  // The first pair with this name, or null.
  const AttrValue* find(const char* name) const;
  // Drops every pair with this name; returns how many went.
  int remove(const char* name);
  void clear();
  int count() const { return count_; }
  // The pairs in list order (the most recently added first).
  const AttrValue* first() const { return head_.get(); }
  static const AttrValue* next(const AttrValue* v) { return v->next_.get(); }

 private:
  std::unique_ptr<AttrValue> head_;
  int count_ = 0;
};

#endif  // CORE_ATTR_VALUE_LIST_H
