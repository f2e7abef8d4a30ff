#include "display/picture_texture.h"

GLuint ImGui_ImplGlfwGL3_CreatePictureTexture(const unsigned char* rgba, int width, int height)
{
    GLint last_texture;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &last_texture);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    // GL picks the filter by the scale it draws at: above 1:1 nearest, below linear.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glBindTexture(GL_TEXTURE_2D, (GLuint)last_texture);
    return texture;
}

void ImGui_ImplGlfwGL3_DeletePictureTexture(GLuint texture)
{
    if (texture)
        glDeleteTextures(1, &texture);
}

GLuint ImGui_ImplGlfwGL3_ReplacePictureTexture(GLuint texture, int old_width, int old_height,
                                               const unsigned char* rgba, int width, int height)
{
    if (!texture || old_width != width || old_height != height) {
        ImGui_ImplGlfwGL3_DeletePictureTexture(texture);
        return ImGui_ImplGlfwGL3_CreatePictureTexture(rgba, width, height);
    }
    GLint last_texture;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &last_texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glBindTexture(GL_TEXTURE_2D, (GLuint)last_texture);
    return texture;
}
