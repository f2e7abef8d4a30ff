#include "support/cli_run.h"

#include <cstdio>
#include <cstdlib>

#include "cli/cli.h"

run_result run(std::vector<std::string> args) {
    std::vector<const char*> argv = {"tessaview-dump"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    char *out, *err;
    size_t out_size, err_size;
    FILE *o = open_memstream(&out, &out_size), *e = open_memstream(&err, &err_size);
    int status = cli_run((int)argv.size(), argv.data(), o, e);
    fclose(o), fclose(e);
    run_result r{status, std::string(out, out_size), std::string(err, err_size)};
    free(out), free(err);
    return r;
}
