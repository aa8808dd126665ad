#include "support/fake_files.h"

#include <algorithm>
#include <cstring>

namespace tessera::test {

class MemoryFile final : public File {
  public:
    MemoryFile(MemoryFileSystem& fs, std::shared_ptr<MemoryFileSystem::Node> node, bool writing)
        : fs_(fs), node_(std::move(node)), writing_(writing) {
        node_->open = true;
        ++fs_.openCount_;
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    ~MemoryFile() override { Release(); }

    std::optional<size_t> Read(void* buffer, size_t n) override {
        if (!node_ || writing_) {
            return std::nullopt;
        }
        const std::vector<uint8_t>& bytes = node_->bytes;
        const size_t available = position_ < bytes.size() ? bytes.size() - position_ : 0;
        const size_t count = std::min(n, available);
        if (fs_.faults.failReadAfter && fs_.bytesRead_ + count > *fs_.faults.failReadAfter) {
            return std::nullopt;
        }
        if (count > 0) {
            std::memcpy(buffer, bytes.data() + position_, count);
        }
        position_ += count;
        fs_.bytesRead_ += count;
        return count;
    }

    bool Write(const void* data, size_t n) override {
        if (!node_ || !writing_) {
            return false;
        }
        size_t count = n;
        if (fs_.faults.failWriteAfter) {
            const uint64_t left = *fs_.faults.failWriteAfter - std::min(*fs_.faults.failWriteAfter, fs_.bytesWritten_);
            count = static_cast<size_t>(std::min<uint64_t>(n, left));
        }
        std::vector<uint8_t>& bytes = node_->bytes;
        if (bytes.size() < position_ + count) {
            bytes.resize(position_ + count);
        }
        if (count > 0) {
            std::memcpy(bytes.data() + position_, data, count);
        }
        position_ += count;
        fs_.bytesWritten_ += count;
        return count == n;
    }

    bool Seek(uint64_t offset) override {
        if (!node_ || fs_.faults.failSeek) {
            return false;
        }
        position_ = static_cast<size_t>(offset);
        return true;
    }

    std::optional<uint64_t> Size() override {
        if (!node_ || fs_.faults.failSize) {
            return std::nullopt;
        }
        return node_->bytes.size();
    }

    bool Close() override {
        if (!node_) {
            return false;
        }
        Release();
        return !fs_.faults.failClose;
    }

  private:
    void Release() {
        if (node_) {
            node_->open = false;
            --fs_.openCount_;
            node_.reset();
        }
    }

    MemoryFileSystem& fs_;
    std::shared_ptr<MemoryFileSystem::Node> node_;
    bool writing_;
    size_t position_ = 0;
};

void MemoryFileSystem::Put(const std::string& path, std::vector<uint8_t> bytes) {
    auto node = std::make_shared<Node>();
    node->bytes = std::move(bytes);
    files_[path] = std::move(node);
}

std::optional<std::vector<uint8_t>> MemoryFileSystem::Get(const std::string& path) const {
    const auto it = files_.find(path);
    if (it == files_.end()) {
        return std::nullopt;
    }
    return it->second->bytes;
}

std::vector<std::string> MemoryFileSystem::Paths() const {
    std::vector<std::string> paths;
    for (const auto& [path, node] : files_) {
        paths.push_back(path);
    }
    return paths;
}

void MemoryFileSystem::AddFolder(const std::string& path) {
    folders_.insert(path);
}

void MemoryFileSystem::SetReadOnly(const std::string& path) {
    const auto it = files_.find(path);
    if (it != files_.end()) {
        it->second->readOnly = true;
    }
}

int MemoryFileSystem::OpenCount() const {
    return openCount_;
}

std::unique_ptr<File> MemoryFileSystem::OpenNode(const std::shared_ptr<Node>& node, bool writing) {
    return std::make_unique<MemoryFile>(*this, node, writing);
}

std::unique_ptr<File> MemoryFileSystem::OpenExisting(const std::string& path) {
    const auto it = files_.find(path);
    if (faults.failOpen || it == files_.end() || it->second->open) {
        return nullptr;
    }
    return OpenNode(it->second, false);
}

std::unique_ptr<File> MemoryFileSystem::CreateTemporaryBeside(const std::string& target, std::string& tempPath) {
    if (faults.failCreate) {
        return nullptr;
    }
    std::string candidate;
    do {
        candidate = target + ".~" + std::to_string(temporaries_++) + ".tmp";
    } while (files_.count(candidate) != 0 || folders_.count(candidate) != 0);
    auto node = std::make_shared<Node>();
    files_[candidate] = node;
    tempPath = candidate;
    return OpenNode(node, true);
}

bool MemoryFileSystem::Replace(const std::string& from, const std::string& to) {
    const auto source = files_.find(from);
    if (faults.failReplace || source == files_.end() || source->second->open || folders_.count(to) != 0) {
        return false;
    }
    const auto target = files_.find(to);
    if (target != files_.end() && (target->second->open || target->second->readOnly)) {
        return false;
    }
    std::shared_ptr<Node> node = source->second;
    files_.erase(source);
    files_[to] = std::move(node);
    return true;
}

bool MemoryFileSystem::Remove(const std::string& path) {
    const auto it = files_.find(path);
    if (it == files_.end() || it->second->open) {
        return false;
    }
    files_.erase(it);
    return true;
}

bool MemoryFileSystem::FileExists(const std::string& path) {
    return files_.count(path) != 0;
}

}  // namespace tessera::test
