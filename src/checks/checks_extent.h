// Rules about where things are and how many bytes they take: the declared
// file size, the element offsets, the image data, the header lengths, the
// user-defined header and the element count.
#pragma once

#include "checks/checks_context.h"

// Adds the findings of these rules, in rule order.
void checks_extent_run(CHECK_CONTEXT* c);
