#include "cli/cli_text.h"

#include <cstring>
#include <string>

#include "describe/describe.h"

namespace {

void put_hex(std::string* out, unsigned char byte)
{
    char hex[3];
    describe_hex_byte(byte, hex);
    *out += hex;
}

// The text-field dump: the bytes alone; the user data: each line behind its offset.
void put_dump(std::string* out, const char* indent, const unsigned char* bytes, uint64_t count, bool offsets)
{
    DESCRIBE_DUMP_LINE line;
    const uint64_t lines = describe_dump_line_count(count);
    for (uint64_t l = 0; l < lines; l++) {
        describe_dump_line(bytes, count, l, &line);
        *out += indent;
        if (offsets)
            *out += line.offset;
        for (int i = 0; i < line.count; i++) {
            if (offsets || i > 0)
                *out += ' ';
            *out += line.hex[i];
        }
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
    cli_text_escaped(out, row.label, strlen(row.label));
    *out += ':';
    if (!row.value.empty() && row.form != DESCRIBE_USER_DATA) {
        *out += ' ';
        cli_text_escaped(out, row.value.data(), row.value.size());
    }
    *out += '\n';
    if (row.form == DESCRIBE_TEXT_FIELD)
        put_dump(out, inner, row.bytes, row.byte_count, false);
    if (row.form == DESCRIBE_USER_DATA) {
        put_dump(out, inner, row.bytes, row.byte_count, true);
        if (!row.value.empty()) {
            *out += inner;
            *out += row.value;
            *out += '\n';
        }
    }
}

} // namespace

void cli_text_escaped(std::string* out, const char* text, size_t size)
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
        text += std::string("  ") + checks_no_findings + "\n";
    for (const CHECK_FINDING& f : checks)
        text += "  " + checks_finding_line(f) + "\n";
    fwrite(text.data(), 1, text.size(), out);
}

void cli_text_checks(FILE* out, const char* path, const std::vector<CHECK_FINDING>& checks)
{
    if (checks.empty())
        fprintf(out, "%s: %s\n", path, checks_no_findings);
    for (const CHECK_FINDING& f : checks)
        fprintf(out, "%s: %s\n", path, checks_finding_line(f).c_str());
}
