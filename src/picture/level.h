// The one rounding of the display transform: 0..1 to an output level.
#pragma once

// 0..1 to an 8- or 16-bit output level, rounded; below 0 and NaN as 0,
// above 1 as the top level. Branch-free: the levels of noisy pictures
// defeat the branch predictor.
template <typename Out>
inline Out level_from_unit(double v)
{
    v = v > 0 ? v : 0.0;
    v = v < 1 ? v : 1.0;
    return (Out)(v * (sizeof(Out) == 1 ? 255.0 : 65535.0) + 0.5);
}
