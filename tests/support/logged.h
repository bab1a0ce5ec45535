#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/log.h"

// What the engine logs while `body` runs, with logging switched on beforehand.
inline std::string Logged(const std::function<void()>& body) {
    EnableLogging();
    testing::internal::CaptureStdout();
    body();
    return testing::internal::GetCapturedStdout();
}
