#include "budget/budget.h"

#include <atomic>
#include <cstdio>

#include <unistd.h>

namespace {

const uint64_t mib = 1024 * 1024;
const uint64_t ceiling = 3072 * mib;
// Taken and given by the GUI and by the playback workers.
std::atomic<uint64_t> g_Used{0};

} // namespace

uint64_t budget_limit()
{
    // Worked out once, whichever thread asks first.
    static const uint64_t limit = [] {
        long pages = sysconf(_SC_PHYS_PAGES);
        long page_size = sysconf(_SC_PAGESIZE);
        uint64_t quarter = pages > 0 && page_size > 0 ? (uint64_t)pages * (uint64_t)page_size / 4 : ceiling;
        return quarter < ceiling ? quarter : ceiling;
    }();
    return limit;
}

namespace {

bool fits(uint64_t used, uint64_t bytes)
{
    return bytes <= budget_limit() && used <= budget_limit() - bytes;
}

} // namespace

uint64_t budget_used()
{
    return g_Used;
}

bool budget_fits(uint64_t bytes)
{
    return fits(g_Used.load(), bytes);
}

bool budget_take(uint64_t bytes)
{
    uint64_t used = g_Used.load();
    do {
        if (!fits(used, bytes))
            return false;
    } while (!g_Used.compare_exchange_weak(used, used + bytes));
    return true;
}

void budget_give(uint64_t bytes)
{
    uint64_t used = g_Used.load();
    while (!g_Used.compare_exchange_weak(used, bytes < used ? used - bytes : 0)) {
    }
}

void budget_refusal(const char* what, uint64_t bytes, char* text, int size)
{
    snprintf(text, (size_t)size,
             "No %s: it needs %llu MiB, and previews and pictures already hold %llu of the %llu MiB they may use at once",
             what, (unsigned long long)((bytes + mib - 1) / mib), (unsigned long long)(g_Used.load() / mib),
             (unsigned long long)(budget_limit() / mib));
}
