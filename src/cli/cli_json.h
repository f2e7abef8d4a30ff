// tessaview-dump's JSON output: one object per file, with names scripts rely on.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "checks/checks.h"
#include "dpx/dpx_file.h"

// The text of {"path", "loaded": true, "byte_order", "sections": [...],
// "checks": [...]}, as cli_json_text would write it; without `sections`
// when only the checks are asked for.
std::string cli_json_file_text(const char* path, const DPX_FILE* file, const std::vector<CHECK_FINDING>& checks,
                               bool sections);
// {"path", "loaded": false, "reason"}.
nlohmann::ordered_json cli_json_refused(const char* path, const char* reason);
// The text of a value, with bytes that are not UTF-8 replaced rather than refused.
std::string cli_json_text(const nlohmann::ordered_json& value);
