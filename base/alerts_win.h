#pragma once

#include "base/alerts.h"

namespace tessera {

// Shows each alert as a message box owned by the active window of the thread.
Alerts& MessageBoxAlerts();

}  // namespace tessera
