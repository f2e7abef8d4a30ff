#include "cli/cli.h"

#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/cli_diff.h"
#include "cli/cli_json.h"
#include "cli/cli_sequence.h"
#include "cli/cli_text.h"
#include "budget/budget.h"
#include "dpx/dpx_layout.h"
#include "picture/padding.h"
#include "png/png_export.h"
#include "version/version.h"

namespace {

struct options {
    bool json = false;
    bool check = false;
    bool deep = false;
    CLI_SEQUENCE_OPTIONS sequence{};
    bool sequences = false;
    bool diff = false;
    std::string picture;
    int element = 1;
    std::vector<std::string> files;
};

bool has_error(const std::vector<CHECK_FINDING>& checks)
{
    for (const CHECK_FINDING& f : checks)
        if (f.severity == CHECK_ERROR)
            return true;
    return false;
}

// The checks that read the image data: padding-bits, for each element in
// use that the decoder reads.
void deep_checks(const DPX_FILE* file, std::vector<CHECK_FINDING>* checks)
{
    for (int e = 0; e < DPX_IMAGE_ELEMENT_COUNT && dpx_element_in_use(&file->header, e); e++) {
        DECODE_LAYOUT layout;
        char reason[DECODE_REASON_SIZE];
        PADDING_COUNT count;
        if (!decode_layout(&file->header, e, &layout, reason) ||
            !padding_count(&layout, file->image, file->image_size, &count) || count.set == 0)
            continue;
        char text[PADDING_TEXT_SIZE];
        padding_text(&layout, &count, text);
        checks->push_back(checks_padding_finding(e, text));
    }
}

// The file as far as its elements reach: what the pictures need.
bool load_pictures(const char* path, DPX_FILE* file, char* reason)
{
    uint64_t end;
    if (!dpx_file_image_reach(path, file, &end, reason))
        return false;
    dpx_file_free(file);
    return dpx_file_load_to(path, end, file, reason);
}

// Reads only the header and the user-defined header, so a file of any size
// costs what its header holds; --deep reads the image data too.
int dump_files(const options& o, FILE* out, FILE* err)
{
    bool refused = false, errors = false;
    if (o.json)
        fputs("[", out);
    for (size_t i = 0; i < o.files.size(); i++) {
        const char* path = o.files[i].c_str();
        DPX_FILE file;
        char reason[DPX_FILE_REASON_SIZE];
        std::string text;
        if (!(o.deep ? load_pictures(path, &file, reason) : dpx_file_load(path, DPX_FILE_HEADER_ONLY, &file, reason))) {
            refused = true;
            dpx_file_print_refusal(err, path, reason);
            text = cli_json_text(cli_json_refused(path, reason));
        } else {
            std::vector<CHECK_FINDING> checks = checks_run(&file.header, file.file_size);
            if (o.deep)
                deep_checks(&file, &checks);
            errors = errors || has_error(checks);
            if (o.json)
                text = cli_json_file_text(path, &file, checks, !o.check);
            else if (o.check)
                cli_text_checks(out, path, checks);
            else
                cli_text_file(out, path, &file, checks);
            dpx_file_free(&file);
        }
        if (o.json) {
            fputs(i ? ",\n" : "\n", out);
            fwrite(text.data(), 1, text.size(), out);
        }
    }
    if (o.json)
        fputs("\n]\n", out);
    if (refused)
        return CLI_REFUSED;
    return o.check && errors ? CLI_CHECK_ERRORS : CLI_OK;
}

bool export_refused(FILE* err, const char* path, const char* reason)
{
    fprintf(err, "cannot export %s: %s\n", path, reason);
    return false;
}

bool export_decoded(const options& o, const DPX_FILE* file, FILE* out, FILE* err)
{
    const char* path = o.files[0].c_str();
    DECODE_LAYOUT layout;
    char reason[DECODE_REASON_SIZE];
    if (!decode_layout(&file->header, o.element - 1, &layout, reason))
        return export_refused(err, path, reason);
    EXPORT_PICTURE picture;
    export_shape(&layout, layout.orientation, &picture);
    // The same bound as the Picture window's, for the one picture held here.
    if (!budget_take(picture.bytes)) {
        budget_refusal("picture", picture.bytes, reason, sizeof reason);
        return export_refused(err, path, reason);
    }
    std::vector<uint16_t> pixels((size_t)(picture.bytes + 1) / 2);
    uint64_t missing = 0;
    export_picture(&layout, file->image, file->image_size, &picture, (unsigned char*)pixels.data(), &missing);
    char written[PNG_EXPORT_REASON_SIZE];
    if (!png_export_write(o.picture.c_str(), &picture, (const unsigned char*)pixels.data(), written))
        return export_refused(err, path, written);
    if (missing)
        fprintf(err, "%s: %llu of %llu pixels have no bytes in the file and got the fallback colour\n", path,
                (unsigned long long)missing, (unsigned long long)layout.width * layout.height);
    fprintf(out, "%s: element %d, %u x %u, %d channel%s of %d bits, orientation %d applied\n", o.picture.c_str(),
            o.element, picture.width, picture.height, picture.channels, picture.channels > 1 ? "s" : "",
            picture.bits, picture.orientation);
    if (layout.reading[0])
        fprintf(out, "%s: read with %s\n", o.picture.c_str(), layout.reading);
    PADDING_COUNT count;
    if (padding_count(&layout, file->image, file->image_size, &count)) {
        char text[PADDING_TEXT_SIZE];
        padding_text(&layout, &count, text);
        fprintf(out, "%s: %s\n", o.picture.c_str(), text);
    }
    return true;
}

// The file is read as far as its elements reach, within the memory bound.
int export_png(const options& o, FILE* out, FILE* err)
{
    if (o.files.size() != 1) {
        fprintf(err, "--picture takes exactly one FILE\n");
        return CLI_USAGE;
    }
    const char* path = o.files[0].c_str();
    DPX_FILE file;
    char reason[DPX_FILE_REASON_SIZE];
    if (!load_pictures(path, &file, reason)) {
        dpx_file_print_refusal(err, path, reason);
        return CLI_REFUSED;
    }
    bool ok = export_decoded(o, &file, out, err);
    dpx_file_free(&file);
    return ok ? CLI_OK : CLI_REFUSED;
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
    app.add_flag("--deep", o.deep, "Read the image data too, for the checks that need it (padding-bits)");
    CLI::Option* picture =
        app.add_option("--picture", o.picture, "Write the decoded element, the right way up, to OUT.png (one FILE)")
            ->option_text("OUT.png");
    app.add_option("--element", o.element, "The element --picture writes (1 to 8; default 1)")
        ->check(CLI::Range(1, 8))
        ->needs(picture);
    CLI::Option* sequence =
        app.add_flag("--sequence", o.sequences, "The numbered sequences among the files and directories: gaps, broken "
                                                "frames, time code, changing fields")
            ->excludes(picture);
    app.add_flag("--frames", o.sequence.frames, "With --sequence: a line per frame")->needs(sequence);
    app.add_flag("--recursive", o.sequence.recursive, "With --sequence: subdirectories too")->needs(sequence);
    app.add_flag("--diff", o.diff, "The rows whose values differ between two FILEs; exit status 4 when one does")
        ->excludes(picture)
        ->excludes(sequence)
        ->excludes("--check")
        ->excludes("--deep");
    app.add_option("files", o.files, "DPX files, read whatever their names (with --sequence, directories too)")
        ->required();
    app.set_version_flag("--version", std::string("tessaview-dump ") + TESSA_VERSION);
    app.footer("Exit status: 0 every file was read, 1 a file was refused (or --picture could not write it),\n"
               "2 usage error, 3 --check found an error, 4 --diff found rows that differ.");
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
    if (o.diff) {
        if (o.files.size() != 2) {
            fprintf(err, "--diff takes exactly two FILEs\n");
            return CLI_USAGE;
        }
        return cli_diff_run(o.files[0].c_str(), o.files[1].c_str(), o.json, out, err);
    }
    if (o.sequences) {
        o.sequence.json = o.json;
        o.sequence.check = o.check;
        return cli_sequence_run(o.files, o.sequence, out, err);
    }
    return o.picture.empty() ? dump_files(o, out, err) : export_png(o, out, err);
}
