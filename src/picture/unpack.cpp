// Sample layouts, settled against files written by GraphicsMagick and
// OpenImageIO (tests/data):
//
// - Every line starts on a 32-bit word. The 37-pixel-wide packed RGB file of
//   OpenImageIO has 140-byte lines (35 words for 1110 bits); read on bit by
//   bit from one line to the next, its quadrants come out sheared.
// - Packing 0 (10 and 12 bits) and 1-bit samples fill 32-bit words, read in
//   the file's byte order, from the least significant bit up, a sample
//   crossing into the next word where it has to: GraphicsMagick's big-endian
//   and OpenImageIO's little-endian packed RGB both read red, green, blue
//   this way and no other.
// - Filled 10-bit words hold three samples: method A in bits 31..22, 21..12,
//   11..2, method B in 29..20, 19..10, 9..0 (OpenImageIO's method B red
//   reads 1023 at 29..20). Elements of several components start at the high
//   field; GraphicsMagick's single-component luma starts at the low field:
//   the red-to-green edge of its 32-wide file falls at pixel 16 only so, and
//   the one luma sample left at the end of its 37-wide lines sits in bits
//   11..2 (its 4:2:2 file puts its leftover sample in bits 31..22).
// - Filled 12-bit samples take a 16-bit word each, method A in bits 15..4,
//   method B in 11..0.
// - Unpadded lines (decode.cpp) carry on in the word where the line before
//   ended: a line's first samples may sit in its first word's upper fields.
#include "picture/unpack.h"

#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

double read_float(const unsigned char* p, int bits, bool little)
{
    if (bits == 32) {
        uint32_t u = bufio_word32(p, little);
        float f;
        memcpy(&f, &u, 4);
        return f;
    }
    uint64_t hi = bufio_word32(p + (little ? 4 : 0), little), lo = bufio_word32(p + (little ? 0 : 4), little);
    uint64_t u = hi << 32 | lo;
    double d;
    memcpy(&d, &u, 8);
    return d;
}

bool packed(const DECODE_LAYOUT* l)
{
    return l->bit_depth == 1 || ((l->bit_depth == 10 || l->bit_depth == 12) && l->packing == 0);
}

// Packed samples: a bit stream in 32-bit words, least significant bit first.
void unpack_bits(const unsigned char* line, bool little, int bits, uint64_t count, uint16_t* codes)
{
    const uint64_t mask = (1u << bits) - 1;
    uint64_t acc = 0;
    int have = 0;
    for (uint64_t i = 0; i < count; i++) {
        if (have < bits) {
            acc |= (uint64_t)bufio_word32(line, little) << have;
            line += 4;
            have += 32;
        }
        codes[i] = (uint16_t)(acc & mask);
        acc >>= bits;
        have -= bits;
    }
}

// The same, 32 samples at a time: they fill exactly `Bits` words, so the
// loop unrolls with every branch and shift known when compiling.
template <int Bits>
void unpack_bits_grouped(const unsigned char* line, bool little, uint64_t count, uint16_t* codes)
{
    const uint64_t mask = (1u << Bits) - 1;
    const uint64_t groups = count / 32;
    for (uint64_t g = 0; g < groups; g++) {
        uint64_t acc = 0;
        int have = 0, word = 0;
#pragma GCC unroll 32
        for (int i = 0; i < 32; i++) {
            if (have < Bits) {
                acc |= (uint64_t)bufio_word32(line + 4 * word++, little) << have;
                have += 32;
            }
            codes[i] = (uint16_t)(acc & mask);
            acc >>= Bits;
            have -= Bits;
        }
        line += 4 * Bits;
        codes += 32;
    }
    unpack_bits(line, little, Bits, count - groups * 32, codes);
}

// Whole words of filled 10-bit samples, every shift but the method's known
// when compiling.
template <bool Little, bool LowFieldFirst>
void filled10_words(const unsigned char* line, int low, uint64_t words, uint16_t* codes)
{
    for (uint64_t w = 0; w < words; w++) {
        const uint32_t v = bufio_word32(line + 4 * w, Little) >> low;
        codes[3 * w] = (uint16_t)(v >> (LowFieldFirst ? 0 : 20) & 0x3FF);
        codes[3 * w + 1] = (uint16_t)(v >> 10 & 0x3FF);
        codes[3 * w + 2] = (uint16_t)(v >> (LowFieldFirst ? 20 : 0) & 0x3FF);
    }
}

#if defined(__x86_64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// Eight words a step: the three fields of each word as 32-bit lanes, codes 0
// and 1 joined in one lane, then within each 128-bit half the shuffles lay
// the four words' six-byte runs end to end: 16 bytes, then 8. Returns the
// words done.
__attribute__((target("avx2"))) uint64_t filled10_words_avx2(const unsigned char* line, bool little, int low,
                                                        bool low_field_first, uint64_t words, uint16_t* codes)
{
    const __m256i swap =
        _mm256_broadcastsi128_si256(_mm_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12));
    const __m256i mask = _mm256_set1_epi32(0x3FF);
    const __m128i first = _mm_cvtsi32_si128(low + (low_field_first ? 0 : 20)), middle = _mm_cvtsi32_si128(low + 10),
                  last = _mm_cvtsi32_si128(low + (low_field_first ? 20 : 0));
    const __m256i pairs_head =
        _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 1, 2, 3, -1, -1, 4, 5, 6, 7, -1, -1, 8, 9, 10, 11));
    const __m256i thirds_head =
        _mm256_broadcastsi128_si256(_mm_setr_epi8(-1, -1, -1, -1, 0, 1, -1, -1, -1, -1, 4, 5, -1, -1, -1, -1));
    const __m256i pairs_tail =
        _mm256_broadcastsi128_si256(_mm_setr_epi8(-1, -1, 12, 13, 14, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1));
    const __m256i thirds_tail =
        _mm256_broadcastsi128_si256(_mm_setr_epi8(8, 9, -1, -1, -1, -1, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1));
    uint64_t w = 0;
    for (; w + 8 <= words; w += 8) {
        __m256i v = _mm256_loadu_si256((const __m256i*)(line + 4 * w));
        if (!little)
            v = _mm256_shuffle_epi8(v, swap);
        const __m256i second = _mm256_and_si256(_mm256_srl_epi32(v, middle), mask);
        const __m256i pairs =
            _mm256_or_si256(_mm256_and_si256(_mm256_srl_epi32(v, first), mask), _mm256_slli_epi32(second, 16));
        const __m256i thirds = _mm256_and_si256(_mm256_srl_epi32(v, last), mask);
        const __m256i head =
            _mm256_or_si256(_mm256_shuffle_epi8(pairs, pairs_head), _mm256_shuffle_epi8(thirds, thirds_head));
        const __m256i tail =
            _mm256_or_si256(_mm256_shuffle_epi8(pairs, pairs_tail), _mm256_shuffle_epi8(thirds, thirds_tail));
        uint16_t* out = codes + 3 * w;
        _mm_storeu_si128((__m128i*)out, _mm256_castsi256_si128(head));
        _mm_storel_epi64((__m128i*)(out + 8), _mm256_castsi256_si128(tail));
        _mm_storeu_si128((__m128i*)(out + 12), _mm256_extracti128_si256(head, 1));
        _mm_storel_epi64((__m128i*)(out + 20), _mm256_extracti128_si256(tail, 1));
    }
    return w;
}
#endif

void unpack_filled10(const DECODE_LAYOUT* l, const unsigned char* line, uint64_t lead, uint64_t count, uint16_t* codes,
                     bool avx2)
{
    if (lead) { // the rest of the first word, then whole words from the next
        const uint64_t head = count < 3 - lead ? count : 3 - lead;
        for (uint64_t i = 0; i < head; i++)
            codes[i] = (uint16_t)(bufio_word32(line, l->little_endian) >> unpack_field_shift(l, lead + i) & 0x3FF);
        if (count > head)
            unpack_filled10(l, line + 4, 0, count - head, codes + head, avx2);
        return;
    }
    const bool little = l->little_endian;
    const int low = unpack_field_shift(l, l->low_field_first ? 0 : 2); // the lowest field's
    uint64_t words = count / 3;
#if defined(__x86_64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (avx2) {
        const uint64_t done = filled10_words_avx2(line, little, low, l->low_field_first, words, codes);
        line += 4 * done;
        codes += 3 * done;
        count -= 3 * done;
        words -= done;
    }
#else
    (void)avx2;
#endif
    if (little && l->low_field_first)
        filled10_words<true, true>(line, low, words, codes);
    else if (little)
        filled10_words<true, false>(line, low, words, codes);
    else if (l->low_field_first)
        filled10_words<false, true>(line, low, words, codes);
    else
        filled10_words<false, false>(line, low, words, codes);
    for (uint64_t i = 3 * words; i < count; i++)
        codes[i] = (uint16_t)(bufio_word32(line + 4 * words, little) >> unpack_field_shift(l, i - 3 * words) & 0x3FF);
}

} // namespace

int unpack_field_shift(const DECODE_LAYOUT* layout, uint64_t field)
{
    int low = layout->packing == 1 ? 2 : 0;
    return layout->low_field_first ? low + 10 * (int)field : low + 20 - 10 * (int)field;
}

bool unpack_line_span(const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size, uint32_t y,
                      UNPACK_LINE* line)
{
    // offset < 2^32, stride < 2^33 and y, width < 2^14: no overflow.
    uint64_t start, bytes;
    line->lead = 0;
    if (layout->unpadded) {
        const uint64_t first = (uint64_t)y * layout->line_samples;
        start = layout->offset + first / 3 * 4;
        line->lead = first % 3;
        bytes = (line->lead + layout->line_samples + 2) / 3 * 4;
    } else {
        start = layout->offset + (uint64_t)y * layout->line_stride;
        bytes = layout->line_bytes;
    }
    if (!image || start >= image_size)
        return false;
    uint64_t rest = image_size - start;
    line->at = image + start;
    line->available = rest < bytes ? rest : bytes;
    return true;
}

uint64_t unpack_present_samples(const DECODE_LAYOUT* layout, const UNPACK_LINE* line)
{
    const uint64_t available = line->available;
    uint64_t n;
    if (packed(layout))
        n = available / 4 * 32 / layout->bit_depth;
    else if (layout->bit_depth == 10)
        n = available / 4 * 3;
    else if (layout->bit_depth == 8)
        n = available;
    else if (layout->bit_depth == 12 || layout->bit_depth == 16)
        n = available / 2;
    else
        n = available / (layout->bit_depth / 8);
    n = n > line->lead ? n - line->lead : 0;
    return n < layout->line_samples ? n : layout->line_samples;
}

uint32_t unpack_present_pixels(const DECODE_LAYOUT* layout, uint64_t present)
{
    if (!layout->subsampled)
        return (uint32_t)(present / (uint64_t)layout->components);
    // The last sample a pixel needs grows with x: find the first pixel that
    // needs one beyond `present`.
    uint32_t lo = 0, hi = layout->width;
    while (lo < hi) {
        uint32_t mid = lo + (hi - lo) / 2;
        int64_t last = -1;
        for (int c = 0; c < layout->components; c++) {
            int64_t s = decode_sample_index(layout, mid, c);
            if (s > last)
                last = s;
        }
        if ((uint64_t)last < present)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void unpack_line_codes(const DECODE_LAYOUT* layout, const UNPACK_LINE* span, uint64_t count, uint16_t* codes,
                       bool avx2)
{
    const unsigned char* line = span->at;
    const bool little = layout->little_endian;
    switch (layout->bit_depth) {
    case 1:
        unpack_bits(line, little, 1, count, codes);
        return;
    case 8:
        for (uint64_t i = 0; i < count; i++)
            codes[i] = line[i];
        return;
    case 10:
        if (layout->packing == 0)
            unpack_bits_grouped<10>(line, little, count, codes);
        else
            unpack_filled10(layout, line, span->lead, count, codes, avx2);
        return;
    case 12:
        if (layout->packing == 0) {
            unpack_bits_grouped<12>(line, little, count, codes);
        } else {
            int shift = layout->packing == 1 ? 4 : 0;
            for (uint64_t i = 0; i < count; i++)
                codes[i] = (uint16_t)(bufio_word16(line + 2 * i, little) >> shift & 0xFFF);
        }
        return;
    default:
        for (uint64_t i = 0; i < count; i++)
            codes[i] = bufio_word16(line + 2 * i, little);
        return;
    }
}

void unpack_line_floats(const DECODE_LAYOUT* layout, const UNPACK_LINE* line, uint64_t count, float* values)
{
    const int bytes = layout->bit_depth / 8;
    for (uint64_t i = 0; i < count; i++)
        values[i] = (float)read_float(line->at + bytes * i, layout->bit_depth, layout->little_endian);
}

double unpack_sample(const DECODE_LAYOUT* layout, const UNPACK_LINE* span, uint64_t index)
{
    const unsigned char* line = span->at;
    index += span->lead;
    const bool little = layout->little_endian;
    const int bits = layout->bit_depth;
    if (packed(layout)) {
        uint64_t bit = index * (uint64_t)bits;
        uint64_t word = bit / 32;
        int shift = (int)(bit % 32);
        uint64_t v = bufio_word32(line + 4 * word, little) >> shift;
        if (shift + bits > 32)
            v |= (uint64_t)bufio_word32(line + 4 * word + 4, little) << (32 - shift);
        return (double)(v & ((1u << bits) - 1));
    }
    switch (bits) {
    case 8:
        return line[index];
    case 10:
        return (double)(bufio_word32(line + 4 * (index / 3), little) >> unpack_field_shift(layout, index % 3) & 0x3FF);
    case 12:
        return (double)(bufio_word16(line + 2 * index, little) >> (layout->packing == 1 ? 4 : 0) & 0xFFF);
    case 16:
        return bufio_word16(line + 2 * index, little);
    default:
        return read_float(line + (uint64_t)(bits / 8) * index, bits, little);
    }
}

bool unpack_pixel(const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size, uint32_t x, uint32_t y,
                  double codes[DECODE_MAX_COMPONENTS])
{
    if (x >= layout->width || y >= layout->height)
        return false;
    UNPACK_LINE line;
    if (!unpack_line_span(layout, image, image_size, y, &line))
        return false;
    uint64_t present = unpack_present_samples(layout, &line);
    if (x >= unpack_present_pixels(layout, present))
        return false;
    for (int c = 0; c < layout->components; c++) {
        int64_t s = decode_sample_index(layout, x, c);
        codes[c] = s < 0 ? decode_chroma_zero(layout) : unpack_sample(layout, &line, (uint64_t)s);
    }
    return true;
}
