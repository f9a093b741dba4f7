// Not built yet: placeholder so the library links.
#include "engine.h"

namespace qel {
void ReadContiguityFile(const std::string&, int16_t&) {}
}  // namespace qel
