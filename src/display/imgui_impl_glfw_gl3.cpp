#include "display/imgui_impl_glfw_gl3.h"

#include <cfloat>
#include <cstdint>

#include <epoxy/gl.h>
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <imgui.h>

#include "display/thumbnail.h"

namespace {

GLFWwindow* g_Window = nullptr;
double g_Time = 0.0;
bool g_MousePressed[3] = {false, false, false};
float g_MouseWheel = 0.0f;
GLuint g_FontTexture = 0;
GLuint g_ShaderHandle = 0, g_VertHandle = 0, g_FragHandle = 0;
int g_AttribLocationTex = 0, g_AttribLocationProjMtx = 0;
int g_AttribLocationPosition = 0, g_AttribLocationUV = 0, g_AttribLocationColor = 0;
GLuint g_VboHandle = 0, g_ElementsHandle = 0, g_VaoHandle = 0;

const GLchar* const vertex_shader = "#version 330\n"
                                    "uniform mat4 ProjMtx;\n"
                                    "in vec2 Position;\n"
                                    "in vec2 UV;\n"
                                    "in vec4 Color;\n"
                                    "out vec2 Frag_UV;\n"
                                    "out vec4 Frag_Color;\n"
                                    "void main()\n"
                                    "{\n"
                                    "\tFrag_UV = UV;\n"
                                    "\tFrag_Color = Color;\n"
                                    "\tgl_Position = ProjMtx * vec4(Position.xy,0,1);\n"
                                    "}\n";

const GLchar* const fragment_shader = "#version 330\n"
                                      "uniform sampler2D Texture;\n"
                                      "in vec2 Frag_UV;\n"
                                      "in vec4 Frag_Color;\n"
                                      "out vec4 Out_Color;\n"
                                      "void main()\n"
                                      "{\n"
                                      "\tOut_Color = Frag_Color * texture( Texture, Frag_UV.st);\n"
                                      "}\n";

const char* ImGui_ImplGlfwGL3_GetClipboardText(void* user_data)
{
    return glfwGetClipboardString((GLFWwindow*)user_data);
}

void ImGui_ImplGlfwGL3_SetClipboardText(void* user_data, const char* text)
{
    glfwSetClipboardString((GLFWwindow*)user_data, text);
}

// The state every draw list starts from; set again on a reset callback.
void ImGui_ImplGlfwGL3_SetupRenderState(int fb_width, int fb_height)
{
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_SCISSOR_TEST);
    glActiveTexture(GL_TEXTURE0);
    glViewport(0, 0, (GLsizei)fb_width, (GLsizei)fb_height);

    // Projection in window points, origin top left, y down.
    const ImGuiIO& io = ImGui::GetIO();
    const float ortho[4][4] = {
        {2.0f / io.DisplaySize.x, 0.0f, 0.0f, 0.0f},
        {0.0f, 2.0f / -io.DisplaySize.y, 0.0f, 0.0f},
        {0.0f, 0.0f, -1.0f, 0.0f},
        {-1.0f, 1.0f, 0.0f, 1.0f},
    };
    glUseProgram(g_ShaderHandle);
    glUniform1i(g_AttribLocationTex, 0);
    glUniformMatrix4fv(g_AttribLocationProjMtx, 1, GL_FALSE, &ortho[0][0]);
    glBindVertexArray(g_VaoHandle);
}

void gl_set_enabled(GLenum cap, GLboolean enabled)
{
    if (enabled)
        glEnable(cap);
    else
        glDisable(cap);
}

} // namespace

bool ImGui_ImplGlfwGL3_Init(GLFWwindow* window, bool install_callbacks)
{
    g_Window = window;
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.BackendPlatformName = "tessaview_glfw";
    io.BackendRendererName = "tessaview_opengl3";
    io.BackendFlags |= ImGuiBackendFlags_RendererHasVtxOffset;

    io.KeyMap[ImGuiKey_Tab] = GLFW_KEY_TAB;
    io.KeyMap[ImGuiKey_LeftArrow] = GLFW_KEY_LEFT;
    io.KeyMap[ImGuiKey_RightArrow] = GLFW_KEY_RIGHT;
    io.KeyMap[ImGuiKey_UpArrow] = GLFW_KEY_UP;
    io.KeyMap[ImGuiKey_DownArrow] = GLFW_KEY_DOWN;
    io.KeyMap[ImGuiKey_PageUp] = GLFW_KEY_PAGE_UP;
    io.KeyMap[ImGuiKey_PageDown] = GLFW_KEY_PAGE_DOWN;
    io.KeyMap[ImGuiKey_Home] = GLFW_KEY_HOME;
    io.KeyMap[ImGuiKey_End] = GLFW_KEY_END;
    io.KeyMap[ImGuiKey_Delete] = GLFW_KEY_DELETE;
    io.KeyMap[ImGuiKey_Backspace] = GLFW_KEY_BACKSPACE;
    io.KeyMap[ImGuiKey_Enter] = GLFW_KEY_ENTER;
    io.KeyMap[ImGuiKey_Escape] = GLFW_KEY_ESCAPE;
    io.KeyMap[ImGuiKey_Space] = GLFW_KEY_SPACE;
    io.KeyMap[ImGuiKey_A] = GLFW_KEY_A;
    io.KeyMap[ImGuiKey_C] = GLFW_KEY_C;
    io.KeyMap[ImGuiKey_V] = GLFW_KEY_V;
    io.KeyMap[ImGuiKey_X] = GLFW_KEY_X;
    io.KeyMap[ImGuiKey_Y] = GLFW_KEY_Y;
    io.KeyMap[ImGuiKey_Z] = GLFW_KEY_Z;

    io.SetClipboardTextFn = ImGui_ImplGlfwGL3_SetClipboardText;
    io.GetClipboardTextFn = ImGui_ImplGlfwGL3_GetClipboardText;
    io.ClipboardUserData = g_Window;

    if (install_callbacks) {
        glfwSetMouseButtonCallback(window, ImGui_ImplGlfwGL3_MouseButtonCallback);
        glfwSetScrollCallback(window, ImGui_ImplGlfwGL3_ScrollCallback);
        glfwSetKeyCallback(window, ImGui_ImplGlfwGL3_KeyCallback);
        glfwSetCharCallback(window, ImGui_ImplGlfwGL3_CharCallback);
    }
    return true;
}

void ImGui_ImplGlfwGL3_Shutdown()
{
    ImGui_ImplGlfwGL3_InvalidateDeviceObjects();
    ImGui::DestroyContext();
    g_Window = nullptr;
    g_Time = 0.0;
}

void ImGui_ImplGlfwGL3_UpdateDisplay(int width, int height, int fb_width, int fb_height)
{
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2((float)width, (float)height);
    io.DisplayFramebufferScale = ImVec2(width > 0 ? (float)fb_width / width : 0.0f,
                                        height > 0 ? (float)fb_height / height : 0.0f);
}

void ImGui_ImplGlfwGL3_UpdateTime(double now)
{
    ImGuiIO& io = ImGui::GetIO();
    io.DeltaTime = g_Time > 0.0 ? (float)(now - g_Time) : 1.0f / 60.0f;
    // The GUI library refuses a zero step, which two reads of a coarse clock can give.
    if (!(io.DeltaTime > 0.0f))
        io.DeltaTime = 1e-6f;
    g_Time = now;
}

void ImGui_ImplGlfwGL3_UpdateMousePos(bool focused, double x, double y)
{
    // (-FLT_MAX, -FLT_MAX) is the GUI's "no mouse": no hover, and no delta jump
    // when the mouse leaves or comes back. (-1, -1) would be a real position.
    ImGui::GetIO().MousePos = focused ? ImVec2((float)x, (float)y) : ImVec2(-FLT_MAX, -FLT_MAX);
}

void ImGui_ImplGlfwGL3_UpdateMouseButtons(const bool held[3])
{
    ImGuiIO& io = ImGui::GetIO();
    for (int i = 0; i < 3; i++) {
        // A press and release between two frames still counts for one frame.
        io.MouseDown[i] = g_MousePressed[i] || held[i];
        g_MousePressed[i] = false;
    }
    io.MouseWheel = g_MouseWheel;
    g_MouseWheel = 0.0f;
}

void ImGui_ImplGlfwGL3_NewFrame()
{
    if (!g_FontTexture)
        ImGui_ImplGlfwGL3_CreateDeviceObjects();

    ImGuiIO& io = ImGui::GetIO();
    int w, h, display_w, display_h;
    glfwGetWindowSize(g_Window, &w, &h);
    glfwGetFramebufferSize(g_Window, &display_w, &display_h);
    ImGui_ImplGlfwGL3_UpdateDisplay(w, h, display_w, display_h);
    ImGui_ImplGlfwGL3_UpdateTime(glfwGetTime());

    const bool focused = glfwGetWindowAttrib(g_Window, GLFW_FOCUSED) != 0;
    double mouse_x = 0.0, mouse_y = 0.0;
    if (focused)
        glfwGetCursorPos(g_Window, &mouse_x, &mouse_y);
    ImGui_ImplGlfwGL3_UpdateMousePos(focused, mouse_x, mouse_y);
    bool held[3];
    for (int i = 0; i < 3; i++)
        held[i] = glfwGetMouseButton(g_Window, i) != 0;
    ImGui_ImplGlfwGL3_UpdateMouseButtons(held);

    glfwSetInputMode(g_Window, GLFW_CURSOR, io.MouseDrawCursor ? GLFW_CURSOR_HIDDEN : GLFW_CURSOR_NORMAL);
    ImGui::NewFrame();
}

void ImGui_ImplGlfwGL3_RenderDrawLists(ImDrawData* draw_data)
{
    ImGuiIO& io = ImGui::GetIO();
    int fb_width = (int)(io.DisplaySize.x * io.DisplayFramebufferScale.x);
    int fb_height = (int)(io.DisplaySize.y * io.DisplayFramebufferScale.y);
    if (fb_width == 0 || fb_height == 0)
        return;
    draw_data->ScaleClipRects(io.DisplayFramebufferScale);

    GLint last_program, last_texture, last_active_texture, last_array_buffer, last_element_array_buffer;
    GLint last_vertex_array, last_blend_src, last_blend_dst, last_blend_equation_rgb, last_blend_equation_alpha;
    GLint last_viewport[4];
    glGetIntegerv(GL_CURRENT_PROGRAM, &last_program);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &last_texture);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &last_active_texture);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &last_array_buffer);
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &last_element_array_buffer);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &last_vertex_array);
    glGetIntegerv(GL_BLEND_SRC, &last_blend_src);
    glGetIntegerv(GL_BLEND_DST, &last_blend_dst);
    glGetIntegerv(GL_BLEND_EQUATION_RGB, &last_blend_equation_rgb);
    glGetIntegerv(GL_BLEND_EQUATION_ALPHA, &last_blend_equation_alpha);
    glGetIntegerv(GL_VIEWPORT, last_viewport);
    GLboolean last_enable_blend = glIsEnabled(GL_BLEND);
    GLboolean last_enable_cull_face = glIsEnabled(GL_CULL_FACE);
    GLboolean last_enable_depth_test = glIsEnabled(GL_DEPTH_TEST);
    GLboolean last_enable_scissor_test = glIsEnabled(GL_SCISSOR_TEST);

    ImGui_ImplGlfwGL3_SetupRenderState(fb_width, fb_height);

    for (int n = 0; n < draw_data->CmdListsCount; n++) {
        const ImDrawList* cmd_list = draw_data->CmdLists[n];
        glBindBuffer(GL_ARRAY_BUFFER, g_VboHandle);
        glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)cmd_list->VtxBuffer.Size * sizeof(ImDrawVert),
                     cmd_list->VtxBuffer.Data, GL_STREAM_DRAW);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, g_ElementsHandle);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, (GLsizeiptr)cmd_list->IdxBuffer.Size * sizeof(ImDrawIdx),
                     cmd_list->IdxBuffer.Data, GL_STREAM_DRAW);

        for (int i = 0; i < cmd_list->CmdBuffer.Size; i++) {
            const ImDrawCmd* cmd = &cmd_list->CmdBuffer[i];
            if (cmd->UserCallback == ImDrawCallback_ResetRenderState) {
                ImGui_ImplGlfwGL3_SetupRenderState(fb_width, fb_height);
                continue;
            }
            if (cmd->UserCallback) {
                cmd->UserCallback(cmd_list, cmd);
                continue;
            }
            glBindTexture(GL_TEXTURE_2D, (GLuint)(intptr_t)cmd->GetTexID());
            glScissor((int)cmd->ClipRect.x, (int)(fb_height - cmd->ClipRect.w),
                      (int)(cmd->ClipRect.z - cmd->ClipRect.x), (int)(cmd->ClipRect.w - cmd->ClipRect.y));
            // Base vertex lets one list hold more vertices than 16-bit indices reach.
            glDrawElementsBaseVertex(GL_TRIANGLES, (GLsizei)cmd->ElemCount,
                                     sizeof(ImDrawIdx) == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                                     (void*)(intptr_t)(cmd->IdxOffset * sizeof(ImDrawIdx)), (GLint)cmd->VtxOffset);
        }
    }

    glUseProgram((GLuint)last_program);
    glActiveTexture((GLenum)last_active_texture);
    glBindTexture(GL_TEXTURE_2D, (GLuint)last_texture);
    glBindVertexArray((GLuint)last_vertex_array);
    glBindBuffer(GL_ARRAY_BUFFER, (GLuint)last_array_buffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, (GLuint)last_element_array_buffer);
    glBlendEquationSeparate((GLenum)last_blend_equation_rgb, (GLenum)last_blend_equation_alpha);
    glBlendFunc((GLenum)last_blend_src, (GLenum)last_blend_dst);
    gl_set_enabled(GL_BLEND, last_enable_blend);
    gl_set_enabled(GL_CULL_FACE, last_enable_cull_face);
    gl_set_enabled(GL_DEPTH_TEST, last_enable_depth_test);
    gl_set_enabled(GL_SCISSOR_TEST, last_enable_scissor_test);
    glViewport(last_viewport[0], last_viewport[1], (GLsizei)last_viewport[2], (GLsizei)last_viewport[3]);
}

bool ImGui_ImplGlfwGL3_CreateFontsTexture()
{
    ImGuiIO& io = ImGui::GetIO();
    unsigned char* pixels;
    int width, height;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);

    GLint last_texture;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &last_texture);
    glGenTextures(1, &g_FontTexture);
    glBindTexture(GL_TEXTURE_2D, g_FontTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);

    io.Fonts->SetTexID((ImTextureID)(intptr_t)g_FontTexture);
    glBindTexture(GL_TEXTURE_2D, (GLuint)last_texture);
    return true;
}

bool ImGui_ImplGlfwGL3_CreateDeviceObjects()
{
    GLint last_texture, last_array_buffer, last_vertex_array;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &last_texture);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &last_array_buffer);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &last_vertex_array);

    g_ShaderHandle = glCreateProgram();
    g_VertHandle = glCreateShader(GL_VERTEX_SHADER);
    g_FragHandle = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(g_VertHandle, 1, &vertex_shader, nullptr);
    glShaderSource(g_FragHandle, 1, &fragment_shader, nullptr);
    glCompileShader(g_VertHandle);
    glCompileShader(g_FragHandle);
    glAttachShader(g_ShaderHandle, g_VertHandle);
    glAttachShader(g_ShaderHandle, g_FragHandle);
    glLinkProgram(g_ShaderHandle);

    g_AttribLocationTex = glGetUniformLocation(g_ShaderHandle, "Texture");
    g_AttribLocationProjMtx = glGetUniformLocation(g_ShaderHandle, "ProjMtx");
    g_AttribLocationPosition = glGetAttribLocation(g_ShaderHandle, "Position");
    g_AttribLocationUV = glGetAttribLocation(g_ShaderHandle, "UV");
    g_AttribLocationColor = glGetAttribLocation(g_ShaderHandle, "Color");

    glGenBuffers(1, &g_VboHandle);
    glGenBuffers(1, &g_ElementsHandle);
    glGenVertexArrays(1, &g_VaoHandle);
    glBindVertexArray(g_VaoHandle);
    glBindBuffer(GL_ARRAY_BUFFER, g_VboHandle);
    glEnableVertexAttribArray((GLuint)g_AttribLocationPosition);
    glEnableVertexAttribArray((GLuint)g_AttribLocationUV);
    glEnableVertexAttribArray((GLuint)g_AttribLocationColor);
    glVertexAttribPointer((GLuint)g_AttribLocationPosition, 2, GL_FLOAT, GL_FALSE, sizeof(ImDrawVert),
                          (void*)IM_OFFSETOF(ImDrawVert, pos));
    glVertexAttribPointer((GLuint)g_AttribLocationUV, 2, GL_FLOAT, GL_FALSE, sizeof(ImDrawVert),
                          (void*)IM_OFFSETOF(ImDrawVert, uv));
    glVertexAttribPointer((GLuint)g_AttribLocationColor, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(ImDrawVert),
                          (void*)IM_OFFSETOF(ImDrawVert, col));

    ImGui_ImplGlfwGL3_CreateFontsTexture();
    for (int i = 0; i < THUMBNAIL_SLOT_COUNT; i++)
        ImGui_ImplGlfwGL3_InitThumbnailTexture(i);

    glBindTexture(GL_TEXTURE_2D, (GLuint)last_texture);
    glBindBuffer(GL_ARRAY_BUFFER, (GLuint)last_array_buffer);
    glBindVertexArray((GLuint)last_vertex_array);
    return true;
}

void ImGui_ImplGlfwGL3_InvalidateDeviceObjects()
{
    if (g_VaoHandle)
        glDeleteVertexArrays(1, &g_VaoHandle);
    if (g_VboHandle)
        glDeleteBuffers(1, &g_VboHandle);
    if (g_ElementsHandle)
        glDeleteBuffers(1, &g_ElementsHandle);
    g_VaoHandle = g_VboHandle = g_ElementsHandle = 0;

    // Only with live objects: without a first frame there is nothing to release
    // and no GL call may be made.
    if (g_ShaderHandle) {
        glDetachShader(g_ShaderHandle, g_VertHandle);
        glDeleteShader(g_VertHandle);
        glDetachShader(g_ShaderHandle, g_FragHandle);
        glDeleteShader(g_FragHandle);
        glDeleteProgram(g_ShaderHandle);
    }
    g_VertHandle = g_FragHandle = g_ShaderHandle = 0;

    if (g_FontTexture) {
        glDeleteTextures(1, &g_FontTexture);
        ImGui::GetIO().Fonts->SetTexID(0);
        g_FontTexture = 0;
    }
    for (int i = 0; i < THUMBNAIL_SLOT_COUNT; i++)
        ImGui_ImplGlfwGL3_DisposeThumbnailTexture(i);
    ImGui_ImplGlfwGL3_EndThumbnailReads();
}

void ImGui_ImplGlfwGL3_MouseButtonCallback(GLFWwindow*, int button, int action, int)
{
    if (action == GLFW_PRESS && button >= 0 && button < 3)
        g_MousePressed[button] = true;
}

void ImGui_ImplGlfwGL3_ScrollCallback(GLFWwindow*, double, double yoffset)
{
    g_MouseWheel += (float)yoffset;
}

void ImGui_ImplGlfwGL3_KeyCallback(GLFWwindow*, int key, int, int action, int)
{
    ImGuiIO& io = ImGui::GetIO();
    if (key >= 0 && key < IM_ARRAYSIZE(io.KeysDown)) {
        if (action == GLFW_PRESS)
            io.KeysDown[key] = true;
        if (action == GLFW_RELEASE)
            io.KeysDown[key] = false;
    }
    io.KeyCtrl = io.KeysDown[GLFW_KEY_LEFT_CONTROL] || io.KeysDown[GLFW_KEY_RIGHT_CONTROL];
    io.KeyShift = io.KeysDown[GLFW_KEY_LEFT_SHIFT] || io.KeysDown[GLFW_KEY_RIGHT_SHIFT];
    io.KeyAlt = io.KeysDown[GLFW_KEY_LEFT_ALT] || io.KeysDown[GLFW_KEY_RIGHT_ALT];
    io.KeySuper = io.KeysDown[GLFW_KEY_LEFT_SUPER] || io.KeysDown[GLFW_KEY_RIGHT_SUPER];
}

void ImGui_ImplGlfwGL3_CharCallback(GLFWwindow*, unsigned int c)
{
    if (c > 0 && c < 0x10000)
        ImGui::GetIO().AddInputCharacter(c);
}
