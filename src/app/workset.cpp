#include "app/workset.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

#include "dpx/dpx_io.h"

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

    work_t* work = (work_t*)calloc(1, sizeof(work_t));
    if (!work) {
        fprintf(stderr, "refused %s: out of memory\n", path);
        return nullptr;
    }
    if (!work_init(work, path)) {
        free(work);
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
        free(w);
        w = next;
    }
    free(set);
}

static bool work_refuse(work_t* work, const char* path, const char* reason)
{
    fprintf(stderr, "refused %s: %s\n", path, reason);
    free(work->buffer);
    work->buffer = nullptr;
    work->buffer_size = 0;
    return false;
}

bool work_init(work_t* work, const char* path)
{
    work->index = 0;
    work->texture_id = 0;
    work->visible = true;
    work->texture_pending = false;
    work->buffer = nullptr;
    work->buffer_size = 0;
    // A cut path could match another entry, so a long one is refused whole.
    size_t length = strlen(path);
    if (length >= sizeof work->name) {
        work->name[0] = '\0';
        return work_refuse(work, path, "path too long (1024 characters or more)");
    }
    memcpy(work->name, path, length + 1);

    FILE* file = fopen(path, "rb");
    if (!file) {
        char reason[256];
        snprintf(reason, sizeof reason, "cannot open (%s)", strerror(errno));
        return work_refuse(work, path, reason);
    }
    // The buffer is sized by the file, up to the read limit, so that many
    // open files cost what they hold.
    struct stat info;
    size_t capacity = WORK_READ_LIMIT;
    if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && (uint64_t)info.st_size < WORK_READ_LIMIT)
        capacity = (size_t)info.st_size;
    work->buffer = (unsigned char*)malloc(capacity ? capacity : 1);
    if (!work->buffer) {
        fclose(file);
        return work_refuse(work, path, "out of memory");
    }
    size_t got = fread(work->buffer, 1, capacity, file);
    fclose(file);
    if (got > 0 && got < capacity) {
        unsigned char* shrunk = (unsigned char*)realloc(work->buffer, got);
        if (shrunk)
            work->buffer = shrunk;
    }
    work->buffer_size = got;

    int result = dpx_io_header_read(work->buffer, got, &work->header);
    if (result == DPX_IO_TOO_SHORT) {
        char reason[256];
        snprintf(reason, sizeof reason, "too short for a DPX header (%zu bytes, %zu needed)", got,
                 got < DPX_HEADER_SIZE ? (size_t)DPX_HEADER_SIZE : (size_t)DPX_USER_DATA_OFFSET);
        return work_refuse(work, path, reason);
    }
    if (result != DPX_IO_OK)
        return work_refuse(work, path, "not a DPX file (no SDPX or XPDS magic number)");
    work->texture_pending = true;
    return true;
}

bool work_fini(work_t* work)
{
    free(work->buffer);
    work->buffer = nullptr;
    work->buffer_size = 0;
    return true;
}

void dropCallback(GLFWwindow*, int count, const char** paths)
{
    for (int i = 0; i < count; i++) {
        const char* path = paths[i];
        if (!strstr(path, ".dpx") && !strstr(path, ".DPX"))
            continue;
        work_t* work = workset_setup(workset, path);
        if (work)
            work->visible = true;
    }
}
