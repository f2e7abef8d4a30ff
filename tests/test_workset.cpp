#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/workset.h"
#include "support/dpx_writer.h"

namespace {

struct WorksetTest : ::testing::Test {
    std::string dir;

    void SetUp() override
    {
        char tmpl[] = "/tmp/tessa-workset-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
        workset = workset_open();
    }

    void TearDown() override
    {
        workset_close(workset);
        workset = nullptr;
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(0, system(cmd.c_str()));
    }

    std::string file(const std::string& name, const std::vector<unsigned char>& bytes)
    {
        std::string path = dir + "/" + name;
        dpx_writer w{bytes, false};
        EXPECT_TRUE(dpxw_save(w, path));
        return path;
    }

    std::string dpx(const std::string& name, bool little = false)
    {
        dpx_layout layout;
        layout.little = little;
        return file(name, dpxw_image(layout, std::vector<unsigned char>(32, 0x40)).bytes);
    }

    // Drops the paths and returns what went to standard output and error.
    std::pair<std::string, std::string> drop(std::vector<std::string> paths)
    {
        std::vector<const char*> argv;
        for (const std::string& p : paths)
            argv.push_back(p.c_str());
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        dropCallback(nullptr, (int)argv.size(), argv.data());
        fflush(stdout);
        std::string out = testing::internal::GetCapturedStdout();
        return {out, testing::internal::GetCapturedStderr()};
    }

    std::vector<work_t*> entries()
    {
        std::vector<work_t*> list;
        workset_iterator(
            workset, [](work_t* w, void* user) { ((std::vector<work_t*>*)user)->push_back(w); }, &list);
        return list;
    }
};

} // namespace

TEST_F(WorksetTest, DropFiltersByNameAndNumbersInDropOrder)
{
    std::string a = dpx("a.dpx"), b = dpx("b.DPX", true);
    std::string c = file("c.txt", dpxw_image(dpx_layout(), {}).bytes);
    std::string mixed = dpx("shot.Dpx");
    mkdir((dir + "/x.dpx.d").c_str(), 0755);
    std::string inside = dpx("x.dpx.d/frame");
    std::string bak = dpx("shot.dpx.bak");

    auto [out, err] = drop({a, b, c, mixed, inside, bak});
    EXPECT_EQ("created workset for " + a + " (index=1)\n" + "created workset for " + b + " (index=2)\n" +
                  "created workset for " + inside + " (index=3)\n" + "created workset for " + bak +
                  " (index=4)\n",
              out);
    EXPECT_EQ("", err);
    std::vector<work_t*> list = entries();
    ASSERT_EQ(4u, list.size());
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(i + 1, list[i]->index);
        EXPECT_TRUE(list[i]->visible);
        EXPECT_TRUE(list[i]->texture_pending);
        EXPECT_EQ(0, list[i]->texture_id);
    }
    EXPECT_EQ(DPX_MAGIC_LITTLE_ENDIAN, list[1]->header.file_information.magic_number);
    EXPECT_EQ(list[0]->buffer + 8192, list[0]->header.image_data);
    EXPECT_EQ(8192u + 32, list[0]->buffer_size);
}

TEST_F(WorksetTest, RedropShowsTheSameEntryWithoutRereading)
{
    std::string a = dpx("a.dpx");
    drop({a});
    work_t* first = entries()[0];
    first->visible = false;
    first->texture_pending = false;
    first->texture_id = 7;
    dpx_layout other;
    other.width = 99;
    file("a.dpx", dpxw_image(other, {}).bytes);

    auto [out, err] = drop({a});
    EXPECT_EQ("found exising workset for " + a + "\n", out);
    ASSERT_EQ(1u, entries().size());
    EXPECT_EQ(first, entries()[0]);
    EXPECT_TRUE(first->visible);
    EXPECT_EQ(7, first->texture_id);
    EXPECT_FALSE(first->texture_pending);
    EXPECT_EQ(4u, first->header.image_information.pixels_per_line);

    // Another path text for the same file is another entry.
    std::string dotted = dir + "/./a.dpx";
    out = drop({dotted}).first;
    EXPECT_EQ("created workset for " + dotted + " (index=2)\n", out);
}

TEST_F(WorksetTest, RefusedFilesSayWhyAndTakeNoNumber)
{
    std::vector<unsigned char> header = dpxw_image(dpx_layout(), {}).bytes;
    std::vector<unsigned char> bad_magic = header;
    bad_magic[3] = 'Y';
    std::vector<unsigned char> user_short(header.begin(), header.begin() + 2079);
    user_short[35] = 64; // big-endian user-defined header length 64
    struct {
        std::string path;
        const char* reason;
    } refused[] = {
        {dir + "/missing.dpx", "cannot open"},
        {file("empty.dpx", {}), "too short"},
        {file("three.dpx", {'S', 'D', 'P'}), "too short"},
        {file("short.dpx", std::vector<unsigned char>(header.begin(), header.begin() + 2047)), "too short"},
        {file("user.dpx", user_short), "too short"},
        {file("magic.dpx", bad_magic), "not a DPX file"},
        {dir + "/" + std::string(1024, 'd') + ".dpx", "path too long"},
    };
    for (auto& r : refused) {
        auto [out, err] = drop({r.path});
        EXPECT_EQ("", out) << r.path;
        EXPECT_EQ(0u, err.find("refused " + r.path + ": ")) << err;
        EXPECT_NE(std::string::npos, err.find(r.reason)) << err;
        EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n')) << err;
        EXPECT_TRUE(entries().empty());
    }
    std::string ok = dpx("ok.dpx");
    EXPECT_EQ("created workset for " + ok + " (index=1)\n", drop({ok}).first);
}

TEST_F(WorksetTest, LongestAcceptedPathIs1023Characters)
{
    std::string name = "p.dpx";
    std::string path = dir + "/" + std::string(1023 - dir.size() - 1 - name.size(), 'q') + name;
    ASSERT_EQ(1023u, path.size());
    // The file system may refuse a name this long; the workset must not.
    std::string err = drop({path}).second;
    EXPECT_EQ(std::string::npos, err.find("path too long")) << err;
}

TEST_F(WorksetTest, EmptyWorksetIteratesNothing)
{
    EXPECT_TRUE(entries().empty());
    EXPECT_EQ(nullptr, workset->next);
}
