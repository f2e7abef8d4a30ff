// The one NDI sender of the process: publishes preview pictures as an NDI
// source named "Tessaview" through the vendor's runtime, loaded at run time.
#pragma once

#include "ndiview/ndi_sdk.h"

enum NDIVIEW_STATUS {
    NDIVIEW_READY,
    NDIVIEW_RUNTIME_NOT_FOUND, // no libndi, or one without the six functions
    NDIVIEW_NOT_STARTED,       // initialise failed or no sender was created
};

struct NDIVIEW_RUNTIME {
    void* library;
    NDIlib_initialize_fn initialize;
    NDIlib_send_create_fn send_create;
    NDIlib_send_add_connection_metadata_fn send_add_connection_metadata;
    NDIlib_send_send_video_fn send_send_video;
    NDIlib_send_destroy_fn send_destroy;
    NDIlib_destroy_fn destroy;
};

enum { NDIVIEW_METADATA_SIZE = 512 };

struct NDIVIEW {
    uint8_t ready;
    NDIlib_send_create_t send_settings;
    NDIlib_send_instance_t send_instance;
    NDIlib_metadata_frame_t metadata_frame;
    char metadata_text[NDIVIEW_METADATA_SIZE];
    NDIVIEW_RUNTIME runtime;
    NDIVIEW_STATUS status;
};

// Always 0; the record is stored through `ndiview` (null only when it
// cannot be allocated) and `ready` tells whether output works. When it does
// not, one line on standard error says why.
int ndiview_open(NDIVIEW** ndiview);
// Sends one RGBA picture, width x 4 bytes a row; nothing when not ready.
int ndiview_transmit(NDIVIEW* ndiview, unsigned char* pixels, int width, int height);
// The same at a frame rate of rate_n / rate_d frames per second (a
// sequence's); ndiview_transmit announces 30000/1001.
int ndiview_transmit_at(NDIVIEW* ndiview, unsigned char* pixels, int width, int height, int rate_n, int rate_d);
// Shuts the runtime down and frees the record.
int ndiview_close(NDIVIEW* ndiview);
// Why output is unavailable, for the Tool menu; null when ready.
const char* ndiview_status_text(const NDIVIEW* ndiview);
