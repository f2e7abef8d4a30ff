#include "support/thumbnail_stub.h"

#include "display/picture_texture.h"
#include "display/thumbnail.h"

thumbnail_stub_t thumbnail_stub;

static bool slot(int index) { return index >= 0 && index < THUMBNAIL_SLOT_COUNT; }

void thumbnail_stub_reset() { thumbnail_stub = thumbnail_stub_t{7, nullptr}; }
bool ImGui_ImplGlfwGL3_InitThumbnailTexture(int) { return true; }
bool ImGui_ImplGlfwGL3_DisposeThumbnailTexture(int) { return true; }
const char* ImGui_ImplGlfwGL3_ThumbnailRefusal(int index) { return slot(index) ? thumbnail_stub.refusal : nullptr; }
GLuint ImGui_ImplGlfwGL3_CreateThumbnailTexture(int index, DPX_HEADER*) {
    return slot(index) ? thumbnail_stub.next_texture : 0;
}
GLuint ImGui_ImplGlfwGL3_CreatePictureTexture(const unsigned char*, int, int) { return 8; }
void ImGui_ImplGlfwGL3_DeletePictureTexture(GLuint) {}

// No pixels, so nothing reaches the NDI sender.
GLuint ImGui_ImplGlfwGL3_FetchThumbnailInfo(int, int* width, int* height, unsigned char** pixels) {
    *width = *height = 0;
    *pixels = nullptr;
    return 0;
}
