#pragma once

namespace vesperon {

// How a run mode ended: its request started, withheld (a listed file in use or not known
// to be free), or failed (not started, or refused by the command).
enum class RunOutcome { Started, Withheld, Failed };

} // namespace vesperon
