#include "cli/cli_json.h"

#include "describe/describe.h"

namespace {

typedef nlohmann::ordered_json json;

// An ordered object keeps its members in a vector whose constant keys make
// every growth a deep copy: room is made for all members first.
json object(size_t members)
{
    json o = json::object();
    o.get_ref<json::object_t&>().reserve(members);
    return o;
}

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

json row_json(DESCRIBE_ROW& row)
{
    json r = object(6);
    r["label"] = row.label;
    if (row.past_end) {
        r["value"] = nullptr;
        r["in_file"] = false;
    } else {
        r["value"] = std::move(row.value);
    }
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

json rows_json(std::vector<DESCRIBE_ROW>& rows)
{
    json list = json::array();
    list.get_ref<json::array_t&>().reserve(rows.size());
    for (DESCRIBE_ROW& row : rows)
        list.push_back(row_json(row));
    return list;
}

// Objects are built by moving their members in, the rows' values too: a dump
// of thousands of files is mostly this.
json titled(const std::string& title, std::vector<DESCRIBE_ROW>& rows)
{
    json o = object(3);
    o["title"] = title;
    o["rows"] = rows_json(rows);
    return o;
}

json checks_json(const std::vector<CHECK_FINDING>& checks)
{
    json list = json::array();
    for (const CHECK_FINDING& f : checks) {
        json finding = object(4);
        finding["severity"] = checks_severity_text(f.severity);
        finding["id"] = f.id;
        finding["message"] = f.message;
        json& fields = finding["fields"] = json::array();
        for (const char* field : f.fields)
            fields.push_back(field);
        list.push_back(std::move(finding));
    }
    return list;
}

} // namespace

json cli_json_file(const char* path, const DPX_FILE* file, const std::vector<CHECK_FINDING>& checks, bool sections)
{
    json j = object(5);
    j["path"] = path;
    j["loaded"] = true;
    j["byte_order"] = file->header.file_information.magic_number == DPX_MAGIC_LITTLE_ENDIAN ? "little" : "big";
    if (sections) {
        json& list = j["sections"] = json::array();
        DESCRIBE_SECTION section;
        for (int id = 0; id < DESCRIBE_SECTION_COUNT; id++) {
            describe_section(&file->header, (DESCRIBE_SECTION_ID)id, &section);
            list.push_back(titled(section.title, section.rows));
            if (section.panels.empty())
                continue;
            json& panels = list.back()["panels"] = json::array();
            for (DESCRIBE_PANEL& panel : section.panels)
                panels.push_back(titled(panel.title, panel.rows));
        }
    }
    j["checks"] = checks_json(checks);
    return j;
}

json cli_json_refused(const char* path, const char* reason)
{
    json j = object(3);
    j["path"] = path;
    j["loaded"] = false;
    j["reason"] = reason;
    return j;
}

std::string cli_json_text(const json& value)
{
    return value.dump(2, ' ', false, json::error_handler_t::replace);
}
