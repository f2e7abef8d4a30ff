// The fuzzing seeds are what they say: each decoder seed decodes whole, each
// converter seed reaches its own row of the table.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "dpx/dpx_io.h"
#include "picture/decode.h"
#include "picture/transform.h"
#include "pixconv/pixconv.h"
#include "support/layout_corpus.h"

TEST(PictureSeeds, EveryDecoderSeedDecodesWithNoPixelMissing)
{
    std::set<std::string> names;
    std::vector<layout_seed> seeds = layout_corpus_decode();
    EXPECT_EQ(20u * 11 * 2, seeds.size());
    for (const layout_seed& s : seeds) {
        SCOPED_TRACE(s.name);
        EXPECT_TRUE(names.insert(s.name).second);
        DPX_HEADER h;
        ASSERT_EQ(DPX_IO_OK, dpx_io_header_read(s.bytes.data(), s.bytes.size(), &h));
        DECODE_LAYOUT l;
        char reason[DECODE_REASON_SIZE] = "";
        ASSERT_TRUE(decode_layout(&h, 0, &l, reason)) << reason;
        std::vector<unsigned char> rgba((size_t)l.width * l.height * 4);
        uint64_t missing = 1;
        transform_picture(&l, s.bytes.data(), s.bytes.size(), TRANSFORM_VIEW{TRANSFORM_COLOUR, 0}, rgba.data(),
                          &missing);
        EXPECT_EQ(0u, missing);
    }
}

TEST(PictureSeeds, EveryConverterSeedReachesItsRow)
{
    std::vector<layout_seed> seeds = layout_corpus_pixconv();
    ASSERT_EQ((size_t)PIXCONV_FORMAT_COUNT, seeds.size());
    for (size_t i = 0; i < seeds.size(); i++) {
        SCOPED_TRACE(seeds[i].name);
        DPX_HEADER h;
        ASSERT_EQ(DPX_IO_OK, dpx_io_header_read(seeds[i].bytes.data(), seeds[i].bytes.size(), &h));
        EXPECT_EQ(&format_table[i], pixconv_find(&h));
    }
}
