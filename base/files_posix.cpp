#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <new>

#include "base/files.h"

namespace tessera {

namespace {

// "Shared with nobody" as Windows gives it with share mode 0: an exclusive lock that everyone who
// opens files through this layer respects. A file already locked cannot be opened again, not even by
// this process.
bool LockExclusive(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

class PosixFile final : public File {
  public:
    PosixFile(int fd, bool writing) : fd_(fd), writing_(writing) {}
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;
    ~PosixFile() override {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    std::optional<size_t> Read(void* buffer, size_t n) override {
        auto* out = static_cast<uint8_t*>(buffer);
        size_t done = 0;
        while (done < n) {
            const ssize_t got = ::read(fd_, out + done, n - done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return std::nullopt;
            }
            if (got == 0) {
                break;
            }
            done += static_cast<size_t>(got);
        }
        return done;
    }

    bool Write(const void* data, size_t n) override {
        const auto* in = static_cast<const uint8_t*>(data);
        size_t done = 0;
        while (done < n) {
            const ssize_t put = ::write(fd_, in + done, n - done);
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                return false;
            }
            done += static_cast<size_t>(put);
        }
        return true;
    }

    bool Seek(uint64_t offset) override {
        if (offset > uint64_t(std::numeric_limits<off_t>::max())) {
            return false;
        }
        return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
    }

    std::optional<uint64_t> Size() override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) {
            return std::nullopt;
        }
        return static_cast<uint64_t>(st.st_size);
    }

    bool Close() override {
        if (fd_ < 0) {
            return false;
        }
        const bool synced = !writing_ || ::fsync(fd_) == 0;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        return synced && closed;
    }

  private:
    int fd_;
    bool writing_;
};

bool IsReadOnly(const struct stat& st) {
    // The read-only attribute of Windows, read from the permission bits, so that it holds for root too.
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// The folder part of a path, for the sync that makes a rename durable.
std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

class PosixFileSystem final : public FileSystem {
  public:
    std::unique_ptr<File> OpenExisting(const std::string& path) override {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return nullptr;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !LockExclusive(fd)) {
            ::close(fd);
            return nullptr;
        }
        std::unique_ptr<File> file(new (std::nothrow) PosixFile(fd, false));
        if (!file) {
            ::close(fd);
        }
        return file;
    }

    std::unique_ptr<File> CreateTemporaryBeside(const std::string& target, std::string& tempPath) override {
        // The new file takes the permissions of the file it will replace.
        mode_t mode = 0666;
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0) {
            mode = st.st_mode & 0777;
        }
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            char suffix[48];
            std::snprintf(suffix, sizeof suffix, ".%ld-%u.tmp", static_cast<long>(::getpid()), counter_++);
            const std::string candidate = target + suffix;
            const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (fd < 0) {
                if (errno == EEXIST) {
                    continue;
                }
                return nullptr;
            }
            if (!LockExclusive(fd)) {
                ::close(fd);
                ::unlink(candidate.c_str());
                return nullptr;
            }
            std::unique_ptr<File> file(new (std::nothrow) PosixFile(fd, true));
            if (!file) {
                ::close(fd);
                ::unlink(candidate.c_str());
                return nullptr;
            }
            tempPath = candidate;
            return file;
        }
        return nullptr;
    }

    bool Replace(const std::string& from, const std::string& to) override {
        // rename() would replace a read-only or locked file; Windows refuses both, and so do we.
        const int existing = ::open(to.c_str(), O_RDONLY | O_CLOEXEC);
        if (existing >= 0) {
            struct stat st {};
            const bool replaceable =
                ::fstat(existing, &st) == 0 && S_ISREG(st.st_mode) && !IsReadOnly(st) && LockExclusive(existing);
            if (!replaceable) {
                ::close(existing);
                return false;
            }
        } else if (errno != ENOENT) {
            return false;
        }
        const bool renamed = ::rename(from.c_str(), to.c_str()) == 0;
        if (existing >= 0) {
            ::close(existing);
        }
        if (renamed) {
            // The new name is on disk only once its folder is.
            const int folder = ::open(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (folder >= 0) {
                ::fsync(folder);
                ::close(folder);
            }
        }
        return renamed;
    }

    bool Remove(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

    bool FileExists(const std::string& path) override {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }

  private:
    unsigned counter_ = 0;
};

}  // namespace

FileSystem& PlatformFileSystem() {
    static PosixFileSystem fileSystem;
    return fileSystem;
}

}  // namespace tessera
