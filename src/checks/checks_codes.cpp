#include "checks/checks_codes.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "dpx/dpx_layout.h"

namespace {

const char* const VERSION = "file_information.version";
const char* const ENCRYPTION_KEY = "file_information.encryption_key";
const char* const ORIENTATION = "image_information.image_orientation";
const char* const TIME_CODE = "television_information.smpte_time_code";
const char* const FILM_RATE = "motion_picture_film_information.frame_rate_of_original";
const char* const TELEVISION_RATE = "television_information.temporal_sampling_rate";

// Byte offsets of the fields, to tell whether they hold pixel bytes.
enum : size_t {
    VERSION_AT = 8,
    ENCRYPTION_KEY_AT = 660,
    ORIENTATION_AT = DPX_IMAGE_INFORMATION_AT,
    FILM_RATE_AT = 1724,
    TIME_CODE_AT = DPX_TELEVISION_INFORMATION_AT,
    TELEVISION_RATE_AT = 1940,
};

// "1, 8, 10, 12, 16, 32 and 64"
std::string defined_bit_depths()
{
    std::string text;
    for (int k = 0; k < DPX_BIT_DEPTH_COUNT; k++)
        text += (k == 0 ? "" : k + 1 == DPX_BIT_DEPTH_COUNT ? " and " : ", ") + std::to_string(dpx_bit_depths[k]);
    return text;
}

void bit_depth(CHECK_CONTEXT* c)
{
    for (int i = 0; i < c->in_use; i++) {
        unsigned bits = checks_element(c, i).bit_depth;
        const char* field = checks_element_field(i, CHECK_EL_BIT_DEPTH);
        if (dpx_undefined_u8((uint8_t)bits))
            checks_add(c, CHECK_ERROR, "bit-depth", {field}, "element %d's bit depth is undefined (255)", i + 1);
        else if (!dpx_layout_bit_depth_defined((uint8_t)bits))
            checks_add(c, CHECK_ERROR, "bit-depth", {field},
                       "element %d has bit depth %u; only %s are defined", i + 1, bits,
                       defined_bit_depths().c_str());
    }
}

void packing(CHECK_CONTEXT* c)
{
    for (int i = 0; i < c->in_use; i++) {
        const DPX_HEADER_DATA_STRUCTURE& e = checks_element(c, i);
        const char* field = checks_element_field(i, CHECK_EL_PACKING);
        if (e.packing > 2)
            checks_add(c, CHECK_WARNING, "packing", {field}, "element %d has packing %u; only 0, 1 and 2 are defined",
                       i + 1, (unsigned)e.packing);
        // Filling to words means nothing for samples that are 1 bit or whole words.
        else if (e.packing != 0 && (e.bit_depth == 1 || e.bit_depth == 32 || e.bit_depth == 64))
            checks_add(c, CHECK_WARNING, "packing", {field, checks_element_field(i, CHECK_EL_BIT_DEPTH)},
                       "element %d has packing %u with %u-bit samples, which only packing 0 describes", i + 1,
                       (unsigned)e.packing, (unsigned)e.bit_depth);
    }
}

void descriptor(CHECK_CONTEXT* c)
{
    for (int i = 0; i < c->in_use; i++) {
        unsigned code = checks_element(c, i).descriptor;
        const char* field = checks_element_field(i, CHECK_EL_DESCRIPTOR);
        // The codes whose layout is known are exactly the defined ones.
        if (dpx_undefined_u8((uint8_t)code))
            checks_add(c, CHECK_WARNING, "descriptor", {field}, "element %d's descriptor is undefined (255)", i + 1);
        else if (dpx_layout_samples_per_pixel((uint8_t)code) == 0)
            checks_add(c, CHECK_WARNING, "descriptor", {field}, "element %d has descriptor %u, a reserved code", i + 1,
                       code);
    }
}

void orientation(CHECK_CONTEXT* c)
{
    unsigned code = c->header->image_information.image_orientation;
    if (checks_context_is_pixels(c, ORIENTATION_AT))
        return;
    if (dpx_undefined_u16((uint16_t)code))
        checks_add(c, CHECK_NOTE, "orientation", {ORIENTATION},
                   "image_orientation is undefined (0xFFFF); readers take 0, left to right and top to bottom");
    else if (code > 7)
        checks_add(c, CHECK_WARNING, "orientation", {ORIENTATION},
                   "image_orientation is %u, a reserved code; only 0 to 7 are defined", code);
}

// The bytes as a quoted C string, trailing NULs dropped.
std::string quoted(const char* bytes, size_t n)
{
    while (n > 0 && bytes[n - 1] == 0)
        n--;
    std::string s = "\"";
    for (size_t i = 0; i < n; i++) {
        unsigned char b = (unsigned char)bytes[i];
        char escaped[8];
        if (b == '"' || b == '\\')
            snprintf(escaped, sizeof escaped, "\\%c", b);
        else if (b < 0x20 || b > 0x7E)
            snprintf(escaped, sizeof escaped, "\\x%02X", b);
        else
            snprintf(escaped, sizeof escaped, "%c", b);
        s += escaped;
    }
    return s + "\"";
}

void version(CHECK_CONTEXT* c)
{
    const char* v = c->header->file_information.version;
    if (checks_context_is_pixels(c, VERSION_AT))
        return;
    static const char v1[8] = {'V', '1', '.', '0'};
    static const char v2[8] = {'V', '2', '.', '0'};
    if (memcmp(v, v1, sizeof v1) != 0 && memcmp(v, v2, sizeof v2) != 0)
        checks_add(c, CHECK_NOTE, "version", {VERSION}, "version is %s, neither \"V1.0\" nor \"V2.0\"",
                   quoted(v, sizeof c->header->file_information.version).c_str());
}

void encrypted(CHECK_CONTEXT* c)
{
    uint32_t key = c->header->file_information.encryption_key;
    if (key != 0 && !dpx_undefined_u32(key) && !checks_context_is_pixels(c, ENCRYPTION_KEY_AT))
        checks_add(c, CHECK_WARNING, "encrypted", {ENCRYPTION_KEY},
                   "encryption_key is 0x%08" PRIX32 ": the image data may be encrypted (0xFFFFFFFF says it is not)",
                   key);
}

// A rate in frames per second, or 0 when the field holds none: a NaN (the
// undefined marker is one, and some writers use another), an infinity, or a
// value not above 0.
float defined_rate(const CHECK_CONTEXT* c, float rate, size_t at)
{
    if (!std::isfinite(rate) || rate <= 0 || checks_context_is_pixels(c, at))
        return 0;
    return rate;
}

void timecode(CHECK_CONTEXT* c)
{
    const DPX_HEADER* h = c->header;
    uint32_t code = h->television_information.smpte_time_code;
    if (dpx_undefined_u32(code) || checks_context_is_pixels(c, TIME_CODE_AT))
        return;
    // The television rate belongs with the time code; the film rate stands in for it.
    float rate = defined_rate(c, h->television_information.temporal_sampling_rate, TELEVISION_RATE_AT);
    const char* rate_field = TELEVISION_RATE;
    if (rate == 0) {
        rate = defined_rate(c, h->motion_picture_film_information.frame_rate_of_original, FILM_RATE_AT);
        rate_field = FILM_RATE;
    }
    static const char* const names[] = {"hours", "minutes", "seconds", "frames"};
    static const unsigned largest[] = {23, 59, 59}; // frames are bounded by the rate
    std::string problems;
    std::vector<const char*> fields = {TIME_CODE};
    for (int p = 0; p < 4; p++) {
        unsigned byte = (code >> (24 - 8 * p)) & 0xFF;
        unsigned tens = byte >> 4, units = byte & 0xF;
        char text[96] = "";
        if (tens > 9 || units > 9) {
            snprintf(text, sizeof text, "%s byte 0x%02X is not two BCD digits", names[p], byte);
        } else if (p < 3 && tens * 10 + units > largest[p]) {
            snprintf(text, sizeof text, "%s %u above %u", names[p], tens * 10 + units, largest[p]);
        } else if (p == 3 && rate > 0 && tens * 10 + units >= std::ceil(rate)) {
            snprintf(text, sizeof text, "frame %u at or above the rate of %g frames per second", tens * 10 + units,
                     (double)rate);
            fields.push_back(rate_field);
        }
        if (text[0]) {
            if (!problems.empty())
                problems += ", ";
            problems += text;
        }
    }
    if (!problems.empty())
        checks_add(c, CHECK_WARNING, "timecode", fields, "smpte_time_code 0x%08" PRIX32 ": %s", code, problems.c_str());
}

void frame_rate_mismatch(CHECK_CONTEXT* c)
{
    float film = defined_rate(c, c->header->motion_picture_film_information.frame_rate_of_original, FILM_RATE_AT);
    float television = defined_rate(c, c->header->television_information.temporal_sampling_rate, TELEVISION_RATE_AT);
    if (film == 0 || television == 0)
        return;
    // Within 1/2000 is the same rate written with another precision (23.976
    // and 24000/1001); 23.976 and 24 differ.
    if (std::fabs(film - television) > std::fmax(film, television) / 2000)
        checks_add(c, CHECK_NOTE, "frame-rate-mismatch", {FILM_RATE, TELEVISION_RATE},
                   "frame_rate_of_original is %g but temporal_sampling_rate is %g", (double)film, (double)television);
}

void reference_levels(CHECK_CONTEXT* c)
{
    for (int i = 0; i < c->in_use; i++) {
        const DPX_HEADER_DATA_STRUCTURE& e = checks_element(c, i);
        uint32_t low = e.reference_low_data_code_value, high = e.reference_high_data_code_value;
        // Writers that do not fill them leave both 0 or both undefined.
        if (low == 0 && high == 0)
            continue;
        const char* low_field = checks_element_field(i, CHECK_EL_REFERENCE_LOW);
        const char* high_field = checks_element_field(i, CHECK_EL_REFERENCE_HIGH);
        bool low_set = !dpx_undefined_u32(low), high_set = !dpx_undefined_u32(high);
        if (low_set && high_set && low >= high)
            checks_add(c, CHECK_NOTE, "reference-levels", {low_field, high_field},
                       "element %d's low reference code %" PRIu32 " is not below its high one %" PRIu32, i + 1, low,
                       high);
        // Float samples have no largest code.
        if (!dpx_layout_bit_depth_defined(e.bit_depth) || e.bit_depth > 16)
            continue;
        uint32_t largest = (1u << e.bit_depth) - 1;
        const struct {
            bool set;
            uint32_t value;
            const char* name;
            const char* field;
        } codes[] = {{low_set, low, "low", low_field}, {high_set, high, "high", high_field}};
        for (const auto& code : codes)
            if (code.set && code.value > largest)
                checks_add(c, CHECK_NOTE, "reference-levels", {code.field, checks_element_field(i, CHECK_EL_BIT_DEPTH)},
                           "element %d's %s reference code %" PRIu32 " is above %" PRIu32 ", the largest %u-bit code",
                           i + 1, code.name, code.value, largest, (unsigned)e.bit_depth);
    }
}

} // namespace

void checks_codes_run(CHECK_CONTEXT* c)
{
    bit_depth(c);
    packing(c);
    descriptor(c);
    orientation(c);
    version(c);
    encrypted(c);
    timecode(c);
    frame_rate_mismatch(c);
    reference_levels(c);
}
