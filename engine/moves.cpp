// Not built yet: placeholder so the library links.
#include "engine.h"

namespace qel {
void MoveIBBToTract(int16_t, int16_t) {}
}  // namespace qel
