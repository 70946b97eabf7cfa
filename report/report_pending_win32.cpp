// Stands in for the report thread in the Windows build until the report arrives separately.
#include "report/report.h"

namespace velmora {

void StartReportThread(plat::Os&, const char*) {}

}  // namespace velmora
