#include "platform/win32/win32_event_log.h"

#include "platform/win32/wide_text.h"

#include <windows.h>

namespace vesperon::platform::win32 {

EventSourceHandle Win32EventLog::registerEventSource(const std::string& server,
                                                     const std::string& source) {
    return reinterpret_cast<EventSourceHandle>(
        ::RegisterEventSourceW(widen(server).c_str(), widen(source).c_str()));
}

bool Win32EventLog::reportEvent(EventSourceHandle handle, std::uint16_t type,
                                std::uint16_t category, std::uint32_t eventId,
                                const std::vector<std::string>& strings,
                                const std::vector<std::uint8_t>& rawData) {
    std::vector<std::wstring> wide;
    for (const auto& s : strings) {
        wide.push_back(widen(s));
    }
    std::vector<LPCWSTR> texts;
    for (const auto& s : wide) {
        texts.push_back(s.c_str());
    }
    return ::ReportEventW(reinterpret_cast<HANDLE>(handle), type, category, eventId, nullptr,
                          static_cast<WORD>(texts.size()), static_cast<DWORD>(rawData.size()),
                          texts.data(), const_cast<std::uint8_t*>(rawData.data())) != 0;
}

void Win32EventLog::deregisterEventSource(EventSourceHandle handle) {
    ::DeregisterEventSource(reinterpret_cast<HANDLE>(handle));
}

} // namespace vesperon::platform::win32
