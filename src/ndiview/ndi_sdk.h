// The parts of the NDI SDK interface that Tessaview uses, declared here
// because the runtime is loaded at run time and its headers are not at hand.
#pragma once

#include <cstdint>

extern "C" {

typedef void* NDIlib_send_instance_t;

struct NDIlib_send_create_t {
    const char* p_ndi_name;
    const char* p_groups;
    bool clock_video;
    bool clock_audio;
};

struct NDIlib_metadata_frame_t {
    int length;
    int64_t timecode;
    char* p_data;
};

enum NDIlib_FourCC_video_type_e : int32_t {
    NDIlib_FourCC_type_RGBA = 0x41424752, // 'R' 'G' 'B' 'A'
};

enum NDIlib_frame_format_type_e : int32_t {
    NDIlib_frame_format_type_interleaved = 0,
    NDIlib_frame_format_type_progressive = 1,
};

struct NDIlib_video_frame_t {
    int xres;
    int yres;
    NDIlib_FourCC_video_type_e FourCC;
    int frame_rate_N;
    int frame_rate_D;
    float picture_aspect_ratio;
    NDIlib_frame_format_type_e frame_format_type;
    int64_t timecode;
    uint8_t* p_data;
    int line_stride_in_bytes;
};

typedef bool (*NDIlib_initialize_fn)(void);
typedef NDIlib_send_instance_t (*NDIlib_send_create_fn)(const NDIlib_send_create_t* p_create_settings);
typedef void (*NDIlib_send_add_connection_metadata_fn)(NDIlib_send_instance_t p_instance,
                                                       const NDIlib_metadata_frame_t* p_metadata);
typedef void (*NDIlib_send_send_video_fn)(NDIlib_send_instance_t p_instance,
                                          const NDIlib_video_frame_t* p_video_data);
typedef void (*NDIlib_send_destroy_fn)(NDIlib_send_instance_t p_instance);
typedef void (*NDIlib_destroy_fn)(void);
}

// 0x7FFFFFFFFFFFFFFF asks the runtime to make up the time code.
const int64_t NDIlib_send_timecode_synthesize = INT64_MAX;
