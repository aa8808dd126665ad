// The .act reader on any bytes, and on reads that fail part way. Beyond "no crash", it checks what the
// colour-table commands rely on: a file is taken exactly when it holds 768 bytes or more, the table is
// then its first 768 bytes, a rejected file leaves the table as it was, and no file stays open.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "color/act_file.h"
#include "color/color_table.h"
#include "support/fake_files.h"

namespace {

using namespace tessera;

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "act reader broke a promise: %s\n", what);
        std::abort();
    }
}

void ReadOnce(const std::vector<uint8_t>& bytes, std::optional<uint64_t> failReadAfter) {
    test::MemoryFileSystem files;
    files.Put("C:\\tables\\fuzz.act", bytes);
    files.faults.failReadAfter = failReadAfter;
    const ColorTable before = GreyRampTable();
    ColorTable table = before;
    const ActReadResult result = ReadActFile(files, "C:\\tables\\fuzz.act", table);
    const uint64_t readable = std::min<uint64_t>(bytes.size(), failReadAfter.value_or(bytes.size()));
    if (readable >= kColorTableBytes) {
        Require(result == ActReadResult::Accepted, "768 readable bytes are a table");
        Require(std::equal(table.bytes.begin(), table.bytes.end(), bytes.begin()), "the table is the first 768 bytes");
    } else {
        Require(result == ActReadResult::WrongLength, "fewer than 768 bytes are rejected for their length");
        Require(table == before, "a rejected file leaves the table");
    }
    Require(files.OpenCount() == 0, "the file is closed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    ReadOnce(bytes, std::nullopt);
    // The first byte also picks a point at which reading fails, so short reads meet the length check.
    if (size > 0) {
        ReadOnce(bytes, uint64_t{data[0]} * 4);
    }
    return 0;
}
