#include "gfx/CPictureBundle.h"

#include <QResource>
#include <QString>

#include <atomic>

namespace gfx {

CPictureBundle::CPictureBundle(const std::string& file) : m_file(file) {
    if (file.empty()) {
        return;
    }
    // Each bundle gets a root of its own, so two open bundles never mix their pictures.
    static std::atomic<unsigned> counter{0};
    m_root = "/keldwick-bundle-" + std::to_string(counter++);
    m_open =
        QResource::registerResource(QString::fromStdString(m_file), QString::fromStdString(m_root));
}

CPictureBundle::~CPictureBundle() {
    if (m_open) {
        QResource::unregisterResource(QString::fromStdString(m_file),
                                      QString::fromStdString(m_root));
    }
}

std::string CPictureBundle::PathOf(std::string_view entry) const {
    return ":" + m_root + "/" + std::string(entry);
}

} // namespace gfx
