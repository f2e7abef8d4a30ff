// Alpha, luma, RGB and RGBA converters: each output component is the top
// eight bits of one source sample.
#include "pixconv/pixconv_internal.h"
#include "pixconv/pixconv_vector.h"

namespace {

void grey8(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    pixconv_each_pixel<1>(src, src_size, dst, width, height,
                          [](const unsigned char* s, unsigned char* d) { pixconv_put(d, s[0], s[0], s[0], 255); });
}

// Every writer we know stores 8-bit RGB as red, green, blue.
void rgb8_pixel(const unsigned char* s, unsigned char* d)
{
    pixconv_put(d, s[0], s[1], s[2], 255);
}

#if PIXCONV_AVX2
// Sixteen pixels: four from each of four 16-byte loads, R, G, B moved into
// place and A set.
PIXCONV_TARGET_AVX2 void rgb8_step(const unsigned char* s, unsigned char* d)
{
    const __m256i spread =
        _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1));
    const __m256i alpha = _mm256_set1_epi32((int)0xFF000000u);
    for (int h = 0; h < 2; h++) {
        const unsigned char* p = s + 24 * h;
        __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128((const __m128i*)p)),
                                            _mm_loadu_si128((const __m128i*)(p + 12)), 1);
        pixconv_store32(d + 32 * h, _mm256_or_si256(_mm256_shuffle_epi8(v, spread), alpha));
    }
}

PIXCONV_TARGET_AVX2 void rgb8_avx2(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    pixconv_each_pixel_avx2<3, 16, 52, rgb8_step>(src, src_size, dst, width, height, rgb8_pixel);
}
#endif

// Four pixels are three words: r0 g0 b0 r1 | g1 b1 r2 g2 | b2 r3 g3 b3.
void rgb8(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
#if PIXCONV_AVX2
    if (pixconv_avx2())
        return rgb8_avx2(src, src_size, dst, width, height);
#endif
    pixconv_each_pixel_grouped<3, 4>(
        src, src_size, dst, width, height,
        [](const unsigned char* s, unsigned char* d) {
            uint32_t w0 = bufio_word32(s, true), w1 = bufio_word32(s + 4, true), w2 = bufio_word32(s + 8, true);
            const uint32_t a = 0xFF000000u;
            pixconv_stream(d, (w0 & 0xFFFFFF) | a);
            pixconv_stream(d + 4, (w0 >> 24 | w1 << 8) | a);
            pixconv_stream(d + 8, (w1 >> 16 | w2 << 16) | a);
            pixconv_stream(d + 12, w2 >> 8 | a);
        },
        rgb8_pixel);
}

// 10 bits filled to 32-bit words, method A: one pixel per word, R in bits
// 31..22, G in 21..12, B in 11..2. The top eight bits of each are kept.
void rgb10_word(uint32_t w, unsigned char* d)
{
    pixconv_put(d, w >> 24, w >> 14, w >> 4, 255);
}

#if PIXCONV_AVX2
// Eight words, big-endian ones turned round first: R, G, B are bits 31..22,
// 21..12 and 11..2 of the word, each kept to its top eight bits.
template <bool Swap>
PIXCONV_TARGET_AVX2 void rgb10_step(const unsigned char* s, unsigned char* d)
{
    __m256i w = _mm256_loadu_si256((const __m256i*)s);
    if (Swap)
        w = _mm256_shuffle_epi8(w, _mm256_broadcastsi128_si256(
                                       _mm_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12)));
    __m256i r = _mm256_srli_epi32(w, 24);
    __m256i g = _mm256_and_si256(_mm256_srli_epi32(w, 6), _mm256_set1_epi32(0xFF00));
    __m256i b = _mm256_and_si256(_mm256_slli_epi32(w, 12), _mm256_set1_epi32(0xFF0000));
    __m256i a = _mm256_set1_epi32((int)0xFF000000u);
    pixconv_store32(d, _mm256_or_si256(_mm256_or_si256(r, g), _mm256_or_si256(b, a)));
}

template <bool Swap, typename Pixel>
PIXCONV_TARGET_AVX2 void rgb10_avx2(const unsigned char* src, size_t src_size, unsigned char* dst, int width,
                                    int height, Pixel pixel)
{
    pixconv_each_pixel_avx2<4, 8, 32, rgb10_step<Swap>>(src, src_size, dst, width, height, pixel);
}
#endif

// Three 16-bit words per pixel; 12-bit samples sit in bits 15..4, so for
// both depths the high byte is the 8-bit value.
template <int High>
void rgb16_pixel(const unsigned char* s, unsigned char* d)
{
    pixconv_put(d, s[High], s[2 + High], s[4 + High], 255);
}

#if PIXCONV_AVX2
// Eight pixels from four overlapping 16-byte loads, two pixels of each: the
// first and third give pixels 0, 1 and 4, 5, the second and fourth 2, 3 and 6, 7.
template <int High>
PIXCONV_TARGET_AVX2 void rgb16_step(const unsigned char* s, unsigned char* d)
{
    const char h = High;
    const __m256i first = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(h, h + 2, h + 4, -1, h + 6, h + 8, h + 10, -1, -1, -1, -1, -1, -1, -1, -1, -1));
    const __m256i second = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, h, h + 2, h + 4, -1, h + 6, h + 8, h + 10, -1));
    __m256i x = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128((const __m128i*)s)),
                                        _mm_loadu_si128((const __m128i*)(s + 24)), 1);
    __m256i y = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128((const __m128i*)(s + 12))),
                                        _mm_loadu_si128((const __m128i*)(s + 36)), 1);
    __m256i v = _mm256_or_si256(_mm256_shuffle_epi8(x, first), _mm256_shuffle_epi8(y, second));
    pixconv_store32(d, _mm256_or_si256(v, _mm256_set1_epi32((int)0xFF000000u)));
}

template <int High>
PIXCONV_TARGET_AVX2 void rgb16_avx2(const unsigned char* src, size_t src_size, unsigned char* dst, int width,
                                    int height)
{
    pixconv_each_pixel_avx2<6, 8, 52, rgb16_step<High>>(src, src_size, dst, width, height, rgb16_pixel<High>);
}
#endif

template <int High>
void rgb16(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
#if PIXCONV_AVX2
    if (pixconv_avx2())
        return rgb16_avx2<High>(src, src_size, dst, width, height);
#endif
    pixconv_each_pixel<6>(src, src_size, dst, width, height, rgb16_pixel<High>);
}

const int high_byte_le = 1;
const int high_byte_be = 0;

} // namespace

void pixconv_d004_b08_p0_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    grey8(src, src_size, dst, width, height);
}

void pixconv_d006_b08_p1_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    grey8(src, src_size, dst, width, height);
}

void pixconv_d050_b08_p0_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb8(src, src_size, dst, width, height);
}

void pixconv_d050_b08_p0_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb8(src, src_size, dst, width, height);
}

void pixconv_d050_b08_p1_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb8(src, src_size, dst, width, height);
}

void pixconv_d050_b08_p1_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb8(src, src_size, dst, width, height);
}

void pixconv_d050_b10_p1_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    auto pixel = [](const unsigned char* s, unsigned char* d) { rgb10_word(bufio_word32(s, true), d); };
#if PIXCONV_AVX2
    if (pixconv_avx2())
        return rgb10_avx2<false>(src, src_size, dst, width, height, pixel);
#endif
    pixconv_each_pixel<4>(src, src_size, dst, width, height, pixel);
}

void pixconv_d050_b10_p1_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    auto pixel = [](const unsigned char* s, unsigned char* d) {
        // The word read the other way round: its bytes b0..b3 are bits 31..0.
        uint32_t v = bufio_word32(s, true);
        pixconv_put(d, v, (v >> 8 & 0xFF) << 2 | (v >> 22 & 3), (v >> 16 & 0xFF) << 4 | (v >> 28), 255);
    };
#if PIXCONV_AVX2
    if (pixconv_avx2())
        return rgb10_avx2<true>(src, src_size, dst, width, height, pixel);
#endif
    pixconv_each_pixel<4>(src, src_size, dst, width, height, pixel);
}

void pixconv_d050_b12_p1_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb16<high_byte_le>(src, src_size, dst, width, height);
}

void pixconv_d050_b12_p1_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb16<high_byte_be>(src, src_size, dst, width, height);
}

void pixconv_d050_b16_p0_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb16<high_byte_le>(src, src_size, dst, width, height);
}

void pixconv_d050_b16_p0_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb16<high_byte_be>(src, src_size, dst, width, height);
}

void pixconv_d050_b16_p1_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb16<high_byte_le>(src, src_size, dst, width, height);
}

void pixconv_d050_b16_p1_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb16<high_byte_be>(src, src_size, dst, width, height);
}

void pixconv_d051_b08_p0_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    pixconv_each_pixel<4>(src, src_size, dst, width, height,
                          [](const unsigned char* s, unsigned char* d) { memcpy(d, s, 4); });
}
