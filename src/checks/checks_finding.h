// One finding of the checks: the record every rule adds and every reader shows.
#pragma once

#include <string>
#include <vector>

enum CHECK_SEVERITY {
    CHECK_ERROR,   // the file cannot be read as its header declares
    CHECK_WARNING, // it disagrees with the standard or with itself but can be read
    CHECK_NOTE,    // legal but unusual
};

struct CHECK_FINDING {
    CHECK_SEVERITY severity;
    const char* id;                  // stable: scripts rely on it ("file-size-mismatch", ...)
    std::string message;             // one line that states the numbers involved
    std::vector<const char*> fields; // header member paths, e.g. "image_information.image_element[1].offset_to_data"
};
