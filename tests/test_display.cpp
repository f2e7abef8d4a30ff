// The input half of the binding, driven without a window or GL context, and the memory bound that
// previews and pictures share.
#include <unistd.h>

#include <array>
#include <tuple>

#include <gtest/gtest.h>
#include <imgui.h>

#include "budget/budget.h"
#include "display/imgui_impl_glfw_gl3.h"

// GUI keys to GLFW key codes; a repeat neither presses nor releases. Characters of the basic
// plane only. A press and release between two frames holds for one frame; scroll steps add up.
// No mouse while the window is unfocused (the GUI's own "no mouse", not a real position).
TEST(Binding, KeysCharactersAndMouse) {
    enum { RELEASE, PRESS, REPEAT };
    ImGui_ImplGlfwGL3_Init(nullptr, false);
    ImGuiIO& io = ImGui::GetIO();
    const int map[][2] = {{ImGuiKey_Tab, 258}, {ImGuiKey_LeftArrow, 263}, {ImGuiKey_RightArrow, 262},
        {ImGuiKey_UpArrow, 265}, {ImGuiKey_DownArrow, 264}, {ImGuiKey_PageUp, 266}, {ImGuiKey_PageDown, 267},
        {ImGuiKey_Home, 268}, {ImGuiKey_End, 269}, {ImGuiKey_Delete, 261}, {ImGuiKey_Backspace, 259},
        {ImGuiKey_Enter, 257}, {ImGuiKey_Escape, 256}, {ImGuiKey_A, 65}, {ImGuiKey_C, 67}, {ImGuiKey_V, 86},
        {ImGuiKey_X, 88}, {ImGuiKey_Y, 89}, {ImGuiKey_Z, 90}};
    for (const auto& key : map) EXPECT_EQ(key[1], io.KeyMap[key[0]]) << key[0];
    for (auto [action, down] : {std::pair{PRESS, true}, {REPEAT, true}, {RELEASE, false}, {REPEAT, false}}) {
        ImGui_ImplGlfwGL3_KeyCallback(nullptr, 65, 0, action, 0);
        EXPECT_EQ(down, io.KeysDown[65]) << action;
    }
    for (unsigned int c : {0u, 0x61u, 0xFFFFu, 0x10000u, 0xFFFFFFFFu}) ImGui_ImplGlfwGL3_CharCallback(nullptr, c);
    const ImVector<ImWchar>& queue = io.InputQueueCharacters;
    EXPECT_TRUE(queue.Size == 2 && queue[0] == 0x61 && queue[1] == 0xFFFF);
    for (int button : {1, 3, -1}) ImGui_ImplGlfwGL3_MouseButtonCallback(nullptr, button, PRESS, 0);
    ImGui_ImplGlfwGL3_MouseButtonCallback(nullptr, 1, RELEASE, 0);
    ImGui_ImplGlfwGL3_ScrollCallback(nullptr, 5.0, 0.5);
    ImGui_ImplGlfwGL3_ScrollCallback(nullptr, 0.0, 0.25);
    const bool none[3] = {false, false, false}, middle[3] = {false, false, true};
    ImGui_ImplGlfwGL3_UpdateMouseButtons(none);
    EXPECT_TRUE(!io.MouseDown[0] && io.MouseDown[1] && !io.MouseDown[2] && io.MouseWheel == 0.75f);
    ImGui_ImplGlfwGL3_UpdateMouseButtons(middle);
    EXPECT_TRUE(!io.MouseDown[1] && io.MouseDown[2] && io.MouseWheel == 0.0f);
    // The first step is a sixtieth of a second, then the clock's, never 0.
    ImGui_ImplGlfwGL3_UpdateTime(10.0);
    EXPECT_EQ(1.0f / 60.0f, io.DeltaTime);
    ImGui_ImplGlfwGL3_UpdateTime(10.25);
    EXPECT_FLOAT_EQ(0.25f, io.DeltaTime);
    ImGui_ImplGlfwGL3_UpdateTime(10.25);
    EXPECT_TRUE(io.DeltaTime > 0.0f && io.DeltaTime < 0.001f);
    // The framebuffer's scale, 0 on a side of 0 (a minimised window), where nothing is drawn.
    for (auto [w, h, fw, fh, sx, sy] : {std::array<int, 6>{1280, 720, 2560, 1440, 2, 2}, {0, 0, 0, 0, 0, 0},
                                        {640, 0, 640, 0, 1, 0}}) {
        ImGui_ImplGlfwGL3_UpdateDisplay(w, h, fw, fh);
        const ImVec2 size = io.DisplaySize, scale = io.DisplayFramebufferScale;
        EXPECT_TRUE(size.x == w && size.y == h && scale.x == sx && scale.y == sy) << w << " x " << h;
    }
    ImDrawData empty;
    ImGui_ImplGlfwGL3_RenderDrawLists(&empty); // no GL context here: a GL call would crash
    // Unfocused, the mouse is the GUI's "no mouse": not a position, and no jump in its delta.
    ImGui_ImplGlfwGL3_UpdateDisplay(1280, 720, 1280, 720);
    io.Fonts->Build();
    for (auto [focused, x, dx] : {std::tuple{true, 150.0, 0.0f}, {true, 170.0, 20.0f}, {false, 190.0, 0.0f}}) {
        ImGui_ImplGlfwGL3_UpdateMousePos(focused, x, 125.0);
        ImGui::NewFrame();
        EXPECT_TRUE(focused == ImGui::IsMousePosValid() && io.MouseDelta.x == dx && io.MouseDelta.y == 0.0f) << x;
        ImGui::EndFrame();
    }
    ImGui_ImplGlfwGL3_Shutdown(); // without a rendered frame there is no GL object, and no GL call
}

// A quarter of physical memory, at most 3 GiB, every byte of it.
TEST(Budget, Limit) {
    uint64_t quarter = (uint64_t)sysconf(_SC_PHYS_PAGES) * (uint64_t)sysconf(_SC_PAGESIZE) / 4, rest;
    EXPECT_EQ(std::min<uint64_t>(quarter, 3ull << 30), budget_limit());
    EXPECT_TRUE(budget_take(rest = budget_limit() - budget_used()) && !budget_take(1));
    budget_give(rest);
}
