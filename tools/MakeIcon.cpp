// Draws the program's icon and writes it as a Windows icon file:
//   make-icon OUTPUT.ico [PREVIEW.png]
// An open orange box with a white sheet and a blue arrow rising out of it:
// a container unpacked into files. The .ico holds 48x48, 32x32 and 16x16
// 32-bit images; the optional PNG shows them enlarged on light and dark.
// res/VantoExtractor.ico is this program's output, byte for byte.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <numeric>
#include <vector>

#include "tests/fixtures/Bytes.h"
#include "tools/PngFile.h"

namespace {


struct SColor {
    uint8_t r, g, b;
};

// Integer coordinates and exact integer tests everywhere, so that every
// compiler and maths library draws the same pixels.
struct SPoint {
    int64_t x, y;
};

// A filled shape with an outline drawn inside its edge.
struct SShape {
    bool bCapsule = false;        // a thick segment instead of a polygon
    std::vector<SPoint> points;   // polygon corners, or the segment's two ends
    int64_t nRadius = 0;          // the capsule's half width
    int64_t nStroke = 0;          // outline width, 0 for none
    SColor fill{}, stroke{};
};

enum class EHit { None, Stroke, Fill };

// Squared distance of p to segment ab, as num / den (den > 0), without division.
void SegmentDistance2(SPoint p, SPoint a, SPoint b, int64_t& num, int64_t& den) {
    const int64_t dx = b.x - a.x, dy = b.y - a.y;
    const int64_t vx = p.x - a.x, vy = p.y - a.y;
    const int64_t len2 = dx * dx + dy * dy;
    const int64_t along = vx * dx + vy * dy;
    den = 1;
    if (len2 == 0 || along <= 0) {
        num = vx * vx + vy * vy;
    } else if (along >= len2) {
        const int64_t wx = p.x - b.x, wy = p.y - b.y;
        num = wx * wx + wy * wy;
    } else {
        const int64_t cross = vx * dy - vy * dx;
        num = cross * cross;
        den = len2;
    }
}

bool Closer(SPoint p, SPoint a, SPoint b, int64_t width) {
    int64_t num, den;
    SegmentDistance2(p, a, b, num, den);
    return num < width * width * den;
}

// Non-zero winding, so corners may be listed either way round.
bool InsidePolygon(SPoint p, const std::vector<SPoint>& poly) {
    int winding = 0;
    for (size_t i = 0; i < poly.size(); ++i) {
        const SPoint a = poly[i], b = poly[(i + 1) % poly.size()];
        const int64_t side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
        if (a.y <= p.y && b.y > p.y && side > 0)
            ++winding;
        else if (a.y > p.y && b.y <= p.y && side < 0)
            --winding;
    }
    return winding != 0;
}

EHit HitTest(const SShape& shape, SPoint p) {
    if (shape.bCapsule) {
        const SPoint a = shape.points[0], b = shape.points[1];
        if (!Closer(p, a, b, shape.nRadius))
            return EHit::None;
        const bool core = shape.nStroke == 0 || Closer(p, a, b, shape.nRadius - shape.nStroke);
        return core ? EHit::Fill : EHit::Stroke;
    }
    if (!InsidePolygon(p, shape.points))
        return EHit::None;
    for (size_t i = 0; shape.nStroke > 0 && i < shape.points.size(); ++i)
        if (Closer(p, shape.points[i], shape.points[(i + 1) % shape.points.size()], shape.nStroke))
            return EHit::Stroke;
    return EHit::Fill;
}

// Shapes back to front on a square canvas nUnits wide.
class CScene {
public:
    explicit CScene(int64_t nUnits) : m_nUnits(nUnits) {}

    CScene& Polygon(std::initializer_list<SPoint> corners, SColor fill, int64_t stroke = 0) {
        SShape shape;
        shape.points = std::vector<SPoint>(corners);
        shape.fill = fill;
        shape.nStroke = stroke;
        shape.stroke = kOutline;
        m_shapes.push_back(shape);
        return *this;
    }
    CScene& Capsule(SPoint a, SPoint b, int64_t radius, SColor fill, int64_t stroke = 0) {
        SShape shape;
        shape.bCapsule = true;
        shape.points = std::vector<SPoint>{a, b};
        shape.nRadius = radius;
        shape.fill = fill;
        shape.nStroke = stroke;
        shape.stroke = kOutline;
        m_shapes.push_back(shape);
        return *this;
    }

    int64_t Units() const { return m_nUnits; }
    const std::vector<SShape>& Shapes() const { return m_shapes; }

    // Dark warm brown: reads on light and dark backgrounds alike.
    static constexpr SColor kOutline{0x3b, 0x24, 0x16};

private:
    int64_t m_nUnits;
    std::vector<SShape> m_shapes;
};

constexpr SColor kFlap{0xf7, 0xbc, 0x62};
constexpr SColor kInside{0x8f, 0x4a, 0x1c};
constexpr SColor kFront{0xe8, 0x86, 0x2c};
constexpr SColor kHandle{0x9a, 0x4f, 0x1a};
constexpr SColor kSheet{0xff, 0xfd, 0xf6};
constexpr SColor kSheetLine{0x9c, 0xad, 0xbf};
constexpr SColor kArrow{0x2b, 0x7b, 0xe4};

// The 48x48 and 32x32 drawing. One unit is half a pixel at 48x48, so the
// 3-unit outline is 1.5 pixels there and exactly 1 pixel at 32x32.
CScene LargeDesign() {
    const int64_t w = 3;
    CScene scene(96);
    // Flaps folded out on both sides, then the dark inside of the box.
    scene.Polygon({{22, 36}, {12, 54}, {2, 48}, {12, 30}}, kFlap, w)
        .Polygon({{74, 36}, {84, 54}, {94, 48}, {84, 30}}, kFlap, w)
        .Polygon({{22, 36}, {74, 36}, {84, 54}, {12, 54}}, kInside, w);
    // A sheet leaning out to the left, its lines standing for text.
    scene.Polygon({{16, 22}, {40, 16}, {48, 56}, {24, 62}}, kSheet, w)
        .Capsule({23, 30}, {38, 26}, 1, kSheetLine)
        .Capsule({25, 38}, {40, 34}, 1, kSheetLine)
        .Capsule({26, 46}, {42, 42}, 1, kSheetLine);
    // The bold arrow rising out of the box.
    scene.Polygon({{57, 6}, {81, 30}, {66, 30}, {66, 64}, {48, 64}, {48, 30}, {33, 30}}, kArrow, w);
    // The front, hiding the sheet's and the arrow's feet, with a handle slot.
    // Its edges fall on whole pixels at 48 and at 32.
    scene.Polygon({{12, 54}, {84, 54}, {84, 88}, {82, 90}, {14, 90}, {12, 88}}, kFront, w)
        .Capsule({39, 72}, {57, 72}, 3, kHandle);
    return scene;
}

// The 16x16 drawing, on whole pixels: box, inside and arrow only.
CScene SmallDesign() {
    const int64_t w = 1;
    CScene scene(16);
    scene.Polygon({{3, 8}, {13, 8}, {15, 10}, {1, 10}}, kInside, w)
        .Polygon({{8, 0}, {15, 7}, {11, 7}, {11, 12}, {5, 12}, {5, 7}, {1, 7}}, kArrow, w)
        .Polygon({{1, 10}, {15, 10}, {15, 15}, {14, 16}, {2, 16}, {1, 15}}, kFront, w);
    return scene;
}

// Straight (not premultiplied) RGBA, rows top to bottom.
struct SImage {
    int nSize = 0;
    Bytes rgba;
};

// nSamples x nSamples points per pixel; a pixel's alpha is the share of
// points that hit a shape, its colour the mean colour of those points.
SImage Render(const CScene& scene, int size, int nSamples) {
    // A sample's position is (2k + 1) / (2 size nSamples) of the canvas: scale
    // both it and the shapes to integers, by the smallest common factor.
    const int64_t span = 2 * int64_t(size) * nSamples;
    const int64_t g = std::gcd(scene.Units(), span);
    const int64_t sampleScale = scene.Units() / g, shapeScale = span / g;
    std::vector<SShape> shapes = scene.Shapes();
    for (SShape& shape : shapes) {
        for (SPoint& p : shape.points)
            p = {p.x * shapeScale, p.y * shapeScale};
        shape.nRadius *= shapeScale;
        shape.nStroke *= shapeScale;
    }

    SImage image;
    image.nSize = size;
    image.rgba.assign(size_t(size) * size * 4, 0);
    const int64_t total = int64_t(nSamples) * nSamples;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int64_t hits = 0, r = 0, gr = 0, b = 0;
            for (int sy = 0; sy < nSamples; ++sy) {
                for (int sx = 0; sx < nSamples; ++sx) {
                    const SPoint p = {(2 * (int64_t(x) * nSamples + sx) + 1) * sampleScale,
                                      (2 * (int64_t(y) * nSamples + sy) + 1) * sampleScale};
                    // Front to back: the first shape hit is the one seen.
                    for (auto it = shapes.rbegin(); it != shapes.rend(); ++it) {
                        const EHit hit = HitTest(*it, p);
                        if (hit == EHit::None)
                            continue;
                        const SColor c = hit == EHit::Fill ? it->fill : it->stroke;
                        ++hits;
                        r += c.r;
                        gr += c.g;
                        b += c.b;
                        break;
                    }
                }
            }
            if (hits == 0)
                continue;  // fully transparent pixels stay all zero
            uint8_t* px = &image.rgba[(size_t(y) * size + x) * 4];
            px[0] = uint8_t((r + hits / 2) / hits);
            px[1] = uint8_t((gr + hits / 2) / hits);
            px[2] = uint8_t((b + hits / 2) / hits);
            px[3] = uint8_t((hits * 255 + total / 2) / total);
        }
    }
    return image;
}

// One icon image: BITMAPINFOHEADER (height doubled for the two masks), BGRA
// pixels bottom-up, then the 1-bit AND mask bottom-up, set where alpha is 0.
// Windows versions without alpha blending draw through that mask.
Bytes IconImage(const SImage& image) {
    const uint32_t size = uint32_t(image.nSize);
    const uint32_t maskStride = (size + 31) / 32 * 4;
    const uint32_t colourBytes = size * size * 4, maskBytes = maskStride * size;
    Bytes out;
    PutLe32(out, 40);            // biSize
    PutLe32(out, size);          // biWidth
    PutLe32(out, size * 2);      // biHeight: colour and mask
    PutLe16(out, 1);             // biPlanes
    PutLe16(out, 32);            // biBitCount
    PutLe32(out, 0);             // biCompression: BI_RGB
    PutLe32(out, colourBytes + maskBytes);  // biSizeImage
    PutLe32(out, 0);             // biXPelsPerMeter
    PutLe32(out, 0);             // biYPelsPerMeter
    PutLe32(out, 0);             // biClrUsed
    PutLe32(out, 0);             // biClrImportant
    for (uint32_t row = size; row-- > 0;) {
        for (uint32_t x = 0; x < size; ++x) {
            const uint8_t* px = &image.rgba[(size_t(row) * size + x) * 4];
            out.insert(out.end(), {px[2], px[1], px[0], px[3]});
        }
    }
    for (uint32_t row = size; row-- > 0;) {
        Bytes bits(maskStride, 0);
        for (uint32_t x = 0; x < size; ++x)
            if (image.rgba[(size_t(row) * size + x) * 4 + 3] == 0)
                bits[x / 8] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), bits.begin(), bits.end());
    }
    return out;
}

// ICONDIR, one ICONDIRENTRY per image, then the images in the same order.
Bytes IconFile(const std::vector<SImage>& images) {
    std::vector<Bytes> bodies;
    for (const SImage& image : images)
        bodies.push_back(IconImage(image));
    Bytes out;
    PutLe16(out, 0);  // reserved
    PutLe16(out, 1);  // type: icon
    PutLe16(out, uint32_t(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(uint8_t(images[i].nSize));  // bWidth (0 would mean 256)
        out.push_back(uint8_t(images[i].nSize));  // bHeight
        out.push_back(0);                          // bColorCount: no palette
        out.push_back(0);                          // bReserved
        PutLe16(out, 1);                           // wPlanes
        PutLe16(out, 32);                          // wBitCount
        PutLe32(out, uint32_t(bodies[i].size()));  // dwBytesInRes
        PutLe32(out, offset);                      // dwImageOffset
        offset += uint32_t(bodies[i].size());
    }
    for (const Bytes& body : bodies)
        out.insert(out.end(), body.begin(), body.end());
    return out;
}

// The images enlarged 8 times and at their own size, over a light and a dark
// band, as an RGB PNG: for looking at the drawing, not for shipping.
Bytes PreviewPng(const std::vector<SImage>& images) {
    const int zoom = 8, gap = 12;
    int width = gap, bandHeight = 0;
    for (const SImage& image : images) {
        width += image.nSize * zoom + gap;
        bandHeight = std::max(bandHeight, image.nSize * zoom);
    }
    for (const SImage& image : images)
        width += image.nSize + gap;
    bandHeight += 2 * gap;
    const int height = 2 * bandHeight;
    const SColor backgrounds[2] = {{0xf3, 0xf3, 0xf3}, {0x20, 0x22, 0x26}};
    std::vector<SColor> canvas(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            canvas[size_t(y) * width + x] = backgrounds[y / bandHeight];

    auto blit = [&](const SImage& image, int left, int top, int scale, const SColor& back) {
        for (int y = 0; y < image.nSize * scale; ++y) {
            for (int x = 0; x < image.nSize * scale; ++x) {
                const uint8_t* px = &image.rgba[(size_t(y / scale) * image.nSize + x / scale) * 4];
                auto mix = [&](uint8_t fore, uint8_t backValue) {
                    return uint8_t((fore * px[3] + backValue * (255 - px[3]) + 127) / 255);
                };
                canvas[size_t(top + y) * width + left + x] = {mix(px[0], back.r), mix(px[1], back.g),
                                                              mix(px[2], back.b)};
            }
        }
    };
    for (int band = 0; band < 2; ++band) {
        int left = gap;
        for (int scale : {zoom, 1}) {
            for (const SImage& image : images) {
                blit(image, left, band * bandHeight + gap, scale, backgrounds[band]);
                left += image.nSize * scale + gap;
            }
        }
    }

    Bytes rgb;
    rgb.reserve(canvas.size() * 3);
    for (const SColor& c : canvas)
        rgb.insert(rgb.end(), {c.r, c.g, c.b});
    return EncodePngRgb(width, height, rgb);
}

bool WriteFile(const char* path, const Bytes& data) {
    FILE* out = std::fopen(path, "wb");
    // Closed whether or not the write went through.
    const bool written = out && std::fwrite(data.data(), 1, data.size(), out) == data.size();
    if (out && std::fclose(out) == 0 && written)
        return true;
    std::perror(path);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make-icon OUTPUT.ico [PREVIEW.png]\n");
        return 2;
    }
    // Largest first: 16 samples a side smooth the edges of the big drawing;
    // the small one sits on whole pixels and stays crisp.
    const std::vector<SImage> images = {Render(LargeDesign(), 48, 16), Render(LargeDesign(), 32, 16),
                                        Render(SmallDesign(), 16, 16)};
    if (!WriteFile(argv[1], IconFile(images)))
        return 1;
    if (argc == 3 && !WriteFile(argv[2], PreviewPng(images)))
        return 1;
    return 0;
}
