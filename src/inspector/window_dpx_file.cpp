#include "inspector/window_dpx_file.h"

#include <chrono>
#include <cstdint>
#include <cstdio>

#include <imgui.h>

#include "budget/budget.h"
#include "checks/checks.h"
#include "describe/describe.h"
#include "display/thumbnail.h"
#include "inspector/sections.h"
#include "inspector/window_checks.h"
#include "inspector/window_picture.h"
#include "pixconv/pixconv.h"

namespace {

enum { TEXT_SIZE = 256 };

// Why the window shows no picture, or null when it can be drawn at `width` x `height`.
const char* preview_refusal(const work_t* work, float window_width, int* width, int* height, char* text)
{
    const DPX_HEADER_IMAGE_INFORMATION& i = work->header.image_information;
    if (work->index < 1 || work->index >= THUMBNAIL_SLOT_COUNT) {
        snprintf(text, TEXT_SIZE, "No preview: file %d has no preview slot (only files 1 to %d have one)",
                 work->index, THUMBNAIL_SLOT_COUNT - 1);
        return text;
    }
    if (const char* refusal = describe_preview_refusal(&work->header))
        return refusal;
    if (work->texture_pending)
        return "Building the preview...";
    if (!work->image_refusal.empty())
        return work->image_refusal.c_str();
    if (const char* refusal = ImGui_ImplGlfwGL3_ThumbnailRefusal(work->index))
        return refusal;
    if (work->texture_id == 0)
        return "No preview: no texture could be made for the picture";
    float p = (float)(int32_t)i.pixels_per_line;
    float l = (float)(int32_t)i.lines_per_image_element;
    // The height follows the full window width; a side that truncates to 0
    // draws nothing, as in any image.
    float w = window_width - 35.0f;
    float h = l / (p / window_width);
    if (!(w >= 0.0f && h >= 0.0f))
        return "No preview: the window is too narrow to draw the picture";
    *width = (int)w;
    *height = (int)h;
    return nullptr;
}

// Previews are built in the frames after a drop, as many as fit in this
// much of a frame (one at least), so that a drop of many big files never
// freezes the window.
const double preview_seconds_per_frame = 0.025;
int g_PreviewFrame = -1;
std::chrono::steady_clock::time_point g_PreviewFrameStart;

bool preview_turn()
{
    auto now = std::chrono::steady_clock::now();
    if (ImGui::GetFrameCount() != g_PreviewFrame) {
        g_PreviewFrame = ImGui::GetFrameCount();
        g_PreviewFrameStart = now;
        return true;
    }
    return std::chrono::duration<double>(now - g_PreviewFrameStart).count() < preview_seconds_per_frame;
}

// The window shows `reason` instead of the preview.
void preview_failed(work_t* work, const char* reason)
{
    work->texture_id = 0;
    work->image_refusal = reason;
    fprintf(stderr, "%s: %s\n", work->name, work->image_refusal.c_str());
}

// The picture comes from the file as it is now, read for the build only.
void build_preview(work_t* work)
{
    work->texture_pending = false;
    work->image_refusal.clear();
    size_t bytes = 0;
    if (work->index < 1 || work->index >= THUMBNAIL_SLOT_COUNT || describe_preview_refusal(&work->header) ||
        !pixconv_rgba_size(&work->header, &bytes) || !budget_fits(2 * (uint64_t)bytes)) {
        // Nothing will be converted (the slot says why): the file need not be read.
        work->texture_id = (int32_t)ImGui_ImplGlfwGL3_CreateThumbnailTexture(work->index, &work->header);
    } else {
        // The bytes are read a band at a time into the conversion, never whole.
        WORK_IMAGE_READER reader;
        char reason[DPX_FILE_REASON_SIZE];
        if (!work_image_open(work, "preview", &reader, reason)) {
            preview_failed(work, reason);
            return;
        }
        work->texture_id = (int32_t)ImGui_ImplGlfwGL3_CreateThumbnailTexture(work->index, &reader.file.header,
                                                                            work_image_read, &reader);
        bool failed = reader.error.load() != 0;
        if (failed) {
            work_image_read_refusal(&reader, "preview", reason);
            ImGui_ImplGlfwGL3_DisposeThumbnailTexture(work->index);
            preview_failed(work, reason);
        }
        work_image_close(&reader);
        if (failed)
            return;
    }
    if (const char* refusal = ImGui_ImplGlfwGL3_ThumbnailRefusal(work->index))
        fprintf(stderr, "%s: %s\n", work->name, refusal);
}

// A hidden window gives its preview's memory back; shown again, it builds it again.
void drop_preview(work_t* work)
{
    if (work->texture_id == 0 && work->texture_pending)
        return;
    ImGui_ImplGlfwGL3_DisposeThumbnailTexture(work->index);
    work->texture_id = 0;
    work->texture_pending = true;
}

void section_image_data(const work_t* work, char* text)
{
    if (!sections_begin(describe_section_title(DESCRIBE_IMAGE_DATA)))
        return;
    if (work->changed)
        ImGui::TextUnformatted(work_changed_text);
    int width = 0, height = 0;
    const char* refusal = preview_refusal(work, ImGui::GetWindowSize().x, &width, &height, text);
    if (refusal) {
        ImGui::TextUnformatted(refusal);
        return;
    }
    ImGui::Image((ImTextureID)(intptr_t)work->texture_id, ImVec2((float)width, (float)height), ImVec2(0, 0),
                 ImVec2(1, 1), ImVec4(1, 1, 1, 1), ImVec4(1, 1, 1, 1));
}

void section_table(const DPX_HEADER* header, DESCRIBE_SECTION_ID id, DESCRIBE_SECTION* section)
{
    if (!sections_begin(describe_section_title(id)))
        return;
    describe_section(header, id, section);
    sections_draw(*section);
}

void ndi_hand_off(const work_t* work, const config_t* config, NDIVIEW* ndiview)
{
    if (!ImGui::IsWindowFocused() || !config->use_ndi)
        return;
    int width = 0, height = 0;
    unsigned char* pixels = nullptr;
    ImGui_ImplGlfwGL3_FetchThumbnailInfo(work->index, &width, &height, &pixels);
    if (pixels)
        ndiview_transmit(ndiview, pixels, width, height);
}

} // namespace

void menu_dpx_file(work_t* work, const std::vector<CHECK_FINDING>& findings)
{
    if (!ImGui::BeginMenuBar())
        return;
    if (ImGui::MenuItem("Picture", nullptr, work->picture_visible))
        work->picture_visible = !work->picture_visible;
    float colour[4];
    window_checks_colour(findings, colour);
    ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(colour[0], colour[1], colour[2], colour[3]));
    if (ImGui::MenuItem(checks_summary(findings).c_str(), nullptr, work->checks_visible))
        work->checks_visible = !work->checks_visible;
    ImGui::PopStyleColor();
    ImGui::EndMenuBar();
}

void window_dpx_file(work_t* work, config_t* config, NDIVIEW* ndiview)
{
    char text[TEXT_SIZE];
    ImGui::SetNextWindowSize(ImVec2(520, 700), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowPos(ImVec2((float)(20 + (work->index * 50) % 1280), 20), ImGuiCond_FirstUseEver);
    ImGui::Begin(work->name, &work->visible, ImGuiWindowFlags_MenuBar);
    menu_dpx_file(work, work->findings);
    if (work->texture_pending && preview_turn())
        build_preview(work);
    section_image_data(work, text);
    DESCRIBE_SECTION section;
    for (int id = DESCRIBE_SUMMARY; id < DESCRIBE_SECTION_COUNT; id++)
        section_table(&work->header, (DESCRIBE_SECTION_ID)id, &section);
    ndi_hand_off(work, config, ndiview);
    ImGui::End();
    // Its own windows and its preview go with it when it is closed.
    if (!work->visible) {
        work->checks_visible = work->picture_visible = false;
        drop_preview(work);
    }
    window_checks(work, work->findings);
    window_picture(work);
}
