// The order of findings, the summary line and the severity texts.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "checks/checks.h"
#include "support/check_craft.h"

TEST(Checks, ErrorsThenWarningsThenNotesEachInRuleOrder)
{
    std::vector<craft_edit> edits = {craft_u32(DPXW_TOTAL_SIZE, 0xFFFFFFFF), craft_u32(DPXW_OFFSET_TO_IMAGE_DATA, 8196),
                                     craft_u8(craft_el(0, DPXW_EL_BIT_DEPTH), 11),
                                     craft_u16(craft_el(0, DPXW_EL_PACKING), 3), craft_u16(DPXW_ORIENTATION, 0xFFFF)};
    dpx_writer w = craft_file(dpx_layout(), 32, edits, false);
    EXPECT_EQ((std::vector<std::string>{"error bit-depth", "warning image-offset-mismatch", "warning packing",
                                        "note file-size-undefined", "note orientation"}),
              craft_kinds(craft_findings(w.bytes, w.bytes.size())));
}

TEST(Checks, SummaryCountsBySeverity)
{
    struct row {
        std::vector<CHECK_SEVERITY> severities;
        const char* summary;
    } rows[] = {
        {{}, "No findings"},
        {{CHECK_ERROR}, "1 error"},
        {{CHECK_NOTE}, "1 note"},
        {{CHECK_ERROR, CHECK_ERROR, CHECK_WARNING}, "2 errors, 1 warning"},
        {{CHECK_WARNING, CHECK_NOTE, CHECK_NOTE}, "1 warning, 2 notes"},
        {{CHECK_NOTE, CHECK_ERROR}, "1 error, 1 note"},
        {{CHECK_WARNING, CHECK_WARNING, CHECK_ERROR, CHECK_NOTE, CHECK_ERROR, CHECK_ERROR},
         "3 errors, 2 warnings, 1 note"},
    };
    for (const row& r : rows) {
        std::vector<CHECK_FINDING> findings;
        for (CHECK_SEVERITY s : r.severities)
            findings.push_back(CHECK_FINDING{s, "id", "message", {}});
        EXPECT_EQ(r.summary, checks_summary(findings));
    }
}

TEST(Checks, SeverityTexts)
{
    EXPECT_STREQ("error", checks_severity_text(CHECK_ERROR));
    EXPECT_STREQ("warning", checks_severity_text(CHECK_WARNING));
    EXPECT_STREQ("note", checks_severity_text(CHECK_NOTE));
}
