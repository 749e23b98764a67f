#include "harbex/crt2.h"

#include "harbex/console.h"

namespace harbex {
namespace {
// The local console starts light grey on black, so the tracked attribute does too.
uint8_t FTextAttr = 7;
} // namespace

uint8_t GetTextAttr() {
    return FTextAttr;
}

void SetTextAttr(uint8_t AAttr) {
    FTextAttr = AAttr;
    ConsoleSetAttr(AAttr);
}

void SetTextColour(uint8_t AColour) {
    uint8_t con = ConsoleGetAttr();
    con = static_cast<uint8_t>((con & 0x70) | (AColour & 0x0F) | (AColour >= 16 ? 0x80 : 0));
    ConsoleSetAttr(con);
    FTextAttr = static_cast<uint8_t>((AColour & 0x8F) | (FTextAttr & 0x70));
}

void SetTextBackground(uint8_t AColour) {
    uint8_t con = ConsoleGetAttr();
    con = static_cast<uint8_t>((con & 0x8F) | ((AColour & 0x07) << 4));
    ConsoleSetAttr(con);
    FTextAttr = static_cast<uint8_t>((FTextAttr & 0x8F) | ((AColour << 4) & 0x70));
}

} // namespace harbex
