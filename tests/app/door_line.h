// A connected caller for unit tests of the screens: the kit runs in socket mode on one end
// of a socketpair (event pump off), the test holds the other end, queues keys before a screen
// reads them, and renders everything the screen sent onto the test terminal.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <string_view>

#include "e2e/vterm.h"
#include "harbex/comm.h"
#include "harbex/door.h"

namespace apptest {

class DoorLine {
  public:
    DoorLine() {
        harbex::DoorResetForTests();
        int sv[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) throw std::runtime_error("socketpair");
        int big = 4 << 20;
        setsockopt(sv[1], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
        setsockopt(sv[0], SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
        FPeer = sv[0];
        fcntl(FPeer, F_SETFL, fcntl(FPeer, F_GETFL) | O_NONBLOCK);
        harbex::StdIO = false;
        harbex::CommOpen(sv[1]);
        harbex::DoorSession.Events = false;
        Take();  // the telnet offers
        Screen.Reset();
        Sent.clear();
    }
    ~DoorLine() {
        harbex::CommClose(false);
        close(FPeer);
        harbex::DoorResetForTests();
    }
    DoorLine(const DoorLine&) = delete;
    DoorLine& operator=(const DoorLine&) = delete;

    // Queues keys for the screen to read.
    void Keys(std::string_view AKeys) {
        if (write(FPeer, AKeys.data(), AKeys.size()) != static_cast<ssize_t>(AKeys.size()))
            throw std::runtime_error("key write");
    }
    // Everything sent since the last Take, telnet commands removed; also rendered on Screen.
    std::string Take() {
        std::string out;
        char buf[8192];
        for (;;) {
            ssize_t n = read(FPeer, buf, sizeof buf);
            if (n <= 0) break;
            out.append(buf, static_cast<size_t>(n));
        }
        std::string clean = FTelnet.Feed(out);
        Screen.Feed(clean);
        Sent += clean;
        return clean;
    }

    e2e::VirtualScreen Screen;
    std::string Sent;  // all bytes taken so far

  private:
    int FPeer = -1;
    e2e::TelnetFilter FTelnet;
};

} // namespace apptest
