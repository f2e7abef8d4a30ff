// Broken files: refused with a reason, or loaded and shown as far as they go.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/workset.h"
#include "dpx/dpx_io.h"
#include "pixconv/pixconv.h"
#include "support/headless_gui.h"
#include "support/hostile_corpus.h"
#include "support/thumbnail_stub.h"

namespace {

struct HostileTest : ::testing::Test {
    std::string dir;
    void SetUp() override
    {
        char tmpl[] = "/tmp/tessa-hostile-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
        ASSERT_TRUE(hostile_corpus_write(dir));
    }
    void TearDown() override { ASSERT_EQ(0, system(("rm -rf '" + dir + "'").c_str())); }
};

} // namespace

TEST_F(HostileTest, EachFileIsRefusedWithItsReasonOrLoaded)
{
    workset = workset_open();
    int next_index = 1;
    for (const hostile_file& f : hostile_corpus()) {
        std::string path = dir + "/" + f.name;
        const char* paths[] = {path.c_str()};
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        dropCallback(nullptr, 1, paths);
        fflush(stdout);
        std::string out = testing::internal::GetCapturedStdout();
        std::string err = testing::internal::GetCapturedStderr();
        if (f.loads) {
            EXPECT_EQ("created workset for " + path + " (index=" + std::to_string(next_index++) + ")\n", out);
            EXPECT_EQ("", err);
        } else {
            EXPECT_EQ("", out) << f.name;
            EXPECT_EQ(0u, err.find("refused " + path + ": ")) << err;
            EXPECT_NE(std::string::npos, err.find(f.expect)) << f.name << ": " << err;
        }
    }
    workset_close(workset);
    workset = nullptr;
}

TEST_F(HostileTest, LoadedFilesShowTheirHeaderAndWhyThereIsNoPicture)
{
    for (const hostile_file& f : hostile_corpus()) {
        if (!f.loads)
            continue;
        headless_gui_begin();
        thumbnail_stub_reset();
        headless_gui gui;
        headless_gui_load(&gui, f.bytes, 1);
        headless_gui_frame(&gui);
        std::string text = headless_gui_frame(&gui);
        EXPECT_NE(std::string::npos, text.find("Magic number (SDPX ASCII) 0x53445058")) << f.name;
        EXPECT_NE(std::string::npos, text.find("User defined data")) << f.name;
        if (f.expect.empty())
            EXPECT_EQ(std::string::npos, text.find("No preview")) << f.name;
        else
            EXPECT_NE(std::string::npos, text.find(f.expect)) << f.name << "\n" << text.substr(0, 400);
        headless_gui_end();
    }
}

TEST_F(HostileTest, PicturesConvertWhatExistsAndFillTheRest)
{
    for (const hostile_file& f : hostile_corpus()) {
        if (!f.loads)
            continue;
        DPX_HEADER h;
        ASSERT_EQ(DPX_IO_OK, dpx_io_header_read(f.bytes.data(), f.bytes.size(), &h)) << f.name;
        size_t bytes = 0;
        if (!pixconv_rgba_size(&h, &bytes))
            continue;
        std::vector<unsigned char> rgba(bytes);
        pixconv_execute(&h, rgba.data());
        size_t fallback = 0;
        for (size_t i = 0; i < bytes; i += 4)
            fallback += memcmp(&rgba[i], pixconv_fallback_rgba, 4) == 0;
        if (f.name == "cut-10bit.dpx") {
            // Half the rows and one pixel more hold whole words.
            EXPECT_EQ(64u * 64 - (64 * 32 + 1), fallback);
        } else if (h.image_data == nullptr) {
            EXPECT_EQ(bytes / 4, fallback) << f.name;
        }
    }
}
