#include "app/AppIcon.h"

#include "res/Resource.h"

// Outside any namespace, as resource registration requires.
static void EnsureResources() {
    // The icons live in a static library: register them before the first lookup.
    static const bool registered = [] {
        Q_INIT_RESOURCE(keldwick);
        return true;
    }();
    (void)registered;
}

QIcon LoadAppIcon(int resource) {
    EnsureResources();
    if (resource != res::IDR_MAINFRAME) {
        return {};
    }
    QIcon icon;
    for (int size : {16, 32, 48}) {
        icon.addFile(QStringLiteral(":/keldwick/icons/keldwick-%1.png").arg(size),
                     QSize(size, size));
    }
    return icon;
}
