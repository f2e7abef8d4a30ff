#include "compare/compare.h"

#include <cmath>
#include <cstring>

#include "describe/describe.h"
#include "sequence/sequence_rows.h"

namespace {

const char* const none_text = "(none)";

// The value as compared and shown: the user data stands as its size, its
// bytes are compared apart.
std::string shown(const DESCRIBE_ROW* row)
{
    if (!row)
        return none_text;
    if (row->form != DESCRIBE_USER_DATA)
        return row->value;
    std::string size = describe_format("%llu bytes", (unsigned long long)row->byte_count);
    return row->value.empty() ? size : size + " " + row->value;
}

uint64_t byte_count(const DESCRIBE_ROW* row)
{
    return row && row->bytes ? row->byte_count : 0;
}

void compare_bytes(const DESCRIBE_ROW* a, const DESCRIBE_ROW* b, COMPARE_ROW* out)
{
    uint64_t na = byte_count(a), nb = byte_count(b);
    for (uint64_t i = 0; i < na || i < nb; i++) {
        int x = i < na ? a->bytes[i] : -1, y = i < nb ? b->bytes[i] : -1;
        if (x == y)
            continue;
        out->bytes_differing++;
        if (out->bytes.size() < COMPARE_BYTES_LISTED)
            out->bytes.push_back({i, x, y});
    }
}

// Floats are shown to six decimals: two that read alike get their value to nine digits.
bool floats_differ(const DESCRIBE_ROW* a, const DESCRIBE_ROW* b)
{
    if (!a || !b || a->raw != DESCRIBE_RAW_FLOAT || b->raw != DESCRIBE_RAW_FLOAT)
        return false;
    return a->raw_float != b->raw_float && !(std::isnan(a->raw_float) && std::isnan(b->raw_float));
}

void add_row(const std::string& section, const DESCRIBE_ROW* a, const DESCRIBE_ROW* b, bool expected,
             std::vector<COMPARE_ROW>* rows)
{
    COMPARE_ROW row{section, a ? a->label : b->label, shown(a), shown(b), false, expected, 0, {}};
    compare_bytes(a, b, &row);
    if (row.a == row.b && floats_differ(a, b)) {
        row.a += describe_format(" (%.9g)", a->raw_float);
        row.b += describe_format(" (%.9g)", b->raw_float);
    }
    row.differs = row.a != row.b || row.bytes_differing > 0;
    rows->push_back(std::move(row));
}

// Rows are paired by label: only the user-defined header's rows vary in number.
void add_rows(const std::string& section, DESCRIBE_SECTION_ID id, bool panel, const std::vector<DESCRIBE_ROW>& a,
              const std::vector<DESCRIBE_ROW>& b, std::vector<COMPARE_ROW>* rows)
{
    std::vector<bool> paired(b.size(), false);
    auto expected = [&](const char* label) { return !panel && sequence_rows_expected(id, label); };
    for (const DESCRIBE_ROW& row : a) {
        const DESCRIBE_ROW* other = nullptr;
        for (size_t i = 0; i < b.size() && !other; i++)
            if (!paired[i] && !strcmp(b[i].label, row.label)) {
                paired[i] = true;
                other = &b[i];
            }
        add_row(section, &row, other, expected(row.label), rows);
    }
    for (size_t i = 0; i < b.size(); i++)
        if (!paired[i])
            add_row(section, nullptr, &b[i], expected(b[i].label), rows);
}

// The header sections and the user-defined header; the image data and the
// summary only repeat their fields.
const DESCRIBE_SECTION_ID compared[] = {DESCRIBE_FILE_INFORMATION,         DESCRIBE_IMAGE_INFORMATION,
                                        DESCRIBE_IMAGE_SOURCE_INFORMATION, DESCRIBE_FILM_INFORMATION,
                                        DESCRIBE_TELEVISION_INFORMATION,   DESCRIBE_USER_DEFINED_DATA};

} // namespace

void compare_headers(const DPX_HEADER* a, const DPX_HEADER* b, std::vector<COMPARE_ROW>* rows)
{
    rows->clear();
    DESCRIBE_SECTION sa, sb;
    for (DESCRIBE_SECTION_ID id : compared) {
        describe_section(a, id, &sa);
        describe_section(b, id, &sb);
        add_rows(sa.title, id, false, sa.rows, sb.rows, rows);
        // The titles say whether an element is in use, which may differ: the rows are named without it.
        for (size_t e = 0; e < sa.panels.size() && e < sb.panels.size(); e++) {
            std::string section = sequence_rows_section(SEQUENCE_ROW_NAME{id, (int)e + 1, "", false});
            add_rows(section, id, true, sa.panels[e].rows, sb.panels[e].rows, rows);
        }
    }
}

size_t compare_count_differing(const std::vector<COMPARE_ROW>& rows)
{
    size_t count = 0;
    for (const COMPARE_ROW& row : rows)
        count += row.differs;
    return count;
}

std::string compare_bytes_at(const COMPARE_ROW& row)
{
    std::string text;
    for (const COMPARE_BYTE& byte : row.bytes)
        text += (text.empty() ? "" : ", ") + std::to_string(byte.at);
    if (row.bytes_differing > row.bytes.size())
        text += describe_format(" (%llu more)", (unsigned long long)(row.bytes_differing - row.bytes.size()));
    return text;
}

std::string compare_bytes_hex(const COMPARE_ROW& row, bool b)
{
    std::string text;
    for (const COMPARE_BYTE& byte : row.bytes) {
        int value = b ? byte.b : byte.a;
        char hex[3] = "--";
        if (value >= 0)
            describe_hex_byte((unsigned char)value, hex);
        text += text.empty() ? hex : std::string(" ") + hex;
    }
    return text;
}
