#include "tools/mediagen/preview.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "tools/mediagen/icon.h"
#include "tools/mediagen/image.h"
#include "tools/mediagen/mesh.h"
#include "tools/mediagen/random.h"

namespace {

struct Shape {
    std::string texture;
    std::vector<MeshVertex> vertices;
    std::vector<int32_t> indices;
};

const std::vector<uint8_t>* Find(const std::vector<ZipEntry>& entries, const std::string& name) {
    for (const ZipEntry& e : entries) {
        if (e.name == name) return &e.bytes;
    }
    return nullptr;
}

float ReadFloat(const uint8_t* p) {
    float f;
    std::memcpy(&f, p, 4);
    return f;
}

int32_t ReadInt(const uint8_t* p) {
    return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) |
                                (static_cast<uint32_t>(p[3]) << 24));
}

// Reads R3M records back into the Y-up frame.
std::vector<Shape> DecodeR3M(const std::vector<uint8_t>& data) {
    std::vector<Shape> shapes;
    size_t at = 0;
    while (at + 54 <= data.size()) {
        int32_t flag = ReadInt(&data[at]);
        Shape shape;
        shape.texture = std::string(reinterpret_cast<const char*>(&data[at + 4]));
        if (shape.texture.empty()) break;
        at += flag > 0 ? 104 : 54;
        int32_t v = ReadInt(&data[at]), t = ReadInt(&data[at + 4]);
        at += 8;
        for (int i = 0; i < v; ++i, at += 40) {
            const uint8_t* p = &data[at];
            MeshVertex m;
            m.position = {ReadFloat(p), ReadFloat(p + 8), -ReadFloat(p + 4)};
            m.normal = {ReadFloat(p + 12), ReadFloat(p + 20), -ReadFloat(p + 16)};
            m.u = ReadFloat(p + 24);
            m.v = 1.0f - ReadFloat(p + 28);
            shape.vertices.push_back(m);
        }
        for (int i = 0; i < 3 * t; ++i, at += 4) shape.indices.push_back(ReadInt(&data[at]));
        shapes.push_back(shape);
    }
    return shapes;
}

Image DecodeJpeg(const std::vector<uint8_t>& data) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    Image image(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height));
    std::vector<uint8_t> row(cinfo.output_width * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&cinfo, rows, 1);
        for (int x = 0; x < image.width; ++x) {
            uint8_t* p = image.At(x, y);
            p[0] = row[x * 3];
            p[1] = row[x * 3 + 1];
            p[2] = row[x * 3 + 2];
            p[3] = 255;
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return image;
}

// Our own TGA and BMP layouts only: uncompressed TGA, bottom-up BMP.
Image DecodeTga(const std::vector<uint8_t>& d) {
    int w = d[12] | (d[13] << 8), h = d[14] | (d[15] << 8), bytes = d[16] / 8;
    bool topFirst = (d[17] & 0x20) != 0;
    Image image(w, h);
    for (int i = 0; i < w * h; ++i) {
        const uint8_t* p = &d[18 + static_cast<size_t>(i) * bytes];
        int y = topFirst ? i / w : h - 1 - i / w;
        uint8_t* q = image.At(i % w, y);
        q[0] = p[2], q[1] = p[1], q[2] = p[0], q[3] = bytes == 4 ? p[3] : 255;
    }
    return image;
}

Image DecodeBmp(const std::vector<uint8_t>& d) {
    int w = ReadInt(&d[18]), h = ReadInt(&d[22]);
    int row = (w * 3 + 3) & ~3;
    Image image(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &d[54 + static_cast<size_t>(h - 1 - y) * row + x * 3];
            uint8_t* q = image.At(x, y);
            q[0] = p[2], q[1] = p[1], q[2] = p[0], q[3] = 255;
        }
    }
    return image;
}

enum class Blend { kOpaque, kAlpha, kAdd };

struct Camera {
    Vec3 eye, x, y, z;
    float focal;
};

Camera LookAt(Vec3 eye, Vec3 target, int height) {
    Camera c;
    c.eye = eye;
    c.z = Normalise(target - eye);
    c.x = Normalise(Cross({0, 1, 0}, c.z));
    c.y = Cross(c.z, c.x);
    c.focal = 0.5f * height / std::tan(0.5f * 0.785398f);
    return c;
}

struct ClipVertex {
    float x, y, z;  // view space
    float u, v, light;
};

class Raster {
public:
    Raster(int w, int h) : color(w, h), width(w), height(h), depth(static_cast<size_t>(w) * h) {
        Clear();
    }

    void Clear() {
        std::fill(depth.begin(), depth.end(), 1e30f);
        for (size_t i = 0; i < color.rgba.size(); i += 4) {
            color.rgba[i] = 255, color.rgba[i + 1] = 15, color.rgba[i + 2] = 255;
            color.rgba[i + 3] = 255;
        }
    }

    // Draws `shapes` with `textures`, transformed by `place` (world position of
    // a model-space point) and lit from above when `lit`.
    template <typename Place>
    void Draw(const Camera& cam, const std::vector<Shape>& shapes,
              const std::map<std::string, Image>& textures, Place place, bool lit, Blend blend,
              bool depthTest, Color tint = {1, 1, 1, 1}, const std::string& textureOverride = "") {
        for (const Shape& s : shapes) {
            auto found = textures.find(textureOverride.empty() ? s.texture : textureOverride);
            const Image* tex = found == textures.end() ? nullptr : &found->second;
            std::vector<ClipVertex> view;
            for (const MeshVertex& m : s.vertices) {
                Vec3 p = place(m.position) - cam.eye;
                float light = lit ? 0.25f + std::fmax(0.0f, Normalise(m.normal).y) : 1.0f;
                view.push_back({Dot(p, cam.x), Dot(p, cam.y), Dot(p, cam.z), m.u, m.v, light});
            }
            for (size_t i = 0; i + 2 < s.indices.size(); i += 3) {
                ClipVertex tri[3] = {view[s.indices[i]], view[s.indices[i + 1]],
                                     view[s.indices[i + 2]]};
                DrawClipped(cam, tri, tex, blend, depthTest, tint);
            }
        }
    }

    Image color;
    // Skips triangles that run counter-clockwise on screen, as the saver's
    // default cull mode does.
    bool cullBackFaces = false;

private:
    int width, height;
    std::vector<float> depth;

    void DrawClipped(const Camera& cam, ClipVertex* tri, const Image* tex, Blend blend,
                     bool depthTest, Color tint) {
        constexpr float kNear = 4.0f;
        std::vector<ClipVertex> poly;
        for (int i = 0; i < 3; ++i) {
            const ClipVertex& a = tri[i];
            const ClipVertex& b = tri[(i + 1) % 3];
            if (a.z >= kNear) poly.push_back(a);
            if ((a.z >= kNear) != (b.z >= kNear)) {
                float t = (kNear - a.z) / (b.z - a.z);
                poly.push_back({Mix(a.x, b.x, t), Mix(a.y, b.y, t), kNear, Mix(a.u, b.u, t),
                                Mix(a.v, b.v, t), Mix(a.light, b.light, t)});
            }
        }
        for (size_t i = 1; i + 1 < poly.size(); ++i) {
            RasterTriangle(cam, poly[0], poly[i], poly[i + 1], tex, blend, depthTest, tint);
        }
    }

    void RasterTriangle(const Camera& cam, const ClipVertex& a, const ClipVertex& b,
                        const ClipVertex& c, const Image* tex, Blend blend, bool depthTest,
                        Color tint) {
        const ClipVertex* v[3] = {&a, &b, &c};
        float sx[3], sy[3], iw[3];
        for (int i = 0; i < 3; ++i) {
            iw[i] = 1.0f / v[i]->z;
            sx[i] = 0.5f * width + cam.focal * v[i]->x * iw[i];
            sy[i] = 0.5f * height - cam.focal * v[i]->y * iw[i];
        }
        float area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
        if (std::fabs(area) < 1e-6f || (cullBackFaces && area < 0.0f)) return;
        int x0 = std::max(0, static_cast<int>(std::floor(std::min({sx[0], sx[1], sx[2]}))));
        int x1 = std::min(width - 1, static_cast<int>(std::ceil(std::max({sx[0], sx[1], sx[2]}))));
        int y0 = std::max(0, static_cast<int>(std::floor(std::min({sy[0], sy[1], sy[2]}))));
        int y1 = std::min(height - 1, static_cast<int>(std::ceil(std::max({sy[0], sy[1], sy[2]}))));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                float px = x + 0.5f, py = y + 0.5f;
                float w0 = ((sx[1] - px) * (sy[2] - py) - (sx[2] - px) * (sy[1] - py)) / area;
                float w1 = ((sx[2] - px) * (sy[0] - py) - (sx[0] - px) * (sy[2] - py)) / area;
                float w2 = 1.0f - w0 - w1;
                if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                float inv = w0 * iw[0] + w1 * iw[1] + w2 * iw[2];
                float z = 1.0f / inv;
                size_t at = static_cast<size_t>(y) * width + x;
                if (depthTest && z >= depth[at]) continue;
                float u = (w0 * a.u * iw[0] + w1 * b.u * iw[1] + w2 * c.u * iw[2]) * z;
                float t = (w0 * a.v * iw[0] + w1 * b.v * iw[1] + w2 * c.v * iw[2]) * z;
                float light = w0 * a.light + w1 * b.light + w2 * c.light;
                Color texel{1, 1, 1, 1};
                if (tex) {
                    int tx = static_cast<int>(std::floor((u - std::floor(u)) * tex->width));
                    int ty = static_cast<int>(std::floor((t - std::floor(t)) * tex->height));
                    texel = tex->Get(std::min(tx, tex->width - 1), std::min(ty, tex->height - 1));
                }
                Color src{texel.r * light * tint.r, texel.g * light * tint.g,
                          texel.b * light * tint.b, texel.a};
                Color dst = color.Get(x, y);
                if (blend == Blend::kOpaque) {
                    color.Set(x, y, src);
                    depth[at] = z;
                } else if (blend == Blend::kAlpha) {
                    if (src.a < 8.0f / 255.0f) continue;
                    Color out = MixColor(dst, src, src.a);
                    out.a = 1;
                    color.Set(x, y, out);
                } else {
                    color.Set(x, y, {dst.r + src.r, dst.g + src.g, dst.b + src.b, 1});
                }
            }
        }
    }
};

bool WritePng(const std::string& path, const Image& image) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        png_write_row(png, const_cast<png_bytep>(image.At(0, y)));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

// Leaf cluster placement as the saver computes it at full growth, no sway.
Vec3 PlaceLeaf(Vec3 p, Vec3 n, Vec3 b) {
    float cz = std::cos(n.z), sz = std::sin(n.z), cx = std::cos(n.y), sx = std::sin(n.y);
    float cy = std::cos(n.x), sy = std::sin(n.x);
    Vec3 r1{p.x * cz - p.y * sz, p.x * sz + p.y * cz, p.z};        // roll about Z
    Vec3 r2{r1.x, r1.y * cx - r1.z * sx, r1.y * sx + r1.z * cx};   // pitch about X
    Vec3 r3{r2.x * cy + r2.z * sy, r2.y, -r2.x * sy + r2.z * cy};  // yaw about Y
    return r3 + b;
}

}  // namespace

bool RenderPreviews(const std::vector<ZipEntry>& entries, const std::string& folder,
                    std::string* error) {
    std::map<std::string, std::vector<Shape>> models;
    std::map<std::string, Image> textures;
    for (const ZipEntry& e : entries) {
        if (e.name.rfind("models/", 0) == 0) models[e.name.substr(7)] = DecodeR3M(e.bytes);
        std::string name = e.name.rfind("texture/", 0) == 0 ? e.name.substr(8) : "";
        if (name.size() > 4) {
            std::string ext = name.substr(name.size() - 4);
            if (ext == ".jpg") textures[name] = DecodeJpeg(e.bytes);
            if (ext == ".tga") textures[name] = DecodeTga(e.bytes);
            if (ext == ".bmp") textures[name] = DecodeBmp(e.bytes);
        }
    }
    textures["treewallsmall.tga"] = textures["treewall0.tga"];
    if (!Find(entries, "models/sky.r3m")) {
        *error = "no sky model to preview";
        return false;
    }
    struct View {
        const char* name;
        Vec3 eye, target;
        bool night;
    };
    const View views[] = {
        {"preset0", {-50, 90, 200}, {0, 40, 0}, false},
        {"preset1", {180, 90, 120}, {0, 30, 60}, false},
        {"preset2", {1, 150, 220}, {0, 10, 0}, false},
        {"preset3", {-200, 50, -200}, {0, 20, 0}, false},
        {"preset4", {110, 150, -110}, {0, 50, 0}, false},
        {"preset5", {-190, 50, 190}, {0, 20, 0}, false},
        {"preset6", {110, 150, -110}, {0, 40, 0}, false},
        {"night0", {-50, 90, 200}, {0, 40, 0}, true},
        {"night3", {-200, 50, -200}, {0, 20, 0}, true},
        {"above", {0, 1400, 10}, {0, 0, 0}, false},
        {"tree", {-40, 45, 75}, {0, 45, 0}, false},
        {"sky", {0, 20, 0}, {600, 500, -350}, false},
        {"skynight", {0, 20, 0}, {150, 150, -600}, true},
    };
    auto identity = [](Vec3 p) { return p; };
    for (const View& view : views) {
        Raster raster(640, 480);
        raster.cullBackFaces = true;
        Camera cam = LookAt(view.eye, view.target, 480);
        Color shade = view.night ? Color{0.3f, 0.3f, 1.0f, 1} : Color{1, 1, 1, 1};
        const std::string night = view.night ? "_n" : "";
        for (const Shape& face : models["sky.r3m"]) {
            std::string name = face.texture;
            if (view.night) name = name.substr(0, name.size() - 4) + "_n.jpg";
            raster.Draw(cam, {face}, textures, identity, false, Blend::kOpaque, false, {1, 1, 1, 1},
                        name);
        }
        raster.Draw(cam, models["water.r3m"], textures, identity, false, Blend::kOpaque, true,
                    view.night ? Color{0.1f, 0.12f, 0.22f, 1} : Color{0.45f, 0.58f, 0.72f, 1});
        raster.Draw(cam, models["pena.r3m"], textures, identity, false, Blend::kAdd, false);
        raster.Draw(cam, models["scene1.r3m"], textures, identity, view.night, Blend::kOpaque, true,
                    view.night ? Color{0.3f, 0.3f, 1.0f, 1} : Color{1, 1, 1, 1});
        raster.Draw(cam, models["scene.r3m"], textures, identity, true, Blend::kOpaque, true,
                    shade);
        raster.Draw(cam, models["trava2.r3m"], textures, identity, view.night, Blend::kAlpha, true,
                    shade);
        raster.cullBackFaces = false;
        raster.Draw(cam, models["trava.r3m"], textures, identity, false, Blend::kAlpha, true);
        for (const Shape& p : models["foliage.r3m"]) {
            Vec3 a = p.vertices[0].position, b = p.vertices[3].position;
            Vec3 n = Cross(a, b);
            n = Dot(n, n) > 1.2e-38f ? n * (1.0f / Length(n)) : Vec3{0, 0, 0};
            raster.Draw(
                cam, models["foliage1.r3m"], textures, [&](Vec3 q) { return PlaceLeaf(q, n, b); },
                false, Blend::kAlpha, true, {1, 1, 1, 1}, "ftr05tp" + night + ".tga");
        }
        raster.cullBackFaces = true;
        if (view.night) {
            raster.Draw(cam, models["tube.r3m"], textures, identity, false, Blend::kAdd, true);
        }
        std::string path = folder + "/" + view.name + ".png";
        if (!WritePng(path, raster.color)) {
            *error = "cannot write " + path;
            return false;
        }
    }
    // Textures with alpha, twice their size over a sky-blue and grey background.
    textures["icon.tga"] = MakeIconImage(48);
    for (const char* name : {"font.tga", "logo.tga", "ftr05tp.tga", "treewall0.tga", "icon.tga"}) {
        const Image& texture = textures[name];
        Image sheet(texture.width * 2, texture.height * 2);
        for (int y = 0; y < sheet.height; ++y) {
            for (int x = 0; x < sheet.width; ++x) {
                Color back = y < sheet.height / 2 ? Color{0.45f, 0.62f, 0.85f, 1}
                                                  : Color{0.25f, 0.25f, 0.25f, 1};
                Color c = texture.Get(x / 2, y / 2);
                Color out = MixColor(back, c, c.a);
                out.a = 1;
                sheet.Set(x, y, out);
            }
        }
        std::string path =
            folder + "/" + std::string(name).substr(0, std::strlen(name) - 4) + ".png";
        if (!WritePng(path, sheet)) {
            *error = "cannot write " + path;
            return false;
        }
    }
    return true;
}
