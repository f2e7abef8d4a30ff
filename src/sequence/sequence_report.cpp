#include "sequence/sequence_report.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "describe/describe.h"
#include "sequence/sequence_name.h"
#include "sequence/sequence_rows.h"
#include "sequence/sequence_timecode.h"

namespace {

enum { MESSAGE_RANGES = 10 }; // ranges a message names before "..."


const char* plural(uint64_t n)
{
    return n == 1 ? "" : "s";
}

// Adds a problem over `frames` unless there are none; the message is
// `what` after the count of frames and before their ranges.
void add(SEQUENCE* s, CHECK_SEVERITY severity, const char* id, std::vector<uint64_t> frames, const std::string& what)
{
    if (frames.empty())
        return;
    std::string message = describe_format("%zu frame%s %s: ", frames.size(), plural(frames.size()), what.c_str());
    message += sequence_ranges_text(sequence_ranges(frames), MESSAGE_RANGES);
    s->problems.push_back({severity, id, message, std::move(frames)});
}

void gap(SEQUENCE* s)
{
    if (s->missing.empty())
        return;
    uint64_t count = 0;
    std::vector<uint64_t> frames;
    for (const SEQUENCE_RANGE& r : s->missing) {
        count += r.last - r.first + 1;
        for (uint64_t n = r.first; frames.size() < SEQUENCE_GAP_FRAMES_LIMIT; n++) {
            frames.push_back(n);
            if (n == r.last)
                break;
        }
    }
    std::string message = describe_format("%llu frame%s missing: ", (unsigned long long)count, plural(count));
    message += sequence_ranges_text(s->missing, MESSAGE_RANGES);
    s->problems.push_back({CHECK_WARNING, "sequence-gap", message, std::move(frames)});
}

// The size most readable frames of each layout have; the smaller on a tie.
std::map<uint64_t, uint64_t> usual_sizes(const SEQUENCE* s, const SEQUENCE_TALLY* t)
{
    std::map<uint64_t, std::map<uint64_t, uint64_t>> counts; // layout -> size -> frames
    for (size_t i = 0; i < s->frames.size(); i++)
        if (s->frames[i].loaded)
            counts[t->layouts[i]][s->frames[i].size]++;
    std::map<uint64_t, uint64_t> usual;
    for (const auto& layout : counts) {
        uint64_t best = 0, most = 0;
        for (const auto& size : layout.second)
            if (size.second > most) {
                best = size.first;
                most = size.second;
            }
        usual[layout.first] = best;
    }
    return usual;
}

void frame_problems(SEQUENCE* s, const SEQUENCE_TALLY* t)
{
    std::vector<uint64_t> empty, refused, errors, layout, size;
    std::map<uint64_t, uint64_t> usual = usual_sizes(s, t);
    uint64_t reference_layout = s->readable ? t->reference->layout : 0;
    for (size_t i = 0; i < s->frames.size(); i++) {
        const SEQUENCE_FRAME& f = s->frames[i];
        if (f.empty)
            empty.push_back(f.number);
        else if (!f.loaded)
            refused.push_back(f.number);
        if (f.errors)
            errors.push_back(f.number);
        if (f.loaded && t->layouts[i] != reference_layout)
            layout.push_back(f.number);
        if (f.loaded && f.size != usual[t->layouts[i]])
            size.push_back(f.number);
    }
    add(s, CHECK_ERROR, "sequence-empty", empty, "empty (0 bytes)");
    add(s, CHECK_ERROR, "sequence-refused", refused, "not readable as DPX");
    std::string ids;
    for (const char* id : t->error_ids)
        ids += (ids.empty() ? "" : ", ") + std::string(id);
    add(s, CHECK_ERROR, "sequence-frame-error", errors, "with errors in the file checks (" + ids + ")");
    if (!s->readable)
        return;
    const SEQUENCE_FRAME& first = s->frames[t->reference_frame];
    add(s, CHECK_ERROR, "sequence-layout-change", layout,
        describe_format("not in the layout of frame %llu", (unsigned long long)first.number));
    add(s, CHECK_WARNING, "sequence-size-change", size,
        describe_format("not of the size most frames of their layout have (%llu bytes in the layout of frame %llu)",
               (unsigned long long)usual[reference_layout], (unsigned long long)first.number));
}

// Time code and frame position against the frame numbers, neighbour by neighbour.
void continuity(SEQUENCE* s)
{
    std::vector<uint64_t> jumps, positions;
    const SEQUENCE_FRAME *last_code = nullptr, *last_position = nullptr, *jump_from = nullptr, *jump_to = nullptr;
    size_t coded = 0;
    for (const SEQUENCE_FRAME& f : s->frames) {
        if (!f.loaded)
            continue;
        uint64_t count, day, previous;
        if (f.time_code != SEQUENCE_NONE)
            coded++;
        if (sequence_timecode_count(f.time_code, s->frame_rate, &count, &day)) {
            if (last_code && sequence_timecode_count(last_code->time_code, s->frame_rate, &previous, &day) &&
                (count + day - previous) % day != (f.number - last_code->number) % day) {
                if (!jump_to) {
                    jump_from = last_code;
                    jump_to = &f;
                }
                jumps.push_back(f.number);
            }
            last_code = &f;
        }
        if (f.frame_position != SEQUENCE_NONE) {
            if (last_position && f.frame_position - f.number != last_position->frame_position - last_position->number)
                positions.push_back(f.number);
            last_position = &f;
        }
    }
    if (jump_to)
        add(s, CHECK_WARNING, "sequence-timecode-jump", jumps,
            describe_format("where the time code jumps at %g fps, first from %s at frame %llu to %s at frame %llu",
                   s->frame_rate, sequence_time_code_text(jump_from->time_code).c_str(),
                   (unsigned long long)jump_from->number, sequence_time_code_text(jump_to->time_code).c_str(),
                   (unsigned long long)jump_to->number));
    if (s->frame_rate == 0 && coded > 1)
        s->problems.push_back({CHECK_NOTE, "sequence-timecode-unchecked",
                               "no frame rate in the television or film header: time code continuity not checked",
                               {}});
    add(s, CHECK_NOTE, "sequence-frame-position", positions, "where frame position minus frame number changes");
}

void header_change(SEQUENCE* s, SEQUENCE_TALLY* t)
{
    const std::vector<SEQUENCE_ROW_NAME>& names = sequence_rows_names();
    std::string labels;
    size_t listed = 0;
    for (const auto& row : t->rows) {
        if (names[row.first].expected)
            continue;
        if (listed++ < 3)
            labels += (labels.empty() ? "" : ", ") + std::string(names[row.first].label);
        else if (listed == 4)
            labels += ", ...";
    }
    std::sort(t->header_changes.begin(), t->header_changes.end());
    if (s->readable)
        add(s, CHECK_WARNING, "sequence-header-change", std::move(t->header_changes),
            describe_format("differing from frame %llu in fields not expected to change (%s)",
                   (unsigned long long)s->frames[t->reference_frame].number, labels.c_str()));
}

void varying(SEQUENCE* s, SEQUENCE_TALLY* t)
{
    const std::vector<SEQUENCE_ROW_NAME>& names = sequence_rows_names();
    for (auto& row : t->rows) {
        std::vector<uint64_t>& v = row.second.values;
        std::sort(v.begin(), v.end());
        // The first frame's value is not among those that differ from it.
        uint64_t distinct = (uint64_t)(std::unique(v.begin(), v.end()) - v.begin()) + 1;
        const SEQUENCE_ROW_NAME& name = names[row.first];
        s->varying.push_back({sequence_rows_section(name), name.label, distinct, row.second.first_differs_at,
                              name.expected});
    }
}

void padding(SEQUENCE* s)
{
    std::vector<uint64_t> frames;
    for (const SEQUENCE_FRAME& f : s->frames)
        if (!sequence_name_fits(f, s->padding))
            frames.push_back(f.number);
    add(s, CHECK_WARNING, "sequence-padding", std::move(frames),
        s->padding ? describe_format("with numbers not written in %d digits", s->padding)
                   : std::string("with leading zeros in an unpadded sequence"));
}

} // namespace

void sequence_report_start(const SEQUENCE* sequence, SEQUENCE_TALLY* tally)
{
    tally->reference.reset(new SEQUENCE_REFERENCE());
    tally->reference_frame = sequence->frames.size();
    tally->layouts.assign(sequence->frames.size(), 0);
}

void sequence_report_add(SEQUENCE_READ* read, SEQUENCE_FRAME* frame, SEQUENCE_TALLY* tally)
{
    frame->size = read->size;
    frame->loaded = read->loaded;
    frame->empty = read->empty;
    frame->reason = std::move(read->reason);
    frame->time_code = read->time_code;
    frame->frame_position = read->frame_position;
    frame->errors = read->errors;
    frame->warnings = read->warnings;
    frame->notes = read->notes;
    if (!tally)
        return;
    tally->layouts[read->frame] = read->layout;
    // Frames are read in order up to the first readable one, the rest after it.
    if (read->loaded && read->frame < tally->reference_frame)
        tally->reference_frame = read->frame;
    for (const char* id : read->error_ids)
        if (std::find(tally->error_ids.begin(), tally->error_ids.end(), id) == tally->error_ids.end())
            tally->error_ids.push_back(id);
    for (const SEQUENCE_ROW_CHANGE& c : read->changes) {
        auto found = tally->rows.find(c.row);
        if (found == tally->rows.end())
            found = tally->rows.insert({c.row, {{}, frame->number}}).first;
        found->second.values.push_back(c.value);
        found->second.first_differs_at = std::min(found->second.first_differs_at, frame->number);
    }
    if (read->header_change)
        tally->header_changes.push_back(frame->number);
}

void sequence_report_finish(SEQUENCE* s, SEQUENCE_TALLY* t)
{
    s->readable = t->reference->held;
    if (s->readable) {
        s->layout = t->reference->layout_text;
        s->frame_rate = t->reference->frame_rate;
    }
    for (const SEQUENCE_FRAME& f : s->frames)
        if (f.loaded && f.time_code != SEQUENCE_NONE) {
            if (s->time_code_first == SEQUENCE_NONE)
                s->time_code_first = f.time_code;
            s->time_code_last = f.time_code;
        }
    gap(s);
    frame_problems(s, t);
    continuity(s);
    header_change(s, t);
    padding(s);
    varying(s, t);
    *t = SEQUENCE_TALLY();
}
