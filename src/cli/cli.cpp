#include "cli/cli.h"

#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/cli_json.h"
#include "cli/cli_text.h"

namespace {

struct options {
    bool json = false;
    bool check = false;
    std::vector<std::string> files;
};

bool has_error(const std::vector<CHECK_FINDING>& checks)
{
    for (const CHECK_FINDING& f : checks)
        if (f.severity == CHECK_ERROR)
            return true;
    return false;
}

// Reads only the header and the user-defined header, so a file of any size
// costs what its header holds.
int dump_files(const options& o, FILE* out, FILE* err)
{
    bool refused = false, errors = false;
    if (o.json)
        fputs("[", out);
    for (size_t i = 0; i < o.files.size(); i++) {
        const char* path = o.files[i].c_str();
        DPX_FILE file;
        char reason[DPX_FILE_REASON_SIZE];
        nlohmann::ordered_json object;
        if (!dpx_file_load(path, DPX_FILE_HEADER_ONLY, &file, reason)) {
            refused = true;
            fprintf(err, "refused %s: %s\n", path, reason);
            object = cli_json_refused(path, reason);
        } else {
            std::vector<CHECK_FINDING> checks = checks_run(&file.header, file.file_size);
            errors = errors || has_error(checks);
            if (o.json)
                object = cli_json_file(path, &file, checks, !o.check);
            else if (o.check)
                cli_text_checks(out, path, checks);
            else
                cli_text_file(out, path, &file, checks);
            dpx_file_free(&file);
        }
        if (o.json)
            fprintf(out, "%s\n%s", i ? "," : "", cli_json_text(object).c_str());
    }
    if (o.json)
        fputs("\n]\n", out);
    if (refused)
        return CLI_REFUSED;
    return o.check && errors ? CLI_CHECK_ERRORS : CLI_OK;
}

} // namespace

int cli_run(int argc, const char* const* argv, FILE* out, FILE* err)
{
    CLI::App app{"Prints what Tessaview's File window shows for each DPX file: every header field with its\n"
                 "meaning, the bytes of the text fields and the user data, and the consistency checks.",
                 "tessaview-dump"};
    options o;
    app.add_flag("--json", o.json, "One JSON array with an object per file");
    app.add_flag("--check", o.check, "Only the checks; exit status 3 when a file has an error");
    app.add_option("files", o.files, "DPX files, read whatever their names")->required();
    app.set_version_flag("--version", std::string("tessaview-dump ") + TESSA_VERSION);
    app.footer("Exit status: 0 every file was read, 1 a file was refused, 2 usage error, 3 --check found an error.");
    // The option library reports through exceptions; they end here.
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        std::ostringstream text, error;
        int code = app.exit(e, text, error);
        fputs(text.str().c_str(), out);
        fputs(error.str().c_str(), err);
        return code == 0 ? CLI_OK : CLI_USAGE;
    }
    return dump_files(o, out, err);
}
