// The files opened in this run, in the order they were dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "checks/checks.h"
#include "dpx/dpx_header.h"

struct GLFWwindow;

enum { WORK_NAME_SIZE = 1024 };

struct work_t {
    int32_t index = 0;      // from 1; 0 while loading
    int32_t texture_id = 0; // preview texture, 0 until built
    bool texture_pending = false;
    bool visible = false;
    bool checks_visible = false;  // the file's Checks window is shown
    bool picture_visible = false; // the file's Picture window is shown
    char name[WORK_NAME_SIZE] = {}; // the path as dropped: identity and window title
    unsigned char* buffer = nullptr; // the file image
    size_t buffer_size = 0;          // its length in bytes
    uint64_t file_size = 0;          // the file's length on disk (at most 256 MiB are held)
    DPX_HEADER header = {};          // pointers borrow from buffer
    // The checks of the header against the file, run once when it is loaded;
    // the Picture window adds the padding-bits note of an element it decodes.
    std::vector<CHECK_FINDING> findings;
    work_t* next = nullptr;
};

struct workset_t {
    work_t* next;
};

// The one workset of the process, reached by the drop callback.
extern workset_t* workset;

workset_t* workset_open();
// The entry for `path`, found or newly loaded; null when loading failed.
work_t* workset_setup(workset_t* set, const char* path);
void workset_iterator(workset_t* set, void (*func)(work_t* work, void* user), void* user);
void workset_close(workset_t* set);

// Loads the file; on failure prints one line on standard error and returns false.
bool work_init(work_t* work, const char* path);
// The same for a file image already in memory, taken to be the whole file.
bool work_init_bytes(work_t* work, const char* path, const unsigned char* bytes, size_t size);
bool work_fini(work_t* work);

void dropCallback(GLFWwindow* window, int count, const char** paths);
