#include "cli/cli_sequence.h"

#include <cstdio>
#include <set>

#include <nlohmann/json.hpp>

#include "cli/cli_status.h"
#include "cli/cli_json.h"
#include "dpx/dpx_file.h"
#include "describe/describe.h"
#include "sequence/sequence.h"

namespace {

typedef nlohmann::ordered_json json;

enum { TEXT_RANGES = 10 }; // missing ranges the heading line names before "..."


std::string with_directory(const std::string& directory, const std::string& name)
{
    if (directory.empty())
        return name;
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

std::string plural(uint64_t n, const char* word)
{
    return describe_format("%llu %s%s", (unsigned long long)n, word, n == 1 ? "" : "s");
}

// "PATH  8224 bytes  01:00:00:00  position 990  0 errors, 0 warnings, 1 note", or the refusal.
std::string frame_text(const SEQUENCE_FRAME& f)
{
    std::string text = f.path + "  " + plural(f.size, "byte");
    if (!f.loaded)
        return text + "  refused: " + f.reason;
    if (f.time_code != SEQUENCE_NONE)
        text += "  " + sequence_time_code_text(f.time_code);
    if (f.frame_position != SEQUENCE_NONE)
        text += describe_format("  position %u", f.frame_position);
    return text + "  " + plural(f.errors, "error") + ", " + plural(f.warnings, "warning") + ", " + plural(f.notes, "note");
}

std::string time_code_text(const SEQUENCE& s)
{
    if (s.time_code_first == SEQUENCE_NONE)
        return "";
    std::string text = "  " + sequence_time_code_text(s.time_code_first) + "-" + sequence_time_code_text(s.time_code_last);
    return text + (s.frame_rate > 0 ? describe_format(" at %g fps", s.frame_rate) : std::string(", no frame rate"));
}

void print_text(const SEQUENCE_SCAN& scan, bool frames, FILE* out)
{
    for (const SEQUENCE& s : scan.sequences) {
        std::string text = with_directory(s.directory, sequence_notation(s));
        text += describe_format("  %llu of %llu frames", (unsigned long long)s.present, (unsigned long long)(s.last - s.first + 1));
        if (!s.missing.empty())
            text += "  missing " + sequence_ranges_text(s.missing, TEXT_RANGES);
        text += "  " + (s.readable ? s.layout : std::string("no frame readable")) + time_code_text(s) + "\n";
        for (const SEQUENCE_PROBLEM& p : s.problems)
            text += std::string("  ") + checks_severity_text(p.severity) + " " + p.id + ": " + p.message + "\n";
        for (const SEQUENCE_VARYING& v : s.varying)
            text += describe_format("  varies: %s / %s: %s, first differs at frame %llu%s\n", v.section.c_str(), v.label,
                           plural(v.distinct, "value").c_str(), (unsigned long long)v.first_differs_at,
                           v.expected ? ", expected" : "");
        for (size_t i = 0; frames && i < s.frames.size(); i++)
            text += describe_format("  %llu  ", (unsigned long long)s.frames[i].number) + frame_text(s.frames[i]) + "\n";
        fwrite(text.data(), 1, text.size(), out);
    }
    for (const SEQUENCE_FRAME& f : scan.singles) {
        std::string text = "single " + frame_text(f) + "\n";
        fwrite(text.data(), 1, text.size(), out);
    }
}

json frame_json(const SEQUENCE_FRAME& f, bool numbered)
{
    json j = json::object();
    if (numbered)
        j["number"] = f.number;
    j["path"] = f.path;
    j["size"] = f.size;
    j["loaded"] = f.loaded;
    j["reason"] = f.loaded ? json(nullptr) : json(f.reason);
    j["time_code"] = f.time_code == SEQUENCE_NONE ? json(nullptr) : json(sequence_time_code_text(f.time_code));
    j["frame_position"] = f.frame_position == SEQUENCE_NONE ? json(nullptr) : json(f.frame_position);
    j["errors"] = f.errors;
    j["warnings"] = f.warnings;
    j["notes"] = f.notes;
    return j;
}

json sequence_json(const SEQUENCE& s)
{
    json j = json::object();
    j["directory"] = s.directory;
    j["pattern"] = sequence_pattern(s);
    j["notation"] = sequence_notation(s);
    j["first"] = s.first;
    j["last"] = s.last;
    j["padding"] = s.padding;
    j["present"] = s.present;
    json& missing = j["missing"] = json::array();
    for (const SEQUENCE_RANGE& r : s.missing)
        missing.push_back({r.first, r.last});
    j["layout"] = s.readable ? json(s.layout) : json(nullptr);
    j["frame_rate"] = s.frame_rate > 0 ? json(s.frame_rate) : json(nullptr);
    bool coded = s.time_code_first != SEQUENCE_NONE;
    j["time_code"] = {{"first", coded ? json(sequence_time_code_text(s.time_code_first)) : json(nullptr)},
                      {"last", coded ? json(sequence_time_code_text(s.time_code_last)) : json(nullptr)}};
    json& problems = j["problems"] = json::array();
    for (const SEQUENCE_PROBLEM& p : s.problems)
        problems.push_back(json{{"severity", checks_severity_text(p.severity)}, {"id", p.id}, {"message", p.message},
                                {"frames", p.frames}});
    json& varying = j["varying"] = json::array();
    for (const SEQUENCE_VARYING& v : s.varying)
        varying.push_back(json{{"section", v.section}, {"label", v.label}, {"distinct", v.distinct},
                               {"first_differs_at", v.first_differs_at}, {"expected", v.expected}});
    return j;
}

void put(FILE* out, const std::string& text)
{
    fwrite(text.data(), 1, text.size(), out);
}

// Frames are written one by one, so the output never exists whole in memory.
void put_frames(FILE* out, const std::vector<SEQUENCE_FRAME>& frames, bool numbered)
{
    for (size_t i = 0; i < frames.size(); i++)
        put(out, (i ? ",\n    " : "\n    ") + frame_json(frames[i], numbered).dump(-1, ' ', false, json::error_handler_t::replace));
    put(out, frames.empty() ? "]" : "\n  ]");
}

void print_json(const SEQUENCE_SCAN& scan, FILE* out)
{
    put(out, "{\n\"sequences\": [");
    for (size_t i = 0; i < scan.sequences.size(); i++) {
        // The object without its closing brace, then its frames.
        std::string head = cli_json_text(sequence_json(scan.sequences[i]));
        head.resize(head.size() - 2);
        put(out, (i ? ",\n" : "\n") + head + ",\n  \"frames\": [");
        put_frames(out, scan.sequences[i].frames, true);
        put(out, "\n}");
    }
    put(out, "],\n\"singles\": [");
    put_frames(out, scan.singles, false);
    json rest = json::object();
    json& refused = rest["refused"] = json::array();
    for (const SEQUENCE_REFUSAL& r : scan.refused)
        refused.push_back(json{{"path", r.path}, {"reason", r.reason}});
    rest["without_dpx"] = scan.without_dpx;
    std::string tail = cli_json_text(rest);
    put(out, ",\n" + tail.substr(2) + "\n");
}

// Files named on the command line that could not be read, as for files.
void print_refused_files(const SEQUENCE_SCAN& scan, const std::vector<std::string>& paths, FILE* err)
{
    std::set<std::string> given(paths.begin(), paths.end());
    auto refused = [&](const SEQUENCE_FRAME& f) {
        if (!f.loaded && given.count(f.path))
            dpx_file_print_refusal(err, f.path.c_str(), f.reason.c_str());
    };
    for (const SEQUENCE& s : scan.sequences)
        for (const SEQUENCE_FRAME& f : s.frames)
            refused(f);
    for (const SEQUENCE_FRAME& f : scan.singles)
        refused(f);
}

// Refused frames and single files count as errors for --check.
int status(const SEQUENCE_SCAN& scan, bool check)
{
    bool refused = !scan.refused.empty() || !scan.without_dpx.empty(), errors = false;
    for (const SEQUENCE& s : scan.sequences) {
        for (const SEQUENCE_FRAME& f : s.frames)
            refused = refused || !f.loaded;
        for (const SEQUENCE_PROBLEM& p : s.problems)
            errors = errors || p.severity == CHECK_ERROR;
    }
    for (const SEQUENCE_FRAME& f : scan.singles) {
        refused = refused || !f.loaded;
        errors = errors || !f.loaded || f.errors;
    }
    if (check && errors)
        return CLI_CHECK_ERRORS;
    return refused ? CLI_REFUSED : CLI_OK;
}

} // namespace

int cli_sequence_run(const std::vector<std::string>& paths, const CLI_SEQUENCE_OPTIONS& options, FILE* out, FILE* err)
{
    SEQUENCE_SCAN scan;
    sequence_scan(paths, SEQUENCE_OPTIONS{options.recursive, 0, nullptr, nullptr, nullptr}, &scan);
    for (const SEQUENCE_REFUSAL& r : scan.refused)
        dpx_file_print_refusal(err, r.path.c_str(), r.reason.c_str());
    print_refused_files(scan, paths, err);
    for (const std::string& directory : scan.without_dpx)
        fprintf(err, "no DPX files in %s\n", directory.c_str());
    if (options.json)
        print_json(scan, out);
    else
        print_text(scan, options.frames, out);
    return status(scan, options.check);
}
