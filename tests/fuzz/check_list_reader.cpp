// The first byte sets how many bytes each read hands over (a network file system may cut reads
// short), the rest is the list: read in such pieces, a list gives what it gives read whole.
#include "config/check_list_reader.h"

#include "platform/fake/fake_platform.h"

#include <cstdlib>
#include <tuple>
#include <utility>

namespace {

using namespace vesperon;

// The lines (text, exact), then the encoding, failed, ends with a line end, empty.
using Read = std::tuple<std::vector<std::pair<std::string, bool>>, ListEncoding, bool, bool, bool>;

Read readList(std::string_view bytes, std::size_t piece) {
    fake::FakePlatform f;
    f.disk.addFile("C:\\list.cfg", std::string(bytes));
    f.disk.readPiece = piece;
    CheckListReader reader(f.files, f.system, "C:\\list.cfg");
    std::vector<std::pair<std::string, bool>> lines;
    for (ListLine line; reader.next(line);) {
        // A line never holds a line end, nor more than the limit; one that holds a NUL never
        // passes for a path.
        if (line.text.find_first_of("\r\n") != std::string::npos ||
            line.text.size() > 2 * CheckListReader::maxLineBytes ||
            (line.exact && line.text.find('\0') != std::string::npos)) {
            std::abort();
        }
        lines.emplace_back(line.text, line.exact);
    }
    return {lines, reader.encoding(), reader.failed(), reader.endsWithLineEnd(), reader.empty()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = data[0] % 16 + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (readList(bytes, piece) != readList(bytes, bytes.size() + 1)) {
        std::abort();
    }
    return 0;
}
