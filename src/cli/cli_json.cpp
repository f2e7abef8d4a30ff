#include "cli/cli_json.h"

#include <cstring>

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

// A file's object is written as it is walked, with no value tree: a dump of
// thousands of files is mostly this. The layout is the one nlohmann-json's
// dump(2) gives the other objects, so that both read alike.
struct json_out {
    std::string text;
    int depth;
    bool first; // no member or element yet at this depth
};

void json_newline(json_out* o)
{
    o->text += '\n';
    o->text.append((size_t)o->depth * 2, ' ');
}

// Before a member or an element: the comma and the line of the one before.
void json_next(json_out* o)
{
    if (!o->first)
        o->text += ',';
    o->first = false;
    json_newline(o);
}

void json_string(json_out* o, const char* text, size_t size)
{
    bool plain = true;
    for (size_t i = 0; i < size && plain; i++) {
        unsigned char c = (unsigned char)text[i];
        plain = c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
    }
    if (plain) {
        o->text += '"';
        o->text.append(text, size);
        o->text += '"';
        return;
    }
    // Escapes and bytes that are not UTF-8 as the library writes them.
    o->text += json(std::string(text, size)).dump(-1, ' ', false, json::error_handler_t::replace);
}

void json_string(json_out* o, const std::string& text)
{
    json_string(o, text.data(), text.size());
}

void json_key(json_out* o, const char* key)
{
    json_next(o);
    json_string(o, key, strlen(key));
    o->text += ": ";
}

// Opens an object or an array ('{' or '['); json_close closes it.
void json_open(json_out* o, char bracket)
{
    o->text += bracket;
    o->depth++;
    o->first = true;
}

void json_close(json_out* o, char bracket)
{
    o->depth--;
    if (!o->first)
        json_newline(o);
    o->text += bracket;
    o->first = false;
}

void row_write(json_out* o, const DESCRIBE_ROW& row)
{
    json_next(o);
    json_open(o, '{');
    json_key(o, "label");
    json_string(o, row.label, strlen(row.label));
    json_key(o, "value");
    if (row.past_end) {
        o->text += "null";
        json_key(o, "in_file");
        o->text += "false";
    } else {
        json_string(o, row.value);
    }
    json_key(o, "raw");
    if (row.raw == DESCRIBE_RAW_UNSIGNED)
        o->text += std::to_string(row.raw_unsigned);
    else if (row.raw == DESCRIBE_RAW_FLOAT)
        o->text += json(row.raw_float).dump(); // NaN and infinities become null
    else
        o->text += "null";
    json_key(o, "undefined");
    o->text += row.undefined ? "true" : "false";
    if (row.bytes) {
        json_key(o, "bytes");
        json_string(o, hex(row.bytes, row.byte_count));
    }
    json_close(o, '}');
}

// {"title", "rows"}, left open for the panels.
void titled_write(json_out* o, const std::string& title, const std::vector<DESCRIBE_ROW>& rows)
{
    json_next(o);
    json_open(o, '{');
    json_key(o, "title");
    json_string(o, title);
    json_key(o, "rows");
    json_open(o, '[');
    for (const DESCRIBE_ROW& row : rows)
        row_write(o, row);
    json_close(o, ']');
}

void checks_write(json_out* o, const std::vector<CHECK_FINDING>& checks)
{
    json_open(o, '[');
    for (const CHECK_FINDING& f : checks) {
        json_next(o);
        json_open(o, '{');
        json_key(o, "severity");
        const char* severity = checks_severity_text(f.severity);
        json_string(o, severity, strlen(severity));
        json_key(o, "id");
        json_string(o, f.id, strlen(f.id));
        json_key(o, "message");
        json_string(o, f.message);
        json_key(o, "fields");
        json_open(o, '[');
        for (const char* field : f.fields) {
            json_next(o);
            json_string(o, field, strlen(field));
        }
        json_close(o, ']');
        json_close(o, '}');
    }
    json_close(o, ']');
}

} // namespace

std::string cli_json_file_text(const char* path, const DPX_FILE* file, const std::vector<CHECK_FINDING>& checks,
                               bool sections)
{
    json_out o{std::string(), 0, true};
    o.text.reserve(sections ? 96 * 1024 : 1024);
    json_open(&o, '{');
    json_key(&o, "path");
    json_string(&o, path, strlen(path));
    json_key(&o, "loaded");
    o.text += "true";
    json_key(&o, "byte_order");
    o.text += file->header.file_information.magic_number == DPX_MAGIC_LITTLE_ENDIAN ? "\"little\"" : "\"big\"";
    if (sections) {
        json_key(&o, "sections");
        json_open(&o, '[');
        DESCRIBE_SECTION section;
        for (int id = 0; id < DESCRIBE_SECTION_COUNT; id++) {
            describe_section(&file->header, (DESCRIBE_SECTION_ID)id, &section);
            titled_write(&o, section.title, section.rows);
            if (!section.panels.empty()) {
                json_key(&o, "panels");
                json_open(&o, '[');
                for (const DESCRIBE_PANEL& panel : section.panels) {
                    titled_write(&o, panel.title, panel.rows);
                    json_close(&o, '}');
                }
                json_close(&o, ']');
            }
            json_close(&o, '}');
        }
        json_close(&o, ']');
    }
    json_key(&o, "checks");
    checks_write(&o, checks);
    json_close(&o, '}');
    return o.text;
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
