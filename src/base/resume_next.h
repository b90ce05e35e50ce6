#pragma once

namespace vesperon {

// Runs one step of a sequence whose failures must not stop the steps after it.
template <class Step> void resumeNext(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
        // The step is skipped; the caller goes on with the next one.
    }
}

} // namespace vesperon
