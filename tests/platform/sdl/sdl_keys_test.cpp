// SDL keys reach the programs as the virtual-key codes they test for.
#include <gtest/gtest.h>

#include "platform/sdl/sdl_keys.h"
#include "platform/win.h"

using win::sdl::virtualKeyFromSdl;

TEST(SdlKeys, ProgramKeysMapToTheirVirtualKeys) {
    EXPECT_EQ(virtualKeyFromSdl(SDLK_LEFT), static_cast<int>(win::VK_LEFT));
    EXPECT_EQ(virtualKeyFromSdl(SDLK_RIGHT), static_cast<int>(win::VK_RIGHT));
    EXPECT_EQ(virtualKeyFromSdl(SDLK_UP), static_cast<int>(win::VK_UP));
    EXPECT_EQ(virtualKeyFromSdl(SDLK_DOWN), static_cast<int>(win::VK_DOWN));
    EXPECT_EQ(virtualKeyFromSdl(SDLK_INSERT), static_cast<int>(win::VK_INSERT));
    EXPECT_EQ(virtualKeyFromSdl(SDLK_DELETE), static_cast<int>(win::VK_DELETE));
    EXPECT_EQ(virtualKeyFromSdl(SDLK_PAGEUP), static_cast<int>(win::VK_PRIOR));
    EXPECT_EQ(virtualKeyFromSdl(SDLK_PAGEDOWN), static_cast<int>(win::VK_NEXT));
    EXPECT_EQ(virtualKeyFromSdl(SDLK_ESCAPE), static_cast<int>(win::VK_ESCAPE));
    EXPECT_EQ(virtualKeyFromSdl(SDLK_SPACE), static_cast<int>(win::VK_SPACE));
}

TEST(SdlKeys, LettersDigitsAndFunctionKeysUseWindowsCodes) {
    EXPECT_EQ(virtualKeyFromSdl(SDLK_a), 'A');
    EXPECT_EQ(virtualKeyFromSdl(SDLK_z), 'Z');
    EXPECT_EQ(virtualKeyFromSdl(SDLK_0), '0');
    EXPECT_EQ(virtualKeyFromSdl(SDLK_9), '9');
    EXPECT_EQ(virtualKeyFromSdl(SDLK_F1), 0x70);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_F10), 0x79);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_LALT), static_cast<int>(win::VK_MENU));
    EXPECT_EQ(virtualKeyFromSdl(SDLK_RSHIFT), static_cast<int>(win::VK_SHIFT));
    EXPECT_EQ(virtualKeyFromSdl(SDLK_CAPSLOCK), 0);
}

TEST(SdlKeys, KeypadGivesTheMainBlockKeysWithNumLockOffAndDigitsWithItOn) {
    struct Case {
        SDL_Keycode key;
        win::WPARAM numLockOff;
        win::WPARAM numLockOn;
    };
    const Case cases[] = {
        {SDLK_KP_0, win::VK_INSERT, win::VK_NUMPAD0},    {SDLK_KP_PERIOD, win::VK_DELETE, win::VK_DECIMAL},
        {SDLK_KP_1, win::VK_END, win::VK_NUMPAD0 + 1},   {SDLK_KP_2, win::VK_DOWN, win::VK_NUMPAD0 + 2},
        {SDLK_KP_3, win::VK_NEXT, win::VK_NUMPAD0 + 3},  {SDLK_KP_4, win::VK_LEFT, win::VK_NUMPAD0 + 4},
        {SDLK_KP_5, win::VK_CLEAR, win::VK_NUMPAD0 + 5}, {SDLK_KP_6, win::VK_RIGHT, win::VK_NUMPAD0 + 6},
        {SDLK_KP_7, win::VK_HOME, win::VK_NUMPAD0 + 7},  {SDLK_KP_8, win::VK_UP, win::VK_NUMPAD0 + 8},
        {SDLK_KP_9, win::VK_PRIOR, win::VK_NUMPAD0 + 9},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(virtualKeyFromSdl(c.key, KMOD_NONE), static_cast<int>(c.numLockOff)) << c.key;
        EXPECT_EQ(virtualKeyFromSdl(c.key, static_cast<SDL_Keymod>(KMOD_NUM | KMOD_SHIFT)), static_cast<int>(c.numLockOn))
            << c.key;
    }
    EXPECT_EQ(virtualKeyFromSdl(SDLK_INSERT, KMOD_NUM), static_cast<int>(win::VK_INSERT));  // the main block ignores NumLock
}
