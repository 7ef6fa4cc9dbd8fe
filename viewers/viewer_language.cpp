#include "viewers/viewer_language.h"

#include <QString>
#include <QVariant>
#include <QWidget>

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

}  // namespace kelvane
