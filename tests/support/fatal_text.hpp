// Shared by the test programs: the message of a call that must stop the run.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/fatal.hpp"

namespace velkaro::testing {

/// Run f, which must throw FatalError; return its lines joined by newlines
/// (and record a test failure if it returns normally).
template <typename F>
std::string fatal_text(F&& f) {
    try {
        f();
    } catch (const FatalError& e) {
        return e.what();
    }
    ADD_FAILURE() << "expected a fatal stop";
    return {};
}

}  // namespace velkaro::testing
