// Sequences: crafted runs of small frames, each problem id with the frames
// it must name, padding, singles, bad names and files, and tessaview-dump
// --sequence's exit statuses, text and JSON. Expected frames are typed by hand.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "sequence/sequence.h"
#include "support/cli_run.h"
#include "support/dpx_writer.h"
#include "support/scratch.h"

namespace {

enum : uint32_t { TC = DPXW_SMPTE_TIME_CODE, RATE = DPXW_TEMPORAL_RATE, POS = 1712, CREATOR = 160,
                  PACK = DPXW_ELEMENT0 + DPXW_EL_PACKING, U = 0xFFFFFFFF };

uint32_t bcd(uint64_t v) { return (uint32_t)((v / 10) << 4 | v % 10); }
// 01:00:00:00 plus n frames at 24 fps, as stored.
uint32_t timecode(uint64_t n) {
    uint64_t f = 86400 + n;
    return bcd(f / 86400 % 24) << 24 | bcd(f / 1440 % 60) << 16 | bcd(f / 24 % 60) << 8 | bcd(f % 24);
}

// 4 x 2 10-bit RGB, 2080 bytes, 24 fps, time code and film position following its number.
dpx_writer frame(uint64_t n) {
    dpx_layout l;
    l.data_offset = 2048;
    dpx_writer w = dpxw_image(l, std::vector<unsigned char>(32));
    return dpxw_edit(w, {RATE, dpxw_float(24), 4, TC, timecode(n), 4, POS, (uint32_t)n, 4});
}

enum kind { GOOD, EMPTY, NOT_DPX, CUT }; // CUT: the 2048-byte header alone
struct mod { uint64_t number; kind k; std::vector<uint32_t> edits; }; // edits: (offset, value, width) triples

void write(const std::string& path, uint64_t n, kind k, const std::vector<uint32_t>& edits) {
    dpx_writer w = frame(n);
    for (size_t i = 0; i + 2 < edits.size(); i += 3) dpxw_put(&w, edits[i], edits[i + 1], edits[i + 2]);
    if (k == EMPTY) w.bytes.clear();
    if (k == NOT_DPX) w.bytes.assign(2080, 0);
    if (k == CUT) w.bytes.resize(2048);
    dpxw_save(w, path);
}

// "id frames; id frames", frames as the report lists them.
std::string problems(const SEQUENCE& s) {
    std::string out;
    for (const SEQUENCE_PROBLEM& p : s.problems) {
        out += (out.empty() ? "" : "; ") + std::string(p.id);
        for (uint64_t n : p.frames) out += " " + std::to_string(n);
    }
    return out;
}

SEQUENCE_SCAN scan(const std::vector<std::string>& paths, bool recursive = false, void (*listed)(void*) = nullptr,
                   void* context = nullptr) {
    SEQUENCE_SCAN s;
    sequence_scan(paths, SEQUENCE_OPTIONS{recursive, 3, listed, context, nullptr}, &s);
    return s;
}

struct problem_case { const char* what; uint64_t first, last; std::vector<uint64_t> absent; std::vector<mod> mods; const char* want; };

TEST(Sequence, EachProblemNamesItsFrames) {
    const uint32_t drop = 0x40; // the drop-frame flag in the frames byte
    const problem_case cases[] = {
        {"clean", 1, 5, {}, {}, ""},
        {"gap", 1, 6, {3, 4}, {}, "sequence-gap 3 4"},
        {"empty", 1, 4, {}, {{3, EMPTY, {}}}, "sequence-empty 3"},
        {"refused", 1, 4, {}, {{2, NOT_DPX, {}}}, "sequence-refused 2"},
        {"first unreadable", 1, 3, {}, {{1, NOT_DPX, {}}}, "sequence-refused 1"},
        {"cut", 1, 4, {}, {{2, CUT, {}}}, "sequence-frame-error 2; sequence-size-change 2"},
        {"layout", 1, 4, {}, {{3, GOOD, {PACK, 0, 2}}}, "sequence-layout-change 3; sequence-header-change 3"},
        {"size", 1, 5, {}, {{4, GOOD, {4000, 0, 4}}}, "sequence-size-change 4"},
        {"time code", 1, 6, {}, {{4, GOOD, {TC, timecode(5), 4}}}, "sequence-timecode-jump 4 5"},
        {"time code over a gap", 1, 5, {3}, {}, "sequence-gap 3"},
        {"drop-frame", 1, 2, {}, {{1, GOOD, {RATE, dpxw_float(29.97f), 4, TC, 0x00005929 | drop, 4}},
                                  {2, GOOD, {RATE, dpxw_float(29.97f), 4, TC, 0x00010002 | drop, 4}}}, ""},
        {"no drop flag", 1, 2, {}, {{1, GOOD, {RATE, dpxw_float(29.97f), 4, TC, 0x00005929, 4}},
                                    {2, GOOD, {RATE, dpxw_float(29.97f), 4, TC, 0x00010002, 4}}},
         "sequence-timecode-jump 2"},
        {"no rate", 1, 3, {}, {{1, GOOD, {RATE, U, 4}}, {2, GOOD, {RATE, U, 4}}, {3, GOOD, {RATE, U, 4}}},
         "sequence-timecode-unchecked"},
        {"film rate", 1, 3, {}, {{1, GOOD, {RATE, U, 4, 1724, dpxw_float(24), 4}},
                                 {2, GOOD, {RATE, U, 4, 1724, dpxw_float(24), 4, TC, timecode(3), 4}},
                                 {3, GOOD, {RATE, U, 4, 1724, dpxw_float(24), 4}}}, "sequence-timecode-jump 2 3"},
        {"frame position", 1, 5, {}, {{3, GOOD, {POS, 7, 4}}}, "sequence-frame-position 3 4"},
        {"header", 1, 4, {}, {{2, GOOD, {CREATOR, 0x41424344, 4}}, {4, GOOD, {1948, dpxw_float(2.2f), 4}}}, // creator, gamma
         "sequence-header-change 2 4"},
    };
    for (const problem_case& c : cases) {
        scratch dir;
        for (uint64_t n = c.first; n <= c.last; n++) {
            if (std::find(c.absent.begin(), c.absent.end(), n) != c.absent.end()) continue;
            auto m = std::find_if(c.mods.begin(), c.mods.end(), [n](const mod& m) { return m.number == n; });
            char name[32];
            snprintf(name, sizeof name, "shot.%04llu.dpx", (unsigned long long)n);
            write(dir.at(name), n, m == c.mods.end() ? GOOD : m->k, m == c.mods.end() ? std::vector<uint32_t>{} : m->edits);
        }
        SEQUENCE_SCAN s = scan({dir.dir});
        ASSERT_EQ(1u, s.sequences.size()) << c.what;
        EXPECT_EQ(c.want, problems(s.sequences[0])) << c.what;
    }
}

TEST(Sequence, SeveritiesAndVaryingFields) {
    scratch dir;
    const char* creators[] = {"", "", "B", "", "B"};
    for (uint64_t n = 1; n <= 5; n++) {
        dpx_writer w = frame(n);
        memcpy(&w.bytes[CREATOR], creators[n - 1], strlen(creators[n - 1]));
        w.bytes[36] = (unsigned char)('0' + n); // image filename
        if (n == 4) w.bytes.assign(2080, 0);
        dpxw_save(w, dir.at("v." + std::to_string(n) + ".dpx"));
    }
    SEQUENCE_SCAN s = scan({dir.dir});
    ASSERT_EQ(1u, s.sequences.size());
    std::string got;
    for (const SEQUENCE_PROBLEM& p : s.sequences[0].problems)
        got += std::string(checks_severity_text(p.severity)) + " " + p.id + ": " + p.message + "\n";
    EXPECT_EQ("error sequence-refused: 1 frame not readable as DPX: 4\n"
              "warning sequence-header-change: 2 frames differing from frame 1 in fields not expected to change (Creator): 3, 5\n", got);
    got.clear();
    for (const SEQUENCE_VARYING& v : s.sequences[0].varying)
        got += v.section + " / " + v.label + " " + std::to_string(v.distinct) + " " + std::to_string(v.first_differs_at) +
               (v.expected ? " expected\n" : "\n");
    EXPECT_EQ("File information header / Image filename 4 2 expected\n"
              "File information header / Creator 2 3\n"
              "Motion-picture film information header / Frame position in sequence 4 2 expected\n"
              "Television information header / SMPTE time code 4 2 expected\n", got);
}


struct naming_case { std::vector<std::string> names; const char* want; }; // want: one line per sequence, then singles

TEST(Sequence, NamesPaddingAndSingles) {
    const naming_case cases[] = {
        {{"s_v001.0990.dpx", "s_v001.0991.dpx", "s_v001.1010.dpx"}, "s_v001.[0990-1010].dpx s_v001.%04d.dpx 3 of 21; sequence-gap 992 993 994 995 996 997 998 999 1000 1001 1002 1003 1004 1005 1006 1007 1008 1009\n"},
        {{"plate.1.dpx", "plate.2.dpx", "plate.12.dpx"}, "plate.[1-12].dpx plate.%d.dpx 3 of 12; sequence-gap 3 4 5 6 7 8 9 10 11\n"},
        {{"a.1001.dpx", "a.1002.dpx"}, "a.[1001-1002].dpx a.%04d.dpx 2 of 2; \n"},
        {{"a.00997.dpx", "a.00998.dpx", "a.0999.dpx", "a.01000.dpx"}, "a.[00997-01000].dpx a.%05d.dpx 4 of 4; sequence-padding 999\n"},
        {{"p.1.dpx", "p.2.dpx", "p.3.dpx", "p.004.dpx"}, "p.[1-4].dpx p.%d.dpx 4 of 4; sequence-padding 4\n"},
        {{"A001C003_230501_R1AB.0001.dpx", "notes.dpx", "x.1234567890123456789.dpx", "plate.12.dpx"},
         "A001C003_230501_R1AB.[0001].dpx A001C003_230501_R1AB.%04d.dpx 1 of 1; \nplate.[12].dpx plate.%02d.dpx 1 of 1; \nsingle notes.dpx\nsingle x.1234567890123456789.dpx\n"},
        {{"big.4294967296.dpx", "big.4294967298.dpx"}, "big.[4294967296-4294967298].dpx big.%010d.dpx 2 of 3; sequence-gap 4294967297\n"},
        {{"a b.0001.dpx", "a b.0002.dpx", "x\ny.0001.dpx", "\xff\xfe.0001.dpx"},
         "a b.[0001-0002].dpx a b.%04d.dpx 2 of 2; \nx\ny.[0001].dpx x\ny.%04d.dpx 1 of 1; \n\xff\xfe.[0001].dpx \xff\xfe.%04d.dpx 1 of 1; \n"},
    };
    for (const naming_case& c : cases) {
        scratch dir;
        for (size_t i = 0; i < c.names.size(); i++) write(dir.at(c.names[i]), i, GOOD, {RATE, U, 4, TC, U, 4, POS, U, 4});
        SEQUENCE_SCAN s = scan({dir.dir});
        std::string got;
        for (const SEQUENCE& q : s.sequences)
            got += sequence_notation(q) + " " + sequence_pattern(q) + " " + std::to_string(q.present) + " of " +
                   std::to_string(q.last - q.first + 1) + "; " + problems(q) + "\n";
        for (const SEQUENCE_FRAME& f : s.singles) got += "single " + f.path.substr(dir.dir.size() + 1) + "\n";
        EXPECT_EQ(c.want, got);
        EXPECT_TRUE(nlohmann::json::accept(run({"--sequence", "--json", dir.dir}).out)); // whatever bytes the names hold
    }
}

void vanish(void* path) { unlink((const char*)path); }

TEST(Sequence, BadFilesKeepTheirPlaceAndNothingBlocks) {
    scratch dir;
    for (int n : {1, 2, 3}) write(dir.at("f.000" + std::to_string(n) + ".dpx"), n, GOOD, {});
    ASSERT_EQ(0, mkfifo(dir.at("f.0004.dpx").c_str(), 0600));
    write(dir.at("target.bin"), 5, GOOD, {});
    ASSERT_EQ(0, symlink("target.bin", dir.at("f.0005.dpx").c_str()));
    ASSERT_EQ(0, symlink("f.0006.dpx", dir.at("f.0006.dpx").c_str()));
    ASSERT_EQ(0, symlink("gone", dir.at("f.0007.dpx").c_str()));
    mkdir(dir.at("sub").c_str(), 0700);
    mkdir(dir.at("sub.0008.dpx").c_str(), 0700); // a directory is no frame
    write(dir.at("sub/f.0001.dpx"), 1, GOOD, {});
    write(dir.at("readme.txt"), 1, GOOD, {});
    std::string going = dir.at("f.0002.dpx");
    SEQUENCE_SCAN s = scan({dir.dir, dir.at("nothing-here")}, false, vanish, (void*)going.c_str());
    ASSERT_EQ(1u, s.sequences.size());
    std::string got;
    for (const SEQUENCE_FRAME& f : s.sequences[0].frames)
        got += std::to_string(f.number) + (f.loaded ? " read" : " " + f.reason) + "\n";
    EXPECT_EQ("1 read\n"
              "2 cannot open (No such file or directory)\n"
              "3 read\n"
              "4 not a regular file (a FIFO)\n"
              "5 read\n"
              "6 cannot open (Too many levels of symbolic links)\n"
              "7 cannot open (No such file or directory)\n", got);
    EXPECT_EQ("sequence-refused 2 4 6 7", problems(s.sequences[0]));
    ASSERT_EQ(1u, s.refused.size());
    EXPECT_EQ(dir.at("nothing-here") + ": No such file or directory", s.refused[0].path + ": " + s.refused[0].reason);

    SEQUENCE_SCAN deep = scan({dir.dir + "/"}, true);
    ASSERT_EQ(2u, deep.sequences.size());
    EXPECT_EQ(dir.dir + "/sub", deep.sequences[1].directory);
    EXPECT_EQ("sequence-gap 2; sequence-refused 4 6 7", problems(deep.sequences[0]));
}

struct status_case { std::vector<std::string> args; int status; const char* err; };

// The counters a watching thread reads, and a cancel from the listing on or
// from another thread while frames are read: the scan returns either way.
TEST(Sequence, ProgressAndCancel) {
    scratch dir;
    for (uint64_t n = 1; n <= 40; n++) write(dir.at("p." + std::to_string(n) + ".dpx"), n, GOOD, {});
    write(dir.at("single.dpx"), 1, GOOD, {});
    enum when { NEVER, LISTED, RUNNING };
    struct { when cancel; uint64_t read_at_least, read_at_most; } cases[] = {{NEVER, 41, 41}, {LISTED, 0, 0}, {RUNNING, 0, 41}};
    for (const auto& c : cases) {
        SEQUENCE_PROGRESS progress;
        auto on_listed = [](void* p) { ((SEQUENCE_PROGRESS*)p)->cancel = true; };
        SEQUENCE_OPTIONS options{false, 2, c.cancel == LISTED ? +on_listed : nullptr, &progress, &progress};
        std::thread canceller([&] {
            if (c.cancel == RUNNING) {
                while (progress.found == 0) std::this_thread::yield();
                progress.cancel = true;
            }
        });
        SEQUENCE_SCAN s;
        sequence_scan({dir.dir}, options, &s);
        canceller.join();
        EXPECT_EQ(41u, progress.found.load()) << c.cancel;
        EXPECT_LE(c.read_at_least, progress.read.load()) << c.cancel;
        EXPECT_GE(c.read_at_most, progress.read.load()) << c.cancel;
        EXPECT_EQ(1u, s.sequences.size()) << c.cancel;
    }
}

TEST(SequenceCommand, ExitStatuses) {
    scratch good, gap, bad, layout, none;
    for (int n : {1, 2, 3}) {
        write(good.at("g." + std::to_string(n) + ".dpx"), n, GOOD, {});
        if (n != 2) write(gap.at("g." + std::to_string(n) + ".dpx"), n, GOOD, {});
        write(bad.at("b." + std::to_string(n) + ".dpx"), n, n == 2 ? EMPTY : GOOD, {});
        write(layout.at("l." + std::to_string(n) + ".dpx"), n, GOOD, {PACK, n == 3 ? 0u : 1u, 2});
    }
    ASSERT_EQ(0, mkfifo(none.at("a.fifo").c_str(), 0600)); // passed over in a directory, refused when named
    const status_case cases[] = {
        {{"--sequence", good.dir}, 0, ""},
        {{"--sequence", "--check", good.dir, gap.dir}, 0, ""},
        {{"--sequence", bad.dir}, 1, ""},
        {{"--sequence", "--check", "--json", bad.dir}, 3, ""},
        {{"--sequence", layout.dir}, 0, ""},
        {{"--sequence", "--check", layout.dir}, 3, ""},
        {{"--sequence", none.dir, good.dir}, 1, "no DPX files in DIR\n"},
        {{"--sequence", good.dir + "/missing.dpx", good.dir}, 1, "refused DIR: No such file or directory\n"},
        {{"--sequence", none.at("a.fifo"), good.dir}, 1, "refused DIR: not a regular file (a FIFO)\n"},
        {{"--frames", good.dir}, 2, nullptr},
        {{"--sequence", "--picture", "x.png", good.dir}, 2, nullptr},
    };
    for (const status_case& c : cases) {
        run_result r = run(c.args);
        EXPECT_EQ(c.status, r.status) << c.args.back() << r.err;
        std::string err = c.err ? c.err : "";
        for (size_t at; (at = err.find("DIR")) != err.npos;) err.replace(at, 3, c.args[c.args.size() - 2]);
        if (c.err) {
            EXPECT_EQ(err, r.err);
        }
    }
}

TEST(SequenceCommand, TextAndJson) {
    scratch dir;
    for (uint64_t n = 990; n <= 1010; n++)
        if (n != 1000 && n != 1001) write(dir.at("shot_v001." + std::to_string(n).insert(0, 4 - std::to_string(n).size(), '0') + ".dpx"), n - 990, GOOD, {});
    write(dir.at("notes.dpx"), 0, CUT, {});
    run_result text = run({"--sequence", "--frames", dir.dir});
    EXPECT_EQ(dir.dir + "/shot_v001.[0990-1010].dpx  19 of 21 frames  missing 1000-1001  4 x 2, 10-bit R, G, B, "
              "filled method A, big-endian  01:00:00:00-01:00:00:20 at 24 fps\n"
              "  warning sequence-gap: 2 frames missing: 1000-1001", text.out.substr(0, text.out.find("\n  varies")));
    EXPECT_NE(text.out.npos, text.out.find("\n  990  " + dir.dir + "/shot_v001.0990.dpx  2080 bytes  01:00:00:00  position 0  0 errors, 0 warnings, 0 notes\n"));
    EXPECT_NE(text.out.npos, text.out.find("\nsingle " + dir.dir + "/notes.dpx  2048 bytes  "));

    nlohmann::json j = nlohmann::json::parse(run({"--sequence", "--json", dir.dir}).out);
    const nlohmann::json& s = j["sequences"][0];
    EXPECT_EQ("shot_v001.%04d.dpx", s["pattern"]);
    EXPECT_EQ(nlohmann::json::parse("[[1000, 1001]]"), s["missing"]);
    EXPECT_EQ(4, s["padding"]);
    EXPECT_EQ(19u, s["frames"].size());
    EXPECT_EQ(nlohmann::json::parse(R"({"number": 1002, "path": ")" + dir.dir + R"(/shot_v001.1002.dpx", "size": 2080,
        "loaded": true, "reason": null, "time_code": "01:00:00:12", "frame_position": 12, "errors": 0, "warnings": 0,
        "notes": 0})"), s["frames"][10]);
    EXPECT_EQ(1u, j["singles"].size());
    EXPECT_FALSE(j["singles"][0].contains("number"));
}

} // namespace
