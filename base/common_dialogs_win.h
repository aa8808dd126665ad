#pragma once
// The system's file and colour pickers. Their library is loaded at the first use and stays loaded for
// the rest of the process: a host may free and load our DLL again and again, and each time the library
// was loaded and freed with it, it left a kernel handle behind.

#include <windows.h>

#include <commdlg.h>

namespace tessera {

// GetOpenFileNameW, GetSaveFileNameW and ChooseColorA; FALSE when the library cannot be had.
BOOL PickFileToOpen(OPENFILENAMEW& dialog);
BOOL PickFileToSave(OPENFILENAMEW& dialog);
BOOL PickColor(CHOOSECOLORA& dialog);

}  // namespace tessera
