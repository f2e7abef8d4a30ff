// Writes the crafted broken files into a directory: fuzzing seeds and the
// files the end-to-end tests drop.
#include <cstdio>

#include "support/hostile_corpus.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    if (!hostile_corpus_write(argv[1])) {
        fprintf(stderr, "cannot write the corpus into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
