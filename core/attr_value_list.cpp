// The attribute list of a page or link.
#include "core/attr_value_list.h"

AttrValue::AttrValue(const char* name, const char* value)
    : name_(name), value_(value != nullptr ? new String(value) : nullptr) {}

AttrValueList::~AttrValueList() { clear(); }

void AttrValueList::add(const char* name, const char* value) {
  std::unique_ptr<AttrValue> v(new AttrValue(name, value));
  v->next_ = std::move(head_);
  head_ = std::move(v);
  ++count_;
}

const AttrValue* AttrValueList::find(const char* name) const {
  const String key(name);
  for (const AttrValue* v = head_.get(); v != nullptr; v = v->next_.get())
    if (v->name_.isEqual(key)) return v;
  return nullptr;
}

int AttrValueList::remove(const char* name) {
  const String key(name);
  int removed = 0;
  std::unique_ptr<AttrValue>* link = &head_;
  while (*link) {
    if ((*link)->name_.isEqual(key)) {
      std::unique_ptr<AttrValue> gone = std::move(*link);
      *link = std::move(gone->next_);
      ++removed;
      --count_;
    } else {
      link = &(*link)->next_;
    }
  }
  return removed;
}

void AttrValueList::clear() {
  // Unlink iteratively so that a long list cannot overflow the stack.
  while (head_) head_ = std::move(head_->next_);
  count_ = 0;
}
