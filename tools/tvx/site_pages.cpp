// site_pages.cpp: the texts of a book's web site (see site_pages.h).
#include "tools/tvx/site_pages.h"

#include <map>

#include "kit/json_text.h"
#include "tools/tvx/web_text.h"

namespace {

// The most words of one page the search index keeps.
constexpr std::size_t kMaxSearchWords = 2000;

std::string head(const std::string& title) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         "<title>" + title + "</title>\n<link rel=\"icon\" href=\"data:,\">\n"
         "<link rel=\"stylesheet\" href=\"style.css\">\n</head>\n<body>\n";
}

std::string bookNav(const SiteBook& book) {
  std::string out = "<nav aria-label=\"Book\"><a href=\"index.html\">" + htmlEscape(book.title) + "</a>";
  if (const SitePage* home = book.home()) {
    out += " · <a href=\"" + home->base + ".html\">Home page</a>";
  }
  return out + " · <a href=\"index.html#pages\">All pages</a></nav>\n";
}

// A web address as a link when it may be one, else as text.
std::string webAddress(const std::string& url) {
  if (isSafeWebAddress(url)) {
    return "<a href=\"" + htmlEscape(url) + "\" target=\"_blank\" rel=\"noopener\">" + htmlEscape(url) + "</a>";
  }
  return "<span class=\"address\">" + htmlEscape(url, 2048) + "</span> (not linked)";
}

std::string symbolName(const OutlineSymbol& s) { return webText(s.label.empty() ? "Untitled" : s.label, 1000); }

// The sentence a link box stands for: "Ceres part of Asteroid belt".
std::string linkSentence(const PageOutline& page, const OutlineLink& l) {
  const OutlineSymbol* from = page.symbol(l.source);
  std::string out = from != nullptr ? symbolName(*from) : std::string("(nothing)");
  out += " " + webText(l.label.empty() ? l.type : l.label, 1000);
  bool first = true;
  for (LONG d : l.destinations) {
    const OutlineSymbol* to = page.symbol(d);
    if (to == nullptr) continue;
    out += (first ? " " : ", ") + symbolName(*to);
    first = false;
  }
  return out;
}

}  // namespace

const SitePage* SiteBook::home() const {
  for (const SitePage& p : pages)
    if (p.home) return &p;
  return nullptr;
}

std::string SiteBook::fileOf(ULONG id) const {
  auto it = byId.find(id);
  return it == byId.end() ? std::string() : pages[it->second].base + ".html";
}

std::vector<SvgArea> pageAreas(const SiteBook& book, const PageOutline& page) {
  std::vector<SvgArea> areas;
  std::multimap<LONG, const OutlineLink*> linksFrom;
  for (const OutlineLink& l : page.links) linksFrom.emplace(l.source, &l);
  for (std::size_t i : readingOrder(page)) {
    const OutlineSymbol& s = page.symbols[i];
    SvgArea a;
    a.rect = s.rect;
    a.label = symbolName(s);
    const std::string file = s.leadsToPage ? book.fileOf(s.page) : std::string();
    if (!file.empty()) {
      a.href = file;
    } else if (isSafeWebAddress(s.url)) {
      a.href = s.url;
      a.external = true;
    }
    areas.push_back(std::move(a));
    const auto from = linksFrom.equal_range(s.id);
    for (auto it = from.first; it != from.second; ++it) {
      SvgArea b;
      b.rect = it->second->rect;
      b.label = linkSentence(page, *it->second);
      areas.push_back(std::move(b));
    }
  }
  for (const OutlineLink& l : page.links) {
    if (page.symbol(l.source) != nullptr) continue;  // read after its source
    SvgArea b;
    b.rect = l.rect;
    b.label = linkSentence(page, l);
    areas.push_back(std::move(b));
  }
  for (const OutlineNote& n : page.notes) {
    SvgArea a;
    a.rect = n.rect;
    a.label = webText(n.text, 4000);
    areas.push_back(std::move(a));
  }
  return areas;
}

std::string pageHtml(const SiteBook& book, const SitePage& page, const PageOutline& outline, const std::string& svg) {
  const std::string name = htmlEscape(page.name);
  std::string out = head(name + " — " + htmlEscape(book.title));
  out += "<header>\n" + bookNav(book) + "<h1>" + name + "</h1>\n<p class=\"about\">";
  if (!page.type.empty()) out += "A page of type " + htmlEscape(page.type) + ".";
  if (!page.url.empty()) out += " Web address: " + webAddress(page.url) + ".";
  out += "</p>\n</header>\n<main>\n<figure class=\"map\">\n" + svg + "</figure>\n";

  out += "<section aria-labelledby=\"on-page\">\n<h2 id=\"on-page\">On this page</h2>\n";
  const std::vector<std::size_t> order = readingOrder(outline);
  if (!order.empty()) {
    out += "<h3>Ideas</h3>\n<ul class=\"ideas\">\n";
    for (std::size_t i : order) {
      const OutlineSymbol& s = outline.symbols[i];
      const std::string label = htmlEscape(symbolName(s));
      const std::string file = s.leadsToPage ? book.fileOf(s.page) : std::string();
      out += "<li>";
      if (!file.empty()) out += "<a href=\"" + file + "\">" + label + "</a>";
      else if (isSafeWebAddress(s.url)) out += "<a href=\"" + htmlEscape(s.url) + "\" target=\"_blank\" rel=\"noopener\">" + label + "</a>";
      else out += label;
      if (!s.type.empty()) out += " <span class=\"type\">(" + htmlEscape(s.type, 300) + ")</span>";
      if (!s.url.empty() && !file.empty()) out += " — " + webAddress(s.url);
      else if (!s.url.empty() && !isSafeWebAddress(s.url)) out += " — " + webAddress(s.url);
      out += "</li>\n";
    }
    out += "</ul>\n";
  }
  if (!outline.links.empty()) {
    out += "<h3>Links</h3>\n<ul class=\"links\">\n";
    for (const OutlineLink& l : outline.links) out += "<li>" + htmlEscape(linkSentence(outline, l)) + "</li>\n";
    out += "</ul>\n";
  }
  if (!outline.notes.empty()) {
    out += "<h3>Texts</h3>\n";
    for (const OutlineNote& n : outline.notes) out += "<p class=\"note\">" + htmlEscape(n.text) + "</p>\n";
  }
  out += "<p class=\"formats\"><a href=\"" + page.base + ".canvas\" type=\"application/json\">This page as JSON Canvas</a></p>\n";
  return out + "</section>\n</main>\n</body>\n</html>\n";
}

std::string unreadPageHtml(const SiteBook& book, const SitePage& page, const std::string& why) {
  const std::string name = htmlEscape(page.name);
  return head(name + " — " + htmlEscape(book.title)) + "<header>\n" + bookNav(book) + "<h1>" + name +
         "</h1>\n</header>\n<main>\n<p class=\"unread\">This page could not be read: " + htmlEscape(why) +
         "</p>\n</main>\n</body>\n</html>\n";
}

std::string indexHtml(const SiteBook& book, const std::string& graph, const std::string& graphWhy) {
  const std::string title = htmlEscape(book.title);
  std::string out = head(title) + "<header>\n<h1>" + title + "</h1>\n<p class=\"about\">" +
                    std::to_string(book.pages.size()) + (book.pages.size() == 1 ? " page." : " pages.");
  if (const SitePage* home = book.home()) {
    out += " Home page: <a href=\"" + home->base + ".html\">" + htmlEscape(home->name) + "</a>.";
  }
  out += "</p>\n</header>\n<main>\n";
  out +=
      "<section id=\"search\" role=\"search\" aria-label=\"Search the book\" hidden>\n"
      "<label for=\"search-text\">Search the pages</label>\n"
      "<input id=\"search-text\" type=\"search\" autocomplete=\"off\">\n"
      "<ul id=\"search-results\" aria-live=\"polite\"></ul>\n</section>\n"
      "<noscript><p>The search needs scripts; every page is listed below.</p></noscript>\n";
  if (!graph.empty()) {
    out += "<figure class=\"graph\">\n" + graph + "<figcaption>The pages and the pages their ideas lead to.</figcaption>\n</figure>\n";
  } else {
    out += "<p class=\"nograph\">No picture of the book: " + htmlEscape(graphWhy) + ".</p>\n";
  }
  out += "<h2 id=\"pages\">Pages</h2>\n<table class=\"pages\">\n<thead><tr><th scope=\"col\">Page</th>"
         "<th scope=\"col\">Type</th><th scope=\"col\">Leads to</th></tr></thead>\n<tbody>\n";
  for (const SitePage& p : book.pages) {
    out += "<tr><td><a href=\"" + p.base + ".html\">" + htmlEscape(p.name, 1000) + "</a>" +
           (p.home ? " (home)" : "") + "</td><td>" + htmlEscape(p.type, 300) + "</td><td>";
    bool first = true;
    for (ULONG t : p.targets) {
      auto it = book.byId.find(t);
      if (it == book.byId.end()) continue;
      const SitePage& q = book.pages[it->second];
      out += std::string(first ? "" : ", ") + "<a href=\"" + q.base + ".html\">" + htmlEscape(q.name, 1000) + "</a>";
      first = false;
    }
    out += "</td></tr>\n";
  }
  out += "</tbody>\n</table>\n</main>\n<script src=\"search-index.js\"></script>\n<script src=\"search.js\"></script>\n";
  return out + "</body>\n</html>\n";
}

std::string searchIndexScript(const SiteBook& book) {
  std::string out = "// The book's pages for the search (search.js): file, name, type and words.\nvar tvxSearchIndex = [\n";
  for (const SitePage& p : book.pages) {
    std::string one = "[" + jsonString(p.base + ".html") + "," + jsonString(webText(p.name, 1000)) + "," +
                      jsonString(webText(p.type, 300)) + "," + jsonString(webText(p.words, kMaxSearchWords)) + "],\n";
    // No "</" can end a script element that holds this text.
    std::string safe;
    for (std::size_t i = 0; i < one.size(); ++i) {
      if (one[i] == '<') safe += "\\u003c";
      else safe += one[i];
    }
    out += safe;
  }
  return out + "];\n";
}

const char kSiteStyle[] =
    "/* The book's pages: the picture as drawn, the lists beside it. */\n"
    "body { font-family: 'Liberation Sans', Arial, sans-serif; margin: 1em 2em; color: #202020; }\n"
    "nav { font-size: 0.9em; margin-bottom: 0.5em; }\n"
    "h1 { margin: 0.2em 0; }\n"
    ".about { color: #505050; }\n"
    "figure { margin: 1em 0; overflow: auto; }\n"
    "figure svg { max-width: 100%; height: auto; }\n"
    ".map svg { border: 1px solid #C0C0C0; }\n"
    ".map a:focus rect, .map a:hover rect { stroke: #1A5FB4; stroke-width: 3; }\n"
    ".type { color: #606060; }\n"
    ".address { font-family: monospace; }\n"
    "table.pages { border-collapse: collapse; }\n"
    "table.pages th, table.pages td { border-bottom: 1px solid #D0D0D0; padding: 0.2em 0.8em; text-align: left; vertical-align: top; }\n"
    "#search input { width: 20em; }\n";

const char kSiteSearchScript[] =
    "// Shows the search box and lists the pages whose name, type or words hold\n"
    "// every word typed (search-index.js holds them). Without scripts the box\n"
    "// stays hidden and the index lists every page.\n"
    "(function () {\n"
    "  var box = document.getElementById('search');\n"
    "  var pages = window.tvxSearchIndex;\n"
    "  if (!box || !pages) return;\n"
    "  var input = document.getElementById('search-text');\n"
    "  var results = document.getElementById('search-results');\n"
    "  box.hidden = false;\n"
    "  input.addEventListener('input', function () {\n"
    "    var words = input.value.toLowerCase().split(/\\s+/).filter(Boolean);\n"
    "    results.textContent = '';\n"
    "    for (var i = 0, shown = 0; words.length && i < pages.length && shown < 50; i++) {\n"
    "      var text = (pages[i][1] + ' ' + pages[i][2] + ' ' + pages[i][3]).toLowerCase();\n"
    "      if (!words.every(function (w) { return text.indexOf(w) >= 0; })) continue;\n"
    "      var item = document.createElement('li'), link = document.createElement('a');\n"
    "      link.href = pages[i][0];\n"
    "      link.textContent = pages[i][1];\n"
    "      item.appendChild(link);\n"
    "      results.appendChild(item);\n"
    "      shown++;\n"
    "    }\n"
    "  });\n"
    "})();\n";
