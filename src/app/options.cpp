#include "app/options.h"

#include <cstring>

#include "version/version.h"

namespace {

const char* const usage = "usage: tessaview [--help] [--version] [FILE...]";

} // namespace

OPTIONS_RESULT options_parse(int argc, char** argv, std::vector<const char*>* paths, FILE* out, FILE* err)
{
    bool options = true;
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        if (!options || arg[0] != '-' || arg[1] == '\0') {
            paths->push_back(arg);
        } else if (strcmp(arg, "--") == 0) {
            options = false;
        } else if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            fprintf(out, "%s\n\nOpens each FILE whose path contains \".dpx\" or \".DPX\" as if it had been dropped on\n"
                         "the window, in the order given; a directory opens a Sequence window per sequence of\n"
                         "frames in it. More files and directories can be dropped on the window.\n",
                    usage);
            return OPTIONS_DONE;
        } else if (strcmp(arg, "--version") == 0) {
            fprintf(out, "tessaview %s\n", TESSA_VERSION);
            return OPTIONS_DONE;
        } else {
            fprintf(err, "tessaview: unknown option %s\n%s\n", arg, usage);
            return OPTIONS_USAGE;
        }
    }
    return OPTIONS_RUN;
}
