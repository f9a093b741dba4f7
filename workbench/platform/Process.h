// Ending the process at once, without unloading windows or saving anything.
// Tests replace the ending with a hook that only records it.
#pragma once

#include <functional>

namespace platform {

void EndProcess();
void SetEndProcessHook(std::function<void()> hook);

}  // namespace platform
