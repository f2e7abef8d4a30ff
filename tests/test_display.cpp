// The input half of the binding, driven without a window or GL context.
#include <cstring>

#include <gtest/gtest.h>
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <imgui.h>

#include "display/imgui_impl_glfw_gl3.h"

namespace {

struct BindingTest : ::testing::Test {
    void SetUp() override { ImGui_ImplGlfwGL3_Init(nullptr, false); }
    // Shutdown without a first frame makes no GL call and resets the module.
    void TearDown() override { ImGui_ImplGlfwGL3_Shutdown(); }
};

const bool none[3] = {false, false, false};

// One GUI frame with the mouse as the binding feeds it and a 200 x 100 window
// first placed at (100, 100); returns where that window stands.
ImVec2 mouse_frame(double now, bool focused, double x, double y, bool left_held)
{
    const bool held[3] = {left_held, false, false};
    ImGui_ImplGlfwGL3_UpdateDisplay(1280, 720, 1280, 720);
    ImGui_ImplGlfwGL3_UpdateTime(now);
    ImGui_ImplGlfwGL3_UpdateMousePos(focused, x, y);
    ImGui_ImplGlfwGL3_UpdateMouseButtons(held);
    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(100, 100), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(200, 100), ImGuiCond_FirstUseEver);
    ImGui::Begin("Dragged");
    ImVec2 pos = ImGui::GetWindowPos();
    ImGui::End();
    ImGui::EndFrame();
    return pos;
}

} // namespace

TEST_F(BindingTest, KeyMapAndBackendNames)
{
    ImGuiIO& io = ImGui::GetIO();
    EXPECT_EQ(GLFW_KEY_TAB, io.KeyMap[ImGuiKey_Tab]);
    EXPECT_EQ(GLFW_KEY_ESCAPE, io.KeyMap[ImGuiKey_Escape]);
    EXPECT_EQ(GLFW_KEY_Z, io.KeyMap[ImGuiKey_Z]);
    EXPECT_EQ(GLFW_KEY_PAGE_DOWN, io.KeyMap[ImGuiKey_PageDown]);
    EXPECT_TRUE(io.BackendFlags & ImGuiBackendFlags_RendererHasVtxOffset);
    ASSERT_NE(nullptr, io.BackendRendererName);
    ASSERT_NE(nullptr, io.BackendPlatformName);
    EXPECT_NE(nullptr, io.SetClipboardTextFn);
    EXPECT_NE(nullptr, io.GetClipboardTextFn);
}

TEST_F(BindingTest, KeysPressReleaseRepeatAndModifiers)
{
    ImGuiIO& io = ImGui::GetIO();
    ImGui_ImplGlfwGL3_KeyCallback(nullptr, GLFW_KEY_A, 0, GLFW_PRESS, 0);
    EXPECT_TRUE(io.KeysDown[GLFW_KEY_A]);
    ImGui_ImplGlfwGL3_KeyCallback(nullptr, GLFW_KEY_A, 0, GLFW_REPEAT, 0);
    EXPECT_TRUE(io.KeysDown[GLFW_KEY_A]);
    ImGui_ImplGlfwGL3_KeyCallback(nullptr, GLFW_KEY_A, 0, GLFW_RELEASE, 0);
    EXPECT_FALSE(io.KeysDown[GLFW_KEY_A]);
    ImGui_ImplGlfwGL3_KeyCallback(nullptr, GLFW_KEY_B, 0, GLFW_REPEAT, 0);
    EXPECT_FALSE(io.KeysDown[GLFW_KEY_B]);

    // Modifiers come from the key table, not from the modifier bits.
    ImGui_ImplGlfwGL3_KeyCallback(nullptr, GLFW_KEY_RIGHT_CONTROL, 0, GLFW_PRESS, 0);
    ImGui_ImplGlfwGL3_KeyCallback(nullptr, GLFW_KEY_LEFT_SHIFT, 0, GLFW_PRESS, GLFW_MOD_ALT);
    EXPECT_TRUE(io.KeyCtrl);
    EXPECT_TRUE(io.KeyShift);
    EXPECT_FALSE(io.KeyAlt);
    EXPECT_FALSE(io.KeySuper);
    ImGui_ImplGlfwGL3_KeyCallback(nullptr, GLFW_KEY_RIGHT_SUPER, 0, GLFW_PRESS, 0);
    ImGui_ImplGlfwGL3_KeyCallback(nullptr, GLFW_KEY_LEFT_ALT, 0, GLFW_PRESS, 0);
    EXPECT_TRUE(io.KeySuper);
    EXPECT_TRUE(io.KeyAlt);

    // An unknown key changes no entry but the modifiers are still recomputed.
    bool before[512];
    memcpy(before, io.KeysDown, sizeof before);
    io.KeyCtrl = false;
    ImGui_ImplGlfwGL3_KeyCallback(nullptr, GLFW_KEY_UNKNOWN, 0, GLFW_PRESS, 0);
    ImGui_ImplGlfwGL3_KeyCallback(nullptr, 512, 0, GLFW_PRESS, 0);
    ImGui_ImplGlfwGL3_KeyCallback(nullptr, 100000, 0, GLFW_RELEASE, 0);
    EXPECT_EQ(0, memcmp(before, io.KeysDown, sizeof before));
    EXPECT_TRUE(io.KeyCtrl);
    ImGui_ImplGlfwGL3_KeyCallback(nullptr, GLFW_KEY_RIGHT_CONTROL, 0, GLFW_RELEASE, 0);
    EXPECT_FALSE(io.KeyCtrl);
}

TEST_F(BindingTest, CharactersInTheBasicPlaneOnly)
{
    ImGuiIO& io = ImGui::GetIO();
    const unsigned int codes[] = {0, 'a', 0xE9, 0xFFFF, 0x10000, 0x1F600, 0xFFFFFFFF};
    for (unsigned int c : codes)
        ImGui_ImplGlfwGL3_CharCallback(nullptr, c);
    ASSERT_EQ(3, io.InputQueueCharacters.Size);
    EXPECT_EQ('a', io.InputQueueCharacters[0]);
    EXPECT_EQ(0xE9, io.InputQueueCharacters[1]);
    EXPECT_EQ(0xFFFF, io.InputQueueCharacters[2]);
}

TEST_F(BindingTest, PressBetweenFramesHoldsForOneFrameAndWheelAccumulates)
{
    ImGuiIO& io = ImGui::GetIO();
    ImGui_ImplGlfwGL3_MouseButtonCallback(nullptr, 1, GLFW_PRESS, 0);
    ImGui_ImplGlfwGL3_MouseButtonCallback(nullptr, 1, GLFW_RELEASE, 0);
    ImGui_ImplGlfwGL3_MouseButtonCallback(nullptr, 3, GLFW_PRESS, 0);
    ImGui_ImplGlfwGL3_MouseButtonCallback(nullptr, -1, GLFW_PRESS, 0);
    ImGui_ImplGlfwGL3_ScrollCallback(nullptr, 5.0, 0.5);
    ImGui_ImplGlfwGL3_ScrollCallback(nullptr, 0.0, 0.25);
    ImGui_ImplGlfwGL3_UpdateMouseButtons(none);
    EXPECT_FALSE(io.MouseDown[0]);
    EXPECT_TRUE(io.MouseDown[1]);
    EXPECT_FALSE(io.MouseDown[2]);
    EXPECT_FLOAT_EQ(0.75f, io.MouseWheel);

    ImGui_ImplGlfwGL3_UpdateMouseButtons(none);
    EXPECT_FALSE(io.MouseDown[1]);
    EXPECT_FLOAT_EQ(0.0f, io.MouseWheel);

    const bool held[3] = {false, false, true};
    ImGui_ImplGlfwGL3_UpdateMouseButtons(held);
    EXPECT_TRUE(io.MouseDown[2]);
}

TEST_F(BindingTest, FirstFrameStepIsASixtiethThenMeasured)
{
    ImGuiIO& io = ImGui::GetIO();
    ImGui_ImplGlfwGL3_UpdateTime(10.0);
    EXPECT_EQ(1.0f / 60.0f, io.DeltaTime);
    ImGui_ImplGlfwGL3_UpdateTime(10.25);
    EXPECT_FLOAT_EQ(0.25f, io.DeltaTime);
    // The same clock reading twice still gives the GUI a positive step.
    ImGui_ImplGlfwGL3_UpdateTime(10.25);
    EXPECT_GT(io.DeltaTime, 0.0f);
    EXPECT_LT(io.DeltaTime, 0.001f);
}

TEST_F(BindingTest, FramebufferScaleFollowsTheBackingStore)
{
    ImGuiIO& io = ImGui::GetIO();
    ImGui_ImplGlfwGL3_UpdateDisplay(1280, 720, 2560, 1440);
    EXPECT_EQ(1280.0f, io.DisplaySize.x);
    EXPECT_EQ(720.0f, io.DisplaySize.y);
    EXPECT_EQ(2.0f, io.DisplayFramebufferScale.x);
    EXPECT_EQ(2.0f, io.DisplayFramebufferScale.y);

    // A minimised window: zero sizes give a zero scale, not a division by zero.
    ImGui_ImplGlfwGL3_UpdateDisplay(0, 0, 0, 0);
    EXPECT_EQ(0.0f, io.DisplayFramebufferScale.x);
    EXPECT_EQ(0.0f, io.DisplayFramebufferScale.y);
    ImGui_ImplGlfwGL3_UpdateDisplay(640, 0, 640, 0);
    EXPECT_EQ(1.0f, io.DisplayFramebufferScale.x);
    EXPECT_EQ(0.0f, io.DisplayFramebufferScale.y);
}

TEST_F(BindingTest, LosingFocusHidesTheMouseWithoutAJump)
{
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    unsigned char* pixels;
    int w, h;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &w, &h);

    // Press on the title bar and drag the window by (20, 20).
    mouse_frame(1.0, true, 150.0, 105.0, false);
    mouse_frame(1.1, true, 150.0, 105.0, true);
    ImVec2 pos = mouse_frame(1.2, true, 170.0, 125.0, true);
    EXPECT_EQ(20.0f, io.MouseDelta.x);
    EXPECT_EQ(120.0f, pos.x);
    EXPECT_EQ(120.0f, pos.y);

    // Focus goes while the button still reads as held: no position, no delta,
    // and the window stays where the drag left it.
    pos = mouse_frame(1.3, false, 170.0, 125.0, true);
    EXPECT_FALSE(ImGui::IsMousePosValid());
    EXPECT_EQ(0.0f, io.MouseDelta.x);
    EXPECT_EQ(0.0f, io.MouseDelta.y);
    EXPECT_EQ(120.0f, pos.x);
    EXPECT_EQ(120.0f, pos.y);

    // The mouse coming back elsewhere is no jump either.
    mouse_frame(1.4, false, 0.0, 0.0, false);
    mouse_frame(1.5, true, 600.0, 400.0, false);
    EXPECT_TRUE(ImGui::IsMousePosValid());
    EXPECT_EQ(0.0f, io.MouseDelta.x);
    EXPECT_EQ(0.0f, io.MouseDelta.y);
}

TEST_F(BindingTest, RenderingAMinimisedFrameTouchesNothing)
{
    // No GL context exists here: any GL call would abort the test.
    ImGui_ImplGlfwGL3_UpdateDisplay(0, 0, 0, 0);
    ImDrawData empty;
    ImGui_ImplGlfwGL3_RenderDrawLists(&empty);
    SUCCEED();
}
