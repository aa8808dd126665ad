#pragma once
// The settings value in the registry: HKEY_CURRENT_USER\Software\Quorvane\Tessera\1.2, value
// "Settings", REG_BINARY.

#include <windows.h>

#include <string>

#include "base/settings_store.h"

namespace tessera {

// The store of this user's settings; it keeps no key open between calls. Its error texts are the
// system's in the user's language.
SettingsStore& RegistrySettingsStore();
// The same key's value of the Windows sizes' squares.
SettingsStore& RegistryWindowsSquaresStore();

// The system's text for an error code in a language, as UTF-8 and without its trailing line break;
// empty when the system has none.
std::string SystemErrorText(long error, LANGID language);

}  // namespace tessera
