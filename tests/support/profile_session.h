// A test fixture with a profile of its own, in a temporary folder, and a
// store session logged on to it.
#pragma once

#include "test_files.h"

#include <store/session.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace testsupport {

class ProfileSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("FERRYWELL_PROFILE", (dir.Path() / "profile").c_str(), 1);
        session.Logon();
    }
    TempDir dir;
    store::Session session;
};

}  // namespace testsupport
