#include "cli/cli_diff.h"

#include <nlohmann/json.hpp>

#include "cli/cli_json.h"
#include "cli/cli_status.h"
#include "cli/cli_text.h"
#include "compare/compare.h"
#include "dpx/dpx_file.h"

namespace {

typedef nlohmann::ordered_json json;

void put_escaped(std::string* text, const std::string& part)
{
    cli_text_escaped(text, part.data(), part.size());
}

// "SECTION / LABEL: A | B", then for text fields and the user data
// "  (bytes at 0, 2: 6F 65 | 74 6F)".
std::string text_line(const COMPARE_ROW& row)
{
    std::string text = row.section + " / " + row.label + ": ";
    put_escaped(&text, row.a);
    text += " | ";
    put_escaped(&text, row.b);
    if (row.bytes_differing)
        text += "  (bytes at " + compare_bytes_at(row) + ": " + compare_bytes_hex(row, false) + " | " +
                compare_bytes_hex(row, true) + ")";
    return text + "\n";
}

std::string json_text(const char* a, const char* b, const std::vector<COMPARE_ROW>& rows)
{
    json doc = json::object();
    doc["a"] = a;
    doc["b"] = b;
    json& list = doc["rows"] = json::array();
    for (const COMPARE_ROW& row : rows)
        if (row.differs)
            list.push_back(json{{"section", row.section}, {"label", row.label}, {"a", row.a}, {"b", row.b}});
    return cli_json_text(doc) + "\n";
}

} // namespace

int cli_diff_run(const char* a, const char* b, bool json, FILE* out, FILE* err)
{
    DPX_FILE files[2];
    char reason[DPX_FILE_REASON_SIZE];
    bool loaded[2];
    const char* paths[2] = {a, b};
    for (int i = 0; i < 2; i++)
        if (!(loaded[i] = dpx_file_load(paths[i], DPX_FILE_HEADER_ONLY, &files[i], reason)))
            dpx_file_print_refusal(err, paths[i], reason);
    std::vector<COMPARE_ROW> rows;
    if (loaded[0] && loaded[1])
        compare_headers(&files[0].header, &files[1].header, &rows);
    for (int i = 0; i < 2; i++)
        if (loaded[i])
            dpx_file_free(&files[i]);
    if (!loaded[0] || !loaded[1])
        return CLI_REFUSED;
    std::string text;
    if (json)
        text = json_text(a, b, rows);
    for (size_t i = 0; !json && i < rows.size(); i++)
        if (rows[i].differs)
            text += text_line(rows[i]);
    fwrite(text.data(), 1, text.size(), out);
    return compare_count_differing(rows) ? CLI_DIFFER : CLI_OK;
}
