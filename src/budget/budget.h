// The memory that preview and picture pixels may hold at once, their buffers
// and their textures together, so that a handful of small files declaring
// huge pictures cannot exhaust the machine.
#pragma once

#include <cstdint>

// A quarter of physical memory, at most 3 GiB: room for a hundred HD
// previews or one picture of the largest size, well short of what a desktop
// needs for everything else.
uint64_t budget_limit();
uint64_t budget_used();
// Takes `bytes` and returns true, or returns false and takes nothing when
// they would pass the limit.
bool budget_take(uint64_t bytes);
void budget_give(uint64_t bytes);
// Whether `bytes` could be taken now.
bool budget_fits(uint64_t bytes);
// "No preview: ..." style reason for a refused `bytes`, into `text`.
void budget_refusal(const char* what, uint64_t bytes, char* text, int size);
