#include <exception>

#include "cli/cli.h"
#include "imaging/ImageFormats.h"
#include "imaging/picture_writer.h"
#include "platform/bilingual_error.h"

namespace kelvane::cli {

namespace {

int runImage(const Arguments& args, std::ostream&, std::ostream& err);

}  // namespace

extern const Command kImageCommand{"image", "image FILE OUT   (OUT: .png, .pam, .ppm or .bmp)",
                                   runImage};

namespace {

int runImage(const Arguments& args, std::ostream&, std::ostream& err) {
    if (args.size() != 2) return usageError(kImageCommand, err, "expected FILE and OUT");
    const std::string& input = args[0];
    const std::string& output = args[1];
    if (!isWritableImagePath(output))
        return usageError(kImageCommand, err, "OUT must end in .png, .pam, .ppm or .bmp");
    try {
        const std::unique_ptr<Graphic> picture = LoadPicture(input);
        if (picture->empty()) {
            err << "kelvane-cli image: " << input << ": the picture is empty\n";
            return kFailure;
        }
        // Rows go out as they are converted: no second copy of the picture is made.
        writeImageFile(*picture, output);
    } catch (const std::exception& e) {
        err << "kelvane-cli image: " << input << ": " << englishText(e) << "\n";
        return kFailure;
    }
    return kSuccess;
}

}  // namespace

}  // namespace kelvane::cli
