// Writes one small file per layout into a directory, as fuzzing seeds:
// "pixconv" for the preview converter's rows, "decode" for the Picture
// decoder's layouts.
#include <cstdio>
#include <cstring>

#include "support/layout_corpus.h"

int main(int argc, char** argv)
{
    if (argc != 3 || (strcmp(argv[1], "pixconv") != 0 && strcmp(argv[1], "decode") != 0)) {
        fprintf(stderr, "usage: %s pixconv|decode DIRECTORY\n", argv[0]);
        return 2;
    }
    bool pixconv = strcmp(argv[1], "pixconv") == 0;
    if (!layout_corpus_write(pixconv ? layout_corpus_pixconv() : layout_corpus_decode(), argv[2])) {
        fprintf(stderr, "cannot write the seeds into %s\n", argv[2]);
        return 1;
    }
    return 0;
}
