// The application's toggles, changed only from the main menu.
#pragma once

struct config_t {
    bool exit;
    bool about;
    bool use_ndi;
};
