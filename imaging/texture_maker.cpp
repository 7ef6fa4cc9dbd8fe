#include "imaging/texture_maker.h"

#include <libimagequant.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

#include "imaging/bitmap.h"
#include "platform/atomic_output_file.h"
#include "platform/bilingual_error.h"

namespace kelvane {
namespace {

constexpr std::size_t kPaletteSize = 256;

std::string sizeText(std::uint64_t width, std::uint64_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// Each channel times alpha / 255, rounded; alpha becomes opaque. True when any pixel was not.
bool flattenOnBlack(std::vector<std::uint8_t>& rgba) {
    bool flattened = false;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        const unsigned alpha = rgba[i + 3];
        if (alpha == 255) continue;
        flattened = true;
        for (std::size_t c = 0; c < 3; ++c)
            rgba[i + c] = std::uint8_t((rgba[i + c] * alpha + 127) / 255);
        rgba[i + 3] = 255;
    }
    return flattened;
}

// The source pixels, with their weights, that make one pixel of a resampled line.
struct Taps {
    std::uint32_t first = 0;
    std::vector<float> weights;
};

// Bilinear resampling (a tent filter) from `from` pixels to `to`, the tent widened to the
// scale when shrinking so that every source pixel counts, as a box average would.
std::vector<Taps> tentTaps(std::uint32_t from, std::uint32_t to) {
    const double scale = double(from) / to;
    const double radius = std::max(1.0, scale);
    std::vector<Taps> line(to);
    for (std::uint32_t o = 0; o < to; ++o) {
        const double centre = (o + 0.5) * scale - 0.5;
        const auto lo = std::max<std::int64_t>(0, std::int64_t(std::floor(centre - radius)) + 1);
        const auto hi =
            std::min<std::int64_t>(from - 1, std::int64_t(std::ceil(centre + radius)) - 1);
        double sum = 0;
        for (std::int64_t x = lo; x <= hi; ++x) sum += 1 - std::abs(x - centre) / radius;
        line[o].first = std::uint32_t(lo);
        for (std::int64_t x = lo; x <= hi; ++x)
            line[o].weights.push_back(float((1 - std::abs(x - centre) / radius) / sum));
    }
    return line;
}

// Opaque RGBA pixels scaled to side x side, rows resampled across once each and kept while
// the rows below need them.
std::vector<std::uint8_t> resize(const Rgba8Image& picture, std::uint32_t side) {
    const auto across = tentTaps(picture.width, side), down = tentTaps(picture.height, side);
    auto resampledRow = [&](std::uint32_t y) {
        std::vector<float> row(std::size_t(side) * 3);
        const std::uint8_t* source = &picture.pixels[std::size_t(y) * picture.width * 4];
        for (std::uint32_t x = 0; x < side; ++x)
            for (std::size_t k = 0; k < across[x].weights.size(); ++k)
                for (std::size_t c = 0; c < 3; ++c)
                    row[x * 3 + c] += across[x].weights[k] * source[(across[x].first + k) * 4 + c];
        return row;
    };
    std::vector<std::uint8_t> out(std::size_t(side) * side * 4, 255);
    std::deque<std::vector<float>> rows;
    std::uint32_t firstRow = 0;
    for (std::uint32_t y = 0; y < side; ++y) {
        const Taps& taps = down[y];
        for (; firstRow < taps.first && !rows.empty(); ++firstRow) rows.pop_front();
        firstRow = std::max(firstRow, taps.first);
        while (rows.size() < taps.weights.size())
            rows.push_back(resampledRow(firstRow + std::uint32_t(rows.size())));
        for (std::size_t i = 0; i < std::size_t(side) * 3; ++i) {
            float value = 0.5f;
            for (std::size_t k = 0; k < taps.weights.size(); ++k)
                value += taps.weights[k] * rows[k][i];
            out[std::size_t(y) * side * 4 + i / 3 * 4 + i % 3] =
                std::uint8_t(std::clamp(value, 0.f, 255.f));
        }
    }
    return out;
}

std::uint32_t rgbKey(const std::uint8_t* pixel) {
    return std::uint32_t(pixel[0]) << 16 | std::uint32_t(pixel[1]) << 8 | pixel[2];
}

// Distinct RGB colours of the pixels, and the first 256 of them in the order met.
std::size_t countColours(const std::vector<std::uint8_t>& rgba, std::vector<std::uint32_t>& first) {
    std::vector<std::uint64_t> seen((1u << 24) / 64);
    std::size_t count = 0;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        const std::uint32_t key = rgbKey(&rgba[i]);
        std::uint64_t& word = seen[key / 64];
        const std::uint64_t bit = std::uint64_t{1} << (key % 64);
        if (word & bit) continue;
        word |= bit;
        if (++count <= kPaletteSize) first.push_back(key);
    }
    return count;
}

// The palette is the picture's own colours; every index names its pixel's colour exactly.
void keepColours(const std::vector<std::uint8_t>& rgba, const std::vector<std::uint32_t>& colours,
                 Texture& texture) {
    std::unordered_map<std::uint32_t, std::uint8_t> index;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        index.emplace(colours[i], std::uint8_t(i));
        texture.palette[i * 3] = char(colours[i] >> 16);
        texture.palette[i * 3 + 1] = char(colours[i] >> 8);
        texture.palette[i * 3 + 2] = char(colours[i]);
    }
    for (std::size_t i = 0; i < texture.indices.size(); ++i)
        texture.indices[i] = char(index.at(rgbKey(&rgba[i * 4])));
}

[[noreturn]] void quantizeFailed(const char* step, int error) {
    throw BilingualError(
        std::string("La réduction de l'image à 256 couleurs a échoué (libimagequant, ") + step +
            ", erreur " + std::to_string(error) + ").",
        std::string("Reducing the picture to 256 colours failed (libimagequant, ") + step +
            ", error " + std::to_string(error) + ").");
}

void check(liq_error error, const char* step) {
    if (error != LIQ_OK) quantizeFailed(step, error);
}

template <typename T, void (*Destroy)(T*)>
struct Deleter {
    void operator()(T* object) const { Destroy(object); }
};
using Attributes = std::unique_ptr<liq_attr, Deleter<liq_attr, liq_attr_destroy>>;
using Image = std::unique_ptr<liq_image, Deleter<liq_image, liq_image_destroy>>;
using Result = std::unique_ptr<liq_result, Deleter<liq_result, liq_result_destroy>>;

void quantize(const std::vector<std::uint8_t>& rgba, bool dither, Texture& texture) {
    const Attributes attributes(liq_attr_create());
    if (!attributes) quantizeFailed("liq_attr_create", LIQ_OUT_OF_MEMORY);
    const Image image(liq_image_create_rgba(attributes.get(), rgba.data(), int(texture.side),
                                            int(texture.side), 0));
    if (!image) quantizeFailed("liq_image_create_rgba", LIQ_OUT_OF_MEMORY);
    liq_result* quantized = nullptr;
    check(liq_image_quantize(image.get(), attributes.get(), &quantized), "liq_image_quantize");
    const Result result(quantized);
    check(liq_set_dithering_level(result.get(), dither ? 1.0f : 0.0f), "liq_set_dithering_level");
    check(liq_write_remapped_image(result.get(), image.get(), texture.indices.data(),
                                   texture.indices.size()),
          "liq_write_remapped_image");
    const liq_palette* palette = liq_get_palette(result.get());
    if (!palette || palette->count > kPaletteSize)
        quantizeFailed("liq_get_palette", LIQ_VALUE_OUT_OF_RANGE);
    for (unsigned i = 0; i < palette->count; ++i) {
        texture.palette[i * 3] = char(palette->entries[i].r);
        texture.palette[i * 3 + 1] = char(palette->entries[i].g);
        texture.palette[i * 3 + 2] = char(palette->entries[i].b);
    }
    texture.paletteColours = palette->count;
}

double psnr(const std::vector<std::uint8_t>& rgba, const Texture& texture) {
    double squares = 0;
    for (std::size_t i = 0; i < texture.indices.size(); ++i) {
        const std::size_t entry = std::uint8_t(texture.indices[i]) * std::size_t{3};
        for (std::size_t c = 0; c < 3; ++c) {
            const double d = double(rgba[i * 4 + c]) - std::uint8_t(texture.palette[entry + c]);
            squares += d * d;
        }
    }
    const double mse = squares / (double(texture.indices.size()) * 3);
    return mse == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace

void checkTextureSide(std::uint64_t side) {
    if (side == 0 || side > kMaxTextureSide)
        throw BilingualError("Le côté de " + std::to_string(side) +
                                 " pixels ne convient pas : une texture a de 1 à " +
                                 std::to_string(kMaxTextureSide) + " pixels de côté.",
                             "A side of " + std::to_string(side) +
                                 " pixels will not do: a texture has 1 to " +
                                 std::to_string(kMaxTextureSide) + " pixels a side.");
}

Texture makeTexture(const Bitmap& picture, const TextureOptions& options) {
    if (picture.empty())
        throw BilingualError("L'image est vide : elle ne donne pas de texture.",
                             "The picture is empty: it makes no texture.");
    Rgba8Image source = picture.toRgba8();
    Texture texture;
    texture.alphaFlattened = flattenOnBlack(source.pixels);
    std::vector<std::uint8_t> rgba;
    if (options.resizeSide) {
        checkTextureSide(*options.resizeSide);
        texture.side = std::uint32_t(*options.resizeSide);
        if (source.width == texture.side && source.height == texture.side)
            rgba = std::move(source.pixels);
        else
            rgba = resize(source, texture.side);
    } else {
        if (source.width != source.height)
            throw BilingualError(
                "L'image de " + sizeText(source.width, source.height) +
                    " n'est pas carrée : une texture l'est toujours. --resize CÔTÉ la met à la "
                    "taille voulue.",
                "The picture of " + sizeText(source.width, source.height) +
                    " is not square: a texture always is. --resize SIDE scales it to the size "
                    "wanted.");
        if (source.width > kMaxTextureSide)
            throw BilingualError("L'image de " + sizeText(source.width, source.height) +
                                     " est trop grande pour une texture. --resize CÔTÉ la réduit.",
                                 "The picture of " + sizeText(source.width, source.height) +
                                     " is too large for a texture. --resize SIDE scales it down.");
        texture.side = source.width;
        rgba = std::move(source.pixels);
    }
    texture.indices.assign(std::size_t(texture.side) * texture.side, '\0');
    texture.palette.assign(kPaletteSize * 3, '\0');
    std::vector<std::uint32_t> colours;
    texture.sourceColours = countColours(rgba, colours);
    if (texture.sourceColours <= kPaletteSize) {
        keepColours(rgba, colours, texture);
        texture.paletteColours = colours.size();
        return texture;
    }
    quantize(rgba, options.dither, texture);
    texture.quantized = true;
    texture.psnr = psnr(rgba, texture);
    return texture;
}

std::string texturePalettePath(const std::string& rawPath) {
    const std::size_t dot = rawPath.rfind('.');
    const std::size_t slash = rawPath.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return rawPath + ".act";
    return rawPath.substr(0, dot) +
           (rawPath.compare(dot, std::string::npos, ".RAW") == 0 ? ".ACT" : ".act");
}

void writeTexture(const Texture& texture, const std::string& rawPath) {
    AtomicOutputFile raw(rawPath), act(texturePalettePath(rawPath));
    raw.write(texture.indices.data(), texture.indices.size());
    act.write(texture.palette.data(), texture.palette.size());
    raw.commit();
    act.commit();
}

}  // namespace kelvane
