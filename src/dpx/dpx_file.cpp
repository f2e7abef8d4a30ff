#include "dpx/dpx_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "dpx/dpx_io.h"
#include "dpx/dpx_layout.h"

namespace {

bool refuse(DPX_FILE* file, char* reason, const char* text)
{
    snprintf(reason, DPX_FILE_REASON_SIZE, "%s", text);
    free(file->image);
    *file = DPX_FILE{};
    return false;
}

const char* file_kind(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    return "a device";
}

// Reads until `want` bytes are held in the image or the file ends; the image
// has room for `want`. False on a read error.
bool read_to(int fd, DPX_FILE* file, size_t want)
{
    while (file->image_size < want) {
        ssize_t n = read(fd, file->image + file->image_size, want - file->image_size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        file->image_size += (size_t)n;
    }
    return true;
}

bool grow(DPX_FILE* file, size_t capacity)
{
    unsigned char* image = (unsigned char*)realloc(file->image, capacity ? capacity : 1);
    if (!image)
        return false;
    file->image = image;
    return true;
}

bool refuse_header(DPX_FILE* file, char* reason, int result)
{
    if (result == DPX_IO_NOT_DPX)
        return refuse(file, reason, "not a DPX file (no SDPX or XPDS magic number)");
    // The bytes the next part of the header needs: the generic sections, the
    // industry headers the header declares, the user identification.
    size_t needed = file->image_size < DPX_GENERIC_HEADER_SIZE ? (size_t)DPX_GENERIC_HEADER_SIZE
                    : file->image_size < DPX_HEADER_SIZE       ? (size_t)DPX_HEADER_SIZE
                                                               : (size_t)DPX_USER_DATA_OFFSET;
    char text[DPX_FILE_REASON_SIZE];
    snprintf(text, sizeof text, "too short for a DPX header (%zu bytes, %zu needed)", file->image_size, needed);
    return refuse(file, reason, text);
}

// The bytes a header-only read holds: the user-defined header as declared
// (at least its identification), bounded by the file and the read limit, so
// the user data shown is what a whole read would show.
size_t header_only_size(const DPX_FILE* file)
{
    uint64_t declared = file->header.file_information.user_defined_header_length;
    uint64_t want = DPX_HEADER_SIZE + (declared < DPX_USER_IDENTIFICATION_SIZE ? DPX_USER_IDENTIFICATION_SIZE : declared);
    if (want > file->file_size)
        want = file->file_size;
    if (want > DPX_FILE_READ_LIMIT)
        want = DPX_FILE_READ_LIMIT;
    return (size_t)want;
}

bool refuse_errno(DPX_FILE* file, char* reason, const char* what)
{
    char text[DPX_FILE_REASON_SIZE];
    snprintf(text, sizeof text, "%s (%s)", what, strerror(errno));
    return refuse(file, reason, text);
}

// Makes room for `capacity` bytes and reads up to them.
bool fill(int fd, DPX_FILE* file, size_t capacity, char* reason)
{
    if (!grow(file, capacity))
        return refuse(file, reason, "out of memory");
    if (!read_to(fd, file, capacity))
        return refuse_errno(file, reason, "cannot read");
    return true;
}

// The header of the bytes held, with the refusals of a file that is not DPX.
bool decode(DPX_FILE* file, char* reason)
{
    int result = dpx_io_header_read(file->image, file->image_size, &file->header);
    if (result != DPX_IO_OK)
        return refuse_header(file, reason, result);
    return true;
}

// Reads up to `limit` bytes, or the header alone.
bool load(int fd, DPX_FILE_READ mode, uint64_t limit, DPX_FILE* file, char* reason)
{
    struct stat info;
    if (fstat(fd, &info) != 0)
        return refuse_errno(file, reason, "cannot open");
    if (!S_ISREG(info.st_mode)) {
        char text[DPX_FILE_REASON_SIZE];
        snprintf(text, sizeof text, "not a regular file (%s)", file_kind(info.st_mode));
        return refuse(file, reason, text);
    }
    file->file_size = (uint64_t)info.st_size;
    file->modified_ns = (int64_t)info.st_mtim.tv_sec * 1000000000 + info.st_mtim.tv_nsec;
    if (limit > SIZE_MAX)
        limit = SIZE_MAX;
    size_t capacity = file->file_size < limit ? (size_t)file->file_size : (size_t)limit;
    if (mode != DPX_FILE_WHOLE && capacity > DPX_HEADER_SIZE)
        capacity = DPX_HEADER_SIZE;
    if (!fill(fd, file, capacity, reason))
        return false;
    if (mode == DPX_FILE_HEADER_ONLY && file->image_size == DPX_HEADER_SIZE &&
        dpx_io_header_read(file->image, file->image_size, &file->header) == DPX_IO_TOO_SHORT) {
        // A user-defined header is declared: read it too.
        capacity = header_only_size(file);
        if (capacity > file->image_size && !fill(fd, file, capacity, reason))
            return false;
    }
    if (file->image_size < capacity) {
        // The file ended early: keep only what arrived.
        unsigned char* shrunk = (unsigned char*)realloc(file->image, file->image_size ? file->image_size : 1);
        if (shrunk)
            file->image = shrunk;
    }
    int result = dpx_io_header_read(file->image, file->image_size, &file->header);
    if (mode == DPX_FILE_STANDARD_HEADER && result == DPX_IO_TOO_SHORT && file->image_size == DPX_HEADER_SIZE) {
        // The standard sections are whole; the user-defined header they declare was not asked for.
        DPX_HEADER& h = file->header;
        memset(h.user_defined_data.user_identification, 0, sizeof h.user_defined_data.user_identification);
        h.user_defined_data.user_data = nullptr;
        h.user_data_size = 0;
        h.image_data = nullptr;
        h.image_data_size = 0;
        result = DPX_IO_OK;
    }
    if (result != DPX_IO_OK)
        return refuse_header(file, reason, result);
    return true;
}

} // namespace

namespace {

// `buffer`, when not null, is malloc'd memory the bytes are read into.
bool open_and_load(const char* path, DPX_FILE_READ mode, uint64_t limit, unsigned char* buffer, DPX_FILE* file,
                   char* reason)
{
    *file = DPX_FILE{};
    file->image = buffer;
    reason[0] = '\0';
    // A cut path could name another file, so a long one is refused whole.
    if (strlen(path) >= DPX_FILE_PATH_LIMIT)
        return refuse(file, reason, "path too long (1024 characters or more)");
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refuse_errno(file, reason, "cannot open");
    bool ok = load(fd, mode, limit, file, reason);
    close(fd);
    return ok;
}

} // namespace

bool dpx_file_load(const char* path, DPX_FILE_READ mode, DPX_FILE* file, char reason[DPX_FILE_REASON_SIZE])
{
    return open_and_load(path, mode, DPX_FILE_READ_LIMIT, nullptr, file, reason);
}

bool dpx_file_load_to(const char* path, uint64_t end, DPX_FILE* file, char reason[DPX_FILE_REASON_SIZE])
{
    return open_and_load(path, DPX_FILE_WHOLE, end, nullptr, file, reason);
}

bool dpx_file_load_into(const char* path, uint64_t end, unsigned char* buffer, DPX_FILE* file,
                        char reason[DPX_FILE_REASON_SIZE])
{
    return open_and_load(path, DPX_FILE_WHOLE, end, buffer, file, reason);
}

bool dpx_file_from_bytes(const unsigned char* bytes, size_t size, DPX_FILE* file, char reason[DPX_FILE_REASON_SIZE])
{
    *file = DPX_FILE{};
    reason[0] = '\0';
    if (size > DPX_FILE_READ_LIMIT)
        size = DPX_FILE_READ_LIMIT;
    if (!grow(file, size))
        return refuse(file, reason, "out of memory");
    memcpy(file->image, bytes, size);
    file->image_size = size;
    file->file_size = size;
    return decode(file, reason);
}

bool dpx_file_image_reach(const char* path, DPX_FILE* head, uint64_t* end, char reason[DPX_FILE_REASON_SIZE])
{
    if (!dpx_file_load(path, DPX_FILE_HEADER_ONLY, head, reason))
        return false;
    *end = dpx_layout_image_end(&head->header);
    if (*end > head->file_size)
        *end = head->file_size;
    return true;
}

void dpx_file_print_refusal(FILE* stream, const char* path, const char* reason)
{
    fprintf(stream, "refused %s: %s\n", path, reason);
}

void dpx_file_free(DPX_FILE* file)
{
    free(file->image);
    *file = DPX_FILE{};
}
