// book_graph.h: the picture of a whole book on the site's index: its pages as
// the nodes and the pages their symbols lead to as the edges of a graph, laid
// out by Graphviz's "dot" program (found on PATH) as SVG whose nodes link to
// the pages' files.
//
// The graph is given to dot as text on its standard input and the picture
// read from its standard output; no file is made. Every name is written as a
// quoted string with its quotes and backslashes escaped and its bytes made
// UTF-8 (tools/tvx/web_text.h). The work is bounded: at most kMaxGraphPages
// pages and kMaxGraphEdges edges are drawn, dot is given kDotSeconds and at
// most kMaxDotOutput bytes of picture, and is stopped after that.
#ifndef TOOLS_TVX_BOOK_GRAPH_H
#define TOOLS_TVX_BOOK_GRAPH_H

#include <cstddef>
#include <string>
#include <vector>

#include "platform/windows_types.h"

const std::size_t kMaxGraphPages = 200;
const std::size_t kMaxGraphEdges = 2000;
const int kDotSeconds = 20;
// From this many pages on, dot is told to spend little on crossings and to
// draw straight edges: a graph of 200 pages with links across the book takes
// it under a second so, and close to a minute otherwise.
const std::size_t kQuickLayoutPages = 50;
const std::size_t kMaxDotOutput = 32u << 20;

struct GraphPage {
  ULONG id = 0;
  std::string name;
  std::string type;
  std::string file;            // the page's file in the site
  bool home = false;
  std::vector<ULONG> targets;  // the pages it leads to (IDs of GraphPages)
};

// The graph as dot's input text.
std::string bookGraphDot(const std::vector<GraphPage>& pages);

// Lays the graph out with dot: true with the picture's <svg> element (what
// comes before it in dot's output left out), else false with the reason
// (dot missing, failed, too slow, or the book too large to draw).
bool drawBookGraph(const std::vector<GraphPage>& pages, std::string* svg, std::string* why);

#endif  // TOOLS_TVX_BOOK_GRAPH_H
