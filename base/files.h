#pragma once
// The file layer the core reads and writes through. The platform supplies one implementation; tests
// inject failures through their own.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tessera {

class File {
  public:
    virtual ~File() = default;
    // Reads n bytes at the current position, fewer only when the end of the file comes first: the count
    // read (0 at the end), or none on error.
    virtual std::optional<size_t> Read(void* buffer, size_t n) = 0;
    // Writes all n bytes or reports failure.
    virtual bool Write(const void* data, size_t n) = 0;
    virtual bool Seek(uint64_t offset) = 0;
    virtual std::optional<uint64_t> Size() = 0;
    // Flushes and closes; a failure here means the data may not have reached the disk.
    virtual bool Close() = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // An existing file, for reading, shared with nobody while it is open.
    virtual std::unique_ptr<File> OpenExisting(const std::string& path) = 0;
    // A new file in the folder of `target` that no other file has the name of, opened for writing and
    // shared with nobody; its path is stored in tempPath.
    virtual std::unique_ptr<File> CreateTemporaryBeside(const std::string& target, std::string& tempPath) = 0;
    // Puts `from` in the place of `to`, replacing it when it exists, in one step. Fails, and leaves both
    // as they were, when `to` is a folder, read-only or held open by anyone.
    virtual bool Replace(const std::string& from, const std::string& to) = 0;
    virtual bool Remove(const std::string& path) = 0;
    // Whether a file of that name exists; a folder is no file.
    virtual bool FileExists(const std::string& path) = 0;
};

// The file system of the platform the program runs on.
FileSystem& PlatformFileSystem();

}  // namespace tessera
