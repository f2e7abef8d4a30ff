// Lines of integer YCbCr codes to RGBA, colour or luma view: the luma and
// chroma tables and the matrix of the plan, each sample found by position.
#pragma once

#include <cstdint>

#include "picture/transform.h"

// Pixels 0..count-1 of a line of codes (count at most its present pixels).
// 8-bit 4:2:2 colour without alpha takes four pixels a step where plan->avx2
// allows, with the same arithmetic and bytes.
void ycbcrline8(const TRANSFORM_PLAN* plan, const uint16_t* codes, uint32_t count, unsigned char* rgba);
void ycbcrline16(const TRANSFORM_PLAN* plan, const uint16_t* codes, uint32_t count, uint16_t* rgba);
