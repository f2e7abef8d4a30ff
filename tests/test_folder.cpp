// Dropped directories: each scanned on a thread of its own whatever its name,
// one scan per directory until the GUI ends it, every thread joined at exit.
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "folder/folder.h"
#include "support/dpx_writer.h"
#include "workset/workset.h"

namespace {

void drop(const std::string& path) {
    const char* paths[] = {path.c_str()};
    dropCallback(nullptr, 1, paths);
}

FOLDER_SCAN* finished(size_t i) {
    while (!folder_scan_poll(folder_scans[i].get())) std::this_thread::yield();
    return folder_scans[i].get();
}

TEST(Folder, DropsScanDirectoriesOnceEach) {
    std::string root = "/tmp/tessa-folder-XXXXXX";
    ASSERT_TRUE(mkdtemp(&root[0]));
    for (const char* d : {"/shot", "/named.dpx", "/nothing"}) std::filesystem::create_directory(root + d);
    dpx_layout l;
    dpx_writer w = dpxw_image(l, std::vector<unsigned char>(32));
    for (const char* f : {"/shot/a.1.dpx", "/shot/a.2.dpx", "/shot/a.4.dpx", "/shot/look.dpx", "/named.dpx/b.7.dpx"})
        dpxw_save(w, root + f);
    const struct { const char* dir; size_t sequences, frames, singles, without; } cases[] = {
        {"/shot", 1, 3, 1, 0}, {"/named.dpx/", 1, 1, 0, 0}, {"/nothing", 0, 0, 0, 1}};
    for (const auto& c : cases) {
        drop(root + c.dir);
        drop(root + c.dir); // shown again, not scanned twice while not ended
        ASSERT_EQ(1u, folder_scans.size()) << c.dir;
        FOLDER_SCAN* f = finished(0);
        EXPECT_EQ(c.sequences, f->scan.sequences.size()) << c.dir;
        EXPECT_EQ(c.frames, f->scan.sequences.empty() ? 0 : f->scan.sequences[0].frames.size()) << c.dir;
        EXPECT_EQ(c.singles, f->scan.singles.size()) << c.dir;
        EXPECT_EQ(c.without, f->scan.without_dpx.size()) << c.dir;
        EXPECT_EQ(f->progress.found.load(), f->progress.read.load()) << c.dir;
        folder_scan_end(f, false);
    }
    // Running or not, every scan is cancelled and its thread joined.
    for (const auto& c : cases) drop(root + c.dir);
    EXPECT_EQ(3u, folder_scans.size());
    folder_shutdown();
    EXPECT_TRUE(folder_scans.empty());
    std::filesystem::remove_all(root);
}

} // namespace
