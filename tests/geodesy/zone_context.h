// A run context with the constants of a map zone set.
#pragma once

#include "geodesy/geodcat.h"

#include <gtest/gtest.h>

#include <memory>

namespace quarlo::test {

inline std::unique_ptr<RunContext> zone(int code) {
    auto ctx = std::make_unique<RunContext>();
    ctx->tmvals.zone_code = code;
    EXPECT_TRUE(geod00(*ctx)) << code;
    return ctx;
}

} // namespace quarlo::test
