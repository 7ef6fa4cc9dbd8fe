#include "browser/external_editors.h"

namespace kelvane {

std::string editorProgram(ExternalEditor editor, const Settings& values) {
    switch (editor) {
        case ExternalEditor::Paint:
#ifdef _WIN32
            return "C:\\WINDOWS\\SYSTEM32\\mspaint.exe";
#else
            return "xdg-open";
#endif
        case ExternalEditor::PaintShopPro:
            return values.pspDirectory + "psp.exe";
        case ExternalEditor::Photoshop:
            return values.pshopDirectory + "Photoshp.exe";
        case ExternalEditor::ERViewer:
            return values.ecwDirectory + "ERViewer.exe";
    }
    return {};
}

}  // namespace kelvane
