#include "folder/folder.h"

#include <sys/stat.h>

std::vector<std::unique_ptr<FOLDER_SCAN>> folder_scans;

namespace {

std::string trimmed(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

void folder_run(FOLDER_SCAN* f)
{
    SEQUENCE_OPTIONS options{false, 0, nullptr, nullptr, &f->progress};
    sequence_scan({f->directory}, options, &f->scan);
    f->done.store(true, std::memory_order_release);
}

} // namespace

bool folder_is_directory(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

FOLDER_SCAN* folder_scan_start(const char* directory)
{
    std::string path = trimmed(directory);
    for (std::unique_ptr<FOLDER_SCAN>& f : folder_scans)
        if (f->directory == path && !f->progress.cancel.load()) {
            f->visible = true;
            return f.get();
        }
    folder_scans.push_back(std::make_unique<FOLDER_SCAN>());
    FOLDER_SCAN* f = folder_scans.back().get();
    f->directory = path;
    f->thread = std::thread(folder_run, f);
    return f;
}

void folder_scan_end(FOLDER_SCAN* scan, bool cancel)
{
    if (cancel)
        scan->progress.cancel.store(true);
    scan->thread.join();
    for (size_t i = 0; i < folder_scans.size(); i++)
        if (folder_scans[i].get() == scan) {
            folder_scans.erase(folder_scans.begin() + (long)i);
            return;
        }
}

void folder_shutdown()
{
    for (std::unique_ptr<FOLDER_SCAN>& f : folder_scans)
        f->progress.cancel.store(true);
    for (std::unique_ptr<FOLDER_SCAN>& f : folder_scans)
        f->thread.join();
    folder_scans.clear();
}
