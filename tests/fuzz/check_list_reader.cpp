// The check-list reader over a file in memory: the first byte sets how many bytes each read
// hands over (a network file system or a signal may cut a read short), the rest is the
// list. Read in such pieces, a list must give what it gives when read whole.
#include "config/check_list_reader.h"

#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

using namespace vesperon;

class MemoryFile final : public platform::InputFile {
public:
    MemoryFile(std::string_view bytes, std::size_t piece) : bytes_(bytes), piece_(piece) {}
    long read(char* buffer, std::size_t size) override {
        const std::size_t n = std::min({size, piece_, bytes_.size() - at_});
        std::memcpy(buffer, bytes_.data() + at_, n);
        at_ += n;
        return static_cast<long>(n);
    }

private:
    std::string_view bytes_;
    std::size_t piece_;
    std::size_t at_ = 0;
};

// Only openForReading is asked for.
class MemoryFiles final : public platform::Files {
public:
    MemoryFiles(std::string_view bytes, std::size_t piece) : bytes_(bytes), piece_(piece) {}
    platform::OpenedFile openForReading(const std::string&) override {
        return {platform::FileRead::Status::Read, std::make_unique<MemoryFile>(bytes_, piece_)};
    }
    bool fileNumberAvailable() override { return true; }
    void beginProbeRun() override {}
    void endProbeRun() override {}
    platform::Presence presenceOf(const std::string&) override { return {}; }
    platform::ProbeResult probe(const std::string&) override { return {}; }
    std::size_t uninspectedProcesses() override { return 0; }
    platform::LockAttempt lockFile(const std::string&) override { return {}; }
    platform::FileRead readWhole(const std::string&) override { return {}; }
    bool writeText(const std::string&, const std::string&, bool) override { return false; }
    bool absent(const std::string&) override { return false; }
    bool normalFilePresent(const std::string&) override { return false; }
    bool deleteFile(const std::string&) override { return false; }
    bool replaceFile(const std::string&, const std::string&) override { return false; }
    std::string lastWriteFailure() override { return {}; }
    void closeAll() override {}

private:
    std::string_view bytes_;
    std::size_t piece_;
};

struct Read {
    std::vector<ListLine> lines;
    ListEncoding encoding;
    bool failed, endsWithLineEnd, empty;
    bool operator==(const Read& other) const {
        return std::equal(lines.begin(), lines.end(), other.lines.begin(), other.lines.end(),
                          [](const ListLine& a, const ListLine& b) {
                              return a.text == b.text && a.exact == b.exact;
                          }) &&
               encoding == other.encoding && failed == other.failed &&
               endsWithLineEnd == other.endsWithLineEnd && empty == other.empty;
    }
};

Read readList(std::string_view bytes, std::size_t piece) {
    MemoryFiles files(bytes, piece);
    fake::FakeSystem system;
    CheckListReader reader(files, system, "list");
    Read r{};
    ListLine line;
    while (reader.next(line)) {
        // A line never holds a line end, nor more than the limit; one that holds a NUL never
        // passes for a path.
        if (line.text.find_first_of("\r\n") != std::string::npos ||
            line.text.size() > 2 * CheckListReader::maxLineBytes ||
            (line.exact && line.text.find('\0') != std::string::npos)) {
            std::abort();
        }
        r.lines.push_back(line);
    }
    r.encoding = reader.encoding();
    r.failed = reader.failed();
    r.endsWithLineEnd = reader.endsWithLineEnd();
    r.empty = reader.empty();
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = data[0] % 16 + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (!(readList(bytes, piece) == readList(bytes, bytes.size() + 1))) {
        std::abort();
    }
    return 0;
}
