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

// The rows come in groups, each described from its own bytes of the
// header: the sections (the summary and the picture repeat their fields, and
// the user-defined header lies past the 2048 bytes read), with the image
// information's rows apart from each element's panel.
struct group {
    DESCRIBE_SECTION_ID section;
    int element;
    size_t at, size;
};

std::vector<group> make_groups()
{
    std::vector<group> groups = {
        {DESCRIBE_FILE_INFORMATION, 0, 0, DPX_IMAGE_INFORMATION_AT},
        {DESCRIBE_IMAGE_INFORMATION, 0, DPX_IMAGE_INFORMATION_AT, DPX_ELEMENT_RECORD_AT - DPX_IMAGE_INFORMATION_AT}};
    for (int e = 1; e <= DPX_IMAGE_ELEMENT_COUNT; e++)
        groups.push_back({DESCRIBE_IMAGE_INFORMATION, e, DPX_ELEMENT_RECORD_AT + DPX_ELEMENT_RECORD_SIZE * (size_t)(e - 1),
                          DPX_ELEMENT_RECORD_SIZE});
    groups.push_back({DESCRIBE_IMAGE_SOURCE_INFORMATION, 0, DPX_SOURCE_INFORMATION_AT,
                      DPX_FILM_INFORMATION_AT - DPX_SOURCE_INFORMATION_AT});
    groups.push_back({DESCRIBE_FILM_INFORMATION, 0, DPX_FILM_INFORMATION_AT,
                      DPX_TELEVISION_INFORMATION_AT - DPX_FILM_INFORMATION_AT});
    groups.push_back({DESCRIBE_TELEVISION_INFORMATION, 0, DPX_TELEVISION_INFORMATION_AT,
                      DPX_HEADER_SIZE - DPX_TELEVISION_INFORMATION_AT});
    return groups;
}

const std::vector<group>& groups()
{
    static const std::vector<group> all = make_groups();
    return all;
}

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

// The rows of one group.
const std::vector<DESCRIBE_ROW>& describe_group(const DPX_HEADER* header, const group& g, DESCRIBE_SECTION* section,
                                                DESCRIBE_PANEL* panel)
{
    if (g.element) {
        describe_panel(&header->image_information.image_element[g.element - 1], g.element, true, panel);
        return panel->rows;
    }
    describe_section(header, g.section, section);
    return section->rows;
}

// The index of each group's first row, then the count of rows.
std::vector<size_t> make_starts()
{
    DPX_HEADER blank{};
    DESCRIBE_SECTION section;
    DESCRIBE_PANEL panel;
    std::vector<size_t> starts = {0};
    for (const group& g : groups())
        starts.push_back(starts.back() + describe_group(&blank, g, &section, &panel).size());
    return starts;
}

const std::vector<size_t>& starts()
{
    static const std::vector<size_t> all = make_starts();
    return all;
}

// Calls `visit(row index, group, row)` for every row of the groups `wanted(group)` picks; the rest are not described.
template <typename Wanted, typename Visit>
void each_row(const DPX_HEADER* header, Wanted wanted, Visit visit)
{
    DESCRIBE_SECTION section;
    DESCRIBE_PANEL panel;
    for (size_t i = 0; i < groups().size(); i++) {
        const group& g = groups()[i];
        if (!wanted(g))
            continue;
        const std::vector<DESCRIBE_ROW>& rows = describe_group(header, g, &section, &panel);
        for (size_t r = 0; r < rows.size() && starts()[i] + r < starts()[i + 1]; r++)
            visit(starts()[i] + r, g, rows[r]);
    }
}

bool all(const group&)
{
    return true;
}

std::vector<SEQUENCE_ROW_NAME> make_names()
{
    std::vector<SEQUENCE_ROW_NAME> names;
    DPX_HEADER blank{};
    each_row(&blank, all, [&](size_t, const group& g, const DESCRIBE_ROW& row) {
        bool expected = g.element == 0 && sequence_rows_expected(g.section, row.label);
        names.push_back({g.section, g.element, row.label, expected});
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

bool sequence_rows_expected(DESCRIBE_SECTION_ID section, const char* label)
{
    for (const expected_field& f : expected_fields)
        if (f.section == section && !strcmp(f.label, label))
            return true;
    return false;
}

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
    hashes->assign(starts().back(), 0);
    each_row(header, all, [&](size_t at, const group&, const DESCRIBE_ROW& row) { (*hashes)[at] = row_hash(row); });
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

bool sequence_rows_compare(const DPX_HEADER* header, const unsigned char* frame, const unsigned char* reference,
                           const std::vector<uint64_t>& reference_hashes, std::vector<SEQUENCE_ROW_CHANGE>* changes)
{
    // In another byte order the same bytes are other values.
    bool same_order = memcmp(frame, reference, 4) == 0;
    auto differs = [&](const group& g) { return !same_order || memcmp(frame + g.at, reference + g.at, g.size) != 0; };
    const std::vector<SEQUENCE_ROW_NAME>& names = sequence_rows_names();
    bool changed = false;
    each_row(header, differs, [&](size_t at, const group&, const DESCRIBE_ROW& row) {
        uint64_t hash = row_hash(row);
        if (names[at].expected || at >= reference_hashes.size() || hash == reference_hashes[at])
            return;
        changes->push_back({(uint32_t)at, hash});
        changed = true;
    });
    return changed;
}
