#pragma once
// The pictures compiled into the program that tip texts name by number ("idres"): icon 128 is
// the program's icon, bitmap 130 an information sign, bitmap 140 a strip of four 16 x 16 frames.

#include <string>

namespace res {

enum class PictureKind { Bitmap, Icon };

struct CompiledPicture {
    PictureKind kind;
    int id;
    const char* path; // a resource path that the picture readers open
};

// The path of picture `id` of that kind, or "" when the program has none.
[[nodiscard]] std::string CompiledPicturePath(PictureKind kind, int id);

} // namespace res
