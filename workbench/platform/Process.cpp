#include "platform/Process.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace platform {

namespace {
std::function<void()>& Hook() {
  static std::function<void()> hook;
  return hook;
}
}  // namespace

void EndProcess() {
  if (Hook()) {
    Hook()();
    return;
  }
  std::fflush(nullptr);
  std::_Exit(0);
}

void SetEndProcessHook(std::function<void()> hook) { Hook() = std::move(hook); }

}  // namespace platform
