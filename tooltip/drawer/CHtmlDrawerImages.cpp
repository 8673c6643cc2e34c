// Pictures in the flow: the "bmp", "icon" and "ilst" tags, where their pictures come from, the
// box each takes on its line, and the animation of image strips.

#include "tooltip/drawer/CHtmlDrawer.h"

#include "gfx/CPictureBundle.h"
#include "res/CompiledPictures.h"
#include "tooltip/drawer/HtmlArithmetic.h"
#include "tooltip/drawer/HtmlMarkup.h"

#include <algorithm>

namespace tooltip {

namespace {

// The system's icon size, which percent sizes of icons are taken of.
constexpr int kSystemIconSize = 32;
// A picture is never drawn larger than this on either side, whatever its attributes ask.
constexpr int kMaxPictureSide = 4096;
// A picture file that would decode to more than this draws nothing.
constexpr std::size_t kMaxPictureBytes = 64u << 20;

int DrawnSide(int natural, int size, int percent) {
    const int side = percent != 0 ? MulDivRound(natural, size, 100) : size;
    return std::clamp(side, 0, kMaxPictureSide);
}

} // namespace

void CHtmlDrawer::RegisterPicture(int handle, gfx::CBitmap bitmap) {
    m_handleBitmaps[handle] = std::move(bitmap);
}

void CHtmlDrawer::RegisterIcon(int handle, gfx::CIcon icon) {
    m_handleIcons[handle] = std::move(icon);
}

void CHtmlDrawer::ForgetHandle(int handle) {
    m_handleBitmaps.erase(handle);
    m_handleIcons.erase(handle);
}

unsigned CHtmlDrawer::ParseImageStyle(std::string_view letters) const {
    unsigned flags = 0;
    for (const char c : letters) {
        switch (c) {
        case 'g':
            flags |= ImageGray;
            break;
        case 'd':
            flags |= ImageDarken;
            break;
        case 'l':
            flags |= ImageLighten;
            break;
        case 's':
            if (m_imageShadow.offsetX != 0 || m_imageShadow.offsetY != 0) {
                flags |= ImageSoftShadow;
            }
            break;
        default:
            break;
        }
    }
    return flags;
}

void CHtmlDrawer::ReadImageAttributes(std::string_view attributes, HtmlImageParams& p) const {
    std::size_t cursor = 0;
    std::string_view name;
    std::string_view value;
    auto length = [this, &value](int base) { return m_styles.ParseLength(base, value, false); };
    while (NextAttribute(attributes, cursor, name, value)) {
        if (name == "index") {
            p.index = length(p.index);
        } else if (name == "idres") {
            p.idres = length(p.idres);
        } else if (name == "iddll") {
            p.iddll = length(p.iddll);
        } else if (name == "handle") {
            p.handle = length(p.handle);
        } else if (name == "file" && !value.empty()) {
            p.file.assign(value);
        } else if (name == "srcdll" && !value.empty()) {
            p.srcdll.assign(value);
        } else if (name == "mask") {
            p.useMask = 1;
            p.maskColour = m_styles.ParseColour(p.maskColour, value);
        } else if (name == "style") {
            p.style = p.hotStyle = ParseImageStyle(value);
        } else if (name == "hotstyle") {
            p.hotStyle = ParseImageStyle(value);
        } else if (name == "cx") {
            p.cx = length(p.cx);
        } else if (name == "cy") {
            p.cy = length(p.cy);
        } else if (name == "width") {
            p.widthPercent = !value.empty() && value.back() == '%' ? 1 : 0;
            p.width = length(p.width);
        } else if (name == "height") {
            p.heightPercent = !value.empty() && value.back() == '%' ? 1 : 0;
            p.height = length(p.height);
        } else if (name == "speed") {
            p.speed = length(p.speed);
        }
    }
}

// The first source the attributes name gives the picture: the program's own pictures, a file,
// a bundle opened for the call, a picture the program registered.
gfx::CBitmap CHtmlDrawer::LoadBitmapImage(const HtmlImageParams& p) const {
    if (p.idres != 0) {
        const std::string path = res::CompiledPicturePath(res::PictureKind::Bitmap, p.idres);
        return path.empty() ? gfx::CBitmap() : gfx::CBitmap::LoadFile(path, kMaxPictureBytes);
    }
    if (!p.file.empty()) {
        return m_services.readPictureFiles ? gfx::CBitmap::LoadFile(p.file, kMaxPictureBytes)
                                           : gfx::CBitmap();
    }
    if (p.iddll != 0) {
        if (!m_services.readPictureFiles) {
            return {};
        }
        const gfx::CPictureBundle bundle(p.srcdll);
        return bundle ? gfx::CBitmap::LoadFile(bundle.PathOf(BundleEntry(p.iddll, false)),
                                               kMaxPictureBytes)
                      : gfx::CBitmap();
    }
    if (p.handle != 0) {
        const auto it = m_handleBitmaps.find(p.handle);
        return it == m_handleBitmaps.end() ? gfx::CBitmap() : it->second;
    }
    return {};
}

gfx::CIcon CHtmlDrawer::LoadIconImage(const HtmlImageParams& p, int width, int height) const {
    if (p.idres != 0) {
        const std::string path = res::CompiledPicturePath(res::PictureKind::Icon, p.idres);
        return path.empty() ? gfx::CIcon() : gfx::CIcon::LoadFile(path, width, height);
    }
    if (!p.file.empty()) {
        return m_services.readPictureFiles
                   ? gfx::CIcon::LoadFile(p.file, width, height, kMaxPictureBytes)
                   : gfx::CIcon();
    }
    if (p.iddll != 0) {
        if (!m_services.readPictureFiles) {
            return {};
        }
        const gfx::CPictureBundle bundle(p.srcdll);
        return bundle ? gfx::CIcon::LoadFile(bundle.PathOf(BundleEntry(p.iddll, true)), width,
                                             height, kMaxPictureBytes)
                      : gfx::CIcon();
    }
    if (p.handle != 0) {
        const auto it = m_handleIcons.find(p.handle);
        return it == m_handleIcons.end() ? gfx::CIcon() : it->second;
    }
    return {};
}

std::string CHtmlDrawer::BundleEntry(int id, bool icon) {
    return (icon ? "icons/" : "bitmaps/") + std::to_string(id) + ".png";
}

unsigned CHtmlDrawer::EffectiveImageFlags(const HtmlImageParams& p) const {
    const bool hovered = m_style.linkKind != LinkNone && m_linkCounter == m_hoveredLink;
    return hovered ? p.hotStyle : p.style;
}

bool CHtmlDrawer::HasShadowRoom(const HtmlImageParams& p) {
    return ((p.style | p.hotStyle) & (ImageSoftShadow | ImageHardShadow)) != 0;
}

HtmlSize CHtmlDrawer::BoxSize(const HtmlImageParams& p, int w, int h) const {
    if (w != 0 && h != 0 && HasShadowRoom(p)) {
        return {w + m_imageShadow.offsetX, h + m_imageShadow.offsetY};
    }
    return {w, h};
}

// Puts a picture's box on the line: it wraps like a word (onto a line of its own when the line
// already holds something), is placed by the vertical align, joins the link it stands in and is
// drawn with `draw` at its top-left corner.
template <typename Draw>
void CHtmlDrawer::PlaceImageBox(Flow& flow, HtmlSize box, int hv, bool drawn, Draw draw) {
    if (m_preparedWrap != 0 && flow.lineWidth != 0 && flow.inked &&
        static_cast<long long>(flow.lineWidth) - flow.mx < box.cx) {
        m_line.wrapped = 1;
        NewLine(flow, 1);
    }
    if (m_mode == LayoutMode::Measure) {
        m_line.alignment = m_style.textAlign;
    }
    const int top = ObjectTop(flow.y, hv);
    if (m_mode == LayoutMode::Draw && drawn) {
        AddHotArea(flow.x, top, flow.x + box.cx, top + box.cy);
        draw(flow.x, top);
    }
    Advance(flow, box.cx, box.cx);
}

void CHtmlDrawer::LayoutBitmap(Flow& flow, std::string_view attributes) {
    HtmlImageParams p;
    ReadImageAttributes(attributes, p);
    const gfx::CBitmap bitmap = LoadBitmapImage(p);
    if (!bitmap) {
        return;
    }
    const gfx::Size natural = m_drawManager.GetBitmapSize(bitmap);
    const int w = DrawnSide(natural.cx, p.width, p.widthPercent);
    const int h = DrawnSide(natural.cy, p.height, p.heightPercent);
    PlaceImageBox(flow, BoxSize(p, w, h), h, w > 0 && h > 0, [&](int x, int top) {
        m_drawManager.DrawBitmapImage(
            *m_dc, x, top, w, h, bitmap, p.useMask != 0, p.maskColour, EffectiveImageFlags(p),
            HasShadowRoom(p), m_imageShadow.offsetX, m_imageShadow.offsetY, m_imageShadow.depthX,
            m_imageShadow.depthY, m_imageShadow.colour);
    });
}

void CHtmlDrawer::LayoutIcon(Flow& flow, std::string_view attributes) {
    HtmlImageParams p;
    ReadImageAttributes(attributes, p);
    const int requestedWidth = DrawnSide(kSystemIconSize, p.width, p.widthPercent);
    const int requestedHeight = DrawnSide(kSystemIconSize, p.height, p.heightPercent);
    if (requestedWidth <= 0 || requestedHeight <= 0) {
        return;
    }
    const gfx::CIcon icon = LoadIconImage(p, requestedWidth, requestedHeight);
    if (!icon) {
        return;
    }
    const gfx::Size size = m_drawManager.GetIconSize(icon);
    const int w = std::min(size.cx, kMaxPictureSide);
    const int h = std::min(size.cy, kMaxPictureSide);
    PlaceImageBox(flow, BoxSize(p, w, h), h, w > 0 && h > 0, [&](int x, int top) {
        m_drawManager.DrawIconImage(*m_dc, x, top, w, h, icon, EffectiveImageFlags(p),
                                    HasShadowRoom(p), m_imageShadow.offsetX, m_imageShadow.offsetY,
                                    m_imageShadow.depthX, m_imageShadow.depthY,
                                    m_imageShadow.colour);
    });
}

void CHtmlDrawer::LayoutImageList(Flow& flow, std::string_view attributes) {
    HtmlImageParams p;
    ReadImageAttributes(attributes, p);
    const gfx::CBitmap strip = LoadBitmapImage(p);
    if (!strip) {
        return;
    }
    const gfx::Size size = m_drawManager.GetBitmapSize(strip);
    int cx = p.cx;
    int cy = p.cy;
    if (cx == 0 && cy == 0) {
        cx = cy = std::min(size.cx, size.cy);
    } else if (cx == 0) {
        cx = cy;
    } else if (cy == 0) {
        cy = cx;
    }
    if (cx <= 0 || cy <= 0) {
        return;
    }
    const int w = DrawnSide(cx, p.width, p.widthPercent);
    const int h = DrawnSide(cy, p.height, p.heightPercent);
    const int columns = size.cx / cx;
    const int rows = size.cy / cy;
    const long long frames = static_cast<long long>(columns) * rows;
    int index = p.index;
    if (p.speed > 0) {
        if (m_mode == LayoutMode::Measure) {
            m_animations.push_back(HtmlAnimation{
                p.index, static_cast<int>(std::min<long long>(frames, INT_MAX)), 0, p.speed});
        } else {
            ++m_animationCounter;
            if (static_cast<std::size_t>(m_animationCounter) < m_animations.size()) {
                index = m_animations[static_cast<std::size_t>(m_animationCounter)].frame;
            }
        }
    }
    if (index < 0 || index >= frames) {
        return;
    }
    const HtmlSize box = BoxSize(p, w, h);
    PlaceImageBox(flow, box, box.cy, w > 0 && h > 0, [&](int x, int top) {
        m_drawManager.DrawStripImage(
            *m_dc, x, top, w, h, strip, index, cx, cy, p.useMask != 0, p.maskColour,
            EffectiveImageFlags(p), HasShadowRoom(p), m_imageShadow.offsetX, m_imageShadow.offsetY,
            m_imageShadow.depthX, m_imageShadow.depthY, m_imageShadow.colour);
    });
}

bool CHtmlDrawer::HasAnimation() const {
    return std::any_of(m_animations.begin(), m_animations.end(), [](const HtmlAnimation& a) {
        return a.frameCount > 0 && a.ticksPerFrame > 0;
    });
}

bool CHtmlDrawer::OnTimer() {
    bool changed = false;
    for (HtmlAnimation& animation : m_animations) {
        if (animation.frameCount <= 0 || animation.ticksPerFrame <= 0) {
            continue;
        }
        if (++animation.tick >= animation.ticksPerFrame) {
            animation.tick = 0;
            animation.frame = animation.frame + 1 >= animation.frameCount ? 0 : animation.frame + 1;
            changed = true;
        }
    }
    return changed;
}

void CHtmlDrawer::SetAnimationFrame(int frame) {
    for (HtmlAnimation& animation : m_animations) {
        if (animation.frameCount > 0) {
            animation.frame =
                ((frame % animation.frameCount) + animation.frameCount) % animation.frameCount;
            animation.tick = 0;
        }
    }
}

} // namespace tooltip
