#include "support/gdi_objects_win.h"

#include <windows.h>

#include <winternl.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

namespace tessera::test {

namespace {

// One entry of the GDI handle table as Windows and Wine lay it out on 64-bit systems.
struct GdiHandleEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;
    uint8_t flags;
    uint64_t user;
};
static_assert(sizeof(GdiHandleEntry) == 24);
constexpr int kGdiHandleTableEntries = 0x10000;
constexpr size_t kPebGdiHandleTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;

}  // namespace

int LiveGdiObjects() {
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0) {
        return static_cast<int>(reported);
    }
    using QueryProcess = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (query == nullptr || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
        return -1;
    }
    const auto* peb = reinterpret_cast<const uint8_t*>(basic.PebBaseAddress);
    const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + kPebGdiHandleTableOffset);
    if (table == nullptr) {
        return -1;
    }
    int live = 0;
    for (int i = 0; i < kGdiHandleTableEntries; ++i) {
        live += table[i].type != 0 ? 1 : 0;
    }
    return live;
}

void ExpectNoGdiGrowth(int warmups, int rounds, const std::function<void(int round)>& round) {
    for (int i = 0; i < warmups; ++i) {
        round(i);
    }
    const int before = LiveGdiObjects();
    ASSERT_GT(before, 0);
    for (int i = 0; i < rounds; ++i) {
        round(i);
    }
    EXPECT_EQ(LiveGdiObjects(), before);
}

POINT CursorHotSpot(HCURSOR cursor) {
    ICONINFO info{};
    if (cursor == nullptr || !GetIconInfo(cursor, &info)) {
        return POINT{-1, -1};
    }
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) {
        DeleteObject(info.hbmColor);
    }
    return POINT{static_cast<LONG>(info.xHotspot), static_cast<LONG>(info.yHotspot)};
}

}  // namespace tessera::test
