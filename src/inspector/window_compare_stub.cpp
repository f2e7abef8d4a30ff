// Stands in for the Compare window until it is merged.
#include "inspector/window_compare.h"

#include <cstdio>

void window_compare_open(const char* path_a, const char* path_b)
{
    printf("compare %s with %s\n", path_a, path_b);
}

void window_compare_draw_all()
{
}

void window_compare_shutdown()
{
}
