#include "cli/cli_json.h"

#include "describe/describe.h"

namespace {

typedef nlohmann::ordered_json json;

std::string hex(const unsigned char* bytes, uint64_t count)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 2);
    for (uint64_t i = 0; i < count; i++) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

json row_json(const DESCRIBE_ROW& row)
{
    json r = json::object();
    r["label"] = row.label;
    r["value"] = row.value;
    if (row.raw == DESCRIBE_RAW_UNSIGNED)
        r["raw"] = row.raw_unsigned;
    else if (row.raw == DESCRIBE_RAW_FLOAT)
        r["raw"] = row.raw_float; // NaN and infinities become null
    else
        r["raw"] = nullptr;
    r["undefined"] = row.undefined;
    if (row.bytes)
        r["bytes"] = hex(row.bytes, row.byte_count);
    return r;
}

json rows_json(const std::vector<DESCRIBE_ROW>& rows)
{
    json list = json::array();
    for (const DESCRIBE_ROW& row : rows)
        list.push_back(row_json(row));
    return list;
}

json checks_json(const std::vector<CHECK_FINDING>& checks)
{
    json list = json::array();
    for (const CHECK_FINDING& f : checks) {
        json fields = json::array();
        for (const char* field : f.fields)
            fields.push_back(field);
        list.push_back({{"severity", checks_severity_text(f.severity)},
                        {"id", f.id},
                        {"message", f.message},
                        {"fields", fields}});
    }
    return list;
}

} // namespace

json cli_json_file(const char* path, const DPX_FILE* file, const std::vector<CHECK_FINDING>& checks, bool sections)
{
    json j = json::object();
    j["path"] = path;
    j["loaded"] = true;
    j["byte_order"] = file->header.file_information.magic_number == DPX_MAGIC_LITTLE_ENDIAN ? "little" : "big";
    if (sections) {
        json list = json::array();
        DESCRIBE_SECTION section;
        for (int id = 0; id < DESCRIBE_SECTION_COUNT; id++) {
            describe_section(&file->header, (DESCRIBE_SECTION_ID)id, &section);
            json s = {{"title", section.title}, {"rows", rows_json(section.rows)}};
            if (!section.panels.empty()) {
                json panels = json::array();
                for (const DESCRIBE_PANEL& panel : section.panels)
                    panels.push_back({{"title", panel.title}, {"rows", rows_json(panel.rows)}});
                s["panels"] = panels;
            }
            list.push_back(s);
        }
        j["sections"] = list;
    }
    j["checks"] = checks_json(checks);
    return j;
}

json cli_json_refused(const char* path, const char* reason)
{
    return {{"path", path}, {"loaded", false}, {"reason", reason}};
}

std::string cli_json_text(const json& value)
{
    return value.dump(2, ' ', false, json::error_handler_t::replace);
}
