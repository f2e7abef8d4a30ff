// The meaning of the header's coded values in words. Each function writes
// into the caller's buffer (at least DPX_PRINT_TEXT_SIZE bytes) and returns
// it, so that a call can stand as a printf argument.
#pragma once

#include <cstdint>

enum { DPX_PRINT_TEXT_SIZE = 65 };

char* dpx_print_get_endian_text(uint32_t magic_number, char* buffer);
char* dpx_print_get_descriptor_text(int descriptor, char* buffer);
char* dpx_print_get_transfer_characteristic_text(int transfer_characteristic, char* buffer);
char* dpx_print_get_colorimetric_specification_text(int colorimetric_specification, char* buffer);
char* dpx_print_get_image_orientation_code_text(int image_orientation, char* buffer);
char* dpx_print_get_packing_text(int packing, char* buffer);
char* dpx_print_get_smpte_time_code_text(uint32_t smpte_time_code, char* buffer);
char* dpx_print_get_smpte_user_bits_text(uint32_t smpte_user_bits, char* buffer);
char* dpx_print_get_video_signal_standard_text(int video_signal_standard, char* buffer);
