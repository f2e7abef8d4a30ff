// The Checks window of one file: every finding with its severity, id and message.
#pragma once

#include <vector>

#include "workset/workset.h"
#include "checks/checks.h"

// The colour of a summary or finding: red errors, amber warnings, blue notes, green for none.
void window_checks_colour(const std::vector<CHECK_FINDING>& findings, float rgba[4]);
// Draws the window while the file's checks_visible is set; its close button clears it.
void window_checks(work_t* work, const std::vector<CHECK_FINDING>& findings);
