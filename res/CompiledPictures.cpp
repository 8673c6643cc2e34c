#include "res/CompiledPictures.h"

#include <QtGlobal>

#include <array>

// Outside any namespace, as resource registration requires.
static void EnsurePictureResources() {
    // The pictures live in a static library: register them before the first lookup.
    static const bool registered = [] {
        Q_INIT_RESOURCE(pictures);
        return true;
    }();
    static_cast<void>(registered);
}

namespace res {

namespace {

constexpr std::array kPictures = std::to_array<CompiledPicture>({
    {PictureKind::Icon, 128, ":/keldwick-pictures/icons/keldwick-48.png"},
    {PictureKind::Bitmap, 128, ":/keldwick-pictures/icons/keldwick-32.png"},
    {PictureKind::Bitmap, 130, ":/keldwick-pictures/pictures/bitmap-130.png"},
    {PictureKind::Bitmap, 140, ":/keldwick-pictures/pictures/strip-140.png"},
});

} // namespace

std::string CompiledPicturePath(PictureKind kind, int id) {
    EnsurePictureResources();
    for (const CompiledPicture& picture : kPictures) {
        if (picture.kind == kind && picture.id == id) {
            return picture.path;
        }
    }
    return {};
}

} // namespace res
