// The NDI sender against the recording stand-in runtime: every value that
// passes to the runtime, read back from its record.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "ndiview/ndiview.h"

namespace {

const char* const description =
    "<ndi_product long_name=\"NDILib Send Example.\"              short_name=\"NDILib Send\"              "
    "manufacturer=\"CoolCo, inc.\"              version=\"1.000.000\"              session=\"default\"              "
    "model_name=\"S1\"              serial=\"ABCDEFG\"/>";

struct NdiviewTest : ::testing::Test {
    std::string record;
    std::string empty_dir;

    void SetUp() override
    {
        char file[] = "/tmp/tessa-ndi-record-XXXXXX";
        int fd = mkstemp(file);
        ASSERT_GE(fd, 0);
        close(fd);
        record = file;
        char dir[] = "/tmp/tessa-ndi-empty-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(dir));
        empty_dir = dir;
        setenv("NDI_STANDIN_RECORD", record.c_str(), 1);
        setenv("NDI_RUNTIME_DIR_V6", NDI_STANDIN_DIR, 1);
        unsetenv("NDI_RUNTIME_DIR_V5");
        unsetenv("NDI_STANDIN_FAIL");
    }

    void TearDown() override
    {
        remove(record.c_str());
        rmdir(empty_dir.c_str());
    }

    std::vector<std::string> calls()
    {
        std::vector<std::string> lines;
        std::ifstream in(record);
        std::string line;
        while (std::getline(in, line))
            lines.push_back(line);
        return lines;
    }

    // Opens with standard error captured.
    NDIVIEW* open(std::string* err)
    {
        NDIVIEW* v = nullptr;
        testing::internal::CaptureStderr();
        EXPECT_EQ(0, ndiview_open(&v));
        *err = testing::internal::GetCapturedStderr();
        return v;
    }
};

std::string frame_line(const char* instance_xres_yres, const char* aspect, int stride, const void* data,
                       const char* checksum)
{
    char line[512];
    snprintf(line, sizeof line,
             "send_video instance=1 %s fourcc=0x41424752 rate=30000/1001 aspect=%s format=0 "
             "timecode=9223372036854775807 stride=%d data=%p checksum=%s",
             instance_xres_yres, aspect, stride, data, checksum);
    return line;
}

// Bytes cycle with a prime period, so no two rows are alike.
std::vector<unsigned char> picture(int width, int height)
{
    std::vector<unsigned char> pixels((size_t)width * height * 4);
    for (size_t i = 0; i < pixels.size(); i++)
        pixels[i] = (unsigned char)(i % 251);
    return pixels;
}

// With the runtime loaded but not started: no sender, nothing sent, yet the
// runtime is still shut down and the record freed (the sanitizer build
// reports it if not).
void expect_failed_start(NdiviewTest* t, const std::vector<std::string>& calls_before_destroy)
{
    std::string err;
    NDIVIEW* v = t->open(&err);
    ASSERT_NE(nullptr, v);
    EXPECT_EQ(0, v->ready);
    EXPECT_STREQ("NDI runtime not started", ndiview_status_text(v));
    EXPECT_EQ("NDI output unavailable: the runtime failed to start\n", err);
    unsigned char pixels[16] = {};
    EXPECT_EQ(0, ndiview_transmit(v, pixels, 2, 2));
    EXPECT_EQ(0, ndiview_close(v));
    std::vector<std::string> expected = calls_before_destroy;
    expected.push_back("destroy");
    EXPECT_EQ(expected, t->calls());
}

// No usable runtime: one line on standard error, nothing sent, no call into
// any library.
void expect_not_found(NdiviewTest* t, NDIVIEW* v, const std::string& err)
{
    EXPECT_EQ(0, v->ready);
    EXPECT_STREQ("NDI runtime not found", ndiview_status_text(v));
    EXPECT_EQ(0u, err.find("NDI output unavailable: runtime not found")) << err;
    EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n'));
    unsigned char pixels[16] = {};
    EXPECT_EQ(0, ndiview_transmit(v, pixels, 2, 2));
    EXPECT_EQ(0, ndiview_close(v));
    EXPECT_TRUE(t->calls().empty());
}

} // namespace

TEST_F(NdiviewTest, OpensSendsAndClosesThroughTheRuntime)
{
    std::string err;
    NDIVIEW* v = open(&err);
    ASSERT_NE(nullptr, v);
    EXPECT_EQ(1, v->ready);
    EXPECT_EQ(nullptr, ndiview_status_text(v));
    EXPECT_EQ("", err);
    EXPECT_EQ(249, v->metadata_frame.length);
    EXPECT_STREQ(description, v->metadata_text);

    std::vector<unsigned char> hd = picture(1920, 1080);
    std::vector<unsigned char> scan = picture(2048, 1556);
    EXPECT_EQ(0, ndiview_transmit(v, hd.data(), 1920, 1080));
    EXPECT_EQ(0, ndiview_transmit(v, scan.data(), 2048, 1556));
    EXPECT_EQ(0, ndiview_close(v));

    std::vector<std::string> got = calls();
    ASSERT_EQ(7u, got.size());
    EXPECT_EQ("initialize", got[0]);
    EXPECT_EQ("send_create name=Tessaview groups=(null) clock_video=1 clock_audio=0", got[1]);
    EXPECT_EQ(std::string("add_connection_metadata instance=1 length=249 timecode=9223372036854775807 data=") +
                  description,
              got[2]);
    // FNV-1a of the two pictures over height x stride bytes, worked out apart
    // from the stand-in; the same pointer shows the pixels were not copied.
    EXPECT_EQ(frame_line("xres=1920 yres=1080", "1.7777778", 7680, hd.data(), "ec2f6c9a6115d41c"), got[3]);
    EXPECT_EQ(frame_line("xres=2048 yres=1556", "1.3161954", 8192, scan.data(), "7e7c152b32e813a5"), got[4]);
    EXPECT_EQ("send_destroy instance=1", got[5]);
    EXPECT_EQ("destroy", got[6]);
}

TEST_F(NdiviewTest, FailedInitializeSendsNothingButStillShutsDown)
{
    setenv("NDI_STANDIN_FAIL", "initialize", 1);
    expect_failed_start(this, {"initialize"});
}

TEST_F(NdiviewTest, FailedCreateSendsNothingButStillShutsDown)
{
    setenv("NDI_STANDIN_FAIL", "create", 1);
    expect_failed_start(this, {"initialize", "send_create name=Tessaview groups=(null) clock_video=1 clock_audio=0"});
}

TEST_F(NdiviewTest, NoRuntimeLeavesOutputUnavailable)
{
    setenv("NDI_RUNTIME_DIR_V6", empty_dir.c_str(), 1);
    std::string err;
    NDIVIEW* v = open(&err);
    ASSERT_NE(nullptr, v);
    expect_not_found(this, v, err);
}

TEST_F(NdiviewTest, RuntimeLackingAFunctionIsNotUsed)
{
    setenv("NDI_RUNTIME_DIR_V6", NDI_STANDIN_DIR "/partial", 1);
    std::string err;
    NDIVIEW* v = open(&err);
    ASSERT_NE(nullptr, v);
    // Not even NDIlib_initialize, which that runtime has.
    expect_not_found(this, v, err);
}

TEST_F(NdiviewTest, RuntimeFoundThroughTheSecondDirectory)
{
    setenv("NDI_RUNTIME_DIR_V6", empty_dir.c_str(), 1);
    setenv("NDI_RUNTIME_DIR_V5", NDI_STANDIN_DIR, 1);
    std::string err;
    NDIVIEW* v = open(&err);
    ASSERT_NE(nullptr, v);
    EXPECT_EQ(1, v->ready);
    ndiview_close(v);
    std::vector<std::string> got = calls();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ("initialize", got[0]);
}

TEST_F(NdiviewTest, FirstDirectoryIsSearchedFirst)
{
    setenv("NDI_RUNTIME_DIR_V5", NDI_STANDIN_DIR "/partial", 1);
    std::string err;
    NDIVIEW* v = open(&err);
    ASSERT_NE(nullptr, v);
    EXPECT_EQ(1, v->ready);
    EXPECT_EQ("", err);
    ndiview_close(v);
}

// A candidate without the six functions is passed over, and closed, for the
// next one in the search order, whether in the same directory or the next.
TEST_F(NdiviewTest, RuntimeOfTheWrongKindGivesWayToTheNextCandidate)
{
    struct Case {
        const char* what;
        const char* v6;
        const char* v5;
        const char* passed_over;
        const char* used;
    };
    const Case cases[] = {
        {"a partial libndi.so.6 beside a complete libndi.so.5", NDI_STANDIN_DIR "/mixed", nullptr,
         NDI_STANDIN_DIR "/mixed/libndi.so.6", NDI_STANDIN_DIR "/mixed/libndi.so.5"},
        {"a partial runtime in the first directory, a complete one in the second", NDI_STANDIN_DIR "/partial",
         NDI_STANDIN_DIR, NDI_STANDIN_DIR "/partial/libndi.so.5", NDI_STANDIN_DIR "/libndi.so.6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setenv("NDI_RUNTIME_DIR_V6", c.v6, 1);
        if (c.v5)
            setenv("NDI_RUNTIME_DIR_V5", c.v5, 1);
        else
            unsetenv("NDI_RUNTIME_DIR_V5");
        remove(record.c_str());
        std::string err;
        NDIVIEW* v = open(&err);
        ASSERT_NE(nullptr, v);
        EXPECT_EQ(1, v->ready);
        EXPECT_EQ("", err);
        Dl_info info = {};
        if (v->runtime.initialize && dladdr((void*)v->runtime.initialize, &info))
            EXPECT_STREQ(c.used, info.dli_fname);
        else
            ADD_FAILURE() << "no runtime loaded";
        EXPECT_EQ(nullptr, dlopen(c.passed_over, RTLD_NOW | RTLD_NOLOAD)) << "still loaded: " << c.passed_over;
        ndiview_close(v);
        std::vector<std::string> got = calls();
        // Only the runtime taken was called: started, sender made and destroyed, shut down.
        EXPECT_EQ(5u, got.size());
        if (!got.empty()) {
            EXPECT_EQ("initialize", got.front());
            EXPECT_EQ("destroy", got.back());
        }
    }
}
