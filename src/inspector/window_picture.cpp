#include "inspector/window_picture.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include <imgui.h>

#include "budget/budget.h"
#include "checks/checks.h"
#include "display/picture_texture.h"
#include "dpx/dpx_layout.h"
#include "dpx/dpx_print.h"
#include "picture/decode.h"
#include "picture/orient.h"
#include "picture/padding.h"
#include "picture/transform.h"
#include "picture/unpack.h"

namespace {

struct picture_t {
    int element;       // 0..7
    TRANSFORM_VIEW view;
    bool as_stored;    // the header's orientation not applied
    bool checkerboard; // alpha over a checkerboard rather than the window
    bool fit;          // follows the canvas until zoomed or panned
    bool standard;     // the standard's reading of the lines, not a scanner's
    float zoom;        // screen pixels per picture pixel
    ImVec2 pan;        // the picture's top left from the canvas's
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

const float zoom_min = 1.0f / 64, zoom_max = 256.0f;

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
    if (count.set == 0 || (p->standard && p->layout.reading_choice))
        return;
    CHECK_FINDING finding = checks_padding_finding(p->element, p->padding);
    for (const CHECK_FINDING& f : work->findings)
        if (f.message == finding.message)
            return;
    work->findings.push_back(finding);
}

void build(picture_t* p, work_t* work)
{
    release(p);
    p->built = true;
    p->built_element = p->element;
    p->built_view = p->view;
    p->built_standard = p->standard;
    p->missing = 0;
    p->padding[0] = '\0';
    if (!p->file.image && !p->file_refusal[0])
        work_image_load(work, "picture", WORK_IMAGE_HELD, &p->file, p->file_refusal);
    if (p->file_refusal[0]) {
        snprintf(p->reason, sizeof p->reason, "%s", p->file_refusal);
        p->decodable = false;
        return;
    }
    p->decodable = decode_layout(&p->file.header, p->element, &p->layout, p->reason);
    if (!p->decodable)
        return;
    if (p->standard)
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
    transform_picture(&p->layout, p->file.image, p->file.image_size, p->view, p->rgba, &p->missing);
    p->texture = ImGui_ImplGlfwGL3_CreatePictureTexture(p->rgba, (int)p->layout.width, (int)p->layout.height);
}

std::string element_label(const DPX_HEADER* h, int element)
{
    const DPX_HEADER_DATA_STRUCTURE& e = h->image_information.image_element[element];
    char text[DPX_PRINT_TEXT_SIZE];
    char label[160];
    snprintf(label, sizeof label, "%d: %u bits '%s', packing %u%s", element + 1, (unsigned)e.bit_depth,
             dpx_print_get_descriptor_text(e.descriptor, text), (unsigned)e.packing,
             dpx_element_in_use(h, element) ? "" : " (not in use)");
    return label;
}

// Elements in use; every element when the header says none is.
void element_selector(picture_t* p, const DPX_HEADER* h)
{
    bool any = dpx_element_in_use(h, 0);
    ImGui::SetNextItemWidth(220);
    if (!ImGui::BeginCombo("Element", element_label(h, p->element).c_str()))
        return;
    for (int e = 0; e < DPX_IMAGE_ELEMENT_COUNT; e++) {
        if (any && !dpx_element_in_use(h, e))
            continue;
        if (ImGui::Selectable(element_label(h, e).c_str(), e == p->element) && e != p->element) {
            p->element = e;
            p->view = TRANSFORM_VIEW{TRANSFORM_COLOUR, 0};
        }
    }
    ImGui::EndCombo();
}

std::string view_label(const picture_t* p)
{
    switch (p->view.mode) {
    case TRANSFORM_COMPONENT:
        return p->decodable ? p->layout.names[p->view.component] : "";
    case TRANSFORM_ALPHA:
        return "Alpha";
    case TRANSFORM_LUMA:
        return "Luma";
    case TRANSFORM_COLOUR:
        break;
    }
    return "Colour";
}

void view_selector(picture_t* p)
{
    ImGui::SetNextItemWidth(90);
    if (!ImGui::BeginCombo("View", view_label(p).c_str()))
        return;
    if (ImGui::Selectable("Colour", p->view.mode == TRANSFORM_COLOUR))
        p->view = TRANSFORM_VIEW{TRANSFORM_COLOUR, 0};
    for (int c = 0; p->decodable && c < p->layout.components; c++) {
        ImGui::PushID(c);
        if (ImGui::Selectable(p->layout.names[c], p->view.mode == TRANSFORM_COMPONENT && p->view.component == c))
            p->view = TRANSFORM_VIEW{TRANSFORM_COMPONENT, c};
        ImGui::PopID();
    }
    if (ImGui::Selectable("Alpha", p->view.mode == TRANSFORM_ALPHA))
        p->view = TRANSFORM_VIEW{TRANSFORM_ALPHA, 0};
    if (ImGui::Selectable("Luma", p->view.mode == TRANSFORM_LUMA))
        p->view = TRANSFORM_VIEW{TRANSFORM_LUMA, 0};
    ImGui::EndCombo();
}

int orientation(const picture_t* p)
{
    return p->as_stored ? 0 : p->layout.orientation;
}

void fit(picture_t* p, ImVec2 canvas, uint32_t shown_w, uint32_t shown_h)
{
    p->zoom = fminf(canvas.x / (float)shown_w, canvas.y / (float)shown_h);
    if (!(p->zoom > zoom_min))
        p->zoom = zoom_min;
    p->pan = ImVec2((canvas.x - shown_w * p->zoom) / 2, (canvas.y - shown_h * p->zoom) / 2);
}

void checkerboard(ImDrawList* list, ImVec2 a, ImVec2 b, ImVec2 clip_a, ImVec2 clip_b)
{
    const float square = 16.0f;
    ImVec2 lo(fmaxf(a.x, clip_a.x), fmaxf(a.y, clip_a.y));
    ImVec2 hi(fminf(b.x, clip_b.x), fminf(b.y, clip_b.y));
    if (lo.x >= hi.x || lo.y >= hi.y)
        return;
    list->AddRectFilled(lo, hi, IM_COL32(153, 153, 153, 255));
    // Squares stay put on the picture as it pans.
    int col0 = (int)floorf((lo.x - a.x) / square), row0 = (int)floorf((lo.y - a.y) / square);
    for (int row = row0; a.y + row * square < hi.y; row++)
        for (int col = col0 + ((col0 + row) & 1); a.x + col * square < hi.x; col += 2) {
            ImVec2 s(fmaxf(a.x + col * square, lo.x), fmaxf(a.y + row * square, lo.y));
            ImVec2 e(fminf(a.x + (col + 1) * square, hi.x), fminf(a.y + (row + 1) * square, hi.y));
            list->AddRectFilled(s, e, IM_COL32(102, 102, 102, 255));
        }
}

// "x 12  y 5   Cb 512  Y 940  Cr 512   display 255 0 0 255" for the pixel
// under the cursor, in the file's own order.
void readout(const picture_t* p, uint32_t x, uint32_t y)
{
    double codes[DECODE_MAX_COMPONENTS];
    std::string text;
    char part[96];
    snprintf(part, sizeof part, "x %u  y %u  ", x, y);
    text += part;
    if (!unpack_pixel(&p->layout, p->file.image, p->file.image_size, x, y, codes)) {
        text += " no bytes in the file";
    } else {
        for (int c = 0; c < p->layout.components; c++) {
            if (p->layout.is_float)
                snprintf(part, sizeof part, " %s %g ", p->layout.names[c], codes[c]);
            else
                snprintf(part, sizeof part, " %s %.0f ", p->layout.names[c], codes[c]);
            text += part;
        }
    }
    const unsigned char* d = p->rgba + ((uint64_t)y * p->layout.width + x) * 4;
    snprintf(part, sizeof part, "  display %u %u %u %u", d[0], d[1], d[2], d[3]);
    text += part;
    ImGui::TextUnformatted(text.c_str());
}

void canvas(picture_t* p)
{
    int code = orientation(p);
    uint32_t shown_w, shown_h;
    orient_size(code, p->layout.width, p->layout.height, &shown_w, &shown_h);
    float line = ImGui::GetTextLineHeightWithSpacing();
    ImVec2 size = ImGui::GetContentRegionAvail();
    size.y -= line; // the readout below
    if (size.x < 1 || size.y < 1)
        return;
    if (p->fit)
        fit(p, size, shown_w, shown_h);
    ImVec2 origin = ImGui::GetCursorScreenPos();
    ImGui::InvisibleButton("canvas", size);
    ImGuiIO& io = ImGui::GetIO();
    if (ImGui::IsItemActive() && ImGui::IsMouseDragging(ImGuiMouseButton_Left, 0.0f)) {
        p->pan = ImVec2(p->pan.x + io.MouseDelta.x, p->pan.y + io.MouseDelta.y);
        p->fit = false;
    }
    if (ImGui::IsItemHovered() && io.MouseWheel != 0.0f) {
        // The picture point under the cursor stays under it.
        float zoom = fminf(fmaxf(p->zoom * powf(1.25f, io.MouseWheel), zoom_min), zoom_max);
        ImVec2 m(io.MousePos.x - origin.x, io.MousePos.y - origin.y);
        p->pan = ImVec2(m.x - (m.x - p->pan.x) * zoom / p->zoom, m.y - (m.y - p->pan.y) * zoom / p->zoom);
        p->zoom = zoom;
        p->fit = false;
    }
    ImVec2 a(origin.x + p->pan.x, origin.y + p->pan.y);
    ImVec2 b(a.x + shown_w * p->zoom, a.y + shown_h * p->zoom);
    ImVec2 clip_b(origin.x + size.x, origin.y + size.y);
    ImDrawList* list = ImGui::GetWindowDrawList();
    list->PushClipRect(origin, clip_b, true);
    if (p->checkerboard)
        checkerboard(list, a, b, origin, clip_b);
    float uv[4][2];
    orient_uv(code, uv);
    list->AddImageQuad((ImTextureID)(intptr_t)p->texture, a, ImVec2(b.x, a.y), b, ImVec2(a.x, b.y),
                       ImVec2(uv[0][0], uv[0][1]), ImVec2(uv[1][0], uv[1][1]), ImVec2(uv[2][0], uv[2][1]),
                       ImVec2(uv[3][0], uv[3][1]));
    list->PopClipRect();

    float sx = floorf((io.MousePos.x - a.x) / p->zoom), sy = floorf((io.MousePos.y - a.y) / p->zoom);
    if (ImGui::IsItemHovered() && sx >= 0 && sy >= 0 && sx < shown_w && sy < shown_h) {
        uint32_t fx, fy;
        orient_to_file(code, p->layout.width, p->layout.height, (uint32_t)sx, (uint32_t)sy, &fx, &fy);
        readout(p, fx, fy);
    } else {
        ImGui::TextDisabled("%u x %u, zoom %.0f%%", p->layout.width, p->layout.height, p->zoom * 100.0f);
    }
}

void toolbar(picture_t* p, work_t* work)
{
    element_selector(p, &work->header);
    ImGui::SameLine();
    view_selector(p);
    ImGui::SameLine();
    ImGui::Checkbox("As stored", &p->as_stored);
    ImGui::SameLine();
    ImGui::Checkbox("Checkerboard", &p->checkerboard);
    ImGui::SameLine();
    if (ImGui::Button("Fit"))
        p->fit = true;
    ImGui::SameLine();
    if (ImGui::Button("1:1")) {
        p->fit = false;
        p->zoom = 1.0f;
    }
    // Offered where a scanner's reading or the data size chose other than the standard's.
    if (p->built && p->decodable && p->layout.reading_choice) {
        ImGui::SameLine();
        ImGui::Checkbox("Standard's reading", &p->standard);
    }
}

void contents(picture_t* p, work_t* work)
{
    toolbar(p, work);
    if (!p->built || p->built_element != p->element || p->built_view.mode != p->view.mode ||
        p->built_view.component != p->view.component || p->built_standard != p->standard)
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
    if (p->layout.orientation > 7 && !p->as_stored)
        ImGui::TextDisabled("Orientation %u is not defined: shown as stored.", (unsigned)p->layout.orientation);
    canvas(p);
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
        fresh.view = TRANSFORM_VIEW{TRANSFORM_COLOUR, 0};
        fresh.checkerboard = true;
        fresh.fit = true;
        fresh.zoom = 1.0f;
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
