#include "harbex/doorinput.h"

#include "harbex/crt2.h"
#include "harbex/door.h"

namespace harbex {

namespace {

std::string PrintableAscii() {
    std::string s;
    for (int c = 32; c <= 126; ++c)
        s.push_back(static_cast<char>(c));
    return s;
}

std::string FilenameChars() {
    std::string s;
    for (const char c : PrintableAscii()) {
        if (std::string("`/*|\"<>?").find(c) == std::string::npos) s.push_back(c);
    }
    return s;
}

constexpr char KEY_BACKSPACE = 8;
constexpr char KEY_DELETE = 127;
constexpr char KEY_CTRL_Y = 25;
constexpr char KEY_ENTER = 13;
constexpr char KEY_ESCAPE = 27;

} // namespace

const std::string DOOR_INPUT_CHARS_ALL = PrintableAscii();
const std::string DOOR_INPUT_CHARS_ALPHA = "qwertyuiopasdfghjklzxcvbnmQWERTYUIOPASDFGHJKLZXCVBNM";
const std::string DOOR_INPUT_CHARS_NUMERIC = "1234567890";
const std::string DOOR_INPUT_CHARS_FILENAME = FilenameChars();

std::string DoorInput(const std::string& ADefaultText, const std::string& AAllowedCharacters,
                      char APasswordCharacter, uint8_t AVisibleLength, uint8_t AMaxLength,
                      uint8_t AAttr) {
    const std::string defaultText = ADefaultText.substr(0, AMaxLength);
    const std::size_t visible = AVisibleLength;
    std::string S = defaultText;
    const uint8_t savedAttr = GetTextAttr();
    DoorTextAttr(AAttr);
    std::size_t xOffset = 0;

    auto shown = [&](const std::string& AText) {
        return APasswordCharacter != 0 ? std::string(AText.size(), APasswordCharacter) : AText;
    };
    // Redraws the field from its first column and leaves the cursor after the text.
    auto updateText = [&]() {
        if (xOffset > 0) DoorCursorLeft(static_cast<uint8_t>(xOffset));
        if (S.size() >= visible) {
            DoorWrite(shown(S.substr(S.size() - visible)));
            xOffset = visible;
        } else {
            const std::size_t pad = visible - S.size();
            DoorWrite(shown(S) + std::string(pad, ' '));
            DoorCursorLeft(static_cast<uint8_t>(pad));
            xOffset = S.size();
        }
    };

    updateText();
    char ch;
    do {
        ch = DoorReadKey();
        if (DoorLastKey.Extended) continue; // cursor and function keys type nothing
        if ((ch == KEY_BACKSPACE || ch == KEY_DELETE) && !S.empty()) {
            S.pop_back();
            if (S.size() < visible) {
                DoorWrite("\b \b");
                if (xOffset > 0) --xOffset;
            } else {
                updateText();
            }
        } else if (ch == KEY_CTRL_Y && !S.empty()) {
            S.clear();
            updateText();
        } else if (ch != KEY_ENTER && ch != KEY_ESCAPE &&
                   AAllowedCharacters.find(ch) != std::string::npos && S.size() < AMaxLength) {
            S.push_back(ch);
            if (S.size() > visible) {
                updateText();
            } else {
                DoorWrite(std::string(1, APasswordCharacter != 0 ? APasswordCharacter : ch));
                ++xOffset;
            }
        }
    } while (ch != KEY_ESCAPE && ch != KEY_ENTER);

    DoorTextAttr(savedAttr);
    DoorWriteLn();
    if (ch == KEY_ESCAPE) S = defaultText;
    return S;
}

bool DoorLiteBar(int32_t APageSize) {
    bool result = true;
    DoorTextAttr(pcWhite);
    DoorCursorSave();

    const auto count = static_cast<int32_t>(DoorLiteBarOptions.size());
    // Redraws option AIndex in place, highlighted or not.
    auto drawOption = [&](int32_t AIndex, bool AHighlighted) {
        DoorCursorRestore();
        if (AIndex > 0) DoorCursorDown(static_cast<uint8_t>(AIndex));
        if (AHighlighted) DoorTextBackground(pcBlue);
        DoorWrite(DoorLiteBarOptions[static_cast<std::size_t>(AIndex)]);
        DoorTextAttr(pcWhite);
    };

    for (int32_t i = 0; i < count && i != APageSize; ++i) {
        if (i > 0) {
            DoorCursorRestore();
            DoorCursorDown(static_cast<uint8_t>(i));
        }
        if (i == DoorLiteBarIndex) DoorTextBackground(pcBlue);
        DoorWrite(DoorLiteBarOptions[static_cast<std::size_t>(i)]);
        DoorTextAttr(pcWhite);
    }

    for (;;) {
        char ch = DoorReadKey();
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        if (ch == KEY_ENTER) break;
        if (ch == 'Q') {
            result = false;
            break;
        }
        const bool up = ch == '8' || ch == '4' || ch == 'H' || ch == 'K';
        const bool down = ch == '2' || ch == '6' || ch == 'P' || ch == 'M';
        // The bar only moves within the drawn options; an index that was left outside
        // them is not drawn from.
        const bool inRange = DoorLiteBarIndex >= 0 && DoorLiteBarIndex < count &&
                             (APageSize < 0 || DoorLiteBarIndex < APageSize);
        if (up && inRange && DoorLiteBarIndex > 0) {
            drawOption(DoorLiteBarIndex, false);
            --DoorLiteBarIndex;
            drawOption(DoorLiteBarIndex, true);
        } else if (down && inRange && DoorLiteBarIndex < APageSize - 1 &&
                   DoorLiteBarIndex < count - 1) {
            drawOption(DoorLiteBarIndex, false);
            ++DoorLiteBarIndex;
            drawOption(DoorLiteBarIndex, true);
        }
    }

    DoorCursorRestore();
    return result;
}

} // namespace harbex
