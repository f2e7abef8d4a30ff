// A directory of a test's own under /tmp, removed with all it holds when the
// test ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

struct scratch {
    std::string dir = "/tmp/tessa-test-XXXXXX";
    scratch() { mkdtemp(&dir[0]); }
    ~scratch() { std::filesystem::remove_all(dir); }
    std::string at(const std::string& name) const { return dir + "/" + name; }
};
