// Textures of the Picture windows: RGBA pictures in file order, sampled
// nearest when magnified so single pixels can be read, smoothly when reduced.
// Resolved at link time, as the preview slots are (display/thumbnail.h).
#pragma once

#include <epoxy/gl.h>

// 0 when no texture could be made.
GLuint ImGui_ImplGlfwGL3_CreatePictureTexture(const unsigned char* rgba, int width, int height);
void ImGui_ImplGlfwGL3_DeletePictureTexture(GLuint texture);
// Puts a new picture in `texture` (made when 0), reusing its storage when the
// size is the same, as playback does frame after frame; returns the texture.
GLuint ImGui_ImplGlfwGL3_ReplacePictureTexture(GLuint texture, int old_width, int old_height,
                                               const unsigned char* rgba, int width, int height);
