#include "cli/cli_text.h"

#include <string>

#include "describe/describe.h"

namespace {

// Control characters would break the one-row-per-line promise; they are
// shown as \xNN. Everything else is printed as the window shows it.
void put_escaped(FILE* out, const std::string& text)
{
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F)
            fprintf(out, "\\x%02X", c);
        else
            fputc(c, out);
    }
}

void put_bytes(FILE* out, const char* indent, const unsigned char* bytes, uint64_t count)
{
    for (uint64_t i = 0; i < count; i++) {
        fputs(i % DESCRIBE_BYTES_PER_LINE == 0 ? indent : " ", out);
        fprintf(out, "%02X", bytes[i]);
        if ((i + 1) % DESCRIBE_BYTES_PER_LINE == 0 || i + 1 == count)
            fputc('\n', out);
    }
}

void put_offset_dump(FILE* out, const char* indent, const unsigned char* bytes, uint64_t count)
{
    for (uint64_t i = 0; i < count; i++) {
        if (i % DESCRIBE_BYTES_PER_LINE == 0)
            fprintf(out, "%s0x%08X :", indent, (unsigned)(int32_t)i);
        fprintf(out, " %02X", bytes[i]);
        if ((i + 1) % DESCRIBE_BYTES_PER_LINE == 0 || i + 1 == count)
            fputc('\n', out);
    }
}

void put_row(FILE* out, const char* indent, const char* inner, const DESCRIBE_ROW& row)
{
    if (row.label[0] == '\0' && row.value.empty()) {
        fputc('\n', out);
        return;
    }
    fputs(indent, out);
    put_escaped(out, row.label);
    fputc(':', out);
    if (!row.value.empty() && row.form != DESCRIBE_USER_DATA) {
        fputc(' ', out);
        put_escaped(out, row.value);
    }
    fputc('\n', out);
    if (row.form == DESCRIBE_TEXT_FIELD)
        put_bytes(out, inner, row.bytes, row.byte_count);
    if (row.form == DESCRIBE_USER_DATA) {
        put_offset_dump(out, inner, row.bytes, row.byte_count);
        if (!row.value.empty())
            fprintf(out, "%s%s\n", inner, row.value.c_str());
    }
}

} // namespace

void cli_text_file(FILE* out, const char* path, const DPX_FILE* file, const std::vector<CHECK_FINDING>& checks)
{
    fprintf(out, "======== %s\n", path);
    DESCRIBE_SECTION section;
    for (int id = 0; id < DESCRIBE_SECTION_COUNT; id++) {
        describe_section(&file->header, (DESCRIBE_SECTION_ID)id, &section);
        fprintf(out, "%s\n", section.title);
        for (const DESCRIBE_ROW& row : section.rows)
            put_row(out, "  ", "    ", row);
        for (const DESCRIBE_PANEL& panel : section.panels) {
            fprintf(out, "  %s\n", panel.title.c_str());
            for (const DESCRIBE_ROW& row : panel.rows)
                put_row(out, "    ", "      ", row);
        }
    }
    fprintf(out, "Checks\n");
    if (checks.empty())
        fprintf(out, "  No findings\n");
    for (const CHECK_FINDING& f : checks)
        fprintf(out, "  %s %s: %s\n", checks_severity_text(f.severity), f.id, f.message.c_str());
}

void cli_text_checks(FILE* out, const char* path, const std::vector<CHECK_FINDING>& checks)
{
    if (checks.empty())
        fprintf(out, "%s: No findings\n", path);
    for (const CHECK_FINDING& f : checks)
        fprintf(out, "%s: %s %s: %s\n", path, checks_severity_text(f.severity), f.id, f.message.c_str());
}
