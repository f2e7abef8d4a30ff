// Rules about coded values: bit depth, packing, descriptor, orientation,
// version, encryption, time code, frame rates and reference levels.
#pragma once

#include "checks/checks_context.h"

// Adds the findings of these rules, in rule order.
void checks_codes_run(CHECK_CONTEXT* c);
