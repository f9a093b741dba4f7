#include "engine.h"

namespace qel {

void StartMain() {
  intMaxRecs = 2000;
  intMaxNbrs = 500;
  intMaxMembers = 500;
  intMaxZoneBBs = 500;
  intMaxTracts = 2000;

  blnWriteLUT = false;
  blnContCheck = true;

  frmMainInst = Windows().CreateLoadShowMain();
}

}  // namespace qel
