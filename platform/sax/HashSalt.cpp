#include "sax/HashSalt.h"

#include <chrono>
#include <random>
#include <sys/random.h>

namespace sax {

unsigned long NewHashSalt() {
    unsigned long salt = 0;
    if (getrandom(&salt, sizeof salt, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof salt)) {
        // Early in boot the pool may not be ready; the C++ library's device still gives a value
        // an outsider cannot guess from the document.
        std::random_device device;
        salt =
            (static_cast<unsigned long>(device()) << 32) ^ device() ^
            static_cast<unsigned long>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
    return salt != 0 ? salt : 1;
}

} // namespace sax
