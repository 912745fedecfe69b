// Base fixture of the library's unit tests: a fresh library state and a
// fresh fake PC/SC service for every test, and a check that the fake saw
// nothing unexpected.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fake_pcsc.h"
#include "nimbrel.h"
#include "profile.h"
#include "session.h"
#include "transport.h"
#include "virtual_card.h"

class FakePcscTest : public testing::Test {
protected:
    void SetUp() override {
        fake_pcsc::Reset();
        nimbrel::ResetModuleState();
    }
    void TearDown() override {
        nimbrel::ResetModuleState(); // closes every live connection
        for (const std::string& error : fake_pcsc::Errors())
            ADD_FAILURE() << "fake PC/SC: " << error;
        EXPECT_EQ(fake_pcsc::PendingSteps(), 0u) << "scripted steps left unsent";
        fake_pcsc::Reset();
        nimbrel::ResetModuleState();
    }

    // One known reader holding a card that answers from the script only.
    static void OneScriptedReader(unsigned long protocol = 1) {
        fake_pcsc::SetReaders({{"Generic MultiCard reader 1.0 00 00", true, protocol, nullptr}});
    }

    // Connects and returns the handle, failing the test otherwise.
    static QuarnConnection Open() {
        QuarnConnection handle = 0;
        EXPECT_EQ(Quarn_Connect(&handle), QUARN_OK);
        return handle;
    }

    static const nimbrel::CardLink& Link(QuarnConnection handle) {
        const nimbrel::CardLink* link = nimbrel::FindConnection(handle);
        if (!link)
            throw std::logic_error("no such connection");
        return *link;
    }
};

// A virtual card from sim/profiles behind a known reader.
inline simcard::CardProfile Profile(const std::string& name) {
    return simcard::LoadProfile(std::string(SIM_PROFILE_DIR) + "/" + name);
}

inline fake_pcsc::Reader
ReaderWithCard(simcard::VirtualCard& card,
               const std::string& name = "Generic MultiCard reader 1.0 00 00") {
    return {name, true, 1, [&card](const fake_pcsc::Bytes& c) { return card.Process(c); }};
}
