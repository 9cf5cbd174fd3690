#include "app/NoWindowActivator.h"

namespace korvane {

void NoWindowActivator::activateAppWindows()
{
}

} // namespace korvane
