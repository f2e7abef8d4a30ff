#include "workset/workset.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

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
