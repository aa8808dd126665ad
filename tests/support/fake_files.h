#pragma once
// An in-memory file system with the platform's rules (files held open are shared with nobody; folders
// and read-only files cannot be replaced) and failures injected on request. It has no test-framework
// dependency, so the fuzz harnesses use it too. The file system must outlive the files it hands out.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/files.h"

namespace tessera::test {

class MemoryFile;

class MemoryFileSystem final : public FileSystem {
  public:
    // Failures to inject. Byte budgets count across every file of this file system.
    struct Faults {
        bool failOpen = false;
        bool failCreate = false;
        bool failReplace = false;
        bool failSize = false;
        bool failSeek = false;
        bool failClose = false;
        // Writing stops after this many bytes: the write that crosses the limit stores what fits and
        // then fails, as a full disk would.
        std::optional<uint64_t> failWriteAfter;
        // Reading fails (an error, not an end of file) once this many bytes have been read.
        std::optional<uint64_t> failReadAfter;
    };
    Faults faults;

    void Put(const std::string& path, std::vector<uint8_t> bytes);
    // The contents of a file, or none when there is no file of that name.
    [[nodiscard]] std::optional<std::vector<uint8_t>> Get(const std::string& path) const;
    [[nodiscard]] std::vector<std::string> Paths() const;
    void AddFolder(const std::string& path);
    void SetReadOnly(const std::string& path);
    [[nodiscard]] int OpenCount() const;

    std::unique_ptr<File> OpenExisting(const std::string& path) override;
    std::unique_ptr<File> CreateTemporaryBeside(const std::string& target, std::string& tempPath) override;
    bool Replace(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;
    bool FileExists(const std::string& path) override;

  private:
    friend class MemoryFile;
    struct Node {
        std::vector<uint8_t> bytes;
        bool open = false;
        bool readOnly = false;
    };

    std::unique_ptr<File> OpenNode(const std::shared_ptr<Node>& node, bool writing);

    std::map<std::string, std::shared_ptr<Node>> files_;
    std::set<std::string> folders_;
    unsigned temporaries_ = 0;
    int openCount_ = 0;
    uint64_t bytesWritten_ = 0;
    uint64_t bytesRead_ = 0;
};

}  // namespace tessera::test
