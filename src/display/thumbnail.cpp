#include "display/thumbnail.h"

#include <cstdlib>

#include "pixconv/pixconv.h"

namespace {

struct ThumbnailSlot {
    int Width;
    int Height;
    unsigned char* Pixels;
    GLuint TextureId;
};

ThumbnailSlot g_Thumbnail[THUMBNAIL_SLOT_COUNT];

ThumbnailSlot* thumbnail_slot(int index)
{
    if (index < 0 || index >= THUMBNAIL_SLOT_COUNT)
        return nullptr;
    return &g_Thumbnail[index];
}

} // namespace

bool ImGui_ImplGlfwGL3_InitThumbnailTexture(int index)
{
    ThumbnailSlot* s = thumbnail_slot(index);
    if (s)
        *s = ThumbnailSlot{0, 0, nullptr, 0};
    return true;
}

GLuint ImGui_ImplGlfwGL3_CreateThumbnailTexture(int index, DPX_HEADER* header)
{
    ThumbnailSlot* s = thumbnail_slot(index);
    if (!s)
        return 0;
    size_t bytes = 0;
    bool fits = pixconv_rgba_size(header, &bytes) && bytes > 0;
    unsigned char* pixels = fits ? (unsigned char*)realloc(s->Pixels, bytes) : nullptr;
    if (!pixels) {
        // Keep no stale picture that would belong to another size.
        ImGui_ImplGlfwGL3_DisposeThumbnailTexture(index);
        s->Width = 0;
        s->Height = 0;
        return 0;
    }
    s->Pixels = pixels;
    s->Width = (int)header->image_information.pixels_per_line;
    s->Height = (int)header->image_information.lines_per_image_element;
    pixconv_execute(header, s->Pixels);

    if (s->TextureId) {
        glDeleteTextures(1, &s->TextureId);
        s->TextureId = 0;
    }
    GLint last_texture;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &last_texture);
    glGenTextures(1, &s->TextureId);
    glBindTexture(GL_TEXTURE_2D, s->TextureId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Filtering at the border would otherwise take in the far side's pixels.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, s->Width, s->Height, 0, GL_RGBA, GL_UNSIGNED_BYTE, s->Pixels);
    glBindTexture(GL_TEXTURE_2D, (GLuint)last_texture);
    return s->TextureId;
}

GLuint ImGui_ImplGlfwGL3_FetchThumbnailInfo(int index, int* width, int* height, unsigned char** pixels)
{
    ThumbnailSlot* s = thumbnail_slot(index);
    if (!s) {
        *width = 0;
        *height = 0;
        *pixels = nullptr;
        return 0;
    }
    *width = s->Width;
    *height = s->Height;
    *pixels = s->Pixels;
    return s->TextureId;
}

bool ImGui_ImplGlfwGL3_DisposeThumbnailTexture(int index)
{
    ThumbnailSlot* s = thumbnail_slot(index);
    if (!s)
        return true;
    if (s->TextureId) {
        glDeleteTextures(1, &s->TextureId);
        s->TextureId = 0;
    }
    free(s->Pixels);
    s->Pixels = nullptr;
    return true;
}
