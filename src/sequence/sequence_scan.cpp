#include <atomic>
#include <cstdio>
#include <thread>

#include "queue/queue.h"
#include "sequence/sequence.h"
#include "sequence/sequence_list.h"
#include "sequence/sequence_read.h"
#include "sequence/sequence_report.h"

namespace {

const size_t SINGLE = (size_t)-1; // the job's sequence: a single file
const size_t FIND_REFERENCE = (size_t)-1; // the job's frame: the sequence's frames up to the first readable one

struct job {
    size_t sequence, frame;
};

struct scan_state {
    SEQUENCE_SCAN* scan;
    SEQUENCE_PROGRESS* progress;
    std::vector<SEQUENCE_TALLY> tallies;
    QUEUE<SEQUENCE_READ> results;
};

bool cancelled(const scan_state* st)
{
    return st->progress && st->progress->cancel.load(std::memory_order_relaxed);
}

SEQUENCE_FRAME& frame_of(scan_state* st, size_t sequence, size_t frame)
{
    return sequence == SINGLE ? st->scan->singles[frame] : st->scan->sequences[sequence].frames[frame];
}

// Reads one frame and hands its figures over; false once the queue is cancelled.
bool read_one(scan_state* st, size_t sequence, size_t frame)
{
    SEQUENCE_READ read{};
    read.sequence = sequence;
    read.frame = frame;
    SEQUENCE_REFERENCE* reference = sequence == SINGLE ? nullptr : st->tallies[sequence].reference.get();
    sequence_read_frame(frame_of(st, sequence, frame).path.c_str(), reference, &read);
    return queue_push(&st->results, std::move(read));
}

void do_job(scan_state* st, const job& j)
{
    if (j.frame != FIND_REFERENCE) {
        read_one(st, j.sequence, j.frame);
        return;
    }
    // In number order until one is readable: that one becomes the reference.
    const SEQUENCE_REFERENCE* reference = st->tallies[j.sequence].reference.get();
    size_t count = st->scan->sequences[j.sequence].frames.size();
    for (size_t f = 0; f < count && !reference->held && !cancelled(st); f++)
        if (!read_one(st, j.sequence, f))
            return;
}

// Runs the jobs on `threads` workers, collecting their figures on this thread.
void run(scan_state* st, const std::vector<job>& jobs, unsigned threads)
{
    if (jobs.empty())
        return;
    if (threads > jobs.size())
        threads = (unsigned)jobs.size();
    queue_init(&st->results, 256, threads);
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; t++)
        workers.emplace_back([st, &jobs, &next] {
            for (size_t i; !cancelled(st) && (i = next.fetch_add(1)) < jobs.size();)
                do_job(st, jobs[i]);
            queue_done(&st->results);
        });
    SEQUENCE_READ read;
    while (queue_pop(&st->results, &read)) {
        SEQUENCE_TALLY* tally = read.sequence == SINGLE ? nullptr : &st->tallies[read.sequence];
        sequence_report_add(&read, &frame_of(st, read.sequence, read.frame), tally);
        if (st->progress)
            st->progress->read.fetch_add(1, std::memory_order_relaxed);
    }
    for (std::thread& w : workers)
        w.join();
}

} // namespace

void sequence_scan(const std::vector<std::string>& paths, const SEQUENCE_OPTIONS& options, SEQUENCE_SCAN* scan)
{
    *scan = SEQUENCE_SCAN();
    SEQUENCE_LISTING listing;
    sequence_list(paths, options.recursive, &listing);
    for (const SEQUENCE_FOLDER& folder : listing.folders)
        sequence_name_group(folder, &scan->sequences, &scan->singles);
    scan->refused = std::move(listing.refused);
    scan->without_dpx = std::move(listing.without_dpx);
    listing = SEQUENCE_LISTING();
    if (options.progress) {
        uint64_t found = scan->singles.size();
        for (const SEQUENCE& s : scan->sequences)
            found += s.frames.size();
        options.progress->found.store(found);
    }
    if (options.listed)
        options.listed(options.context);

    unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
    if (threads == 0)
        threads = 1;
    scan_state st;
    st.scan = scan;
    st.progress = options.progress;
    st.tallies.resize(scan->sequences.size());
    // First each sequence's reference and the singles, then every other frame against its reference.
    std::vector<job> jobs;
    for (size_t s = 0; s < scan->sequences.size(); s++) {
        sequence_report_start(&scan->sequences[s], &st.tallies[s]);
        jobs.push_back({s, FIND_REFERENCE});
    }
    for (size_t i = 0; i < scan->singles.size(); i++)
        jobs.push_back({SINGLE, i});
    run(&st, jobs, threads);
    if (cancelled(&st))
        return;
    jobs.clear();
    for (size_t s = 0; s < scan->sequences.size(); s++)
        for (size_t f = st.tallies[s].reference_frame + 1; f < scan->sequences[s].frames.size(); f++)
            jobs.push_back({s, f});
    run(&st, jobs, threads);
    if (cancelled(&st))
        return;
    for (size_t s = 0; s < scan->sequences.size(); s++)
        sequence_report_finish(&scan->sequences[s], &st.tallies[s]);
}

std::string sequence_notation(const SEQUENCE& s)
{
    char first[32], last[32];
    snprintf(first, sizeof first, "%0*llu", s.padding, (unsigned long long)s.first);
    snprintf(last, sizeof last, "%0*llu", s.padding, (unsigned long long)s.last);
    std::string range = s.first == s.last ? first : std::string(first) + "-" + last;
    return s.prefix + "[" + range + "]" + s.suffix;
}

std::string sequence_pattern(const SEQUENCE& s)
{
    char number[16] = "%d";
    if (s.padding)
        snprintf(number, sizeof number, "%%0%dd", s.padding);
    return s.prefix + number + s.suffix;
}

std::vector<SEQUENCE_RANGE> sequence_ranges(const std::vector<uint64_t>& numbers)
{
    std::vector<SEQUENCE_RANGE> ranges;
    for (uint64_t n : numbers) {
        if (!ranges.empty() && (n == ranges.back().last || n == ranges.back().last + 1))
            ranges.back().last = n;
        else
            ranges.push_back({n, n});
    }
    return ranges;
}

std::string sequence_ranges_text(const std::vector<SEQUENCE_RANGE>& ranges, size_t limit)
{
    std::string text;
    for (size_t i = 0; i < ranges.size(); i++) {
        if (i == limit)
            return text + ", ...";
        char range[48];
        if (ranges[i].first == ranges[i].last)
            snprintf(range, sizeof range, "%llu", (unsigned long long)ranges[i].first);
        else
            snprintf(range, sizeof range, "%llu-%llu", (unsigned long long)ranges[i].first,
                     (unsigned long long)ranges[i].last);
        text += (i ? ", " : "") + std::string(range);
    }
    return text;
}
