// A door session in socket mode over a socketpair, with a scripted caller on
// the far end (see scriptedcaller.h).
#pragma once

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "harbex/comm.h"
#include "harbex/door.h"
#include "scriptedcaller.h"

namespace testing_caller {

class SocketSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        harbex::DoorResetForTests();
        harbex::CommReset();
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, FFds), 0);
        harbex::CommOpen(FFds[0]);
        harbex::StdIO = false;
        FCaller = new TScriptedCaller(FFds[1], FFds[1]);
        FCaller->Pump();
        FCaller->Received.clear();  // the telnet offers
        FCaller->Screen = testing_screen::TVirtualScreen();
        CurrentCaller() = FCaller;
        harbex::SetInputWaitHook(ScriptedWait);
    }
    void TearDown() override {
        harbex::SetInputWaitHook(nullptr);
        CurrentCaller() = nullptr;
        harbex::CommClose(false);
        ::close(FFds[1]);
        harbex::CommReset();
        harbex::DoorResetForTests();
        delete FCaller;
    }
    TScriptedCaller& Caller() { return *FCaller; }
    // Everything sent since the last call.
    std::string Sent() {
        FCaller->Pump();
        std::string s = FCaller->Received.substr(FTaken);
        FTaken = FCaller->Received.size();
        return s;
    }

    int FFds[2] = {-1, -1};
    TScriptedCaller* FCaller = nullptr;
    std::size_t FTaken = 0;
};

} // namespace testing_caller
