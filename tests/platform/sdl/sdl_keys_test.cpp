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
