#include "checks/checks.h"

#include <algorithm>

#include "checks/checks_codes.h"
#include "checks/checks_context.h"
#include "checks/checks_extent.h"

std::vector<CHECK_FINDING> checks_run(const DPX_HEADER* header, uint64_t file_size)
{
    std::vector<CHECK_FINDING> findings;
    CHECK_CONTEXT c = checks_context_make(header, file_size, &findings);
    checks_extent_run(&c);
    checks_codes_run(&c);
    // The rules ran in rule order; stable keeps it within each severity.
    std::stable_sort(findings.begin(), findings.end(),
                     [](const CHECK_FINDING& a, const CHECK_FINDING& b) { return a.severity < b.severity; });
    return findings;
}

CHECK_FINDING checks_padding_finding(int element, const char* counted)
{
    return CHECK_FINDING{CHECK_NOTE, "padding-bits", "element " + std::to_string(element + 1) + ": " + counted,
                         {checks_element_field(element, CHECK_EL_PACKING)}};
}

const char* const checks_no_findings = "No findings";

std::string checks_finding_line(const CHECK_FINDING& finding)
{
    return std::string(checks_severity_text(finding.severity)) + " " + finding.id + ": " + finding.message;
}

const char* checks_severity_text(CHECK_SEVERITY severity)
{
    switch (severity) {
    case CHECK_ERROR:
        return "error";
    case CHECK_WARNING:
        return "warning";
    case CHECK_NOTE:
        return "note";
    }
    return "";
}

std::string checks_summary(const std::vector<CHECK_FINDING>& findings)
{
    size_t counts[3] = {};
    for (const CHECK_FINDING& f : findings)
        counts[f.severity]++;
    static const CHECK_SEVERITY order[] = {CHECK_ERROR, CHECK_WARNING, CHECK_NOTE};
    std::string text;
    for (CHECK_SEVERITY s : order) {
        if (counts[s] == 0)
            continue;
        if (!text.empty())
            text += ", ";
        text += std::to_string(counts[s]) + " " + checks_severity_text(s) + (counts[s] == 1 ? "" : "s");
    }
    return text.empty() ? checks_no_findings : text;
}
