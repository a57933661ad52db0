// Runs of steps whose failures are skipped: the program's start-up, its list loading
// and several handlers carry on with the next step when one fails. Each such run
// says so where it begins; a step is one call of tryStep.
#pragma once

#include <exception>

namespace tk {

// Runs `step`; a failure (any exception) is swallowed. Returns whether it succeeded.
template <typename Step>
bool tryStep(Step&& step) noexcept {
    try {
        step();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace tk
