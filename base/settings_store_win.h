#pragma once
// The settings value in the registry: HKEY_CURRENT_USER\Software\Quorvane\Tessera\1.2, value
// "Settings", REG_BINARY.

#include "base/settings_store.h"

namespace tessera {

// The store of this user's settings; it keeps no key open between calls.
SettingsStore& RegistrySettingsStore();

}  // namespace tessera
