#include "workset/workset.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <unistd.h>

#include "budget/budget.h"
#include "dpx/dpx_file.h"
#include "folder/folder.h"

workset_t* workset = nullptr;

workset_t* workset_open()
{
    return (workset_t*)calloc(1, sizeof(workset_t));
}

work_t* workset_setup(workset_t* set, const char* path)
{
    int32_t highest = 0;
    work_t* last = nullptr;
    for (work_t* w = set->next; w; w = w->next) {
        if (strcmp(w->name, path) == 0) {
            printf("found exising workset for %s\n", path);
            return w;
        }
        if (w->index > highest)
            highest = w->index;
        last = w;
    }

    work_t* work = new (std::nothrow) work_t();
    if (!work) {
        dpx_file_print_refusal(stderr, path, "out of memory");
        return nullptr;
    }
    if (!work_init(work, path)) {
        delete work;
        return nullptr;
    }
    work->index = highest + 1;
    work->next = nullptr;
    if (last)
        last->next = work;
    else
        set->next = work;
    printf("created workset for %s (index=%d)\n", path, work->index);
    return work;
}

void workset_iterator(workset_t* set, void (*func)(work_t* work, void* user), void* user)
{
    for (work_t* w = set->next; w; w = w->next)
        func(w, user);
}

void workset_close(workset_t* set)
{
    work_t* w = set->next;
    while (w) {
        work_t* next = w->next;
        work_fini(w);
        delete w;
        w = next;
    }
    free(set);
}

namespace {

// The loader's second half: the entry takes the file read into `file`.
bool work_adopt(work_t* work, const char* path, bool loaded, DPX_FILE* file, const char* reason)
{
    *work = work_t();
    if (!loaded) {
        dpx_file_print_refusal(stderr, path, reason);
        return false;
    }
    work->visible = true;
    // A path from the disk fits: longer ones are refused by the load.
    snprintf(work->name, sizeof work->name, "%s", path);
    work->buffer = file->image;
    work->buffer_size = file->image_size;
    work->file_size = file->file_size;
    work->modified_ns = file->modified_ns;
    work->header = file->header;
    work->findings = checks_run(&work->header, work->file_size);
    work->texture_pending = true;
    return true;
}

} // namespace

bool work_init(work_t* work, const char* path)
{
    DPX_FILE file;
    char reason[DPX_FILE_REASON_SIZE];
    bool loaded = dpx_file_load(path, DPX_FILE_HEADER_ONLY, &file, reason);
    return work_adopt(work, path, loaded, &file, reason);
}

bool work_init_bytes(work_t* work, const char* path, const unsigned char* bytes, size_t size)
{
    DPX_FILE file;
    char reason[DPX_FILE_REASON_SIZE];
    bool loaded = dpx_file_from_bytes(bytes, size, &file, reason);
    if (!work_adopt(work, path, loaded, &file, reason))
        return false;
    work->whole = true;
    return true;
}

bool work_fini(work_t* work)
{
    free(work->buffer);
    work->buffer = nullptr;
    work->buffer_size = 0;
    return true;
}

const char* const work_changed_text = "the file changed on disk since it was dropped";

namespace {

// Takes `bytes` from the memory bound for a held image; a brief one only has to fit.
bool work_image_budget(const char* what, WORK_IMAGE_USE use, uint64_t bytes, char* reason)
{
    if (use == WORK_IMAGE_HELD ? budget_take(bytes) : budget_fits(bytes))
        return true;
    budget_refusal(what, bytes, reason, DPX_FILE_REASON_SIZE);
    return false;
}

// The file could not be read: "No preview: cannot open (...)".
bool work_image_refused(const char* what, char* reason)
{
    char text[DPX_FILE_REASON_SIZE];
    snprintf(text, sizeof text, "No %s: %.200s", what, reason);
    memcpy(reason, text, sizeof text);
    return false;
}

void work_image_unbudget(WORK_IMAGE_USE use, uint64_t bytes)
{
    if (use == WORK_IMAGE_HELD)
        budget_give(bytes);
}

} // namespace

bool work_image_load(work_t* work, const char* what, WORK_IMAGE_USE use, DPX_FILE* file,
                     char reason[DPX_FILE_REASON_SIZE])
{
    if (work->whole) {
        if (!work_image_budget(what, use, work->buffer_size, reason))
            return false;
        if (dpx_file_from_bytes(work->buffer, work->buffer_size, file, reason))
            return true;
        work_image_unbudget(use, work->buffer_size);
        return work_image_refused(what, reason);
    }
    DPX_FILE now;
    uint64_t end;
    if (!dpx_file_image_reach(work->name, &now, &end, reason))
        return work_image_refused(what, reason);
    if (now.file_size != work->file_size || now.modified_ns != work->modified_ns)
        work->changed = true;
    dpx_file_free(&now);
    if (!work_image_budget(what, use, end, reason))
        return false;
    if (!dpx_file_load_to(work->name, end, file, reason)) {
        work_image_unbudget(use, end);
        return work_image_refused(what, reason);
    }
    work_image_unbudget(use, end - file->image_size); // the file may have shrunk meanwhile
    return true;
}

void work_image_free(DPX_FILE* file, WORK_IMAGE_USE use)
{
    work_image_unbudget(use, file->image_size);
    dpx_file_free(file);
}

namespace {

// Element 0's data as far as `end`, the first byte the pictures do not reach.
void work_image_extent(WORK_IMAGE_READER* reader, uint64_t end)
{
    reader->data_offset = reader->file.header.image_information.image_element[0].offset_to_data;
    reader->data_size = reader->data_offset <= end ? end - reader->data_offset : 0;
}

} // namespace

bool work_image_open(work_t* work, const char* what, WORK_IMAGE_READER* reader, char reason[DPX_FILE_REASON_SIZE])
{
    reader->file = DPX_FILE{};
    reader->fd = -1;
    reader->bytes = nullptr;
    reader->error.store(0);
    // Only a band is held at a time, yet a picture is refused where holding
    // its bytes whole would pass the bound, so the same files are refused.
    if (work->whole) {
        if (!work_image_budget(what, WORK_IMAGE_BRIEFLY, work->buffer_size, reason))
            return false;
        reader->file.header = work->header;
        reader->bytes = work->buffer;
        work_image_extent(reader, work->buffer_size);
        return true;
    }
    uint64_t end;
    if (!dpx_file_image_reach(work->name, &reader->file, &end, reason))
        return work_image_refused(what, reason);
    if (reader->file.file_size != work->file_size || reader->file.modified_ns != work->modified_ns)
        work->changed = true;
    if (!work_image_budget(what, WORK_IMAGE_BRIEFLY, end, reason)) {
        dpx_file_free(&reader->file);
        return false;
    }
    // Non-blocking, as every open of a dropped path: it may be a FIFO by now.
    reader->fd = open(work->name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (reader->fd < 0) {
        snprintf(reason, DPX_FILE_REASON_SIZE, "cannot open (%s)", strerror(errno));
        dpx_file_free(&reader->file);
        return work_image_refused(what, reason);
    }
    work_image_extent(reader, end);
    return true;
}

size_t work_image_read(void* user, uint64_t at, unsigned char* into, size_t size)
{
    WORK_IMAGE_READER* reader = (WORK_IMAGE_READER*)user;
    if (at >= reader->data_size)
        return 0;
    if (size > reader->data_size - at)
        size = (size_t)(reader->data_size - at);
    if (reader->fd < 0) {
        memcpy(into, reader->bytes + reader->data_offset + at, size);
        return size;
    }
    // A file that shrank since it was measured simply ends early.
    size_t got = 0;
    while (got < size) {
        ssize_t n = pread(reader->fd, into + got, size - got, (off_t)(reader->data_offset + at + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int none = 0;
            reader->error.compare_exchange_strong(none, errno);
            break;
        }
        if (n == 0)
            break;
        got += (size_t)n;
    }
    return got;
}

void work_image_read_refusal(const WORK_IMAGE_READER* reader, const char* what, char reason[DPX_FILE_REASON_SIZE])
{
    snprintf(reason, DPX_FILE_REASON_SIZE, "cannot read (%s)", strerror(reader->error.load()));
    work_image_refused(what, reason);
}

void work_image_close(WORK_IMAGE_READER* reader)
{
    if (reader->fd >= 0) {
        close(reader->fd);
        dpx_file_free(&reader->file);
    }
    reader->fd = -1;
}

void dropCallback(GLFWwindow*, int count, const char** paths)
{
    for (int i = 0; i < count; i++) {
        const char* path = paths[i];
        // A directory is taken whatever its name; its files are only listed, never opened here.
        if (folder_is_directory(path)) {
            folder_scan_start(path);
            continue;
        }
        if (!strstr(path, ".dpx") && !strstr(path, ".DPX"))
            continue;
        work_t* work = workset_setup(workset, path);
        if (work)
            work->visible = true;
    }
}
