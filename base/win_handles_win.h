#pragma once
// One small owner per kind of Windows handle. Non-copyable, movable; each releases its handle the one
// right way for its kind.

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <utility>

namespace tessera {

template <typename T, typename Traits>
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(T handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~UniqueHandle() { reset(); }

    [[nodiscard]] T get() const { return handle_; }
    [[nodiscard]] explicit operator bool() const { return Traits::IsValid(handle_); }
    T release() { return std::exchange(handle_, Traits::Invalid()); }
    void reset(T handle = Traits::Invalid()) {
        if (Traits::IsValid(handle_)) {
            Traits::Close(handle_);
        }
        handle_ = handle;
    }

  private:
    T handle_ = Traits::Invalid();
};

template <typename T>
struct NullInvalid {
    static T Invalid() { return nullptr; }
    static bool IsValid(T h) { return h != nullptr; }
};

struct GdiObjectTraits : NullInvalid<HGDIOBJ> {
    static void Close(HGDIOBJ h) { DeleteObject(h); }
};
struct MemoryDcTraits : NullInvalid<HDC> {
    static void Close(HDC h) { DeleteDC(h); }
};
struct IconTraits : NullInvalid<HICON> {
    static void Close(HICON h) { DestroyIcon(h); }
};
struct CursorTraits : NullInvalid<HCURSOR> {
    static void Close(HCURSOR h) { DestroyCursor(h); }
};
struct KeyTraits : NullInvalid<HKEY> {
    static void Close(HKEY h) { RegCloseKey(h); }
};
struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct MenuTraits : NullInvalid<HMENU> {
    static void Close(HMENU h) { DestroyMenu(h); }
};
struct ModuleTraits : NullInvalid<HMODULE> {
    static void Close(HMODULE h) { FreeLibrary(h); }
};
struct ImageListTraits : NullInvalid<HIMAGELIST> {
    static void Close(HIMAGELIST h) { ImageList_Destroy(h); }
};
struct WindowTraits : NullInvalid<HWND> {
    static void Close(HWND h) { DestroyWindow(h); }
};
struct HookTraits : NullInvalid<HHOOK> {
    static void Close(HHOOK h) { UnhookWindowsHookEx(h); }
};

using UniqueHdc = UniqueHandle<HDC, MemoryDcTraits>;
using UniqueHicon = UniqueHandle<HICON, IconTraits>;
using UniqueCursor = UniqueHandle<HCURSOR, CursorTraits>;
using UniqueHkey = UniqueHandle<HKEY, KeyTraits>;
using UniqueFile = UniqueHandle<HANDLE, FileHandleTraits>;
using UniqueModule = UniqueHandle<HMODULE, ModuleTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;
using UniqueImageList = UniqueHandle<HIMAGELIST, ImageListTraits>;
// A window we created and nobody else destroys (one owned by a window that is destroyed goes with it:
// release it first).
using UniqueWindow = UniqueHandle<HWND, WindowTraits>;
using UniqueHook = UniqueHandle<HHOOK, HookTraits>;

// A GDI object (bitmap, brush, pen, font) of a known kind, deleted with DeleteObject.
template <typename T>
class UniqueGdiObj {
  public:
    UniqueGdiObj() = default;
    explicit UniqueGdiObj(T object) : object_(object) {}
    [[nodiscard]] T get() const { return static_cast<T>(object_.get()); }
    [[nodiscard]] explicit operator bool() const { return static_cast<bool>(object_); }
    void reset(T object = nullptr) { object_.reset(object); }
    T release() { return static_cast<T>(object_.release()); }

  private:
    UniqueHandle<HGDIOBJ, GdiObjectTraits> object_;
};

// COM for the calling thread (the platform's image codecs need it), released when it goes out of scope.
class ComApartment {
  public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }

  private:
    HRESULT result_;
};

// The DC of one WM_PAINT, handed back with EndPaint on the same window.
class PaintDc {
  public:
    explicit PaintDc(HWND hwnd) : hwnd_(hwnd), hdc_(BeginPaint(hwnd, &paint_)) {}
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { EndPaint(hwnd_, &paint_); }
    [[nodiscard]] HDC get() const { return hdc_; }

  private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
    HDC hdc_;
};

// Selects an object into a DC and puts the previous one back when it goes out of scope.
class SelectGuard {
  public:
    SelectGuard(HDC hdc, HGDIOBJ object) : hdc_(hdc), previous_(SelectObject(hdc, object)) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() {
        // HGDI_ERROR is an all-ones handle value.
        if (previous_ != nullptr && reinterpret_cast<intptr_t>(previous_) != -1) {
            SelectObject(hdc_, previous_);
        }
    }

  private:
    HDC hdc_;
    HGDIOBJ previous_;
};

}  // namespace tessera
