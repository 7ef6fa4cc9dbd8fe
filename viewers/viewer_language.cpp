#include "viewers/viewer_language.h"

#include <QString>
#include <QVariant>
#include <QWidget>

#include <stdexcept>

#include "platform/bilingual_error.h"
#include "settings/settings.h"

namespace kelvane {

void applyViewerCaptions(std::initializer_list<ViewerCaption> captions) {
    const bool english = settings().isEnglish();
    for (const ViewerCaption& caption : captions) {
        const QString text = QString::fromUtf8(english ? caption.english : caption.french);
        auto* widget = qobject_cast<QWidget*>(caption.object);
        if (widget != nullptr && widget->isWindow()) {
            widget->setWindowTitle(text);
        } else {
            caption.object->setProperty("text", text);
        }
    }
}

void inViewerLanguage(const std::function<void()>& command) {
    try {
        command();
    } catch (const BilingualError& e) {
        throw std::runtime_error(textIn(e, settings().isEnglish()));
    }
}

}  // namespace kelvane
