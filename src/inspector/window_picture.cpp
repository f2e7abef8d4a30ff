#include "inspector/window_picture.h"

#include <cstdio>
#include <cstdlib>
#include <map>

#include <imgui.h>

#include "budget/budget.h"
#include "checks/checks.h"
#include "display/picture_texture.h"
#include "inspector/picture_canvas.h"
#include "dpx/dpx_layout.h"
#include "picture/decode.h"
#include "picture/padding.h"
#include "picture/transform.h"

namespace {

struct picture_t {
    PICTURE_LOOK look;
    // What was built for element, view and reading; rebuilt when one changes.
    bool built;
    int built_element;
    TRANSFORM_VIEW built_view;
    bool built_standard;
    bool decodable;
    char reason[DECODE_REASON_SIZE];
    DECODE_LAYOUT layout;
    unsigned char* rgba; // file order, kept for the readout's display values
    uint64_t missing;
    char padding[PADDING_TEXT_SIZE]; // the padding-bits line, or empty
    GLuint texture;
    uint64_t cost;
    // The file as it was when the window opened, as far as its elements
    // reach; kept for the readout, read again when the window opens again.
    DPX_FILE file;
    char file_refusal[DPX_FILE_REASON_SIZE]; // why it could not be read, or ""
};

std::map<int, picture_t> g_Pictures;

void release_file(picture_t* p)
{
    work_image_free(&p->file, WORK_IMAGE_HELD);
    p->file_refusal[0] = '\0';
}

void release(picture_t* p)
{
    ImGui_ImplGlfwGL3_DeletePictureTexture(p->texture);
    free(p->rgba);
    budget_give(p->cost);
    p->texture = 0;
    p->rgba = nullptr;
    p->cost = 0;
    p->built = false;
}

// The padding-bits line, and its note among the file's findings once.
void count_padding(picture_t* p, work_t* work)
{
    PADDING_COUNT count;
    p->padding[0] = '\0';
    if (!padding_count(&p->layout, p->file.image, p->file.image_size, &count))
        return;
    padding_text(&p->layout, &count, p->padding);
    // The note is of the reading the file gets, not of the one compared with it.
    if (count.set == 0 || (p->look.standard && p->layout.reading_choice))
        return;
    CHECK_FINDING finding = checks_padding_finding(p->look.element, p->padding);
    for (const CHECK_FINDING& f : work->findings)
        if (f.message == finding.message)
            return;
    work->findings.push_back(finding);
}

void build(picture_t* p, work_t* work)
{
    release(p);
    p->built = true;
    p->built_element = p->look.element;
    p->built_view = p->look.view;
    p->built_standard = p->look.standard;
    p->missing = 0;
    p->padding[0] = '\0';
    if (!p->file.image && !p->file_refusal[0])
        work_image_load(work, "picture", WORK_IMAGE_HELD, &p->file, p->file_refusal);
    if (p->file_refusal[0]) {
        snprintf(p->reason, sizeof p->reason, "%s", p->file_refusal);
        p->decodable = false;
        return;
    }
    p->decodable = decode_layout(&p->file.header, p->look.element, &p->layout, p->reason);
    if (!p->decodable)
        return;
    if (p->look.standard)
        decode_standard_reading(&p->layout);
    count_padding(p, work);
    uint64_t bytes = (uint64_t)p->layout.width * p->layout.height * 4;
    if (!budget_take(2 * bytes)) {
        budget_refusal("picture", 2 * bytes, p->reason, sizeof p->reason);
        p->decodable = false;
        return;
    }
    p->cost = 2 * bytes;
    p->rgba = (unsigned char*)malloc(bytes);
    if (!p->rgba) {
        snprintf(p->reason, sizeof p->reason, "No picture: out of memory for %llu bytes", (unsigned long long)bytes);
        p->decodable = false;
        return;
    }
    transform_picture(&p->layout, p->file.image, p->file.image_size, p->look.view, p->rgba, &p->missing);
    p->texture = ImGui_ImplGlfwGL3_CreatePictureTexture(p->rgba, (int)p->layout.width, (int)p->layout.height);
}

void contents(picture_t* p, work_t* work)
{
    picture_toolbar(&p->look, &work->header, p->built && p->decodable ? &p->layout : nullptr);
    const PICTURE_LOOK& l = p->look;
    if (!p->built || p->built_element != l.element || p->built_view.mode != l.view.mode ||
        p->built_view.component != l.view.component || p->built_standard != l.standard)
        build(p, work);
    if (work->changed)
        ImGui::TextUnformatted(work_changed_text);
    if (!p->decodable) {
        ImGui::TextWrapped("%s", p->reason);
        return;
    }
    if (p->layout.reading[0])
        ImGui::TextWrapped("Read with %s.", p->layout.reading);
    if (p->padding[0])
        ImGui::TextDisabled("%s", p->padding);
    if (p->layout.offset_from_image_data)
        ImGui::TextDisabled("The element has no offset of its own: read from the header's offset to image data.");
    if (p->missing)
        ImGui::Text("%llu of %llu pixels have no bytes in the file and show the fallback colour %s",
                    (unsigned long long)p->missing, (unsigned long long)p->layout.width * p->layout.height,
                    dpx_fallback_text());
    if (p->layout.orientation > 7 && !l.as_stored)
        ImGui::TextDisabled("Orientation %u is not defined: shown as stored.", (unsigned)p->layout.orientation);
    picture_canvas(&p->look, &p->layout, p->file.image, p->file.image_size, p->rgba, p->texture);
}

} // namespace

void window_picture(work_t* work)
{
    std::map<int, picture_t>::iterator it = g_Pictures.find(work->index);
    if (!work->picture_visible) {
        if (it != g_Pictures.end()) {
            release(&it->second);
            release_file(&it->second);
            g_Pictures.erase(it);
        }
        return;
    }
    if (it == g_Pictures.end()) {
        picture_t fresh{};
        picture_look_init(&fresh.look);
        it = g_Pictures.emplace(work->index, fresh).first;
    }
    picture_t* p = &it->second;
    char title[WORK_NAME_SIZE + 32];
    snprintf(title, sizeof title, "Picture %s###Picture%d", work->name, work->index);
    ImGui::SetNextWindowSize(ImVec2(760, 560), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowPos(ImVec2((float)(60 + (work->index * 50) % 1280), 60), ImGuiCond_FirstUseEver);
    // Opening it leaves the focus, and so the NDI output, with the File window.
    if (ImGui::Begin(title, &work->picture_visible, ImGuiWindowFlags_NoFocusOnAppearing))
        contents(p, work);
    ImGui::End();
}

void window_picture_shutdown()
{
    for (std::pair<const int, picture_t>& p : g_Pictures) {
        release(&p.second);
        release_file(&p.second);
    }
    g_Pictures.clear();
}
