// Consistency checks of a decoded DPX header against the file it came from:
// the arithmetic a user would otherwise do by hand. Free of GUI code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "checks/checks_finding.h"
#include "dpx/dpx_header.h"

// Every finding for a decoded header and the file's real length, errors
// first, then warnings, then notes, each in rule order. An element n
// (counted from 1 in messages, from 0 in field paths) is in use when
// n <= number_of_image_elements. Fields that lie in image data (an element
// starting inside the 2048-byte header) are not checked: their values are
// pixel bytes, which image-offset-in-header reports.
//
// Rule order, with ids:
//   file-size-mismatch, file-size-undefined, image-offset-mismatch,
//   image-offset-zero, image-offset-past-end, image-offset-in-header,
//   image-offset-shared, image-dimensions, image-data-short, header-length,
//   user-data-past-end, user-header-short, element-count,
//   element-beyond-count, bit-depth, packing, descriptor, orientation,
//   version, encrypted, timecode, frame-rate-mismatch, reference-levels;
//   then padding-bits, which only a reader of the image data adds.
std::vector<CHECK_FINDING> checks_run(const DPX_HEADER* header, uint64_t file_size);

// The note padding-bits for element `element` (0 to 7): `counted` is the
// Picture decoder's line saying in how many words the unused bits of filled
// samples are not zero. A note goes last, so it is appended to the findings.
CHECK_FINDING checks_padding_finding(int element, const char* counted);

// "error", "warning", "note".
const char* checks_severity_text(CHECK_SEVERITY severity);

// What stands for an empty list of findings: "No findings".
extern const char* const checks_no_findings;

// One finding in one line: "warning file-size-mismatch: total_image_file_size is ...".
std::string checks_finding_line(const CHECK_FINDING& finding);

// The count by severity: "2 errors, 1 warning", "1 note", "No findings".
std::string checks_summary(const std::vector<CHECK_FINDING>& findings);
