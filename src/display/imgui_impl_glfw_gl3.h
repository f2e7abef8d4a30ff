// Feeds GLFW window input to Dear ImGui and draws its frames with OpenGL 3.3 core.
#pragma once

struct GLFWwindow;
struct ImDrawData;

// Creates the GUI context; call DestroyContext through Shutdown.
bool ImGui_ImplGlfwGL3_Init(GLFWwindow* window, bool install_callbacks);
void ImGui_ImplGlfwGL3_Shutdown();
void ImGui_ImplGlfwGL3_NewFrame();
void ImGui_ImplGlfwGL3_RenderDrawLists(ImDrawData* draw_data);

bool ImGui_ImplGlfwGL3_CreateDeviceObjects();
void ImGui_ImplGlfwGL3_InvalidateDeviceObjects();
bool ImGui_ImplGlfwGL3_CreateFontsTexture();

void ImGui_ImplGlfwGL3_MouseButtonCallback(GLFWwindow* window, int button, int action, int mods);
void ImGui_ImplGlfwGL3_ScrollCallback(GLFWwindow* window, double xoffset, double yoffset);
void ImGui_ImplGlfwGL3_KeyCallback(GLFWwindow* window, int key, int scancode, int action, int mods);
void ImGui_ImplGlfwGL3_CharCallback(GLFWwindow* window, unsigned int c);

// The steps of NewFrame that need no window, applied to the current GUI context.
void ImGui_ImplGlfwGL3_UpdateDisplay(int width, int height, int fb_width, int fb_height);
void ImGui_ImplGlfwGL3_UpdateTime(double now);
// The cursor position in window coordinates, taken only while the window has the focus.
void ImGui_ImplGlfwGL3_UpdateMousePos(bool focused, double x, double y);
void ImGui_ImplGlfwGL3_UpdateMouseButtons(const bool held[3]);
