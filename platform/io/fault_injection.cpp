// The failure-injection hook for file operations; see fault_injection.h.
#include "platform/io/fault_injection.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

struct HookState {
  bool armed = false;
  bool failing = false;  // false: count only
  bool sticky = false;
  unsigned mask = 0;
  uint64_t nth = 0;
  uint64_t seen = 0;
  uint64_t injected = 0;
};

HookState& state() {
  static HookState s;
  return s;
}

}  // namespace

void FaultInjection::failNth(uint64_t n, unsigned mask, bool sticky) {
  HookState& s = state();
  s = HookState();
  s.armed = true;
  s.failing = true;
  s.sticky = sticky;
  s.mask = mask;
  s.nth = n;
}

void FaultInjection::countOnly(unsigned mask) {
  HookState& s = state();
  s = HookState();
  s.armed = true;
  s.mask = mask;
}

void FaultInjection::disarm() { state().armed = false; }

bool FaultInjection::armed() { return state().armed; }

uint64_t FaultInjection::count() { return state().seen; }

uint64_t FaultInjection::failures() { return state().injected; }

bool FaultInjection::shouldFail(Operation op) {
  HookState& s = state();
  if (!s.armed || (s.mask & op) == 0) return false;
  ++s.seen;
  if (!s.failing) return false;
  const bool fail = s.seen == s.nth || (s.sticky && s.seen > s.nth);
  if (fail) {
    ++s.injected;
    errno = EIO;
  }
  return fail;
}

int FaultInjection::unlink(const char* path) {
  if (shouldFail(Unlink)) return -1;
  return ::unlink(path);
}

int FaultInjection::fsync(int fd) {
  if (shouldFail(Flush)) return -1;
  return ::fsync(fd);
}
