#include "sequence/sequence_list.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>

#include <dirent.h>
#include <sys/stat.h>

namespace {

struct walk {
    SEQUENCE_LISTING* listing;
    std::map<std::string, size_t> folder_at; // directory -> index in folders
    std::set<std::pair<dev_t, ino_t>> visited;
    bool recursive;
};

SEQUENCE_FOLDER& folder(walk* w, const std::string& directory)
{
    auto found = w->folder_at.find(directory);
    if (found != w->folder_at.end())
        return w->listing->folders[found->second];
    w->folder_at[directory] = w->listing->folders.size();
    w->listing->folders.push_back({directory, {}});
    return w->listing->folders.back();
}

bool dpx_name(const char* name)
{
    return strstr(name, ".dpx") || strstr(name, ".DPX");
}

std::string joined(const std::string& directory, const char* name)
{
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

void refuse(walk* w, const std::string& path, int error)
{
    w->listing->refused.push_back({path, strerror(error)});
}

// Whether an entry is a directory; the type readdir gives is trusted unless
// it is a link or unknown. A link that cannot be followed is no directory.
bool is_directory(const std::string& path, unsigned char type)
{
    if (type != DT_LNK && type != DT_UNKNOWN)
        return type == DT_DIR;
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A link back to a directory already listed would loop.
bool first_visit(walk* w, const struct stat& info)
{
    return w->visited.insert({info.st_dev, info.st_ino}).second;
}

// Lists one directory not listed before; returns the count of DPX files
// under it, or -1 when it cannot be opened.
long list_directory(walk* w, const std::string& directory)
{
    DIR* dir = opendir(directory.c_str());
    if (!dir) {
        refuse(w, directory, errno);
        return -1;
    }
    std::vector<std::string> names, subdirectories;
    while (struct dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (!strcmp(name, ".") || !strcmp(name, ".."))
            continue;
        bool wanted = dpx_name(name);
        if (!wanted && !w->recursive)
            continue;
        std::string path = joined(directory, name);
        if (is_directory(path, entry->d_type)) {
            if (w->recursive)
                subdirectories.push_back(path);
        } else if (wanted) {
            names.push_back(name);
        }
    }
    closedir(dir);
    long found = (long)names.size();
    if (!names.empty()) {
        std::vector<std::string>& held = folder(w, directory).names;
        held.insert(held.end(), names.begin(), names.end());
    }
    std::sort(subdirectories.begin(), subdirectories.end());
    for (const std::string& sub : subdirectories) {
        struct stat info;
        if (stat(sub.c_str(), &info) != 0)
            refuse(w, sub, errno);
        else if (first_visit(w, info))
            found += std::max(0L, list_directory(w, sub));
    }
    return found;
}

// "a/b/" -> "a/b"; "/" stays.
std::string trimmed(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

void add_file(walk* w, const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        folder(w, "").names.push_back(path);
    else
        folder(w, slash == 0 ? "/" : path.substr(0, slash)).names.push_back(path.substr(slash + 1));
}

} // namespace

void sequence_list(const std::vector<std::string>& paths, bool recursive, SEQUENCE_LISTING* listing)
{
    walk w{listing, {}, {}, recursive};
    for (const std::string& given : paths) {
        std::string path = trimmed(given);
        struct stat info;
        if (path.empty() || stat(path.c_str(), &info) != 0) {
            refuse(&w, given, path.empty() ? ENOENT : errno);
            continue;
        }
        if (!S_ISDIR(info.st_mode)) {
            add_file(&w, path);
            continue;
        }
        if (first_visit(&w, info) && list_directory(&w, path) == 0)
            listing->without_dpx.push_back(path);
    }
    for (SEQUENCE_FOLDER& f : listing->folders) {
        std::sort(f.names.begin(), f.names.end());
        f.names.erase(std::unique(f.names.begin(), f.names.end()), f.names.end());
    }
}
