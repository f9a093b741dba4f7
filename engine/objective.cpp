// Not built yet: placeholder so the library links.
#include "engine.h"

namespace qel {
void CalcTargetDeviation() {}
void CalcThresholdDeviation() {}
void CalcShape() {}
void CalcHomogeneity() {}
void EvaluateObjective(double&, int16_t) {}
}  // namespace qel
