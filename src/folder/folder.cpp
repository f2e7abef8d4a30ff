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

void folder_run(FOLDER_SCAN* f, std::string directory)
{
    SEQUENCE_OPTIONS options{false, 0, nullptr, nullptr, &f->progress};
    SEQUENCE_SCAN scan;
    sequence_scan({directory}, options, &scan);
    queue_push(&f->result, std::move(scan));
    queue_done(&f->result);
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
    queue_init(&f->result, 1, 1);
    f->thread = std::thread(folder_run, f, path);
    return f;
}

bool folder_scan_poll(FOLDER_SCAN* scan)
{
    if (!scan->done)
        scan->done = queue_try_pop(&scan->result, &scan->scan);
    return scan->done;
}

void folder_scan_end(FOLDER_SCAN* scan, bool cancel)
{
    if (cancel) {
        scan->progress.cancel.store(true);
        queue_cancel(&scan->result);
    }
    scan->thread.join();
    for (size_t i = 0; i < folder_scans.size(); i++)
        if (folder_scans[i].get() == scan) {
            folder_scans.erase(folder_scans.begin() + (long)i);
            return;
        }
}

void folder_shutdown()
{
    for (std::unique_ptr<FOLDER_SCAN>& f : folder_scans) {
        f->progress.cancel.store(true);
        queue_cancel(&f->result);
    }
    for (std::unique_ptr<FOLDER_SCAN>& f : folder_scans)
        f->thread.join();
    folder_scans.clear();
}
