// Text attribute tracking: the one-byte PC attribute (bits 0-3 foreground, 4-6
// background, 7 blink) the kit believes is in force on the caller's screen, kept in step
// with the local console's own attribute. Only these setters change it; pipe codes do not.
#pragma once

#include <cstdint>

namespace harbex {

// The PC colours: foreground 0-15, background 0-7 (bits 4-6 of an attribute).
enum TPcColour : uint8_t {
    pcBlack,
    pcBlue,
    pcGreen,
    pcCyan,
    pcRed,
    pcMagenta,
    pcBrown,
    pcLightGrey,
    pcDarkGrey,
    pcLightBlue,
    pcLightGreen,
    pcLightCyan,
    pcLightRed,
    pcLightMagenta,
    pcYellow,
    pcWhite,
};
// The attribute of a foreground on a background.
constexpr uint8_t PcAttr(uint8_t AFore, uint8_t ABack = pcBlack) {
    return static_cast<uint8_t>(AFore | ABack << 4);
}

// The tracked attribute (7 at program start).
uint8_t GetTextAttr();
// Tracked := AAttr; console attribute := AAttr.
void SetTextAttr(uint8_t AAttr);
// Console foreground := AColour (16 or more also sets the console blink bit);
// tracked := (AColour and 0x8F) or (tracked and 0x70).
void SetTextColour(uint8_t AColour);
// Console background := AColour (0-7); tracked := (tracked and 0x8F) or ((AColour shl 4) and 0x70).
void SetTextBackground(uint8_t AColour);

} // namespace harbex
