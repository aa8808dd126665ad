#include "support/gdi_objects_win.h"

#include <windows.h>

#include <winternl.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

namespace tessera::test {

namespace {

// One entry of the GDI handle table as Windows and Wine lay it out on 64-bit systems (32-bit processes
// on them included).
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

// Where the process's PEB says the table is. A 32-bit process on 64-bit Wine has it only in its 64-bit
// PEB, which the 64-bit TEB names; the 32-bit TEB holds the distance to that one.
const GdiHandleEntry* HandleTable(const uint8_t* peb) {
    const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + kPebGdiHandleTableOffset);
#ifndef _WIN64
    constexpr size_t kTebWowTebOffset = 0xFDC;
    constexpr size_t kTeb64PebOffset = 0x60;
    constexpr size_t kPeb64GdiHandleTableOffset = 0xF8;
// GCC takes the read of the TEB's address at fs:0x18 for an access outside an array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
    const auto* teb = reinterpret_cast<const uint8_t*>(NtCurrentTeb());
#pragma GCC diagnostic pop
    const LONG wowTebOffset = table == nullptr ? *reinterpret_cast<const LONG*>(teb + kTebWowTebOffset) : 0;
    if (wowTebOffset != 0) {
        const uint64_t peb64 = *reinterpret_cast<const uint64_t*>(teb + wowTebOffset + kTeb64PebOffset);
        if (peb64 == 0 || peb64 > UINT32_MAX) {
            return nullptr;
        }
        const uint64_t table64 =
            *reinterpret_cast<const uint64_t*>(static_cast<uintptr_t>(peb64) + kPeb64GdiHandleTableOffset);
        table =
            table64 <= UINT32_MAX ? reinterpret_cast<const GdiHandleEntry*>(static_cast<uintptr_t>(table64)) : nullptr;
    }
#endif
    return table;
}

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
    const GdiHandleEntry* table = HandleTable(peb);
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
