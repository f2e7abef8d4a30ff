// Writes the crafted broken files into a directory: fuzzing seeds and the
// files the end-to-end tests drop. Prints one line per file, name, "loads" or
// "refused" and the expected text, tab-separated, so the window tests take
// the outcomes from the same list.
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
    for (const hostile_file& f : hostile_corpus())
        printf("%s\t%s\t%s\n", f.name.c_str(), f.loads ? "loads" : "refused", f.expect.c_str());
    return 0;
}
