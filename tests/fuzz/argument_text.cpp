// The argument text taken from a Windows command line, and the run it selects.
#include "base/argument_text.h"

#include "app/shutdown_request.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vesperon;
    const std::string_view commandLine(reinterpret_cast<const char*>(data), size);
    const std::string arguments = argumentTextOf(commandLine);
    // What follows the program name, never more, never starting with a blank; the same when
    // the program's own path may start the line unquoted.
    for (const std::string& text :
         {arguments, argumentTextOf(commandLine, "C:\\Program Files\\V\\vesperon.exe")}) {
        if (!commandLine.ends_with(text) ||
            (!text.empty() && (text.front() == ' ' || text.front() == '\t'))) {
            std::abort();
        }
    }
    const auto mode = runModeOf(arguments);
    // Only a switch of two characters, with blanks and tabs around it, selects a run.
    if (mode && arguments.find_first_not_of(" \t") + 2 != arguments.find_last_not_of(" \t") + 1) {
        std::abort();
    }
    if (mode != runModeOf(" \t" + arguments + "\t ")) {
        std::abort();
    }
    return 0;
}
