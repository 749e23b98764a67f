#include "harbex/videoutils.h"

#include "harbex/consolescreen.h"
#include "harbex/crt2.h"
#include "harbex/door.h"
#include "harbex/stringutils.h"

namespace harbex {
namespace {

bool OnScreen(int AX, int AY) {
    return AX >= 1 && AX <= 80 && AY >= 1 && AY <= 25;
}

std::string PadRight(std::string AText, size_t AWidth) {
    if (AText.size() < AWidth) AText.append(AWidth - AText.size(), ' ');
    return AText;
}

} // namespace

void FastWrite(const std::string& ALine, uint8_t AX, uint8_t AY, uint8_t AAttr) {
    if (!OnScreen(AX, AY)) return;
    std::string line = ALine.substr(0, static_cast<size_t>(81 - AX));
    if (AY == 25) line = line.substr(0, static_cast<size_t>(80 - AX));
    const uint8_t saved = GetTextAttr();
    SetTextAttr(AAttr);
    ScrBeginUpdate();
    for (size_t i = 0; i < line.size(); ++i)
        ScrPutCell(AX + static_cast<int>(i), AY, line[i], AAttr);
    ScrEndUpdate();
    SetTextAttr(saved);
}

char GetCharAt(uint8_t AX, uint8_t AY) {
    return ScrGetChar(AX, AY);
}

uint8_t GetAttrAt(uint8_t AX, uint8_t AY) {
    return ScrGetAttr(AX, AY);
}

void SetCharAt(char ACh, uint8_t AX, uint8_t AY) {
    if (!OnScreen(AX, AY)) return;
    const uint8_t saved = GetTextAttr();
    const uint8_t attr = ScrGetAttr(AX, AY);
    SetTextAttr(attr);
    ScrPutCell(AX, AY, ACh, attr);
    SetTextAttr(saved);
}

void SetAttrAt(uint8_t AAttr, uint8_t AX, uint8_t AY) {
    if (!OnScreen(AX, AY)) return;
    const uint8_t saved = GetTextAttr();
    SetTextAttr(AAttr);
    ScrPutCell(AX, AY, ScrGetChar(AX, AY), AAttr);
    SetTextAttr(saved);
}

void ScreenSave(TScreenBuffer& AScreenBuffer) {
    for (int y = 1; y <= 25; ++y)
        for (int x = 1; x <= 80; ++x)
            AScreenBuffer[static_cast<size_t>(y - 1)][static_cast<size_t>(x - 1)] =
                TCharInfo{ScrGetChar(x, y), ScrGetAttr(x, y)};
}

void ScreenRestore(const TScreenBuffer& AScreenBuffer) {
    ScrBeginUpdate();
    for (int y = 1; y <= 25; ++y)
        for (int x = 1; x <= 80; ++x) {
            const TCharInfo& c =
                AScreenBuffer[static_cast<size_t>(y - 1)][static_cast<size_t>(x - 1)];
            FastWrite(std::string(1, c.Ch), static_cast<uint8_t>(x), static_cast<uint8_t>(y),
                      c.Attr);
        }
    ScrEndUpdate();
}

uint16_t ScreenSizeX() {
    return 80;
}
uint16_t ScreenSizeY() {
    return 25;
}

uint16_t WhereXYAbs() {
    return static_cast<uint16_t>(((ScrCursorCol() - 1) & 0xFF) |
                                 (((ScrCursorRow() - 1) & 0xFF) << 8));
}

void GotoXYAbs(uint16_t AXY) {
    ScrSetCursorAbs((AXY & 0xFF) + 1, (AXY >> 8) + 1);
}

void CursorHide() {
    ScrShowCursor(false);
}
void CursorShow() {
    ScrShowCursor(true);
}

void DefaultOnStatusBar() {
    std::string bar(80, ' ');
    for (int col : {1, 29, 49, 63, 80})
        bar[static_cast<size_t>(col - 1)] = '\xfe';
    ScrBeginUpdate();
    FastWrite(bar, 1, 25, PcAttr(pcYellow, pcBlue));
    FastWrite(PadRight(DoorDropInfo.RealName, 22), 3, 25, PcAttr(pcWhite, pcBlue));
    FastWrite(DoorProgramNameAndVersion, 31, 25, PcAttr(pcWhite, pcBlue));
    FastWrite(PadRight("Idle: " + SecToMS(DoorSecondsIdle()), 11), 51, 25, PcAttr(pcWhite, pcBlue));
    FastWrite("Left: " + SecToHMS(DoorSecondsLeft()), 65, 25, PcAttr(pcWhite, pcBlue));
    ScrEndUpdate();
}

} // namespace harbex
