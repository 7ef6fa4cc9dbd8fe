#include "imaging/ImageFormats.h"

#include <algorithm>

#include "imaging/graphic_errors.h"

namespace kelvane {

bool TFormatGraphic::CanLoad(ImageStream&) {
    return false;
}

bool TFormatGraphic::ReadImageProperties(ImageStream&, unsigned) {
    FImageProperties = TImageProperties{};
    return false;
}

TFileFormatList::TFileFormatList(PictureExtensionTable& platformTable) : platform_(platformTable) {}

TFileFormatList::~TFileFormatList() {
    for (const auto& entry : extensions_)
        platform_.Unregister(entry->Extension, *entry->ClassEntry->GraphicClass);
}

int TFileFormatList::FindExtension(std::string_view extension) const {
    if (extension.empty()) return -1;
    for (std::size_t i = 0; i < extensions_.size(); ++i)
        if (sameExtension(extensions_[i]->Extension, extension)) return int(i);
    return -1;
}

int TFileFormatList::FindGraphicClass(const GraphicClass& graphicClass) const {
    for (std::size_t i = 0; i < classes_.size(); ++i)
        if (classes_[i]->GraphicClass == &graphicClass) return int(i);
    return -1;
}

TClassEntry& TFileFormatList::classEntryFor(const GraphicClass& graphicClass,
                                            std::string_view description) {
    const int index = FindGraphicClass(graphicClass);
    TClassEntry* entry = index >= 0 ? classes_[index].get() : nullptr;
    if (entry == nullptr) {
        classes_.push_back(std::make_unique<TClassEntry>(TClassEntry{&graphicClass, {}, 0}));
        entry = classes_.back().get();
    }
    if (!description.empty()) entry->Description = description;
    ++entry->Count;
    return *entry;
}

void TFileFormatList::releaseClassEntry(TClassEntry* entry) {
    if (--entry->Count > 0) return;
    std::erase_if(classes_, [&](const auto& e) { return e.get() == entry; });
}

void TFileFormatList::RegisterFileFormat(std::string_view extension,
                                         std::string_view commonDescription,
                                         std::string_view individualDescription,
                                         TFormatTypes formatTypes, bool replace,
                                         const GraphicClass& graphicClass) {
    if (extension.empty()) return;
    const int index = FindExtension(extension);
    TExtensionEntry* entry = nullptr;
    if (index < 0) {
        extensions_.push_back(std::make_unique<TExtensionEntry>(TExtensionEntry{
            std::string(extension), std::string(individualDescription), formatTypes, nullptr}));
        entry = extensions_.back().get();
        entry->ClassEntry = &classEntryFor(graphicClass, commonDescription);
    } else {
        if (!replace)
            throw EInvalidGraphic("Attempt to register " + std::string(extension) + " twice.");
        entry = extensions_[index].get();
        // The new registration takes the place of the old one in the generic loader too.
        platform_.Unregister(entry->Extension, *entry->ClassEntry->GraphicClass);
        entry->Description = individualDescription;
        entry->FormatTypes = formatTypes;
        if (entry->ClassEntry->GraphicClass != &graphicClass) {
            TClassEntry* old = entry->ClassEntry;
            entry->ClassEntry = &classEntryFor(graphicClass, commonDescription);
            releaseClassEntry(old);
        }
    }
    const std::string& description =
        individualDescription.empty() ? entry->ClassEntry->Description : entry->Description;
    platform_.Register(extension, description, graphicClass);
}

void TFileFormatList::UnregisterFileFormat(std::string_view extension,
                                           const GraphicClass& graphicClass) {
    if (extension.empty()) {
        const int index = FindGraphicClass(graphicClass);
        if (index < 0) return;
        TClassEntry* entry = classes_[index].get();
        std::erase_if(extensions_, [&](const auto& e) {
            if (e->ClassEntry != entry) return false;
            platform_.Unregister(e->Extension, graphicClass);
            return true;
        });
        classes_.erase(classes_.begin() + index);
        return;
    }
    const int index = FindExtension(extension);
    if (index < 0) return;
    TClassEntry* entry = extensions_[index]->ClassEntry;
    platform_.Unregister(extensions_[index]->Extension, *entry->GraphicClass);
    extensions_.erase(extensions_.begin() + index);
    releaseClassEntry(entry);
}

const GraphicClass* TFileFormatList::GraphicFromContent(const std::string& path) const {
    FileStream stream(path);
    return GraphicFromContent(stream);
}

const GraphicClass* TFileFormatList::GraphicFromContent(ImageStream& stream) const {
    const std::uint64_t start = stream.position();
    for (const auto& entry : classes_) {
        const GraphicClass& graphicClass = *entry->GraphicClass;
        if (!graphicClass.IsFormatGraphic()) continue;
        const bool recognised = graphicClass.CanLoadStream(stream);
        stream.seek(start);
        if (recognised) return &graphicClass;
    }
    return nullptr;
}

}  // namespace kelvane
