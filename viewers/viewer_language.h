#pragma once

#include <functional>
#include <initializer_list>

class QObject;

namespace kelvane {

// One text of a viewer window in both languages. The object is a widget with a "text"
// property (label, button, check box...), an action, or a window (its caption).
struct ViewerCaption {
    QObject* object;
    const char* french;  // UTF-8
    const char* english;
};

// Puts the texts of the interface language (English when the settings say "english",
// French otherwise). Viewer windows call it each time they become active.
void applyViewerCaptions(std::initializer_list<ViewerCaption> captions);

// Runs a viewer's command; a bilingual failure goes on to the error display with the half of
// the interface language alone.
void inViewerLanguage(const std::function<void()>& command);

}  // namespace kelvane
