// A bare run context for unit tests of routines that take the context or
// reach it through cm: the memory manager's control block, the options
// block with the separator "!" and a 4,096-byte continuation limit, the
// log on standard error.
#pragma once
#include <gtest/gtest.h>

#include "driver/driver.h"

namespace tvt {

class RunCtx : public ::testing::Test {
protected:
    GCCB gc{};
    OPTB opt{};
    CMV  ctx{};
    void SetUp() override {
        opt.sep = '!';
        opt.contmax = 4096;
        ctx.gccb = &gc;
        ctx.optp = &opt;
        ctx.logfp = stderr;
        cm = &ctx;
    }
    void TearDown() override { cm = nullptr; }
};

}  // namespace tvt
