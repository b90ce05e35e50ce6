#pragma once

#include <optional>

namespace vesperon::platform {

// The Basic date value of a local date and time: days since 30 December 1899, the time of
// day as the fraction. nullopt for a day that the calendar does not have (31 April) or a
// time out of range.
std::optional<double> basicDateValue(int year, int month, int day, int hour = 0, int minute = 0,
                                     int second = 0);

} // namespace vesperon::platform
