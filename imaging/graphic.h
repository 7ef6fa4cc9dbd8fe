// The picture classes of the platform layer: a picture is a bitmap that can load itself
// from a stream, a picture class is a descriptor (name, factory, content test), and the
// extension table maps file extensions to picture classes for the generic loader.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/image_stream.h"

namespace kelvane {

enum class ProgressStage : std::uint8_t { psStarting = 0, psRunning = 1, psEnding = 2 };

struct ProgressRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const ProgressRect&, const ProgressRect&) = default;
};

using ProgressEvent = std::function<void(ProgressStage stage, std::uint8_t percent, bool redraw,
                                         const ProgressRect& rect, const std::string& message)>;

class Graphic : public Bitmap {
  public:
    // Decodes the picture at the stream's position into the bitmap.
    virtual void LoadFromStream(ImageStream& stream) = 0;
    void LoadFromFile(const std::string& path);

    ProgressEvent OnProgress;

  protected:
    void Progress(ProgressStage stage, std::uint8_t percent, bool redraw, const ProgressRect& rect,
                  const std::string& message) const;
};

// A picture class. `CanLoadStream` is set for the classes that recognise their data by
// content (the decoders built on TFormatGraphic) and null for the others.
struct GraphicClass {
    std::string_view name;
    std::unique_ptr<Graphic> (*create)();
    bool (*CanLoadStream)(ImageStream& stream) = nullptr;

    bool IsFormatGraphic() const { return CanLoadStream != nullptr; }
    // Opens the file read-only and tests its content.
    bool CanLoad(const std::string& path) const;
};

// The generic loader's table of extensions; the most recent registration of an extension
// wins and extensions compare case-insensitively.
class PictureExtensionTable {
  public:
    struct Registration {
        std::string extension;
        std::string description;
        const GraphicClass* graphicClass;
    };

    void Register(std::string_view extension, std::string_view description,
                  const GraphicClass& graphicClass);
    void Unregister(const GraphicClass& graphicClass);
    // Removes the most recent registration of this extension for this class.
    void Unregister(std::string_view extension, const GraphicClass& graphicClass);
    const GraphicClass* Find(std::string_view extension) const;
    const std::vector<Registration>& Registrations() const { return registrations_; }

    // Picks a class by the file's extension and loads the file with it; an extension
    // nobody registered fails with "Unknown picture file extension (.EXT)".
    std::unique_ptr<Graphic> LoadFromFile(const std::string& path) const;

  private:
    std::vector<Registration> registrations_;
};

// The extension of a file name as written, without the dot ("" when it has none).
std::string fileExtension(std::string_view path);
bool sameExtension(std::string_view a, std::string_view b);

}  // namespace kelvane
