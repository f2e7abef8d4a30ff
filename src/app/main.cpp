// Tessaview: start-up, the frame loop and shutdown.
#include <cstdio>
#include <vector>

#include <epoxy/gl.h>
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <imgui.h>

#include "workset/config.h"
#include "app/menu.h"
#include "app/options.h"
#include "workset/workset.h"
#include "display/imgui_impl_glfw_gl3.h"
#include "display/xerrors.h"
#include "inspector/window_compare.h"
#include "inspector/window_dpx_file.h"
#include "inspector/window_folder.h"
#include "inspector/window_picture.h"
#include "ndiview/ndiview.h"

static config_t config;

static void error_callback(int error, const char* description)
{
    fprintf(stderr, "Error %d: %s\n", error, description);
}

// What start-up opened before the window, released on every way out.
static void close_workset_and_sender(NDIVIEW* sender)
{
    workset_close(workset);
    workset = nullptr;
    ndiview_close(sender);
}

static void workset_callback_func(work_t* work, void* user)
{
    if (work->visible)
        window_dpx_file(work, &config, (NDIVIEW*)user);
}

int main(int argc, char** argv)
{
    // Each message line reaches a pipe as it is printed.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    std::vector<const char*> paths;
    switch (options_parse(argc, argv, &paths, stdout, stderr)) {
    case OPTIONS_DONE:
        return 0;
    case OPTIONS_USAGE:
        return 2;
    case OPTIONS_RUN:
        break;
    }

    config.exit = false;
    config.about = false;
    config.use_ndi = true;
    NDIVIEW* sender = nullptr;
    ndiview_open(&sender);
    workset = workset_open();

    glfwSetErrorCallback(error_callback);
    if (!glfwInit()) {
        close_workset_and_sender(sender);
        return 1;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GL_TRUE);
    GLFWwindow* window = glfwCreateWindow(1280, 720, "Tessaview", nullptr, nullptr);
    if (!window) {
        glfwTerminate();
        close_workset_and_sender(sender);
        return 1;
    }
    glfwMakeContextCurrent(window);
    ImGui_ImplGlfwGL3_Init(window, true);
    glfwSetDropCallback(window, dropCallback);
    // Files named on the command line open as a drop of them would.
    dropCallback(window, (int)paths.size(), paths.data());
    ImVec4 clear_color = ImColor(34, 36, 38, 255);

    while (!glfwWindowShouldClose(window) && !config.exit) {
        xerrors_keep_going();
        glfwPollEvents();
        ImGui_ImplGlfwGL3_NewFrame();
        menu_main(&config, sender);
        window_about(&config.about);
        workset_iterator(workset, workset_callback_func, sender);
        window_compare_draw_all();
        window_folder_draw_all(&config, sender);

        int display_w, display_h;
        glfwGetFramebufferSize(window, &display_w, &display_h);
        glViewport(0, 0, display_w, display_h);
        glClearColor(clear_color.x, clear_color.y, clear_color.z, clear_color.w);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui::Render();
        ImGui_ImplGlfwGL3_RenderDrawLists(ImGui::GetDrawData());
        glfwSwapBuffers(window);
    }

    window_folder_shutdown();
    window_picture_shutdown();
    window_compare_shutdown();
    ImGui_ImplGlfwGL3_Shutdown();
    glfwTerminate();
    close_workset_and_sender(sender);
    return 0;
}
