// Writes crafted files into a directory. "hostile": the broken files, as
// fuzzing seeds and for the window tests to drop, with one line per file
// (name, "loads" or "refused", the expected text; tab-separated) so that
// those tests take the outcomes from the same list. "pixconv" and "decode":
// one small file per layout of the preview converter or the Picture decoder.
#include <cstdio>
#include <cstring>

#include "support/hostile_corpus.h"
#include "support/layout_corpus.h"

int main(int argc, char** argv)
{
    const char* kind = argc == 3 ? argv[1] : "";
    const bool hostile = !strcmp(kind, "hostile"), pixconv = !strcmp(kind, "pixconv");
    if (!hostile && !pixconv && strcmp(kind, "decode") != 0) {
        fprintf(stderr, "usage: %s hostile|pixconv|decode DIRECTORY\n", argv[0]);
        return 2;
    }
    if (hostile ? !hostile_corpus_write(argv[2])
                : !layout_corpus_write(pixconv ? layout_corpus_pixconv() : layout_corpus_decode(), argv[2])) {
        fprintf(stderr, "cannot write the files into %s\n", argv[2]);
        return 1;
    }
    if (hostile)
        for (const hostile_file& f : hostile_corpus())
            printf("%s\t%s\t%s\n", f.name.c_str(), f.loads ? "loads" : "refused", f.expect.c_str());
    return 0;
}
