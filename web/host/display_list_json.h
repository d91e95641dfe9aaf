// A window's display list as JSON, the form the page's canvas renderer replays
// (web/js/canvas_renderer.mjs). Geometry is already decided the way every
// renderer decides it (platform/render/render_style.h): the renderer draws the
// boxes and paths it is given and never second-guesses Windows' pixel rules.
//
// Document:
//   { "w": width, "h": height, "bg": "#RRGGBB", "cmds": [ command, ... ] }
// Command (fields present only where they apply):
//   FIELD    MEANING
//   op       "rect" "round" "ellipse" "polygon" "polyline" "focus" "text" "image"
//   clip     [l, t, r, b] the clip box; "rects": [[l, t, r, b], ...] a clip region
//   fill     { "box": [l, t, r, b], "steps": [[blend, "#RRGGBB"], ...], "hatch": n }
//   stroke   { "box": [...], "steps": [...], "width": w, "dash": [on, off ...],
//              "cap": "butt" | "round" | "square", "path": [x, y, x, y ...] }
//   corner   [cx, cy] for "round"; "points": [x, y ...] and "even": bool for polygons
//   text     "s": the characters (UTF-8), "x": [x per character], "base": baseline,
//            "size": em height, "bold", "italic", "under", "strike", "color",
//            "bk": "#RRGGBB" when drawn opaque, "box": the text cell
//   image    "box": where; "px": base64 of the RGBA pixels, "pw", "ph"
// Blend is 0 normal, 1 difference, 2 multiply, 3 screen.
#ifndef WEB_HOST_DISPLAY_LIST_JSON_H
#define WEB_HOST_DISPLAY_LIST_JSON_H

#include <string>

#include "platform/win/display_list.h"

std::string displayListJson(const DisplayList& list);

#endif  // WEB_HOST_DISPLAY_LIST_JSON_H
