// The update offer: any text is read without failing, an offer is never this version,
// and a file it would fetch always lands in the program's own folder.
#include "base/Text.h"
#include "update/Update.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto offer = lindrel::ParseUpdateReply(input);
    if (!offer) {
        return 0;
    }
    if (offer->version == lindrel::kOwnVersion ||
        offer->fileLines.size() + 2 != lindrel::Split(lindrel::TrimSpaces(input), '\n').size()) {
        std::abort();
    }
    for (const auto& line : offer->fileLines) {
        const auto entry = lindrel::ParseUpdateFileLine(line);
        if (entry.kind != lindrel::UpdateFileLine::Kind::Fetch) {
            continue;
        }
        const std::string& name = entry.file.name;
        if (name.empty() || name.find_first_of("/\\") != std::string::npos ||
            name.find("..") != std::string::npos || name == "." ||
            entry.file.folder + "," + name != line) {
            std::abort();
        }
    }
    return 0;
}
