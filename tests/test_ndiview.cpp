// The search for the NDI runtime, against recording stand-ins: each directory in turn,
// libndi.so.6 before .5 in each, and a candidate without all six functions closed again and
// passed over; without one, a line on standard error, nothing sent and no call into any library.
#include <dlfcn.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "ndiview/ndiview.h"

TEST(Ndi, SearchForTheRuntime) {
    const std::string standin = NDI_STANDIN_DIR, mixed = standin + "/mixed", partial = standin + "/partial";
    std::string dir = "/tmp/tessa-ndi-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(&dir[0]));
    std::filesystem::create_directory(dir + "/both"); // two complete runtimes: the one named .6 is taken
    std::filesystem::create_symlink(standin + "/libndi.so.6", dir + "/both/libndi.so.6");
    std::filesystem::create_symlink(mixed + "/libndi.so.5", dir + "/both/libndi.so.5");
    setenv("NDI_STANDIN_RECORD", (dir + "/calls").c_str(), 1);
    unsetenv("NDI_STANDIN_FAIL");
    struct { std::string v6, v5, used; } cases[] = {
        {dir, "", ""}, {partial, "", ""}, {dir, standin, standin + "/libndi.so.6"}, {standin, partial, standin + "/libndi.so.6"},
        {mixed, "", mixed + "/libndi.so.5"}, {partial, standin, standin + "/libndi.so.6"}, {dir + "/both", "", dir + "/both/libndi.so.6"},
    };
    for (const auto& c : cases) {
        setenv("NDI_RUNTIME_DIR_V6", c.v6.c_str(), 1);
        setenv("NDI_RUNTIME_DIR_V5", c.v5.c_str(), 1);
        NDIVIEW* v = nullptr;
        testing::internal::CaptureStderr();
        ndiview_open(&v);
        std::string err = testing::internal::GetCapturedStderr();
        ASSERT_NE(nullptr, v);
        Dl_info info = {};
        EXPECT_EQ(c.used, v->ready && dladdr((void*)v->runtime.initialize, &info) ? info.dli_fname : "") << c.v6;
        for (const std::string& lib : {partial + "/libndi.so.5", mixed + "/libndi.so.6"})
            EXPECT_EQ(nullptr, dlopen(lib.c_str(), RTLD_NOW | RTLD_NOLOAD)) << "still loaded: " << lib;
        EXPECT_STREQ(c.used.empty() ? "NDI runtime not found" : nullptr, ndiview_status_text(v));
        EXPECT_TRUE(c.used.empty() ? !err.rfind("NDI output unavailable: runtime not found (", 0) && err.find('\n') == err.size() - 1
                                   : err.empty()) << err;
        unsigned char pixels[16] = {};
        ndiview_transmit(v, pixels, 2, 2);
        ndiview_close(v);
        std::string calls, line;
        for (std::ifstream record(dir + "/calls"); std::getline(record, line);) calls += line.substr(0, line.find(' ')) + " ";
        EXPECT_EQ(c.used.empty() ? "" : "initialize send_create add_connection_metadata send_video send_destroy destroy ", calls);
        remove((dir + "/calls").c_str());
    }
    std::filesystem::remove_all(dir);
}
