// A stand-in for the preview slots and picture textures, for tests that run without OpenGL.
#pragma once

#include <utility>
#include <vector>

struct thumbnail_stub_t {
    std::vector<int> created;                  // slot index of each create call
    unsigned int next_texture;                 // returned by create for slots 0..99
    const char* refusal;                       // handed out by the refusal call for slots 0..99
    std::vector<std::pair<int, int>> pictures; // size of each picture texture made
    int deleted_pictures;
};

extern thumbnail_stub_t thumbnail_stub;
void thumbnail_stub_reset();
