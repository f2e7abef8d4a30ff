#include "picture/padding.h"

#include <cinttypes>
#include <cstdio>

#include "dpx/bufio.h"
#include "picture/unpack.h"

namespace {

struct PADDING_RULE {
    int word_bytes;
    uint32_t mask;
    const char* bits;
};

bool rule(const DECODE_LAYOUT* l, PADDING_RULE* r)
{
    if ((l->bit_depth != 10 && l->bit_depth != 12) || (l->packing != 1 && l->packing != 2))
        return false;
    const bool a = l->packing == 1;
    if (l->bit_depth == 10)
        *r = a ? PADDING_RULE{4, 0x3u, "1..0"} : PADDING_RULE{4, 0xC0000000u, "31..30"};
    else
        *r = a ? PADDING_RULE{2, 0xFu, "3..0"} : PADDING_RULE{2, 0xF000u, "15..12"};
    return true;
}

void count_words(const PADDING_RULE& r, bool little, const unsigned char* at, uint64_t words, PADDING_COUNT* count)
{
    for (uint64_t w = 0; w < words; w++) {
        const unsigned char* p = at + w * (uint64_t)r.word_bytes;
        uint32_t v = r.word_bytes == 4 ? bufio_word32(p, little) : bufio_word16(p, little);
        count->set += (v & r.mask) != 0;
    }
    count->words += words;
}

} // namespace

bool padding_count(const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size, PADDING_COUNT* count)
{
    *count = PADDING_COUNT{};
    PADDING_RULE r;
    if (!rule(layout, &r))
        return false;
    const uint64_t per_word = layout->bit_depth == 10 ? 3 : 1;
    for (uint32_t y = 0; y < layout->height; y++) {
        UNPACK_LINE line;
        if (!unpack_line_span(layout, image, image_size, y, &line))
            break;
        // An unpadded line's first word was counted with the line before.
        uint64_t skip = line.lead ? 1 : 0;
        uint64_t words = (line.lead + layout->line_samples + per_word - 1) / per_word;
        uint64_t held = line.available / (uint64_t)r.word_bytes;
        if (words > held)
            words = held;
        if (words > skip)
            count_words(r, layout->little_endian, line.at + skip * r.word_bytes, words - skip, count);
    }
    return true;
}

void padding_text(const DECODE_LAYOUT* layout, const PADDING_COUNT* count, char text[PADDING_TEXT_SIZE])
{
    PADDING_RULE r;
    if (!rule(layout, &r)) {
        text[0] = '\0';
        return;
    }
    snprintf(text, PADDING_TEXT_SIZE,
             "padding bits not zero in %" PRIu64 " of %" PRIu64 " words (filled %d-bit, method %c: bits %s)",
             count->set, count->words, (int)layout->bit_depth, layout->packing == 1 ? 'A' : 'B', r.bits);
}
