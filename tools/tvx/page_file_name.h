// page_file_name.h: the file name a page of a book is written under by the
// commands that write one file per page ("tvx render --all", "tvx html"):
// "ID-WORD" where WORD is the page's name reduced to lower-case letters,
// digits, '-' and '_' (blanks become '-', everything else is left out, at
// most 60 characters). The ID keeps names unique whatever the page names are;
// no name can reach outside the folder or start with a dot.
#ifndef TOOLS_TVX_PAGE_FILE_NAME_H
#define TOOLS_TVX_PAGE_FILE_NAME_H

#include <string>

// The page name as part of a file name (may be empty).
std::string pageFileWord(const std::string& name);

// "ID-WORD", or "ID" when the word is empty; without an extension.
std::string pageFileBase(unsigned long id, const std::string& name);

#endif  // TOOLS_TVX_PAGE_FILE_NAME_H
