// tessaview-dump: the command-line twin of Tessaview's File window.
#include "cli/cli.h"

int main(int argc, char** argv)
{
    return cli_run(argc, argv, stdout, stderr);
}
