// The search for the NDI runtime, against stand-ins: each directory in turn, libndi.so.6 before .5
// in each, a candidate without all six functions closed again and passed over; without one, the
// reason for the Tool menu.
#include <dlfcn.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "ndiview/ndiview.h"

TEST(Ndi, SearchForTheRuntime) {
    const std::string standin = NDI_STANDIN_DIR, mixed = standin + "/mixed", partial = standin + "/partial";
    std::string dir = "/tmp/tessa-ndi-XXXXXX", both = (mkdtemp(&dir[0]), dir + "/both"); // two complete runtimes
    std::filesystem::create_directory(both);
    std::filesystem::create_symlink(standin + "/libndi.so.6", both + "/libndi.so.6");
    std::filesystem::create_symlink(mixed + "/libndi.so.5", both + "/libndi.so.5");
    const std::string cases[][3] = {{dir, "", ""}, {partial, "", ""}, {dir, standin, standin + "/libndi.so.6"},
                                    {standin, partial, standin + "/libndi.so.6"}, {mixed, "", mixed + "/libndi.so.5"},
                                    {partial, standin, standin + "/libndi.so.6"}, {both, "", both + "/libndi.so.6"}};
    for (const auto& [v6, v5, used] : cases) {
        setenv("NDI_RUNTIME_DIR_V6", v6.c_str(), 1);
        setenv("NDI_RUNTIME_DIR_V5", v5.c_str(), 1);
        NDIVIEW* v = nullptr;
        ndiview_open(&v);
        Dl_info info = {};
        EXPECT_EQ(used, v->ready && dladdr((void*)v->runtime.initialize, &info) ? info.dli_fname : "") << v6;
        for (const std::string& lib : {partial + "/libndi.so.5", mixed + "/libndi.so.6"})
            EXPECT_EQ(nullptr, dlopen(lib.c_str(), RTLD_NOW | RTLD_NOLOAD)) << "still loaded: " << lib;
        EXPECT_STREQ(used.empty() ? "NDI runtime not found" : nullptr, ndiview_status_text(v));
        ndiview_close(v);
    }
    std::filesystem::remove_all(dir);
}
