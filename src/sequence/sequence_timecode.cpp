#include "sequence/sequence_timecode.h"

#include <cmath>
#include <cstdio>

#include "sequence/sequence.h"

namespace {

// The BCD byte's value, or -1 when a digit is above 9.
int bcd(unsigned byte)
{
    unsigned tens = byte >> 4, units = byte & 0xF;
    return tens > 9 || units > 9 ? -1 : (int)(tens * 10 + units);
}

// Hours, minutes, seconds and frames with the flag bits masked off.
void parts(uint32_t code, unsigned part[4])
{
    static const unsigned masks[4] = {0x3F, 0x7F, 0x7F, 0x3F};
    for (int i = 0; i < 4; i++)
        part[i] = (code >> (24 - 8 * i)) & masks[i];
}

bool drop_flag(uint32_t code)
{
    return code & 0x40;
}

} // namespace

bool sequence_timecode_count(uint32_t code, double rate, uint64_t* count, uint64_t* day)
{
    uint64_t nominal = rate > 0 && std::isfinite(rate) && rate < 1000 ? (uint64_t)std::lround(rate) : 0;
    if (code == SEQUENCE_NONE || nominal == 0)
        return false;
    unsigned part[4];
    parts(code, part);
    int h = bcd(part[0]), m = bcd(part[1]), s = bcd(part[2]), f = bcd(part[3]);
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59 || f < 0 || (uint64_t)f >= nominal)
        return false;
    // Drop-frame skips the first frame numbers of every minute but each tenth.
    uint64_t dropped = drop_flag(code) && nominal % 30 == 0 ? nominal / 15 : 0;
    uint64_t minutes = (uint64_t)h * 60 + (uint64_t)m;
    if (dropped && m % 10 != 0 && s == 0 && (uint64_t)f < dropped)
        return false;
    *count = (minutes * 60 + (uint64_t)s) * nominal + (uint64_t)f - dropped * (minutes - minutes / 10);
    *day = 24 * 3600 * nominal - dropped * (24 * 60 - 24 * 6);
    return true;
}

std::string sequence_time_code_text(uint32_t time_code)
{
    unsigned part[4];
    parts(time_code, part);
    int value[4];
    for (int i = 0; i < 4; i++)
        value[i] = (int)(part[i] >> 4) * 10 + (int)(part[i] & 0xF);
    char text[32];
    snprintf(text, sizeof text, "%02d:%02d:%02d%c%02d", value[0], value[1], value[2],
             drop_flag(time_code) ? ';' : ':', value[3]);
    return text;
}
