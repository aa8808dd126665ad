#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <utility>

#include "base/files.h"
#include "base/wide_win.h"
#include "base/win_handles_win.h"

namespace tessera {

namespace {

// ReadFile and WriteFile move at most a DWORD at a time.
constexpr size_t kMaxTransfer = size_t{1} << 30;

class WinFile final : public File {
  public:
    WinFile(UniqueFile handle, bool writing) : handle_(std::move(handle)), writing_(writing) {}

    std::optional<size_t> Read(void* buffer, size_t n) override {
        auto* out = static_cast<uint8_t*>(buffer);
        size_t done = 0;
        while (done < n) {
            DWORD got = 0;
            const DWORD want = static_cast<DWORD>(std::min(n - done, kMaxTransfer));
            if (!ReadFile(handle_.get(), out + done, want, &got, nullptr)) {
                return std::nullopt;
            }
            if (got == 0) {
                break;
            }
            done += got;
        }
        return done;
    }

    bool Write(const void* data, size_t n) override {
        const auto* in = static_cast<const uint8_t*>(data);
        size_t done = 0;
        while (done < n) {
            DWORD put = 0;
            const DWORD want = static_cast<DWORD>(std::min(n - done, kMaxTransfer));
            if (!WriteFile(handle_.get(), in + done, want, &put, nullptr) || put == 0) {
                return false;
            }
            done += put;
        }
        return true;
    }

    bool Seek(uint64_t offset) override {
        if (offset > uint64_t(INT64_MAX)) {
            return false;
        }
        LARGE_INTEGER distance;
        distance.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(handle_.get(), distance, nullptr, FILE_BEGIN) != 0;
    }

    std::optional<uint64_t> Size() override {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(handle_.get(), &size) || size.QuadPart < 0) {
            return std::nullopt;
        }
        return static_cast<uint64_t>(size.QuadPart);
    }

    bool Close() override {
        if (!handle_) {
            return false;
        }
        const bool flushed = !writing_ || FlushFileBuffers(handle_.get()) != 0;
        // Closed here rather than by the owner, because a failed close is a failed save.
        const bool closed = CloseHandle(handle_.release()) != 0;
        return flushed && closed;
    }

  private:
    UniqueFile handle_;
    bool writing_;
};

class WinFileSystem final : public FileSystem {
  public:
    std::unique_ptr<File> OpenExisting(const std::string& path) override {
        const std::optional<std::wstring> name = WidePath(path);
        if (!name) {
            return nullptr;
        }
        // Share mode 0: nobody else may read, write or delete the file while we hold it.
        UniqueFile handle(
            CreateFileW(name->c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle) {
            return nullptr;
        }
        return std::unique_ptr<File>(new (std::nothrow) WinFile(std::move(handle), false));
    }

    std::unique_ptr<File> CreateTemporaryBeside(const std::string& target, std::string& tempPath) override {
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            char suffix[48];
            std::snprintf(suffix, sizeof suffix, ".%lu-%u.tmp", GetCurrentProcessId(), counter_++);
            const std::string candidate = target + suffix;
            const std::optional<std::wstring> name = WidePath(candidate);
            if (!name) {
                return nullptr;
            }
            UniqueFile handle(
                CreateFileW(name->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!handle) {
                if (GetLastError() == ERROR_FILE_EXISTS) {
                    continue;
                }
                return nullptr;
            }
            std::unique_ptr<File> file(new (std::nothrow) WinFile(std::move(handle), true));
            if (!file) {
                DeleteFileW(name->c_str());
                return nullptr;
            }
            tempPath = candidate;
            return file;
        }
        return nullptr;
    }

    bool Replace(const std::string& from, const std::string& to) override {
        // A read-only file or a folder in the way is kept. Windows refuses both by itself, but not every
        // implementation of MoveFileEx does (Wine replaces a read-only file). A file held open is kept
        // by the share mode alone.
        const std::optional<std::wstring> source = WidePath(from);
        const std::optional<std::wstring> target = WidePath(to);
        if (!source || !target) {
            return false;
        }
        const DWORD attributes = GetFileAttributesW(target->c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
            return false;
        }
        return MoveFileExW(source->c_str(), target->c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }

    bool Remove(const std::string& path) override {
        const std::optional<std::wstring> name = WidePath(path);
        return name && DeleteFileW(name->c_str()) != 0;
    }

    bool FileExists(const std::string& path) override {
        const std::optional<std::wstring> name = WidePath(path);
        if (!name) {
            return false;
        }
        const DWORD attributes = GetFileAttributesW(name->c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }

  private:
    unsigned counter_ = 0;
};

}  // namespace

std::optional<std::wstring> WidePath(const std::string& path) {
    std::optional<std::wstring> wide = Wide(path);
    // CreateDirectory stops 12 characters short of MAX_PATH; the other calls at MAX_PATH.
    if (!wide || wide->size() < MAX_PATH - 12 || wide->starts_with(L"\\\\?\\")) {
        return wide;
    }
    const DWORD needed = GetFullPathNameW(wide->c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return std::nullopt;
    }
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(wide->c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        return std::nullopt;
    }
    full.resize(length);
    if (full.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

FileSystem& PlatformFileSystem() {
    static WinFileSystem fileSystem;
    return fileSystem;
}

}  // namespace tessera
