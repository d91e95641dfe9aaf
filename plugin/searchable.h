// What a find asks of a page window and of the graphics on it: whether
// something in it matches the find parameters (matchFound), and to show the
// first match and note where it is (firstMatch). A page window answers by
// asking each of its graphics that is Searchable; an idea symbol matches on its
// name, a link box on its label, a text box on its text.
#ifndef PLUGIN_SEARCHABLE_H
#define PLUGIN_SEARCHABLE_H

class SearchToken;
class TFindParams;

class Searchable {
 public:
  virtual ~Searchable() = default;
  // Nonzero when something in this object matches.
  virtual int matchFound(TFindParams* params) const = 0;
  // Notes the first match in `token` and shows it: 0 when there was one,
  // 1 when nothing matches.
  virtual int firstMatch(TFindParams* params, SearchToken& token) = 0;
};

#endif  // PLUGIN_SEARCHABLE_H
