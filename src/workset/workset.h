// The files opened in this run, in the order they were dropped.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "checks/checks.h"
#include "dpx/dpx_file.h"
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
    // The header and the user-defined header as loaded: the image data is
    // read again when a picture is made (work_image_load), so that an entry
    // costs what its header holds. An entry loaded from memory holds it all.
    unsigned char* buffer = nullptr;
    size_t buffer_size = 0;          // its length in bytes
    bool whole = false;              // buffer holds the whole file
    uint64_t file_size = 0;          // the file's length on disk when loaded
    int64_t modified_ns = 0;         // and its modification time
    bool changed = false;            // a later read found another size or time
    std::string image_refusal;       // why the file could not be read again for the preview
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

// The text the windows show once `changed` is set.
extern const char* const work_changed_text;

// How long the bytes read by work_image_load are kept.
enum WORK_IMAGE_USE {
    WORK_IMAGE_BRIEFLY, // freed within the frame: must fit the memory bound, not taken from it
    WORK_IMAGE_HELD,    // kept while a window shows them: taken from the memory bound
};

// The entry's file as it is now, read as far as its pictures reach, for a
// picture of `what` ("preview", "picture"). Sets `changed` when the file's
// size or modification time differ from the load. False with the line the
// window shows instead ("No preview: cannot open (...)"). work_image_free, with the same use, releases it.
bool work_image_load(work_t* work, const char* what, WORK_IMAGE_USE use, DPX_FILE* file,
                     char reason[DPX_FILE_REASON_SIZE]);
void work_image_free(DPX_FILE* file, WORK_IMAGE_USE use);

// The entry's file as it is now, opened for its image data to be read a band
// at a time (work_image_read) instead of whole: `file.header` is its header
// read afresh. Sets `changed` as work_image_load does, and is refused for the
// same reasons, the memory bound's included. False with the line the window
// shows instead; work_image_close releases it.
struct WORK_IMAGE_READER {
    DPX_FILE file;                  // the header as it is now (an entry held whole: its own)
    int fd;                         // -1 for an entry held whole
    const unsigned char* bytes;     // an entry held whole: its bytes
    uint64_t data_offset;           // where element 0's data starts
    uint64_t data_size;             // and how much of it the pictures reach
    std::atomic<int> error;         // errno of the first failed read, 0 while none failed
};
bool work_image_open(work_t* work, const char* what, WORK_IMAGE_READER* reader, char reason[DPX_FILE_REASON_SIZE]);
// Copies up to `size` bytes of element 0's data from byte `at` of it; fewer
// where the data ends or a read failed (then `error` says why). For two
// threads at once: matches pixconv_read_func.
size_t work_image_read(void* reader, uint64_t at, unsigned char* into, size_t size);
// "No preview: cannot read (...)" after a failed read.
void work_image_read_refusal(const WORK_IMAGE_READER* reader, const char* what, char reason[DPX_FILE_REASON_SIZE]);
void work_image_close(WORK_IMAGE_READER* reader);

void dropCallback(GLFWwindow* window, int count, const char** paths);
