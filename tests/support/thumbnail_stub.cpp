#include "support/thumbnail_stub.h"

#include "display/picture_texture.h"
#include "display/thumbnail.h"

thumbnail_stub_t thumbnail_stub;

void thumbnail_stub_reset()
{
    thumbnail_stub = thumbnail_stub_t{{}, {}, 7, nullptr, 0, 0, nullptr, {}, 0};
}

bool ImGui_ImplGlfwGL3_InitThumbnailTexture(int)
{
    return true;
}

GLuint ImGui_ImplGlfwGL3_CreateThumbnailTexture(int index, DPX_HEADER*)
{
    thumbnail_stub.created.push_back(index);
    return index >= 0 && index < THUMBNAIL_SLOT_COUNT ? thumbnail_stub.next_texture : 0;
}

GLuint ImGui_ImplGlfwGL3_FetchThumbnailInfo(int index, int* width, int* height, unsigned char** pixels)
{
    thumbnail_stub.fetched.push_back(index);
    bool slot = index >= 0 && index < THUMBNAIL_SLOT_COUNT;
    *width = slot ? thumbnail_stub.width : 0;
    *height = slot ? thumbnail_stub.height : 0;
    *pixels = slot ? thumbnail_stub.pixels : nullptr;
    return slot ? thumbnail_stub.next_texture : 0;
}

bool ImGui_ImplGlfwGL3_DisposeThumbnailTexture(int)
{
    return true;
}

const char* ImGui_ImplGlfwGL3_ThumbnailRefusal(int index)
{
    bool slot = index >= 0 && index < THUMBNAIL_SLOT_COUNT;
    return slot ? thumbnail_stub.refusal : nullptr;
}

GLuint ImGui_ImplGlfwGL3_CreatePictureTexture(const unsigned char*, int width, int height)
{
    thumbnail_stub.pictures.push_back({width, height});
    return thumbnail_stub.next_texture + 1;
}

void ImGui_ImplGlfwGL3_DeletePictureTexture(GLuint texture)
{
    if (texture)
        thumbnail_stub.deleted_pictures++;
}
