#include "gfx/CPictureBundle.h"

#include "gfx/CRegularFile.h"

#include <QResource>
#include <QString>

#include <atomic>

namespace gfx {

namespace {
// A bundle larger than this is not opened.
constexpr std::size_t kMaxBundleBytes = 64u << 20;
} // namespace

CPictureBundle::CPictureBundle(const std::string& file) {
    if (file.empty()) {
        return;
    }
    // Each bundle gets a root of its own, so two open bundles never mix their pictures.
    static std::atomic<unsigned> counter{0};
    m_root = "/keldwick-bundle-" + std::to_string(counter++);
    // Read from a regular file only, and held in memory while open: Qt's own reader would wait
    // forever on a FIFO or a pipe.
    CRegularFile source(file);
    if (!source || !source.ReadAll(kMaxBundleBytes, m_data) || m_data.empty()) {
        m_data.clear();
        return;
    }
    m_open = QResource::registerResource(m_data.data(), QString::fromStdString(m_root));
}

CPictureBundle::~CPictureBundle() {
    if (m_open) {
        QResource::unregisterResource(m_data.data(), QString::fromStdString(m_root));
    }
}

std::string CPictureBundle::PathOf(std::string_view entry) const {
    return ":" + m_root + "/" + std::string(entry);
}

} // namespace gfx
