#include "auxiliary/process_list_window.h"

#include "auxiliary/module2.h"

namespace vesperon {

namespace {

constexpr std::uint32_t queryInformationAndReadMemory = 0x410;
constexpr std::uint32_t moduleBufferBytes = 200;
constexpr std::uint32_t nameBufferChars = 260;

void listBySnapshot(platform::ProcessListing& listing, std::vector<std::string>& lines) {
    const platform::ProcessHandle snapshot = listing.createProcessSnapshot();
    if (snapshot == 0) {
        return;
    }
    std::string exeFile;
    for (bool more = listing.process32First(snapshot, exeFile); more;
         more = listing.process32Next(snapshot, exeFile)) {
        const std::string line = StripLastChar(exeFile);
        lines.push_back(line.substr(0, line.find('\0')));
    }
    listing.closeHandle(snapshot);
}

void listByIds(platform::ProcessListing& listing, std::vector<std::string>& lines) {
    std::uint32_t cb = 8;
    std::uint32_t bytesReturned = 96;
    std::vector<std::uint32_t> ids;
    // Doubles the buffer until the platform no longer fills it.
    while (cb <= bytesReturned) {
        cb *= 2;
        ids.assign(cb / 4, 0);
        listing.enumProcesses(ids, cb, bytesReturned);
    }
    const std::uint32_t count = bytesReturned / 4;
    for (std::uint32_t i = 0; i < count && i < ids.size(); ++i) {
        const platform::ProcessHandle process =
            listing.openProcess(queryInformationAndReadMemory, false, ids[i]);
        if (process == 0) {
            continue;
        }
        std::uintptr_t module = 0;
        std::uint32_t needed = 0;
        if (listing.enumProcessModules(process, module, moduleBufferBytes, needed)) {
            std::string name(nameBufferChars, ' ');
            const std::uint32_t n = listing.moduleFileName(process, module, name, nameBufferChars);
            lines.push_back(name.substr(0, n));
        }
        listing.closeHandle(process);
    }
}

} // namespace

std::vector<std::string> listProcesses(platform::ProcessListing& listing) {
    std::vector<std::string> lines;
    switch (GetPlatformId(listing)) {
    case 1:
        listBySnapshot(listing, lines);
        break;
    case 2:
        listByIds(listing, lines);
        break;
    default:
        break;
    }
    return lines;
}

Form5::Form5(Forms& forms, platform::ProcessListing& listing)
    : Form(forms, layout()), listing_(listing) {}

platform::FormLayout Form5::layout() {
    using platform::ControlKind;
    constexpr auto plain = platform::ControlLayout::defaultColor;
    platform::FormLayout design;
    design.name = "Form5";
    design.caption = "Form5";
    design.unit = platform::FormUnit::Twips;
    design.clientWidth = 4680;
    design.clientHeight = 3090;
    design.controls = {
        {"List1", ControlKind::ListBox, "", 240, 240, 4335, 2400, 0, "", plain},
        {"Command1", ControlKind::Button, "Command1", 600, 2760, 1095, 255, 1, "", plain},
    };
    design.initialFocus = "List1";
    return design;
}

void Form5::Command1_Click() {
    ListClear("List1");
    for (const auto& line : listProcesses(listing_)) {
        ListAddItem("List1", line);
    }
}

void Form5::Click(const std::string& control) {
    if (control == "Command1") {
        Command1_Click();
    }
}

} // namespace vesperon
