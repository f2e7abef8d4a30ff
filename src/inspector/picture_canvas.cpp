#include "inspector/picture_canvas.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "dpx/dpx_layout.h"
#include "dpx/dpx_print.h"
#include "picture/orient.h"
#include "picture/unpack.h"

namespace {

const float zoom_min = 1.0f / 64, zoom_max = 256.0f;

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
void element_selector(PICTURE_LOOK* p, const DPX_HEADER* h)
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

std::string view_label(const PICTURE_LOOK* p, const DECODE_LAYOUT* layout)
{
    switch (p->view.mode) {
    case TRANSFORM_COMPONENT:
        return layout ? layout->names[p->view.component] : "";
    case TRANSFORM_ALPHA:
        return "Alpha";
    case TRANSFORM_LUMA:
        return "Luma";
    case TRANSFORM_COLOUR:
        break;
    }
    return "Colour";
}

void view_selector(PICTURE_LOOK* p, const DECODE_LAYOUT* layout)
{
    ImGui::SetNextItemWidth(90);
    if (!ImGui::BeginCombo("View", view_label(p, layout).c_str()))
        return;
    if (ImGui::Selectable("Colour", p->view.mode == TRANSFORM_COLOUR))
        p->view = TRANSFORM_VIEW{TRANSFORM_COLOUR, 0};
    for (int c = 0; layout && c < layout->components; c++) {
        ImGui::PushID(c);
        if (ImGui::Selectable(layout->names[c], p->view.mode == TRANSFORM_COMPONENT && p->view.component == c))
            p->view = TRANSFORM_VIEW{TRANSFORM_COMPONENT, c};
        ImGui::PopID();
    }
    if (ImGui::Selectable("Alpha", p->view.mode == TRANSFORM_ALPHA))
        p->view = TRANSFORM_VIEW{TRANSFORM_ALPHA, 0};
    if (ImGui::Selectable("Luma", p->view.mode == TRANSFORM_LUMA))
        p->view = TRANSFORM_VIEW{TRANSFORM_LUMA, 0};
    ImGui::EndCombo();
}

void fit(PICTURE_LOOK* p, ImVec2 canvas, uint32_t shown_w, uint32_t shown_h)
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
void readout(const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size, const unsigned char* rgba,
             uint32_t x, uint32_t y)
{
    double codes[DECODE_MAX_COMPONENTS];
    std::string text;
    char part[96];
    snprintf(part, sizeof part, "x %u  y %u  ", x, y);
    text += part;
    if (!unpack_pixel(layout, image, image_size, x, y, codes)) {
        text += " no bytes in the file";
    } else {
        for (int c = 0; c < layout->components; c++) {
            if (layout->is_float)
                snprintf(part, sizeof part, " %s %g ", layout->names[c], codes[c]);
            else
                snprintf(part, sizeof part, " %s %.0f ", layout->names[c], codes[c]);
            text += part;
        }
    }
    const unsigned char* d = rgba + ((uint64_t)y * layout->width + x) * 4;
    snprintf(part, sizeof part, "  display %u %u %u %u", d[0], d[1], d[2], d[3]);
    text += part;
    ImGui::TextUnformatted(text.c_str());
}

} // namespace

void picture_look_init(PICTURE_LOOK* look)
{
    *look = PICTURE_LOOK{};
    look->view = TRANSFORM_VIEW{TRANSFORM_COLOUR, 0};
    look->checkerboard = true;
    look->fit = true;
    look->zoom = 1.0f;
}

int picture_orientation(const PICTURE_LOOK* look, const DECODE_LAYOUT* layout)
{
    return look->as_stored ? 0 : layout->orientation;
}

void picture_toolbar(PICTURE_LOOK* p, const DPX_HEADER* header, const DECODE_LAYOUT* layout)
{
    element_selector(p, header);
    ImGui::SameLine();
    view_selector(p, layout);
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
    if (layout && layout->reading_choice) {
        ImGui::SameLine();
        ImGui::Checkbox("Standard's reading", &p->standard);
    }
}

void picture_canvas(PICTURE_LOOK* p, const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size,
                    const unsigned char* rgba, GLuint texture)
{
    int code = picture_orientation(p, layout);
    uint32_t shown_w, shown_h;
    orient_size(code, layout->width, layout->height, &shown_w, &shown_h);
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
    list->AddImageQuad((ImTextureID)(intptr_t)texture, a, ImVec2(b.x, a.y), b, ImVec2(a.x, b.y),
                       ImVec2(uv[0][0], uv[0][1]), ImVec2(uv[1][0], uv[1][1]), ImVec2(uv[2][0], uv[2][1]),
                       ImVec2(uv[3][0], uv[3][1]));
    list->PopClipRect();

    float sx = floorf((io.MousePos.x - a.x) / p->zoom), sy = floorf((io.MousePos.y - a.y) / p->zoom);
    if (ImGui::IsItemHovered() && sx >= 0 && sy >= 0 && sx < shown_w && sy < shown_h) {
        uint32_t fx, fy;
        orient_to_file(code, layout->width, layout->height, (uint32_t)sx, (uint32_t)sy, &fx, &fy);
        readout(layout, image, image_size, rgba, fx, fy);
    } else {
        ImGui::TextDisabled("%u x %u, zoom %.0f%%", layout->width, layout->height, p->zoom * 100.0f);
    }
}
