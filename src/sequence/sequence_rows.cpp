#include "sequence/sequence_rows.h"

#include <cstring>

#include "dpx/dpx_header.h"

namespace {

// The fields that change from frame to frame by nature, in header order,
// with their place in the header; the rows are found by label.
struct expected_field {
    DESCRIBE_SECTION_ID section;
    const char* label;
    size_t at, size;
};

const expected_field expected_fields[] = {
    {DESCRIBE_FILE_INFORMATION, "Total image file size in bytes", 16, 4},
    {DESCRIBE_FILE_INFORMATION, "Image filename", 36, 100},
    {DESCRIBE_FILE_INFORMATION, "Creation date/time", 136, 24},
    {DESCRIBE_FILM_INFORMATION, "Frame position in sequence", 1712, 4},
    {DESCRIBE_TELEVISION_INFORMATION, "SMPTE time code", 1920, 4},
    {DESCRIBE_TELEVISION_INFORMATION, "SMPTE user bits", 1924, 4},
    {DESCRIBE_TELEVISION_INFORMATION, "Field number", 1929, 1},
};
const size_t expected_count = sizeof expected_fields / sizeof expected_fields[0];

// The header sections; the summary and the picture repeat their fields, and
// the user-defined header lies past the 2048 bytes read.
const DESCRIBE_SECTION_ID compared[] = {DESCRIBE_FILE_INFORMATION, DESCRIBE_IMAGE_INFORMATION,
                                        DESCRIBE_IMAGE_SOURCE_INFORMATION, DESCRIBE_FILM_INFORMATION,
                                        DESCRIBE_TELEVISION_INFORMATION};

uint64_t fnv(uint64_t hash, const void* bytes, size_t size)
{
    const unsigned char* b = (const unsigned char*)bytes;
    for (size_t i = 0; i < size; i++)
        hash = (hash ^ b[i]) * 0x100000001B3ull;
    return hash;
}

const uint64_t fnv_start = 0xCBF29CE484222325ull;

uint64_t row_hash(const DESCRIBE_ROW& row)
{
    uint64_t h = fnv(fnv_start, row.value.data(), row.value.size() + 1);
    if (row.bytes)
        h = fnv(h, row.bytes, (size_t)row.byte_count);
    return fnv(h, &row.undefined, sizeof row.undefined);
}

bool is_expected(DESCRIBE_SECTION_ID section, const char* label)
{
    for (const expected_field& f : expected_fields)
        if (f.section == section && !strcmp(f.label, label))
            return true;
    return false;
}

// Calls `visit(section, element, row)` for every compared row in order.
template <typename Visit>
void each_row(const DPX_HEADER* header, Visit visit)
{
    DESCRIBE_SECTION section;
    for (DESCRIBE_SECTION_ID id : compared) {
        describe_section(header, id, &section);
        for (const DESCRIBE_ROW& row : section.rows)
            visit(id, 0, row);
        for (size_t p = 0; p < section.panels.size(); p++)
            for (const DESCRIBE_ROW& row : section.panels[p].rows)
                visit(id, (int)p + 1, row);
    }
}

std::vector<SEQUENCE_ROW_NAME> make_names()
{
    std::vector<SEQUENCE_ROW_NAME> names;
    DPX_HEADER blank{};
    each_row(&blank, [&](DESCRIBE_SECTION_ID id, int element, const DESCRIBE_ROW& row) {
        names.push_back({id, element, row.label, element == 0 && is_expected(id, row.label)});
    });
    return names;
}

// The row of each expected field, in the order of expected_fields.
std::vector<uint32_t> make_expected_rows()
{
    const std::vector<SEQUENCE_ROW_NAME>& names = sequence_rows_names();
    std::vector<uint32_t> rows;
    for (const expected_field& f : expected_fields)
        for (size_t r = 0; r < names.size(); r++)
            if (names[r].element == 0 && names[r].section == f.section && !strcmp(names[r].label, f.label))
                rows.push_back((uint32_t)r);
    return rows;
}

} // namespace

const std::vector<SEQUENCE_ROW_NAME>& sequence_rows_names()
{
    static const std::vector<SEQUENCE_ROW_NAME> names = make_names();
    return names;
}

std::string sequence_rows_section(const SEQUENCE_ROW_NAME& name)
{
    if (name.element)
        return "Data structure for image element " + std::to_string(name.element);
    return describe_section_title(name.section);
}

void sequence_rows_hash(const DPX_HEADER* header, std::vector<uint64_t>* hashes)
{
    hashes->clear();
    each_row(header, [&](DESCRIBE_SECTION_ID, int, const DESCRIBE_ROW& row) { hashes->push_back(row_hash(row)); });
}

bool sequence_rows_same_unless_expected(const unsigned char* frame, const unsigned char* reference)
{
    // The expected fields are in header order: the bytes between them are compared.
    size_t from = 0;
    for (const expected_field& f : expected_fields) {
        if (memcmp(frame + from, reference + from, f.at - from) != 0)
            return false;
        from = f.at + f.size;
    }
    return memcmp(frame + from, reference + from, DPX_HEADER_SIZE - from) == 0;
}

void sequence_rows_expected_changes(const unsigned char* frame, const unsigned char* reference,
                                    std::vector<SEQUENCE_ROW_CHANGE>* changes)
{
    static const std::vector<uint32_t> rows = make_expected_rows();
    for (size_t i = 0; i < expected_count && i < rows.size(); i++) {
        const expected_field& f = expected_fields[i];
        if (memcmp(frame + f.at, reference + f.at, f.size) != 0)
            changes->push_back({rows[i], fnv(fnv_start, frame + f.at, f.size)});
    }
}
