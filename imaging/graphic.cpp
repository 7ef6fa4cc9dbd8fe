#include "imaging/graphic.h"

#include <algorithm>

#include "imaging/graphic_errors.h"

namespace kelvane {

void Graphic::LoadFromFile(const std::string& path) {
    FileStream stream(path);
    LoadFromStream(stream);
}

void Graphic::Progress(ProgressStage stage, std::uint8_t percent, bool redraw,
                       const ProgressRect& rect, const std::string& message) const {
    if (OnProgress) OnProgress(stage, percent, redraw, rect, message);
}

bool GraphicClass::CanLoad(const std::string& path) const {
    if (!IsFormatGraphic()) return false;
    FileStream stream(path);
    return CanLoadStream(stream);
}

std::string fileExtension(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\:");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

bool sameExtension(std::string_view a, std::string_view b) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

void PictureExtensionTable::Register(std::string_view extension, std::string_view description,
                                     const GraphicClass& graphicClass) {
    registrations_.push_back({std::string(extension), std::string(description), &graphicClass});
}

void PictureExtensionTable::Unregister(const GraphicClass& graphicClass) {
    std::erase_if(registrations_,
                  [&](const Registration& r) { return r.graphicClass == &graphicClass; });
}

void PictureExtensionTable::Unregister(std::string_view extension,
                                       const GraphicClass& graphicClass) {
    for (auto it = registrations_.rbegin(); it != registrations_.rend(); ++it) {
        if (it->graphicClass == &graphicClass && sameExtension(it->extension, extension)) {
            registrations_.erase(std::next(it).base());
            return;
        }
    }
}

const GraphicClass* PictureExtensionTable::Find(std::string_view extension) const {
    for (auto it = registrations_.rbegin(); it != registrations_.rend(); ++it)
        if (sameExtension(it->extension, extension)) return it->graphicClass;
    return nullptr;
}

std::unique_ptr<Graphic> PictureExtensionTable::LoadFromFile(const std::string& path) const {
    const std::string extension = fileExtension(path);
    const GraphicClass* graphicClass = extension.empty() ? nullptr : Find(extension);
    if (graphicClass == nullptr)
        throw EInvalidGraphic("Unknown picture file extension (." + extension + ")");
    std::unique_ptr<Graphic> picture = graphicClass->create();
    picture->LoadFromFile(path);
    return picture;
}

}  // namespace kelvane
