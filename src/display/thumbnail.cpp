#include "display/thumbnail.h"

#include <cstdlib>

#include <sys/mman.h>

#include "budget/budget.h"
#include "pixconv/pixconv.h"

namespace {

struct ThumbnailSlot {
    int Width;
    int Height;
    unsigned char* Pixels;
    GLuint TextureId;
    uint64_t Cost;  // taken from the memory budget: the buffer and the texture
    bool OverBudget; // the last create was refused by the budget, for the reason below
    char Refusal[THUMBNAIL_REFUSAL_SIZE];
};

ThumbnailSlot g_Thumbnail[THUMBNAIL_SLOT_COUNT];
// The bands a preview is read through: kept, as every preview needs them.
PIXCONV_READ g_ThumbnailRead;

ThumbnailSlot* thumbnail_slot(int index)
{
    if (index < 0 || index >= THUMBNAIL_SLOT_COUNT)
        return nullptr;
    return &g_Thumbnail[index];
}

// A fresh picture buffer costs a page fault per 4 KiB page on its first
// write, more than its conversion; in 2 MiB pages it costs a few dozen. The
// buffer itself is no larger: only the whole 2 MiB pages inside it are advised.
unsigned char* thumbnail_pixels_alloc(size_t bytes)
{
    const size_t huge_page = 2 * 1024 * 1024;
    void* pixels = nullptr;
    if (posix_memalign(&pixels, huge_page, bytes) != 0)
        return nullptr;
    if (bytes >= huge_page)
        madvise(pixels, bytes / huge_page * huge_page, MADV_HUGEPAGE);
    return (unsigned char*)pixels;
}

} // namespace

bool ImGui_ImplGlfwGL3_InitThumbnailTexture(int index)
{
    ThumbnailSlot* s = thumbnail_slot(index);
    if (s)
        *s = ThumbnailSlot{};
    return true;
}

GLuint ImGui_ImplGlfwGL3_CreateThumbnailTexture(int index, DPX_HEADER* header, pixconv_read_func read, void* user)
{
    ThumbnailSlot* s = thumbnail_slot(index);
    if (!s)
        return 0;
    size_t bytes = 0;
    bool fits = pixconv_rgba_size(header, &bytes) && bytes > 0;
    uint64_t cost = 2 * (uint64_t)bytes;
    // The slot's own picture is replaced, so its share counts as free.
    budget_give(s->Cost);
    s->Cost = 0;
    unsigned char* pixels = nullptr;
    bool budgeted = fits && budget_take(cost);
    if (budgeted) {
        free(s->Pixels);
        s->Pixels = nullptr;
        pixels = thumbnail_pixels_alloc(bytes);
        if (!pixels)
            budget_give(cost);
    }
    if (!pixels) {
        // Keep no stale picture that would belong to another size.
        ImGui_ImplGlfwGL3_DisposeThumbnailTexture(index);
        s->Width = 0;
        s->Height = 0;
        if (fits && !budgeted) {
            s->OverBudget = true;
            budget_refusal("preview", cost, s->Refusal, sizeof s->Refusal);
        }
        return 0;
    }
    s->Cost = cost;
    s->OverBudget = false;
    s->Pixels = pixels;
    s->Width = (int)header->image_information.pixels_per_line;
    s->Height = (int)header->image_information.lines_per_image_element;
    // The file's bands are converted on a helper while the texture's storage
    // is made, then the pixels go into that storage.
    if (read)
        pixconv_read_start(&g_ThumbnailRead, header, read, user, s->Pixels);
    else
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
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, s->Width, s->Height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    if (read)
        pixconv_read_finish(&g_ThumbnailRead);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, s->Width, s->Height, GL_RGBA, GL_UNSIGNED_BYTE, s->Pixels);
    glBindTexture(GL_TEXTURE_2D, (GLuint)last_texture);
    return s->TextureId;
}

void ImGui_ImplGlfwGL3_EndThumbnailReads()
{
    pixconv_read_end(&g_ThumbnailRead);
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
    budget_give(s->Cost);
    s->Cost = 0;
    s->OverBudget = false;
    return true;
}

const char* ImGui_ImplGlfwGL3_ThumbnailRefusal(int index)
{
    ThumbnailSlot* s = thumbnail_slot(index);
    return s && s->OverBudget ? s->Refusal : nullptr;
}
