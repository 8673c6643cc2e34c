#pragma once
// A bundle of pictures in a Qt binary resource file (made with `rcc -binary`), opened for as long
// as the object lives: the pictures inside are read by path, like picture files. The bundle is
// read into memory from a regular file when opened.

#include <string>
#include <string_view>
#include <vector>

namespace gfx {

class CPictureBundle {
public:
    explicit CPictureBundle(const std::string& file);
    ~CPictureBundle();
    CPictureBundle(const CPictureBundle&) = delete;
    CPictureBundle& operator=(const CPictureBundle&) = delete;

    // Whether the file was a bundle and is open.
    explicit operator bool() const { return m_open; }
    // The path that the picture readers open for `entry` (such as "bitmaps/130.png").
    [[nodiscard]] std::string PathOf(std::string_view entry) const;

private:
    std::vector<unsigned char> m_data;
    std::string m_root;
    bool m_open = false;
};

} // namespace gfx
