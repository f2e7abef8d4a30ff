// A stand-in for the preview slots and picture textures, for tests that run without OpenGL.
#pragma once

struct thumbnail_stub_t {
    unsigned int next_texture; // returned by a create for slots 0..99 (a picture gets 8)
    const char* refusal;       // handed out by the refusal call for slots 0..99
};

extern thumbnail_stub_t thumbnail_stub;
void thumbnail_stub_reset();
