#include "cli/cli_text.h"

#include <cstring>
#include <string>

#include "describe/describe.h"

namespace {

const char hex_digits[] = "0123456789ABCDEF";

void put_hex(std::string* out, unsigned char byte)
{
    *out += hex_digits[byte >> 4];
    *out += hex_digits[byte & 15];
}

// Control characters would break the one-row-per-line promise; they are
// shown as \xNN. Everything else is printed as the window shows it.
void put_escaped(std::string* out, const char* text, size_t size)
{
    for (size_t i = 0; i < size; i++) {
        unsigned char c = (unsigned char)text[i];
        if (c < 0x20 || c == 0x7F) {
            *out += "\\x";
            put_hex(out, c);
        } else {
            *out += (char)c;
        }
    }
}

void put_bytes(std::string* out, const char* indent, const unsigned char* bytes, uint64_t count)
{
    for (uint64_t i = 0; i < count; i++) {
        *out += i % DESCRIBE_BYTES_PER_LINE == 0 ? indent : " ";
        put_hex(out, bytes[i]);
        if ((i + 1) % DESCRIBE_BYTES_PER_LINE == 0 || i + 1 == count)
            *out += '\n';
    }
}

void put_offset_dump(std::string* out, const char* indent, const unsigned char* bytes, uint64_t count)
{
    for (uint64_t i = 0; i < count; i++) {
        if (i % DESCRIBE_BYTES_PER_LINE == 0) {
            char offset[32];
            snprintf(offset, sizeof offset, "0x%08X :", (unsigned)(int32_t)i);
            *out += indent;
            *out += offset;
        }
        *out += ' ';
        put_hex(out, bytes[i]);
        if ((i + 1) % DESCRIBE_BYTES_PER_LINE == 0 || i + 1 == count)
            *out += '\n';
    }
}

void put_row(std::string* out, const char* indent, const char* inner, const DESCRIBE_ROW& row)
{
    if (row.label[0] == '\0' && row.value.empty()) {
        *out += '\n';
        return;
    }
    *out += indent;
    put_escaped(out, row.label, strlen(row.label));
    *out += ':';
    if (!row.value.empty() && row.form != DESCRIBE_USER_DATA) {
        *out += ' ';
        put_escaped(out, row.value.data(), row.value.size());
    }
    *out += '\n';
    if (row.form == DESCRIBE_TEXT_FIELD)
        put_bytes(out, inner, row.bytes, row.byte_count);
    if (row.form == DESCRIBE_USER_DATA) {
        put_offset_dump(out, inner, row.bytes, row.byte_count);
        if (!row.value.empty()) {
            *out += inner;
            *out += row.value;
            *out += '\n';
        }
    }
}

} // namespace

void cli_text_file(FILE* out, const char* path, const DPX_FILE* file, const std::vector<CHECK_FINDING>& checks)
{
    // One write per file: the text is built first.
    std::string text = "======== ";
    text += path;
    text += '\n';
    DESCRIBE_SECTION section;
    for (int id = 0; id < DESCRIBE_SECTION_COUNT; id++) {
        describe_section(&file->header, (DESCRIBE_SECTION_ID)id, &section);
        text += section.title;
        text += '\n';
        for (const DESCRIBE_ROW& row : section.rows)
            put_row(&text, "  ", "    ", row);
        for (const DESCRIBE_PANEL& panel : section.panels) {
            text += "  " + panel.title + "\n";
            for (const DESCRIBE_ROW& row : panel.rows)
                put_row(&text, "    ", "      ", row);
        }
    }
    text += "Checks\n";
    if (checks.empty())
        text += "  No findings\n";
    for (const CHECK_FINDING& f : checks)
        text += std::string("  ") + checks_severity_text(f.severity) + " " + f.id + ": " + f.message + "\n";
    fwrite(text.data(), 1, text.size(), out);
}

void cli_text_checks(FILE* out, const char* path, const std::vector<CHECK_FINDING>& checks)
{
    if (checks.empty())
        fprintf(out, "%s: No findings\n", path);
    for (const CHECK_FINDING& f : checks)
        fprintf(out, "%s: %s %s: %s\n", path, checks_severity_text(f.severity), f.id, f.message.c_str());
}
