#include "sequence/sequence_name.h"

#include <algorithm>
#include <map>

namespace {

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

int decimal_width(uint64_t n)
{
    int width = 1;
    while (n >= 10) {
        n /= 10;
        width++;
    }
    return width;
}

bool leading_zero(const SEQUENCE_FRAME& f)
{
    return f.digits > decimal_width(f.number);
}

std::string joined(const std::string& directory, const std::string& name)
{
    if (directory.empty())
        return name;
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

SEQUENCE_FRAME blank_frame(const std::string& path)
{
    SEQUENCE_FRAME f{};
    f.path = path;
    f.time_code = SEQUENCE_NONE;
    f.frame_position = SEQUENCE_NONE;
    return f;
}

void finish(SEQUENCE* s)
{
    std::sort(s->frames.begin(), s->frames.end(), [](const SEQUENCE_FRAME& a, const SEQUENCE_FRAME& b) {
        return a.number != b.number ? a.number < b.number : a.path < b.path;
    });
    s->first = s->frames.front().number;
    s->last = s->frames.back().number;
    s->present = 0;
    for (size_t i = 0; i < s->frames.size(); i++) {
        uint64_t n = s->frames[i].number;
        if (i > 0 && n == s->frames[i - 1].number)
            continue;
        s->present++;
        if (i > 0 && n > s->frames[i - 1].number + 1)
            s->missing.push_back({s->frames[i - 1].number + 1, n - 1});
    }
    s->padding = sequence_name_padding(s->frames);
    s->time_code_first = s->time_code_last = SEQUENCE_NONE;
}

} // namespace

bool sequence_name_number(const std::string& name, size_t* at, size_t* digits, uint64_t* number)
{
    size_t end = name.size();
    while (end > 0 && !is_digit(name[end - 1]))
        end--;
    if (end == 0)
        return false;
    size_t start = end;
    while (start > 0 && is_digit(name[start - 1]))
        start--;
    if (end - start > SEQUENCE_NAME_DIGITS_LIMIT)
        return false;
    uint64_t n = 0;
    for (size_t i = start; i < end; i++)
        n = n * 10 + (uint64_t)(name[i] - '0');
    *at = start;
    *digits = end - start;
    *number = n;
    return true;
}

bool sequence_name_fits(const SEQUENCE_FRAME& frame, int padding)
{
    if (leading_zero(frame))
        return frame.digits == padding;
    return frame.digits >= padding;
}

int sequence_name_padding(const std::vector<SEQUENCE_FRAME>& frames)
{
    // Candidates: unpadded, each width written with leading zeros, and the
    // one width all numbers share (a width of 1 pads nothing).
    std::vector<int> candidates = {0};
    bool one_width = true;
    for (const SEQUENCE_FRAME& f : frames) {
        if (leading_zero(f) && std::find(candidates.begin(), candidates.end(), f.digits) == candidates.end())
            candidates.push_back(f.digits);
        one_width = one_width && f.digits == frames.front().digits;
    }
    if (one_width && !frames.empty() && frames.front().digits > 1)
        candidates.push_back(frames.front().digits);
    int best = 0;
    size_t best_fits = 0;
    for (int padding : candidates) {
        size_t fits = 0;
        for (const SEQUENCE_FRAME& f : frames)
            fits += sequence_name_fits(f, padding);
        // On a tie the wider padding wins: 1001 to 1099 is %04d.
        if (fits > best_fits || (fits == best_fits && padding > best)) {
            best = padding;
            best_fits = fits;
        }
    }
    return best;
}

void sequence_name_group(const SEQUENCE_FOLDER& folder, std::vector<SEQUENCE>* sequences,
                         std::vector<SEQUENCE_FRAME>* singles)
{
    std::map<std::pair<std::string, std::string>, SEQUENCE> found;
    for (const std::string& name : folder.names) {
        size_t at, digits;
        uint64_t number;
        if (!sequence_name_number(name, &at, &digits, &number)) {
            singles->push_back(blank_frame(joined(folder.directory, name)));
            continue;
        }
        SEQUENCE& s = found[{name.substr(0, at), name.substr(at + digits)}];
        SEQUENCE_FRAME f = blank_frame(joined(folder.directory, name));
        f.number = number;
        f.digits = (int)digits;
        s.frames.push_back(std::move(f));
    }
    for (auto& entry : found) {
        SEQUENCE& s = entry.second;
        s.directory = folder.directory;
        s.prefix = entry.first.first;
        s.suffix = entry.first.second;
        finish(&s);
        sequences->push_back(std::move(s));
    }
}
