#include "png/png_export.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <png.h>

namespace {

struct png_failure {
    char* reason;
    jmp_buf jump;
};

void on_error(png_structp png, png_const_charp message)
{
    png_failure* f = (png_failure*)png_get_error_ptr(png);
    snprintf(f->reason, PNG_EXPORT_REASON_SIZE, "libpng: %s", message);
    longjmp(f->jump, 1);
}

void on_warning(png_structp, png_const_charp) {}

int colour_type(int channels)
{
    switch (channels) {
    case 1:
        return PNG_COLOR_TYPE_GRAY;
    case 2:
        return PNG_COLOR_TYPE_GRAY_ALPHA;
    case 3:
        return PNG_COLOR_TYPE_RGB;
    default:
        return PNG_COLOR_TYPE_RGB_ALPHA;
    }
}

// Everything between png_create and png_destroy: no object with a destructor
// may live here, since errors leave it by longjmp.
bool write_rows(FILE* file, const EXPORT_PICTURE* picture, const unsigned char* pixels, png_failure* failure)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, failure, on_error, on_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        snprintf(failure->reason, PNG_EXPORT_REASON_SIZE, "libpng could not start (out of memory)");
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(failure->jump)) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, picture->width, picture->height, picture->bits, colour_type(picture->channels),
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (picture->bits == 16)
        png_set_swap(png); // PNG stores 16-bit samples most significant byte first
#endif
    for (uint32_t y = 0; y < picture->height; y++)
        png_write_row(png, pixels + (size_t)y * picture->row_bytes);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool png_export_write(const char* path, const EXPORT_PICTURE* picture, const unsigned char* pixels,
                      char reason[PNG_EXPORT_REASON_SIZE])
{
    if (picture->channels < 1 || picture->channels > 4 || (picture->bits != 8 && picture->bits != 16) ||
        picture->width == 0 || picture->height == 0 || picture->width > PNG_UINT_31_MAX ||
        picture->height > PNG_UINT_31_MAX) {
        snprintf(reason, PNG_EXPORT_REASON_SIZE, "a %u x %u picture of %d channels at %d bits has no PNG form",
                 picture->width, picture->height, picture->channels, picture->bits);
        return false;
    }
    FILE* file = fopen(path, "wb");
    if (!file) {
        snprintf(reason, PNG_EXPORT_REASON_SIZE, "cannot create %s (%s)", path, strerror(errno));
        return false;
    }
    png_failure failure{reason, {}};
    bool ok = write_rows(file, picture, pixels, &failure);
    if (fclose(file) != 0 && ok) {
        snprintf(reason, PNG_EXPORT_REASON_SIZE, "cannot finish %s (%s)", path, strerror(errno));
        ok = false;
    }
    if (!ok)
        remove(path);
    return ok;
}
