// Key numbers the commands understand: the system's virtual-key codes, so the
// Win32 shell hands its key messages' wParam on as it is.
#pragma once

namespace tumbor::keys {

constexpr int kTab = 0x09;
constexpr int kEnter = 0x0D;
constexpr int kShift = 0x10;
constexpr int kControl = 0x11;
constexpr int kEscape = 0x1B;
constexpr int kLeft = 0x25;
constexpr int kUp = 0x26;
constexpr int kRight = 0x27;
constexpr int kDown = 0x28;
constexpr int kInsert = 0x2D;
constexpr int kDelete = 0x2E;
constexpr int kDigit3 = '3';
constexpr int kF1 = 0x70;
constexpr int kF4 = 0x73;

// Which modifier keys were held when a key arrived.
struct Modifiers {
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
};

// Ctrl and Shift as the window tracks them: set on their key-down, cleared on their key-up.
class ModifierTracker {
public:
    void keyDown(int key) { update(key, true); }
    void keyUp(int key) { update(key, false); }
    void clear() { ctrl_ = shift_ = false; }
    bool ctrl() const { return ctrl_; }
    bool shift() const { return shift_; }
    Modifiers with(bool alt) const { return Modifiers{ctrl_, shift_, alt}; }

private:
    void update(int key, bool down) {
        if (key == kControl) ctrl_ = down;
        if (key == kShift) shift_ = down;
    }
    bool ctrl_ = false;
    bool shift_ = false;
};

}  // namespace tumbor::keys
