// Not built yet: placeholder so the library links.
#include "engine.h"

namespace qel {
void ResetTracts() {}
void AddIBBToTract(int16_t, int16_t) {}
void MergeTracts(int16_t, int16_t&) {}
}  // namespace qel
