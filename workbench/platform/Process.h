// Ending the process at once, without unloading windows or saving anything.
#pragma once

namespace platform {

void EndProcess();

}  // namespace platform
