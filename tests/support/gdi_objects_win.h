#pragma once
// The GDI objects this process holds, for showing that painting and whole sessions give back everything
// they take.

#include <windows.h>

#include <functional>

namespace tessera::test {

// GetGuiResources where the system answers it; Wine answers 0 there, so under Wine the process's GDI
// handle table (which the PEB points to) is counted instead. -1 when neither can be read.
int LiveGdiObjects();

// Runs `round` for 0..warmups-1 (caches fill, first-use objects are made), then for 0..rounds-1 again,
// and fails the test when the live GDI objects grew over the second lot.
void ExpectNoGdiGrowth(int warmups, int rounds, const std::function<void(int round)>& round);

// The hot spot of a cursor, which tells our cursors apart from each other and from the system's;
// {-1, -1} for no cursor. Frees the bitmaps the question makes.
POINT CursorHotSpot(HCURSOR cursor);

}  // namespace tessera::test
