// A scripted caller for tests of the kit's interactive operations. It sits in
// the key reader's wait seam: every time the door waits for a key, it renders
// what the door has sent so far onto a virtual screen, keeps a snapshot, and
// types the next step of its script. A door that waits for more keys than the
// script holds gets an exception instead of a hang.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "vscreen.h"

namespace testing_caller {

struct TSnapshot {
    testing_screen::TVirtualScreen Screen;
    std::size_t BytesReceived;  // bytes the door had sent when the snapshot was taken
};

class TScriptedCaller {
  public:
    // AKeyFd: where typed keys go (the door's input); AOutFd: what the door sends.
    TScriptedCaller(int AKeyFd, int AOutFd) : FKeyFd(AKeyFd), FOutFd(AOutFd) {}

    void Script(std::vector<std::string> ASteps) {
        FSteps.assign(ASteps.begin(), ASteps.end());
    }

    // Reads everything the door has sent so far onto the screen.
    void Pump() {
        char buf[4096];
        for (;;) {
            pollfd p{FOutFd, POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN)) break;
            const ssize_t n = ::read(FOutFd, buf, sizeof buf);
            if (n <= 0) break;
            Received.append(buf, static_cast<std::size_t>(n));
            Screen.Feed(std::string(buf, static_cast<std::size_t>(n)));
        }
    }

    // Called from the wait seam.
    void OnWait() {
        Pump();
        // After a lone ESC the door waits about half a second for a follow-up byte;
        // the next step is typed only after that, so it is not taken as one.
        if (!FSteps.empty() && FAfterEscape && FIdleWaits < 12) {
            ++FIdleWaits;
            return;
        }
        if (!FSteps.empty()) {
            Snapshots.push_back({Screen, Received.size()});
            const std::string step = FSteps.front();
            FSteps.pop_front();
            if (!step.empty() && ::write(FKeyFd, step.data(), step.size()) < 0)
                throw std::runtime_error("cannot type keys");
            FIdleWaits = 0;
            FAfterEscape = !step.empty() && step.back() == '\x1b';
            return;
        }
        // A pending ESC waits ten rounds for a follow-up byte; far more waits than
        // that without any key means the door wants keys the script lacks.
        if (++FIdleWaits > 200) throw std::runtime_error("door waits for a key not in the script");
    }

    bool ScriptDone() const { return FSteps.empty(); }

    testing_screen::TVirtualScreen Screen;
    std::string Received;
    std::vector<TSnapshot> Snapshots;

  private:
    int FKeyFd;
    int FOutFd;
    std::deque<std::string> FSteps;
    int FIdleWaits = 0;
    bool FAfterEscape = false;
};

// The caller the wait seam talks to (one at a time).
inline TScriptedCaller*& CurrentCaller() {
    static TScriptedCaller* caller = nullptr;
    return caller;
}

inline void ScriptedWait(int) {
    if (CurrentCaller()) CurrentCaller()->OnWait();
}

} // namespace testing_caller
