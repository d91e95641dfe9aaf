// A reference by text to a page or link of some book, so that it can be stored in
// map text, link records and the profile, and later resolved to an open book and
// an entry ID. NodeRef and LinkRef derive from it.
//
// Reference text:
//
//   [network "#@"] [book "#$"] entry
//   entry = digits [":" name] | ":" name | name
//
//   PART      MEANING
//   network   the network node of the book; needs a book part
//   book      a book file name, or "<this>" (also when left out) for the book the
//             reference is used in (its context)
//   digits    the entry ID in decimal
//   name      the entry name; never holds "#@" or "#$"
//
// Each part is at most 256 characters. Examples: <this>#$12:Home, plan.tvx#$7, :Home.
//
// Locality: 0 the book is remote, 1 local, 2 not known yet (also: cannot be resolved).
#ifndef CORE_COMPONENT_REF_H
#define CORE_COMPONENT_REF_H

#include <iosfwd>

#include "core/db.h"
#include "kit/string.h"
#include "platform/windows_types.h"

class Nexil;

class ComponentRef {
 public:
  static const char DelimNN1 = '#';
  static const char DelimNN2 = '@';
  static const char DelimDB1 = '#';
  static const char DelimDB2 = '$';
  static const ULONG NoUID = 0xFFFFFFFFu;
  static const int MaxPart = 256;
  enum Locality { Remote = 0, Local = 1, Unknown = 2 };

  ComponentRef();
  ComponentRef(const ComponentRef& other);
  ComponentRef& operator=(const ComponentRef& other);

  // ---- Virtual operations, in slot order ----
  virtual void classInvarient(const char* file, int line) const;
  virtual ~ComponentRef();
  virtual DB* db() const { return db_.db(); }
  virtual DB* context() const { return context_.db(); }
  virtual int locality() const { return locality_; }
  virtual const String& name() const { return name_; }
  virtual ULONG uid() const { return uid_; }
  virtual const String& dbName() const { return dbName_; }
  virtual const String& nnode() const;
  virtual bool operator==(const ComponentRef& other) const;
  virtual void db(DB* d);
  virtual void context(DB* d) { context_.ref(d); }
  virtual void locality(int l) { locality_ = l; }
  virtual void uid(ULONG id) { uid_ = id; }
  virtual void dbName(const String& name);
  virtual void dbName(const String& net, const String& db);
  virtual void name(const String& n) { name_ = n; }
  virtual int rename(const String* name, const String* type, const ULONG* flags);
  virtual int lookup(String* name, String* type, ULONG* flags);
  // The book and entry for messages: at most 795 characters.
  virtual String dbDescription() const;
  virtual int createAttribute(const char* name, const char* value);
  virtual int createIntAttribute(const char* name, int value);
  virtual int getAttributeLen(const char* name, int& len);
  virtual int getAttribute(const char* name, char* buf, int& len);
  virtual int getIntAttribute(const char* name, int& value);
  virtual int removeAttribute(const char* name);
  // The reference as text (given by the page and link references).
  virtual String makeString(Nexil& app, bool relative) = 0;
  virtual String Description() = 0;
  virtual bool localFile(Nexil& app);
  virtual int resolve(Nexil& app);
  virtual bool isEmpty(Nexil& app) = 0;
  virtual int verify(Nexil& app, String* type);

  // Back to the empty reference: locality 2, no books, empty texts, no ID.
  void init();
  // Splits a reference text into its parts (see the header comment).
  void parse(const char* text);

  // Flushes an output stream (and its file buffer).
  static void flushStream(std::ostream* s);
  // Flushes and, for a file stream, closes it.
  static void closeStream(std::iostream* s);

 private:
  int locality_ = Unknown;
  DBRef db_;
  DBRef context_;
  String dbName_;
  String name_;
  ULONG uid_ = NoUID;
};

#endif  // CORE_COMPONENT_REF_H
