#include "inspector/rows.h"

#include <cstring>

#include <imgui.h>

#include "inspector/dump.h"

namespace {
const char* const undefined_text = "(Undefined)";
}

void rows_label(const char* label, bool separator)
{
    if (separator)
        ImGui::Separator();
    ImGui::TextUnformatted(label);
    ImGui::NextColumn();
}

void rows_end()
{
    ImGui::NextColumn();
}

void rows_u32(const char* label, uint32_t value)
{
    rows_label(label);
    if (value == 0xFFFFFFFFu)
        ImGui::TextUnformatted(undefined_text);
    else
        ImGui::Text("%u", value);
    rows_end();
}

void rows_hex32(const char* label, uint32_t value)
{
    rows_label(label);
    if (value == 0xFFFFFFFFu)
        ImGui::TextUnformatted(undefined_text);
    else
        ImGui::Text("0x%08X", value);
    rows_end();
}

void rows_u16(const char* label, uint16_t value)
{
    rows_label(label);
    if (value == 0xFFFF)
        ImGui::TextUnformatted(undefined_text);
    else
        ImGui::Text("%u", (unsigned)value);
    rows_end();
}

void rows_u8(const char* label, uint8_t value)
{
    rows_label(label);
    if (value == 0xFF)
        ImGui::TextUnformatted(undefined_text);
    else
        ImGui::Text("%u", (unsigned)value);
    rows_end();
}

bool rows_float_undefined(float value)
{
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    return bits == 0xFFFFFFFFu;
}

void rows_f32(const char* label, float value)
{
    rows_label(label);
    if (rows_float_undefined(value))
        ImGui::TextUnformatted(undefined_text);
    else
        ImGui::Text("%f", (double)value);
    rows_end();
}

void rows_code(const char* label, uint32_t value, bool undefined, const char* text)
{
    rows_label(label);
    if (undefined)
        ImGui::TextUnformatted(undefined_text);
    else
        ImGui::Text("%u '%s'", value, text);
    rows_end();
}

void rows_text(const char* label, const char* field, int size)
{
    rows_label(label);
    ImGui::Text("'%-*.*s'", size, size, field);
    rows_end();
    dump_ascii((const unsigned char*)field, (uint64_t)size, 16);
}

void rows_columns_begin()
{
    ImGui::Columns(2, nullptr, true);
}

void rows_columns_end()
{
    ImGui::Columns(1, nullptr, true);
    ImGui::Separator();
}
