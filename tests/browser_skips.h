// What a program of the browser build (WebAssembly, run under node by the
// tests) cannot have, so that the tests of it are skipped there with the reason:
// TVX_SKIP_IN_BROWSER(browser_skips::kNoShareLocks) at the point from which a
// test needs it skips the rest in the WebAssembly build (what ran before still
// counts) and does nothing in the native build.
#ifndef TESTS_BROWSER_SKIPS_H
#define TESTS_BROWSER_SKIPS_H

#include <gtest/gtest.h>

namespace browser_skips {

constexpr const char kNoShareLocks[] =
    "share locks: WebAssembly has no locks between open files, so every open is let in";
constexpr const char kNoPrograms[] =
    "starting programs: a WebAssembly program cannot start another";
constexpr const char kNoHardLinks[] =
    "hard links: the WebAssembly runtime's file system cannot make them";

}  // namespace browser_skips

#ifdef __EMSCRIPTEN__
#define TVX_SKIP_IN_BROWSER(reason) GTEST_SKIP() << (reason)
#else
#define TVX_SKIP_IN_BROWSER(reason) static_cast<void>(reason)
#endif

#endif  // TESTS_BROWSER_SKIPS_H
